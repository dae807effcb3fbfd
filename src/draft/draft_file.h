#pragma once
// The draft file "COMMIT_EDITMSG" inside a draft directory, and other files
// the tool makes there, always through the directory's handle.
//
// Calling sequence: write_draft_file (the edit buffer, stamped unread), the
// editor runs, then unread_since before read_draft_file (the tool's own read
// would move the access time); draft_file_exists when the read failed;
// holds_exactly for what the editor left beside the draft.

#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>

#include <string>

#include "base/io_error.h"
#include "base/result.h"
#include "draft/draft_dir.h"
#include "io/fd.h"
#include "io/held_text.h"

namespace clippers {

// What the draft file was when handed to the editor, so that afterwards it
// can be told whether anything has read it, or written it.  Both its times
// are set into the past, the access time before the modification time, so
// that any read or write moves one of them.  `reads_recorded` is false where
// the file system does not record reads (noatime), `times_set` where the
// times could not be set.
struct DraftStamp {
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  timespec atime = {};
  timespec mtime = {};
  bool times_set = false;
  bool reads_recorded = false;
};

struct DraftFile {
  Fd fd;  // still open, so the caller can adjust its mode
  DraftStamp stamp;
};

// Creates `name` inside `dir`, exclusively and without following links,
// write-only with `mode` before the umask: a file the tool has just made itself.
Result<Fd, IoError> create_file_in(const DraftDir& dir, const std::string& name, mode_t mode);

// Creates the draft file (mode 0666 before the umask), writes the whole
// buffer into it, and stamps it (DraftStamp).  With `replace`, the new draft
// is made under a name of its own and renamed over whatever stands at the
// draft path (a link itself, not what it points to) only once it is whole:
// the draft is always a file the tool has just made, and a failure leaves
// the one before as it was.
Result<DraftFile, IoError> write_draft_file(const DraftDir& dir, Pieces buffer, bool replace = false);

// True when the draft file is still the file stamped and nothing has read it
// since; false wherever that cannot be told.
bool unread_since(const DraftDir& dir, const DraftStamp& stamp);

// True when the draft file is no longer the file stamped as it was: it was
// written, or another file was saved in its place; true wherever that cannot
// be told.
bool saved_since(const DraftDir& dir, const DraftStamp& stamp);

// Reads the draft file back as UTF-8 without following a link and only when
// it is a regular file ("not a regular file" otherwise); a FIFO left there
// cannot block the read.
Result<HeldText, IoError> read_draft_file(const DraftDir& dir);

// True when anything (file, link, directory, ...) stands at the draft path.
bool draft_file_exists(const DraftDir& dir);

// True when `name` in `dir` is a regular file (a link is not followed) that
// holds exactly `bytes`, such as an editor's backup of the draft as written;
// false wherever that cannot be told.
bool holds_exactly(const DraftDir& dir, const std::string& name, Pieces bytes);

}  // namespace clippers
