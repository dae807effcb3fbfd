#include "io/fd.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/uio.h>
#include <unistd.h>

#include <array>
#include <cerrno>

#include "io/platform.h"

namespace clippers {

Fd& Fd::operator=(Fd&& other) noexcept {
  if (this != &other) {
    // As in the destructor: errno may be what a failure is being built from.
    if (fd_ >= 0) {
      const int saved = errno;
      ::close(fd_);
      errno = saved;
    }
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

Result<void, IoError> wait_ready(int fd, short events) {
  pollfd ready = {fd, events, 0};
  for (;;) {
    if (::poll(&ready, 1, -1) >= 0) return {};
    if (errno != EINTR) return fail(IoError::from_errno(errno));
  }
}

namespace {

// After a write to `fd` failed with `err`: ready to try again, or the failure.
// A caller may hand over a non-blocking stream, which says EAGAIN when full
// instead of blocking; only this path pays for the wait.
Result<void, IoError> ready_again(int fd, int err) {
  if (err == EINTR) return {};
  if (!platform::would_block(err)) return fail(IoError::from_errno(err));
  return wait_ready(fd, POLLOUT);
}

}  // namespace

Result<void, IoError> write_all(int fd, Pieces text) {
  // Sixteen is the least IOV_MAX a system may have, and more pieces than an
  // edit buffer holds: one call usually writes all of it.
  constexpr int kBatch = 16;
  std::size_t next = 0, skip = 0;  // the first byte not yet written: text[next][skip]
  for (;;) {
    std::array<iovec, kBatch> batch{};
    int count = 0;
    for (std::size_t i = next; i < text.size() && count < kBatch; ++i) {
      const std::string_view piece = text[i].substr(i == next ? skip : 0);
      if (!piece.empty()) batch[static_cast<std::size_t>(count++)] = {const_cast<char*>(piece.data()), piece.size()};
    }
    if (count == 0) return {};
    const ssize_t n = ::writev(fd, batch.data(), count);
    if (n < 0) {
      if (auto again = ready_again(fd, errno); !again) return again;
      continue;
    }
    if (n == 0) return fail(IoError::with_message("failed to write whole buffer"));
    // Skip what was written; a piece written in part goes on from where the write stopped.
    skip += static_cast<std::size_t>(n);
    while (next < text.size() && skip >= text[next].size()) skip -= text[next++].size();
  }
}

Result<void, IoError> write_all(int fd, std::string_view data) { return write_all(fd, Pieces(&data, 1)); }

}  // namespace clippers
