#include "io/platform.h"

#include <sys/mman.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/xattr.h>
#endif
#if defined(__APPLE__)
#include <mach-o/dyld.h>
#include <sys/random.h>
#endif
#if defined(__APPLE__) || defined(__FreeBSD__)
#include <sys/acl.h>
#endif

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace clippers::platform {

std::optional<struct stat> running_executable() {
  struct stat st = {};
#if defined(__linux__)
  if (::stat("/proc/self/exe", &st) == 0) return st;
#elif defined(__APPLE__)
  char path[4096];
  std::uint32_t size = sizeof path;
  if (_NSGetExecutablePath(path, &size) == 0 && ::stat(path, &st) == 0) return st;
#endif
  return std::nullopt;
}

std::optional<std::string> path_of([[maybe_unused]] int fd) {
#if defined(__linux__)
  const std::string link = "/proc/self/fd/" + std::to_string(fd);
  std::string target(4096, '\0');
  const ssize_t n = ::readlink(link.c_str(), target.data(), target.size());
  if (n <= 0 || static_cast<std::size_t>(n) >= target.size()) return std::nullopt;
  target.resize(static_cast<std::size_t>(n));
  if (target.front() != '/' || target.ends_with(" (deleted)")) return std::nullopt;
  return target;
#elif defined(F_GETPATH)
  char path[4096];
  if (::fcntl(fd, F_GETPATH, path) == 0) return std::string(path);
  return std::nullopt;
#else
  return std::nullopt;
#endif
}

std::optional<std::string> user_temp_dir() {
#if defined(__APPLE__)
  char buffer[1024];
  const std::size_t length = ::confstr(_CS_DARWIN_USER_TEMP_DIR, buffer, sizeof buffer);
  if (length > 1 && length <= sizeof buffer) return std::string(buffer, length - 1);
#endif
  return std::nullopt;
}

std::optional<std::uint64_t> entropy() {
  std::uint64_t seed = 0;
  unsigned char bytes[sizeof seed];
  if (::getentropy(bytes, sizeof bytes) != 0) return std::nullopt;
  std::memcpy(&seed, bytes, sizeof seed);
  return seed;
}

#if defined(__linux__)

namespace {
constexpr const char* kAccessAcl = "system.posix_acl_access";
}  // namespace

Result<std::optional<std::string>, IoError> access_acl(int fd) {
  std::string value;
  for (;;) {
    // The size first; the list may grow between the two calls (ERANGE), and
    // is then asked for again.
    const ssize_t size = ::fgetxattr(fd, kAccessAcl, nullptr, 0);
    if (size >= 0) {
      value.resize(static_cast<std::size_t>(size));
      const ssize_t got = ::fgetxattr(fd, kAccessAcl, value.data(), value.size());
      if (got >= 0) {
        value.resize(static_cast<std::size_t>(got));
        return std::optional<std::string>(std::move(value));
      }
    }
    // ENODATA: no list; ENOTSUP: a file system without lists.
    if (errno == ENODATA || errno == ENOTSUP) return std::optional<std::string>();
    if (errno != ERANGE && errno != EINTR) return fail(IoError::from_errno(errno));
  }
}

Result<void, IoError> give_access_acl(int fd, const std::optional<std::string>& acl) {
  if (acl) {
    while (::fsetxattr(fd, kAccessAcl, acl->data(), acl->size(), 0) != 0) {
      if (errno != EINTR) return fail(IoError::from_errno(errno));
    }
    return {};
  }
  // Removed only when there is one: a file system that refuses every change
  // to attributes then has nothing to refuse.
  auto current = access_acl(fd);
  if (!current) return fail(std::move(current).error());
  if (!*current) return {};
  while (::fremovexattr(fd, kAccessAcl) != 0 && errno != ENODATA) {
    if (errno != EINTR) return fail(IoError::from_errno(errno));
  }
  return {};
}

#elif defined(__APPLE__) || defined(__FreeBSD__)

// These lists (macOS: extended entries; FreeBSD: POSIX.1e or NFSv4) are not
// copied byte for byte, so a file that has one is only recognised, and a
// replacement is never given or left with one: FILE then stays as it is.
Result<std::optional<std::string>, IoError> access_acl(int fd) {
  acl_t acl = ::acl_get_fd(fd);
  if (acl == nullptr) {
    if (errno == ENOENT || errno == ENOTSUP || errno == EOPNOTSUPP || errno == EINVAL)
      return std::optional<std::string>();
    return fail(IoError::from_errno(errno));
  }
#if defined(__APPLE__)
  // Any entry at all is one beyond the permission bits.
  acl_entry_t entry = nullptr;
  const bool extended = ::acl_get_entry(acl, ACL_FIRST_ENTRY, &entry) == 0;
#else
  // The owner, group and other entries alone are the permission bits.
  int trivial = 0;
  const bool extended = ::acl_is_trivial_np(acl, &trivial) != 0 || trivial == 0;
#endif
  ::acl_free(acl);
  if (!extended) return std::optional<std::string>();
  return std::optional<std::string>(std::string());
}

Result<void, IoError> give_access_acl(int fd, const std::optional<std::string>& acl) {
  if (acl) return fail(IoError::from_errno(ENOTSUP));
  auto current = access_acl(fd);
  if (!current) return fail(std::move(current).error());
  if (*current) return fail(IoError::from_errno(ENOTSUP));
  return {};
}

#else

Result<std::optional<std::string>, IoError> access_acl(int) { return std::optional<std::string>(); }

Result<void, IoError> give_access_acl(int, const std::optional<std::string>&) { return {}; }

#endif

// A pipe holds 64 KiB by default, so a large input costs a pair of context
// switches with the writer every 64 KiB; at 1 MiB (the most an unprivileged
// process may ask for) the reader and the writer each get long runs, and
// the switches drop about twelvefold.  Only ever widened, and a refusal
// (the user's pipe memory is used up) just leaves the pipe as it was.
void widen_pipe([[maybe_unused]] int fd) {
#if defined(F_SETPIPE_SZ) && defined(F_GETPIPE_SZ)
  constexpr int kWide = 1 << 20;
  if (::fcntl(fd, F_GETPIPE_SZ) < kWide) ::fcntl(fd, F_SETPIPE_SZ, kWide);
#endif
}

void advise_huge_pages([[maybe_unused]] void* p, [[maybe_unused]] std::size_t length) {
#if defined(MADV_HUGEPAGE)
  ::madvise(p, length, MADV_HUGEPAGE);
#endif
}

}  // namespace clippers::platform
