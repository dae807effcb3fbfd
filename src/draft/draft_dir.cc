#include "draft/draft_dir.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "draft/names.h"
#include "draft/temp_dir.h"
#include "io/fd.h"
#include "io/platform.h"

namespace clippers {

namespace {

// The first failure met while removing, with the path of what would not go.
struct Removal {
  std::optional<IoError> first;
  void failed(const std::string& path, int err) {
    if (!first) first = PathError{path, IoError::from_errno(err)}.into_io_error();
  }
};

// The names in the directory open at `dir`, read through a second handle so
// that `dir` itself stays usable.
Result<std::vector<std::string>, int> list_names(int dir) {
  const int listing = ::fcntl(dir, F_DUPFD_CLOEXEC, 0);
  if (listing < 0) return fail(errno);
  DIR* stream = ::fdopendir(listing);
  if (stream == nullptr) {
    const int err = errno;
    ::close(listing);
    return fail(err);
  }
  // The copy shares its position with `dir`: an earlier listing left it at the end.
  ::rewinddir(stream);
  std::vector<std::string> names;
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(stream);
    if (entry == nullptr) break;
    const std::string_view name = entry->d_name;
    if (name != "." && name != "..") names.emplace_back(name);
  }
  const int err = errno;
  ::closedir(stream);
  if (err != 0) return fail(err);
  return names;
}

// An editor may leave a directory of the user's own without write or search
// permission; the user could remove it after a chmod, so the tool does that.
void make_removable(int dir) {
  struct stat st = {};
  if (::fstat(dir, &st) == 0 && st.st_uid == ::geteuid() && (st.st_mode & 0700) != 0700) {
    ::fchmod(dir, (st.st_mode & 07777) | 0700);
  }
}

// Opens the subdirectory `name` without following a link; one of the user's
// own that may not be read or searched is given that permission first.
Result<Fd, int> open_subdir(int dir, const std::string& name) {
  constexpr int kFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW;
  auto opened = open_at(dir, name, kFlags);
  if (opened || opened.error().os_code != EACCES) {
    if (opened) return std::move(opened).value();
    return fail(opened.error().os_code);
  }
  // What stands in the way is the refusal itself, unless looking closer or
  // the chmod fails otherwise: then that failure is the one to tell.
  struct stat st = {};
  if (::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return fail(errno);
  if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) return fail(EACCES);
  if (::fchmodat(dir, name.c_str(), (st.st_mode & 07777) | 0700, 0) != 0) return fail(errno);
  auto again = open_at(dir, name, kFlags);
  if (!again) return fail(again.error().os_code);
  return std::move(again).value();
}

// Empties the directory open at `dir` (shown as `path`) through that handle
// only.  unlinkat removes a link itself, never what it points to; a
// subdirectory is opened without following links and emptied the same way,
// however deep.  Goes on past failures and keeps the first.
void empty_dir(int dir, const std::string& path, Removal& removal) {
  make_removable(dir);
  auto names = list_names(dir);
  if (!names) return removal.failed(path, names.error());
  for (const std::string& name : *names) {
    if (::unlinkat(dir, name.c_str(), 0) == 0 || errno == ENOENT) continue;
    const int err = errno;
    std::string inner = path;
    inner += '/';
    inner += name;
    {
      auto sub = open_subdir(dir, name);
      if (!sub) {
        // Not a directory after all: the unlink's own failure is the one to tell.
        removal.failed(inner, sub.error() == ENOTDIR || sub.error() == ELOOP ? err : sub.error());
        continue;
      }
      empty_dir(sub->get(), inner, removal);
    }
    if (::unlinkat(dir, name.c_str(), AT_REMOVEDIR) != 0 && errno != ENOENT) removal.failed(inner, errno);
  }
}

// The directory just made, opened without following links, and still the
// directory its path names.  Known by its identity, not its owner or mode:
// vfat, exFAT, CIFS with dir_mode, NFS with root_squash and bindfs with a
// forced owner show a directory the tool made as someone else's, or open to
// all, and must work all the same.
Result<Fd, IoError> open_made_dir(const std::string& path) {
  auto opened = open_file(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
  if (!opened) return opened;
  struct stat held = {}, named = {};
  if (::fstat(opened->get(), &held) != 0 || ::lstat(path.c_str(), &named) != 0) {
    return fail(IoError::from_errno(errno));
  }
  if (!S_ISDIR(held.st_mode) || !same_inode(held, named)) {
    return fail(IoError::with_message("not the directory just created"));
  }
  return opened;
}

int make_private_dir(const std::string& path) {
  for (;;) {
    if (::mkdir(path.c_str(), DRAFT_DIR_MODE) == 0) return 0;
    if (errno != EINTR) return errno;
  }
}

}  // namespace

DraftDir::DraftDir(std::string path, Fd handle, std::string draft_name)
    : path_(std::move(path)), handle_(std::move(handle)), draft_name_(std::move(draft_name)), armed_(true) {}

DraftDir::DraftDir(DraftDir&& other) noexcept
    : path_(std::move(other.path_)),
      handle_(std::move(other.handle_)),
      draft_name_(std::move(other.draft_name_)),
      armed_(other.armed_) {
  other.armed_ = false;
  other.path_.clear();
}

// Memory running out while a directory is emptied must not end the process
// from a destructor: the directory then simply stays.
DraftDir::~DraftDir() {
  try {
    (void)remove();
  } catch (...) {
  }
}

Result<void, IoError> DraftDir::remove() {
  if (!armed_) return {};
  armed_ = false;
  // The handle is often dropped while a failure is being built from errno.
  const int saved = errno;
  Removal removal;
  // A helper of the editor may still be writing into the directory: a few
  // rounds catch what it adds, and past them the rest is reported.
  constexpr int kRounds = 4;
  for (int round = 0; round < kRounds && handle_.valid(); ++round) {
    removal.first.reset();
    empty_dir(handle_.get(), path_, removal);
    // The name is removed only while it still names this directory.
    if (!at_path()) {
      removal.first = IoError::with_message("another directory stands at its path");
      break;
    }
    if (::rmdir(path_.c_str()) == 0) break;
    const int err = errno;
    removal.failed(path_, err);
    if (err != ENOTEMPTY && err != EEXIST) break;
  }
  handle_ = Fd();
  errno = saved;
  if (removal.first) return fail(std::move(*removal.first));
  return {};
}

bool DraftDir::at_path() const {
  struct stat held = {}, named = {};
  return ::fstat(handle_.get(), &held) == 0 && ::lstat(path_.c_str(), &named) == 0 && same_inode(held, named);
}

std::optional<std::string> DraftDir::current_path() const { return platform::path_of(handle_.get()); }

std::vector<std::string> DraftDir::leftovers() const {
  auto names = list_names(handle_.get());
  if (!names) return {};
  std::erase(*names, draft_name_);
  std::sort(names->begin(), names->end());
  return std::move(names).value();
}

std::string DraftDir::draft_file_path() const {
  std::string file = path_;
  file += '/';
  file += draft_name_;
  return file;
}

std::string DraftDir::keep() && {
  armed_ = false;
  handle_ = Fd();
  return std::move(path_);
}

Result<void, IoError> DraftDir::release() && {
  auto removed = remove();
  path_.clear();
  return removed;
}

Result<DraftDir, IoError> create_draft_dir(const std::string& parent, std::string_view prefix, std::string draft_name) {
  auto base = absolute_dir(parent);
  if (!base) return fail(std::move(base).error());
  auto made = make_unique_dir(*base, prefix, fresh_generator(), make_private_dir, platform::entropy);
  if (!made) return fail(std::move(made).error());
  auto handle = open_made_dir(*made);
  if (!handle) {
    // Leave alone whatever now stands at the name: it is not ours to remove.
    return fail(PathError{std::move(*made), std::move(handle).error()}.into_io_error());
  }
  return DraftDir(std::move(*made), std::move(handle).value(), std::move(draft_name));
}

}  // namespace clippers
