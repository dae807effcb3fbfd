#include "draft/draft_file.h"

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "io/platform.h"

namespace clippers {

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
         st.st_dev == stamp.dev && st.st_ino == stamp.ino && platform::accessed_time(st).tv_sec == stamp.atime.tv_sec &&
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

// Compared in chunks as it is read, so a copy of a large draft costs no more
// memory than one chunk; the sizes are compared first, so most files that
// differ are never read.
bool holds_exactly(const DraftDir& dir, const std::string& name, Pieces bytes) {
  auto file = open_at(dir.fd(), name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK);
  if (!file) return false;
  struct stat st = {};
  const std::size_t size = total_size(bytes);
  if (::fstat(file->get(), &st) != 0 || !S_ISREG(st.st_mode) || static_cast<std::uintmax_t>(st.st_size) != size) {
    return false;
  }
  constexpr std::size_t kChunk = 1 << 16;
  std::string chunk(std::min(size, kChunk), '\0');
  std::size_t piece = 0, offset = 0;  // where in `bytes` the next byte read must match
  std::size_t matched = 0;
  for (;;) {
    const ssize_t n = ::read(file->get(), chunk.data(), chunk.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    std::string_view got(chunk.data(), static_cast<std::size_t>(n));
    matched += got.size();
    while (!got.empty()) {
      if (piece == bytes.size()) return false;
      const std::string_view want = bytes[piece].substr(offset);
      const std::size_t common = std::min(want.size(), got.size());
      if (got.substr(0, common) != want.substr(0, common)) return false;
      got.remove_prefix(common);
      offset += common;
      if (offset == bytes[piece].size()) {
        ++piece;
        offset = 0;
      }
    }
  }
  // A file cut short after its size was taken is no copy.
  return matched == size;
}

}  // namespace clippers
