#include "io/fd.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>


namespace clippers {

Fd& Fd::operator=(Fd&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.release();
  }
  return *this;
}

Fd::~Fd() {
  if (fd_ >= 0) {
    // Preserve errno: the destructor often runs while a failure is being built from it.
    const int saved = errno;
    ::close(fd_);
    errno = saved;
  }
}

int Fd::release() {
  const int fd = fd_;
  fd_ = -1;
  return fd;
}

Result<Fd, IoError> open_file(const std::string& path, int flags, mode_t mode) {
  for (;;) {
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
    if (fd >= 0) return Fd(fd);
    if (errno != EINTR) return fail(IoError::from_errno(errno));
  }
}

Result<Fd, IoError> open_at(int dir, const std::string& name, int flags, mode_t mode) {
  for (;;) {
    const int fd = ::openat(dir, name.c_str(), flags | O_CLOEXEC, mode);
    if (fd >= 0) return Fd(fd);
    if (errno != EINTR) return fail(IoError::from_errno(errno));
  }
}

Result<void, IoError> write_all(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return fail(IoError::from_errno(errno));
    }
    if (n == 0) return fail(IoError::with_message("failed to write whole buffer"));
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return {};
}

}  // namespace clippers
