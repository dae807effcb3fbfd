#include "draft/draft_file.h"

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <optional>

#include "draft/names.h"
#include "io/platform.h"

namespace clippers {

Result<Fd, IoError> create_file_in(const DraftDir& dir, const std::string& name, mode_t mode) {
  return open_at(dir.fd(), name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, mode);
}

namespace {

// Sets both times into the past, the access time before the modification
// time, so that any read of the file afterwards (even under relatime) moves
// the one and any write the other, and notes what the file now is.  Where the
// file system does not record reads, nothing can be told from them.
DraftStamp stamp_draft(int fd) {
  DraftStamp stamp;
  struct stat st = {};
  if (::fstat(fd, &st) != 0) return stamp;
  const timespec& modified = platform::modified_time(st);
  const timespec times[2] = {{modified.tv_sec - 2, modified.tv_nsec}, {modified.tv_sec - 1, modified.tv_nsec}};
  if (::futimens(fd, times) != 0 || ::fstat(fd, &st) != 0) return stamp;
  stamp.dev = st.st_dev;
  stamp.ino = st.st_ino;
  stamp.size = st.st_size;
  stamp.atime = platform::accessed_time(st);
  stamp.mtime = platform::modified_time(st);
  stamp.times_set = true;
  struct statvfs vfs = {};
  stamp.reads_recorded = ::fstatvfs(fd, &vfs) == 0 && platform::records_reads(vfs);
  return stamp;
}

bool same_time(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

// The draft file as it stands at the draft path now, not followed if a link.
std::optional<struct stat> draft_now(const DraftDir& dir) {
  struct stat st = {};
  if (::fstatat(dir.fd(), dir.draft_name().c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;
  return st;
}

}  // namespace

Result<DraftFile, IoError> write_draft_file(const DraftDir& dir, Pieces buffer, bool replace) {
  if (!replace) {
    auto file = create_file_in(dir, dir.draft_name(), 0666);
    if (!file) return fail(std::move(file).error());
    CLIPPERS_TRY(write_all(file->get(), buffer));
    const DraftStamp stamp = stamp_draft(file->get());
    return DraftFile{std::move(file).value(), stamp};
  }
  // What stands at the draft path is the user's edit until the new draft is
  // whole: it is written under a name of its own and renamed into place.
  const std::string name = random_name(".draft-");
  auto file = create_file_in(dir, name, 0666);
  if (!file) return fail(std::move(file).error());
  auto written = write_all(file->get(), buffer);
  const DraftStamp stamp = written ? stamp_draft(file->get()) : DraftStamp{};
  if (!written || ::renameat(dir.fd(), name.c_str(), dir.fd(), dir.draft_name().c_str()) != 0) {
    const IoError error = written ? IoError::from_errno(errno) : std::move(written).error();
    ::unlinkat(dir.fd(), name.c_str(), 0);
    return fail(error);
  }
  return DraftFile{std::move(file).value(), stamp};
}

bool unread_since(const DraftDir& dir, const DraftStamp& stamp) {
  const auto st = draft_now(dir);
  return stamp.reads_recorded && st && st->st_dev == stamp.dev && st->st_ino == stamp.ino &&
         same_time(platform::accessed_time(*st), stamp.atime);
}

bool saved_since(const DraftDir& dir, const DraftStamp& stamp) {
  const auto st = draft_now(dir);
  return !stamp.times_set || !st || st->st_dev != stamp.dev || st->st_ino != stamp.ino || st->st_size != stamp.size ||
         !same_time(platform::modified_time(*st), stamp.mtime);
}

Result<HeldText, IoError> read_draft_file(const DraftDir& dir) {
  const IoError not_regular = IoError::with_message("not a regular file");
  // Non-blocking, so a FIFO left at the name cannot hold the run; no link is
  // followed, so nothing outside the draft directory is ever read as the draft.
  auto file = open_at(dir.fd(), dir.draft_name(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK);
  if (!file) return fail(file.error().os_code == ELOOP ? not_regular : std::move(file).error());
  struct stat st = {};
  if (::fstat(file->get(), &st) != 0) return fail(IoError::from_errno(errno));
  if (!S_ISREG(st.st_mode)) return fail(not_regular);
  return hold_text(file->get());
}

bool draft_file_exists(const DraftDir& dir) {
  struct stat st = {};
  return ::fstatat(dir.fd(), dir.draft_name().c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
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
