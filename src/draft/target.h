#pragma once
// The file edited in place: opening it before the editor runs, and replacing
// its contents by one rename of a file made for the purpose after approval.

#include <sys/stat.h>

#include <optional>
#include <string>
#include <string_view>

#include "base/result.h"
#include "draft/draft_dir.h"
#include "failure/failure.h"
#include "io/fd.h"
#include "io/held_text.h"

namespace clippers {

struct Target {
  // FILE exactly as passed; the failures of open_target show this form.
  std::string path;
  // FILE's absolute path with every symbolic link, "." and ".." resolved.
  std::string canonical;
  // FILE's whole content, unchanged.
  HeldText text;
  // `canonical` without its last component ("." only for the root directory):
  // where the draft directory is made, so the rename stays on one file system.
  std::string base_dir;
  // A handle on `base_dir` and FILE's name in it: FILE is read and replaced
  // through them, so a directory swapped in meanwhile is never written.
  Fd dir;
  std::string name;
  // FILE as it was read: what the replacement must still find there, and the
  // permission bits and owner the replacement gets.
  struct stat status = {};
  // FILE's access control list as it was read (io/platform.h), or none: the
  // replacement gets exactly this.
  std::optional<std::string> acl;
};

// Resolves and reads FILE, which must be a regular file, and its access
// control list.  Fails with CannotRead (resolution, reading, not a regular
// file, or bytes that are not UTF-8) or ContainsClippersLine (the first such
// line, counted from 1).  Creates nothing.
Result<Target, RunError> open_target(const std::string& file);

// Replaces FILE with `content` (followed by one line feed when FILE's text
// ended with one): writes it into a new file of its own inside `dir`, gives
// it exactly FILE's access control list (or none), FILE's permission bits
// (and owner, where the user may), flushes it and renames it over FILE.
// Until FILE is replaced the draft file stays as the editor left it; every
// failure names the draft, which the caller keeps: Io when the user may not
// write FILE or the new file cannot be written; AclNotCopied when the list
// cannot be given; Changed when FILE is no longer the file that was read, its
// mode, owner and group included (a FILE removed meanwhile is written back);
// ReplaceFailed when the rename fails.  After AclNotCopied, Changed and
// ReplaceFailed the draft file holds the approved content.
Result<void, RunError> replace_target(const DraftDir& dir, const Target& target, std::string_view content);

}  // namespace clippers
