#include "draft/draft_dir.h"

#include <ftw.h>
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

// nftw hands each entry over after its children (FTW_DEPTH), so directories
// are empty by the time they are removed.  Failures are ignored: removal is
// best effort and the run has nothing useful to say about it.
int remove_entry(const char* path, const struct stat*, int type, struct FTW*) {
  if (type == FTW_DP || type == FTW_D || type == FTW_DNR) {
    ::rmdir(path);
  } else {
    ::unlink(path);
  }
  return 0;
}

void remove_tree(const std::string& path) {
  // The handle is often dropped while a failure is being built from errno.
  const int saved = errno;
  // FTW_PHYS: a symbolic link the editor left behind is removed, never followed.
  ::nftw(path.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS);
  errno = saved;
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

DraftDir::DraftDir(DraftDir&& other) noexcept
    : path_(std::move(other.path_)), armed_(other.armed_) {
  other.armed_ = false;
  other.path_.clear();
}

DraftDir& DraftDir::operator=(DraftDir&& other) noexcept {
  if (this != &other) {
    if (armed_) remove_tree(path_);
    path_ = std::move(other.path_);
    armed_ = other.armed_;
    other.armed_ = false;
    other.path_.clear();
  }
  return *this;
}

DraftDir::~DraftDir() {
  if (armed_) remove_tree(path_);
}

std::string DraftDir::draft_file_path() const {
  std::string file = path_;
  file += '/';
  file += DRAFT_FILE_NAME;
  return file;
}

std::string DraftDir::keep() && {
  armed_ = false;
  return std::move(path_);
}

void DraftDir::release() && {
  if (armed_) remove_tree(path_);
  armed_ = false;
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

Result<DraftDir, IoError> create_draft_dir_in(const std::string& base, std::string_view prefix,
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
    if (err == 0) return DraftDir(std::move(candidate));
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
  return create_draft_dir_in(base, prefix, fresh_generator(), make_private_dir, system_entropy);
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

Result<void, IoError> write_draft_file(const std::string& path, std::string_view buffer) {
  return write_file(path, buffer, 0666);
}

Result<void, IoError> copy_permissions(const std::string& from_canonical, const std::string& to) {
  struct stat st = {};
  if (::stat(from_canonical.c_str(), &st) != 0) return fail(IoError::from_errno(errno));
  // The whole mode: set-user-ID, set-group-ID and sticky bits travel with the permissions.
  const mode_t mode = st.st_mode & 07777;
  for (;;) {
    if (::chmod(to.c_str(), mode) == 0) return {};
    if (errno != EINTR) return fail(IoError::from_errno(errno));
  }
}

}  // namespace clippers
