#include "draft/draft_file.h"

#include <fcntl.h>
#include <sys/statvfs.h>

#include <cerrno>

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

}  // namespace clippers
