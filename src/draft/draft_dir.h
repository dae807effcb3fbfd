#pragma once
// The draft directory: a freshly made, uniquely named directory that holds the
// draft file while the editor works on it.  DraftDir owns it
// and removes it, with everything inside, unless the run chose to keep it.
//
// Calling sequence: create_draft_dir; files inside only through fd() (see
// draft/draft_file.h); then exactly one of keep() (a message names it) or
// release() (reports what would not go); the destructor of a handle still
// armed removes it silently.

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/io_error.h"
#include "base/result.h"
#include "io/fd.h"

namespace clippers {

// Name of the draft file of standard-input mode (FILE mode names it after FILE).
constexpr std::string_view DRAFT_FILE_NAME = "COMMIT_EDITMSG";
// FILE mode: a hidden directory next to FILE's real location.
constexpr std::string_view FILE_DRAFT_PREFIX = ".clippers-";
// Standard-input mode: a directory in the system temporary directory.
constexpr std::string_view STDIN_DRAFT_PREFIX = "clippers-";
// Draft directories are private to the user: they hold a copy of FILE.
constexpr mode_t DRAFT_DIR_MODE = 0700;

// Move-only owner of one draft directory, held by an open handle from the
// moment it is made: everything inside it goes through that handle, so a
// directory swapped in under the same name is never written into.  While
// armed, destruction empties the directory through the handle (links are
// removed, never followed; subdirectories of the user's own are given the
// permissions their removal needs, however deep) and removes it, silently;
// `release` does the same and reports what would not go.  errno is left as
// it was.  A moved-from handle owns nothing.
class DraftDir {
 public:
  DraftDir(std::string path, Fd handle, std::string draft_name);
  DraftDir(DraftDir&& other) noexcept;
  DraftDir& operator=(DraftDir&& other) = delete;
  DraftDir(const DraftDir&) = delete;
  DraftDir& operator=(const DraftDir&) = delete;
  ~DraftDir();

  const std::string& path() const { return path_; }
  int fd() const { return handle_.get(); }
  // The name of the draft file inside it, and its path.
  const std::string& draft_name() const { return draft_name_; }
  std::string draft_file_path() const;

  // True while `path()` still names the directory held.
  bool at_path() const;
  // Where the directory held is now, where the system can tell.
  std::optional<std::string> current_path() const;
  // The names inside besides the draft file, sorted: what the editor left.
  std::vector<std::string> leftovers() const;

  // Disarms the handle for good: the directory stays on disk.  Returns its path.
  std::string keep() &&;
  // Removes the directory now (when armed) and gives up the handle.  Fails
  // with the first thing that would not go, shown by its path, when anything
  // is left; a directory that kept filling up is given a few rounds first.
  Result<void, IoError> release() &&;

 private:
  Result<void, IoError> remove();

  std::string path_;
  Fd handle_;
  std::string draft_name_;
  bool armed_ = false;
};

// Creates a new, empty directory named prefix + 6 random characters in
// `parent` (a relative parent is taken from the current directory), for a
// draft file named `draft_name`, mode 0700,
// opens it without following links and checks that it is a directory and
// the one its path names (device and inode; its owner and mode are whatever
// the file system shows).  Fails with a PathError (as IoError) naming the
// candidate path when mkdir or that check fails other than by a name clash,
// naming the absolute base with "too many temporary files exist" after
// MAX_NAME_ATTEMPTS clashes, or with a plain IoError when the current
// directory cannot be determined.
Result<DraftDir, IoError> create_draft_dir(const std::string& parent, std::string_view prefix, std::string draft_name);

}  // namespace clippers
