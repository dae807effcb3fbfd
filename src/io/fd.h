#pragma once
// Fd: a move-only owner of a file descriptor, closed on destruction.
// Opening files and writing to them, with failures as values.

#include <sys/stat.h>
#include <sys/types.h>

#include <string>
#include <string_view>

#include "base/io_error.h"
#include "base/result.h"
#include "text/pieces.h"

namespace clippers {

class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  Fd(Fd&& other) noexcept : fd_(other.release()) {}
  Fd& operator=(Fd&& other) noexcept;
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd();

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  int release();

 private:
  int fd_ = -1;
};

// Whether two stats are of the same file (device and inode); safe in a
// signal handler.
inline bool same_inode(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Opens `path` with open(2), retrying EINTR.
Result<Fd, IoError> open_file(const std::string& path, int flags, mode_t mode = 0);

// Opens `name` relative to the directory open at `dir` with openat(2), retrying EINTR.
Result<Fd, IoError> open_at(int dir, const std::string& name, int flags, mode_t mode = 0);

// Waits until `fd` is ready for `events` (POLLIN, POLLOUT), retrying EINTR.
Result<void, IoError> wait_ready(int fd, short events);

// Writes every byte of every piece, in order, with writev, going on after
// partial writes and EINTR, and waiting for a non-blocking descriptor to take
// more rather than failing; a write that accepts nothing fails with "failed
// to write whole buffer".
Result<void, IoError> write_all(int fd, Pieces text);
Result<void, IoError> write_all(int fd, std::string_view data);

}  // namespace clippers
