#include "draft/identity.h"

#include <unistd.h>

#include <cerrno>

namespace clippers {

Result<void, IoError> copy_identity(int fd, const struct stat& like) {
  // Only root may give a file away; anyone may hand it to a group they are in.
  // Where that is refused, the file simply stays the user's own.
  if (::geteuid() == 0) {
    (void)::fchown(fd, like.st_uid, like.st_gid);
  } else {
    (void)::fchown(fd, static_cast<uid_t>(-1), like.st_gid);
  }
  struct stat mine = {};
  if (::fstat(fd, &mine) != 0) return fail(IoError::from_errno(errno));
  mode_t mode = like.st_mode & 07777;
  // A set-user-ID or set-group-ID bit means "run as FILE's owner or group":
  // on a file that belongs to someone else it would grant a different power.
  if (mine.st_uid != like.st_uid || mine.st_gid != like.st_gid) mode &= ~mode_t{S_ISUID | S_ISGID};
  for (;;) {
    if (::fchmod(fd, mode) == 0) return {};
    if (errno != EINTR) return fail(IoError::from_errno(errno));
  }
}

}  // namespace clippers
