#include "io/platform.h"

#include <sys/mman.h>
#include <unistd.h>
#if defined(__APPLE__)
#include <mach-o/dyld.h>
#include <sys/random.h>
#endif

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
