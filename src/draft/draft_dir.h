#pragma once
// The draft directory: a freshly made, uniquely named directory that holds the
// draft file "COMMIT_EDITMSG" while the editor works on it.  DraftDir owns it
// and removes it, with everything inside, unless the run chose to keep it.

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/io_error.h"
#include "io/fd.h"
#include "io/held_text.h"
#include "base/result.h"

namespace clippers {

// Name of the draft file inside every draft directory.
constexpr std::string_view DRAFT_FILE_NAME = "COMMIT_EDITMSG";
// FILE mode: a hidden directory next to FILE's real location.
constexpr std::string_view FILE_DRAFT_PREFIX = ".clippers-";
// Standard-input mode: a directory in the system temporary directory.
constexpr std::string_view STDIN_DRAFT_PREFIX = "clippers-";
// The random part of a directory name: this many characters from NAME_ALPHABET.
constexpr std::size_t RANDOM_NAME_LENGTH = 6;
constexpr std::string_view NAME_ALPHABET =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
// At most this many names are tried for one directory.
constexpr std::uint32_t MAX_NAME_ATTEMPTS = 65536;
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
  DraftDir(std::string path, Fd handle);
  DraftDir(DraftDir&& other) noexcept;
  DraftDir& operator=(DraftDir&& other) noexcept;
  DraftDir(const DraftDir&) = delete;
  DraftDir& operator=(const DraftDir&) = delete;
  ~DraftDir();

  const std::string& path() const { return path_; }
  int fd() const { return handle_.get(); }
  // The directory's path, "/" and DRAFT_FILE_NAME.
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
  bool armed_ = false;
};

// wyrand: a small non-cryptographic generator with 64 bits of state.
struct Wyrand {
  std::uint64_t state = 0;
  std::uint64_t next();
};

// Maps one generator output onto a position in NAME_ALPHABET without bias
// (r * 62 as a 128-bit product, high half); nullopt when the output must be
// discarded (the product's low half is below 2^64 mod 62 = 16).
std::optional<std::size_t> alphabet_index(std::uint64_t r);

// The prefix followed by RANDOM_NAME_LENGTH characters drawn from `generator`.
std::string random_name(std::string_view prefix, Wyrand& generator);
// The same from a fresh generator of the kind draft directories are named with.
std::string random_name(std::string_view prefix);

// Creates a new, empty directory named prefix + 6 random characters in
// `parent` (a relative parent is taken from the current directory), mode 0700,
// opens it without following links and checks that it is the private
// directory just made.  Fails with a PathError (as IoError) naming the
// candidate path when mkdir or that check fails other than by a name clash,
// naming the absolute base with "too many temporary files exist" after
// MAX_NAME_ATTEMPTS clashes, or with a plain IoError when the current
// directory cannot be determined.
Result<DraftDir, IoError> create_draft_dir(const std::string& parent, std::string_view prefix);

// The attempt loop of create_draft_dir with its collaborators passed in, so
// that clashes and failures can be staged.  `make_dir` returns 0 or an errno
// value; `entropy` supplies the reseed taken on the fourth attempt (nullopt:
// keep the generator as it is).  `base` must be absolute.  Returns the path
// made.
using MakeDirFn = std::function<int(const std::string& path)>;
using EntropyFn = std::function<std::optional<std::uint64_t>()>;
Result<std::string, IoError> make_unique_dir(const std::string& base, std::string_view prefix,
                                             Wyrand generator, const MakeDirFn& make_dir,
                                             const EntropyFn& entropy);

// The parent for standard-input drafts: TMPDIR when set (even empty), else
// the per-user temporary directory where the platform has one, else "/tmp".
std::string system_temp_dir();

// Creates `name` inside `dir`, exclusively and without following links,
// write-only with `mode` before the umask: a file the tool has just made itself.
Result<Fd, IoError> create_file_in(const DraftDir& dir, const std::string& name, mode_t mode);

// What the draft file was when handed to the editor, so that afterwards it
// can be told whether anything has read it.  `reads_recorded` is false where
// the file system does not record reads (noatime) or the stamp failed.
struct UnreadStamp {
  dev_t dev = 0;
  ino_t ino = 0;
  timespec atime = {};
  bool reads_recorded = false;
};

struct DraftFile {
  Fd fd;  // still open, so the caller can adjust its mode
  UnreadStamp stamp;
};

// Creates the draft file (mode 0666 before the umask), writes the whole
// buffer into it, and sets its access time into the past so that a read of
// it shows.
Result<DraftFile, IoError> write_draft_file(const DraftDir& dir, Pieces buffer);

// True when the draft file is still the file stamped and nothing has read it
// since; false wherever that cannot be told.
bool unread_since(const DraftDir& dir, const UnreadStamp& stamp);

// Reads the draft file back as UTF-8 without following a link and only when
// it is a regular file ("not a regular file" otherwise); a FIFO left there
// cannot block the read.
Result<HeldText, IoError> read_draft_file(const DraftDir& dir);

// True when anything (file, link, directory, ...) stands at the draft path.
bool draft_file_exists(const DraftDir& dir);

// Gives the open file `fd` the owner and group of `like` where the user may
// (root: both; others: the group, when they belong to it) and its permission
// bits, set-user-ID and set-group-ID only when owner and group match.
Result<void, IoError> copy_identity(int fd, const struct stat& like);

}  // namespace clippers
