#include "io/fd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "text/utf8.h"

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

Result<std::string, IoError> read_all(int fd) {
  std::string data;
  // A regular file tells its size up front, so one allocation usually suffices;
  // pipes grow the buffer geometrically, which stays linear overall.
  struct stat st;
  std::size_t capacity = 64 * 1024;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
    capacity = static_cast<std::size_t>(st.st_size) + 1;
  }
  data.resize(capacity);
  std::size_t used = 0;
  for (;;) {
    if (used == data.size()) data.resize(data.size() * 2);
    const ssize_t n = ::read(fd, data.data() + used, data.size() - used);
    if (n < 0) {
      if (errno == EINTR) continue;
      return fail(IoError::from_errno(errno));
    }
    if (n == 0) break;
    used += static_cast<std::size_t>(n);
  }
  data.resize(used);
  return data;
}

Result<std::string, IoError> read_text(int fd) {
  auto data = read_all(fd);
  if (data && !is_valid_utf8(*data)) return fail(IoError::with_message(INVALID_UTF8_MESSAGE));
  return data;
}

Result<std::string, IoError> read_text_file(const std::string& path) {
  auto fd = open_file(path, O_RDONLY);
  if (!fd) return fail(std::move(fd).error());
  return read_text(fd->get());
}

Result<std::string, IoError> read_user_text_file(const std::string& path) {
  // O_NONBLOCK only so that opening a pipe with no writer cannot hang; it has
  // no effect on the regular files that get read.
  auto fd = open_file(path, O_RDONLY | O_NONBLOCK);
  if (!fd) return fail(std::move(fd).error());
  struct stat st;
  if (::fstat(fd->get(), &st) != 0) return fail(IoError::from_errno(errno));
  if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
    return fail(IoError::with_message("not a regular file"));
  }
  return read_text(fd->get());
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

Result<void, IoError> write_file(const std::string& path, std::string_view data, mode_t mode) {
  auto fd = open_file(path, O_WRONLY | O_CREAT | O_TRUNC, mode);
  if (!fd) return fail(std::move(fd).error());
  return write_all(fd->get(), data);
}

}  // namespace clippers
