#pragma once
// Giving a file the tool made FILE's owner, group and permission bits, so
// that replacing FILE by it changes as little as the user may.
//
// Calling sequence: after writing the new file through `fd`, before renaming
// it over FILE (and on the draft file, before the editor opens it).

#include <sys/stat.h>

#include "base/io_error.h"
#include "base/result.h"

namespace clippers {

// Gives the open file `fd` the owner and group of `like` where the user may
// (root: both; others: the group, when they belong to it) and its permission
// bits, set-user-ID and set-group-ID only when owner and group match.  Fails
// only when the mode cannot be set.
Result<void, IoError> copy_identity(int fd, const struct stat& like);

}  // namespace clippers
