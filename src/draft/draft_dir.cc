#include "draft/draft_dir.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#ifdef __APPLE__
#include <sys/random.h>
#endif

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "io/fd.h"

namespace clippers {

namespace {

// Empties the directory open at `dir` through that handle only.  unlinkat
// removes a link itself, never what it points to; a subdirectory is opened
// without following links and emptied the same way.  Best effort: a run has
// nothing useful to say about an entry it could not remove.
void remove_contents(int dir, int depth) {
  const int listing = ::fcntl(dir, F_DUPFD_CLOEXEC, 0);
  if (listing < 0) return;
  DIR* stream = ::fdopendir(listing);
  if (stream == nullptr) {
    ::close(listing);
    return;
  }
  while (const dirent* entry = ::readdir(stream)) {
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (::unlinkat(dir, entry->d_name, 0) == 0 || errno == ENOENT) continue;
    // Deep enough means someone is playing games; what is left stays.
    if (depth >= 16) continue;
    const int sub = ::openat(dir, entry->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (sub < 0) continue;
    remove_contents(sub, depth + 1);
    ::close(sub);
    ::unlinkat(dir, entry->d_name, AT_REMOVEDIR);
  }
  ::closedir(stream);
}

bool same_inode(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

struct Wide {
  std::uint64_t high;
  std::uint64_t low;
};

// The full 128-bit product of two 64-bit numbers, from 32-bit halves so that
// no compiler extension is needed.
Wide multiply(std::uint64_t a, std::uint64_t b) {
  constexpr std::uint64_t kLow32 = 0xffffffffu;
  const std::uint64_t a_lo = a & kLow32, a_hi = a >> 32;
  const std::uint64_t b_lo = b & kLow32, b_hi = b >> 32;
  const std::uint64_t lo_lo = a_lo * b_lo;
  const std::uint64_t lo_hi = a_lo * b_hi;
  const std::uint64_t hi_lo = a_hi * b_lo;
  const std::uint64_t hi_hi = a_hi * b_hi;
  const std::uint64_t middle = (lo_lo >> 32) + (lo_hi & kLow32) + (hi_lo & kLow32);
  return Wide{hi_hi + (lo_hi >> 32) + (hi_lo >> 32) + (middle >> 32),
              (middle << 32) | (lo_lo & kLow32)};
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

std::optional<std::uint64_t> system_entropy() {
  std::uint64_t seed = 0;
  unsigned char bytes[sizeof seed];
  if (::getentropy(bytes, sizeof bytes) != 0) return std::nullopt;
  std::memcpy(&seed, bytes, sizeof seed);
  return seed;
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
    remove();
    path_ = std::move(other.path_);
    handle_ = std::move(other.handle_);
    armed_ = other.armed_;
    other.armed_ = false;
    other.path_.clear();
  }
  return *this;
}

DraftDir::~DraftDir() { remove(); }

void DraftDir::remove() {
  if (!armed_) return;
  armed_ = false;
  // The handle is often dropped while a failure is being built from errno.
  const int saved = errno;
  if (handle_.valid()) {
    remove_contents(handle_.get(), 0);
    // The name is removed only while it still names this directory.
    struct stat held = {}, named = {};
    if (::fstat(handle_.get(), &held) == 0 && ::lstat(path_.c_str(), &named) == 0 &&
        same_inode(held, named)) {
      ::rmdir(path_.c_str());
    }
  }
  handle_ = Fd();
  errno = saved;
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

void DraftDir::release() && {
  remove();
  path_.clear();
}

std::uint64_t Wyrand::next() {
  state += 0x2d358dccaa6c78a5u;
  const Wide product = multiply(state, state ^ 0x8bb84b93962eacc9u);
  return product.high ^ product.low;
}

std::optional<std::size_t> alphabet_index(std::uint64_t r) {
  // 2^64 mod 62: outputs whose product falls into this sliver of the low half
  // would make the first 16 positions slightly more likely.
  constexpr std::uint64_t kRejectBelow = 16;
  const Wide product = multiply(r, NAME_ALPHABET.size());
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
  auto made = make_unique_dir(base, prefix, fresh_generator(), make_private_dir, system_entropy);
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
#ifdef __APPLE__
  char buffer[1024];
  const std::size_t length = ::confstr(_CS_DARWIN_USER_TEMP_DIR, buffer, sizeof buffer);
  if (length > 1 && length <= sizeof buffer) return std::string(buffer, length - 1);
#endif
  return "/tmp";
}

Result<Fd, IoError> create_file_in(const DraftDir& dir, const std::string& name, mode_t mode) {
  return open_at(dir.fd(), name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, mode);
}

Result<Fd, IoError> write_draft_file(const DraftDir& dir, Pieces buffer) {
  auto file = create_file_in(dir, std::string(DRAFT_FILE_NAME), 0666);
  if (!file) return file;
  if (auto written = write_all(file->get(), buffer); !written) return fail(std::move(written).error());
  return file;
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
