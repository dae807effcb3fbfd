#include "draft/draft_dir.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "base/wide.h"
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
  struct stat st = {};
  if (::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(st.st_mode) ||
      st.st_uid != ::geteuid() || ::fchmodat(dir, name.c_str(), (st.st_mode & 07777) | 0700, 0) != 0) {
    return fail(EACCES);
  }
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
    const std::string inner = path + "/" + name;
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

bool same_inode(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

void append_random_chars(std::string& out, Wyrand& generator) {
  for (std::size_t i = 0; i < RANDOM_NAME_LENGTH; ++i) {
    std::optional<std::size_t> index;
    while (!(index = alphabet_index(generator.next()))) {
    }
    out += NAME_ALPHABET[*index];
  }
}

// Seeds the per-thread generator once: the monotonic clock, the thread and the
// process mixed through one generator step.  Names only need to differ most of
// the time; clashes are caught by the exclusive mkdir.
std::uint64_t initial_seed() {
  struct timespec now = {};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  const std::uint64_t nanos = static_cast<std::uint64_t>(now.tv_sec) * 1000000000u +
                              static_cast<std::uint64_t>(now.tv_nsec);
  const std::uint64_t thread = std::hash<std::thread::id>{}(std::this_thread::get_id());
  const std::uint64_t process = static_cast<std::uint64_t>(::getpid());
  Wyrand mixer{nanos ^ (thread << 17) ^ (thread >> 47) ^ (process << 40)};
  return mixer.next();
}

Wyrand fresh_generator() {
  thread_local Wyrand per_thread{initial_seed()};
  return Wyrand{per_thread.next()};
}

// The directory just made, opened without following links.  It must be a
// directory of this user that nobody else may enter: otherwise another
// process swapped its own in under the name, and nothing may be written there.
Result<Fd, IoError> open_made_dir(const std::string& path) {
  auto opened = open_file(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
  if (!opened) return opened;
  struct stat st = {};
  if (::fstat(opened->get(), &st) != 0) return fail(IoError::from_errno(errno));
  if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() || (st.st_mode & 077) != 0) {
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

Result<std::string, IoError> current_dir() {
  std::string buffer(256, '\0');
  for (;;) {
    if (::getcwd(buffer.data(), buffer.size()) != nullptr) {
      buffer.resize(std::strlen(buffer.c_str()));
      return buffer;
    }
    if (errno != ERANGE) return fail(IoError::from_errno(errno));
    buffer.resize(buffer.size() * 2);
  }
}

void append_separator(std::string& path) {
  if (path.empty() || path.back() != '/') path += '/';
}

}  // namespace

DraftDir::DraftDir(std::string path, Fd handle)
    : path_(std::move(path)), handle_(std::move(handle)), armed_(true) {}

DraftDir::DraftDir(DraftDir&& other) noexcept
    : path_(std::move(other.path_)), handle_(std::move(other.handle_)), armed_(other.armed_) {
  other.armed_ = false;
  other.path_.clear();
}

DraftDir& DraftDir::operator=(DraftDir&& other) noexcept {
  if (this != &other) {
    (void)remove();
    path_ = std::move(other.path_);
    handle_ = std::move(other.handle_);
    armed_ = other.armed_;
    other.armed_ = false;
    other.path_.clear();
  }
  return *this;
}

DraftDir::~DraftDir() { (void)remove(); }

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
  std::erase(*names, std::string(DRAFT_FILE_NAME));
  std::sort(names->begin(), names->end());
  return std::move(names).value();
}

std::string DraftDir::draft_file_path() const {
  std::string file = path_;
  file += '/';
  file += DRAFT_FILE_NAME;
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

std::uint64_t Wyrand::next() {
  state += 0x2d358dccaa6c78a5u;
  const Wide product = multiply_wide(state, state ^ 0x8bb84b93962eacc9u);
  return product.high ^ product.low;
}

std::optional<std::size_t> alphabet_index(std::uint64_t r) {
  // 2^64 mod 62: outputs whose product falls into this sliver of the low half
  // would make the first 16 positions slightly more likely.
  constexpr std::uint64_t kRejectBelow = 16;
  const Wide product = multiply_wide(r, NAME_ALPHABET.size());
  if (product.low < kRejectBelow) return std::nullopt;
  return static_cast<std::size_t>(product.high);
}

std::string random_name(std::string_view prefix, Wyrand& generator) {
  std::string name(prefix);
  append_random_chars(name, generator);
  return name;
}

std::string random_name(std::string_view prefix) {
  Wyrand generator = fresh_generator();
  return random_name(prefix, generator);
}

Result<std::string, IoError> make_unique_dir(const std::string& base, std::string_view prefix,
                                             Wyrand generator, const MakeDirFn& make_dir,
                                             const EntropyFn& entropy) {
  std::string candidate = base;
  append_separator(candidate);
  candidate += prefix;
  const std::size_t stem = candidate.size();
  for (std::uint32_t attempt = 0; attempt < MAX_NAME_ATTEMPTS; ++attempt) {
    // A few clashes in a row hint that another process draws the same
    // sequence; fresh entropy breaks the lockstep.
    if (attempt == 3) {
      if (const auto seed = entropy()) generator.state = *seed;
    }
    candidate.resize(stem);
    append_random_chars(candidate, generator);
    const int err = make_dir(candidate);
    if (err == 0) return candidate;
    if (err == EEXIST || err == EADDRINUSE) continue;
    return fail(PathError{std::move(candidate), IoError::from_errno(err)}.into_io_error());
  }
  return fail(
      PathError{base, IoError::with_message("too many temporary files exist")}.into_io_error());
}

Result<DraftDir, IoError> create_draft_dir(const std::string& parent, std::string_view prefix) {
  std::string base;
  if (!parent.empty() && parent.front() == '/') {
    base = parent;
  } else {
    auto cwd = current_dir();
    if (!cwd) return fail(std::move(cwd).error());
    base = std::move(*cwd);
    append_separator(base);
    base += parent;
  }
  auto made = make_unique_dir(base, prefix, fresh_generator(), make_private_dir, platform::entropy);
  if (!made) return fail(std::move(made).error());
  auto handle = open_made_dir(*made);
  if (!handle) {
    // Leave alone whatever now stands at the name: it is not ours to remove.
    return fail(PathError{std::move(*made), std::move(handle).error()}.into_io_error());
  }
  return DraftDir(std::move(*made), std::move(handle).value());
}

std::string system_temp_dir() {
  // Set but empty still counts: it stands for the current directory.
  if (const char* tmpdir = std::getenv("TMPDIR")) return tmpdir;
  if (auto own = platform::user_temp_dir()) return std::move(*own);
  return "/tmp";
}

Result<Fd, IoError> create_file_in(const DraftDir& dir, const std::string& name, mode_t mode) {
  return open_at(dir.fd(), name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, mode);
}

namespace {

// Sets the access time before the modification time, so that any read of the
// file afterwards (even under relatime) moves it, and notes what it now is.
// Where the file system does not record reads, nothing can be told from it.
UnreadStamp stamp_unread(int fd) {
  UnreadStamp stamp;
  struct stat st = {};
  if (::fstat(fd, &st) != 0) return stamp;
  const timespec& modified = platform::modified_time(st);
  const timespec times[2] = {{modified.tv_sec - 1, modified.tv_nsec}, {0, UTIME_OMIT}};
  struct statvfs vfs = {};
  if (::futimens(fd, times) != 0 || ::fstat(fd, &st) != 0 || ::fstatvfs(fd, &vfs) != 0 ||
      !platform::records_reads(vfs)) {
    return stamp;
  }
  stamp.dev = st.st_dev;
  stamp.ino = st.st_ino;
  stamp.atime = platform::accessed_time(st);
  stamp.reads_recorded = true;
  return stamp;
}

}  // namespace

Result<DraftFile, IoError> write_draft_file(const DraftDir& dir, Pieces buffer) {
  auto file = create_file_in(dir, std::string(DRAFT_FILE_NAME), 0666);
  if (!file) return fail(std::move(file).error());
  if (auto written = write_all(file->get(), buffer); !written) return fail(std::move(written).error());
  const UnreadStamp stamp = stamp_unread(file->get());
  return DraftFile{std::move(file).value(), stamp};
}

bool unread_since(const DraftDir& dir, const UnreadStamp& stamp) {
  struct stat st = {};
  return stamp.reads_recorded && ::fstatat(dir.fd(), DRAFT_FILE_NAME.data(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
         st.st_dev == stamp.dev && st.st_ino == stamp.ino &&
         platform::accessed_time(st).tv_sec == stamp.atime.tv_sec &&
         platform::accessed_time(st).tv_nsec == stamp.atime.tv_nsec;
}

Result<HeldText, IoError> read_draft_file(const DraftDir& dir) {
  const IoError not_regular = IoError::with_message("not a regular file");
  // Non-blocking, so a FIFO left at the name cannot hold the run; no link is
  // followed, so nothing outside the draft directory is ever read as the draft.
  auto file = open_at(dir.fd(), std::string(DRAFT_FILE_NAME), O_RDONLY | O_NOFOLLOW | O_NONBLOCK);
  if (!file) return fail(file.error().os_code == ELOOP ? not_regular : std::move(file).error());
  struct stat st = {};
  if (::fstat(file->get(), &st) != 0) return fail(IoError::from_errno(errno));
  if (!S_ISREG(st.st_mode)) return fail(not_regular);
  return hold_text(file->get());
}

bool draft_file_exists(const DraftDir& dir) {
  struct stat st = {};
  return ::fstatat(dir.fd(), DRAFT_FILE_NAME.data(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

Result<void, IoError> copy_identity(int fd, const struct stat& like) {
  // Only root may give a file away; anyone may hand it to a group they are in.
  // Where that is refused, the file simply stays the user's own.
  if (::geteuid() == 0) {
    (void)::fchown(fd, like.st_uid, like.st_gid);
  } else {
    (void)::fchown(fd, static_cast<uid_t>(-1), like.st_gid);
  }
  struct stat mine = {};
  if (::fstat(fd, &mine) != 0) return fail(IoError::from_errno(errno));
  mode_t mode = like.st_mode & 07777;
  // A set-user-ID or set-group-ID bit means "run as FILE's owner or group":
  // on a file that belongs to someone else it would grant a different power.
  if (mine.st_uid != like.st_uid || mine.st_gid != like.st_gid) mode &= ~mode_t{S_ISUID | S_ISGID};
  for (;;) {
    if (::fchmod(fd, mode) == 0) return {};
    if (errno != EINTR) return fail(IoError::from_errno(errno));
  }
}

}  // namespace clippers
