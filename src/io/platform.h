#pragma once
// Everything the tool needs that POSIX leaves to each system, in one place:
// Linux first, the macOS or BSD spelling beside it, and a plain POSIX
// fallback that keeps the tool correct where the better way is missing.  A
// port to another system starts and, ideally, ends here.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <time.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "base/io_error.h"
#include "base/result.h"

namespace clippers::platform {

// A file's modification, access and status-change times to the nanosecond.
#if defined(__APPLE__)
inline const timespec& modified_time(const struct stat& st) { return st.st_mtimespec; }
inline const timespec& accessed_time(const struct stat& st) { return st.st_atimespec; }
inline const timespec& changed_time(const struct stat& st) { return st.st_ctimespec; }
#else
inline const timespec& modified_time(const struct stat& st) { return st.st_mtim; }
inline const timespec& accessed_time(const struct stat& st) { return st.st_atim; }
inline const timespec& changed_time(const struct stat& st) { return st.st_ctim; }
#endif

// True for the failure of a read or write on a non-blocking descriptor that
// could do nothing yet: EAGAIN, or EWOULDBLOCK where the system spells it apart.
inline bool would_block(int err) {
#if EAGAIN != EWOULDBLOCK
  return err == EAGAIN || err == EWOULDBLOCK;
#else
  return err == EAGAIN;
#endif
}

// Flags for a handle on a directory that is only searched (files opened,
// renamed and stat'ed inside it), never listed, so one the user may not read
// works too.  Without such a flag the handle is a readable one, and a
// directory that may not be read is refused as before.
#if defined(O_PATH)
inline constexpr int SEARCH_DIR_FLAGS = O_PATH | O_DIRECTORY;
#elif defined(O_SEARCH)
inline constexpr int SEARCH_DIR_FLAGS = O_SEARCH | O_DIRECTORY;
#else
inline constexpr int SEARCH_DIR_FLAGS = O_RDONLY | O_DIRECTORY;
#endif

// False where the file system mounted at `vfs` does not record reads (noatime).
inline bool records_reads([[maybe_unused]] const struct statvfs& vfs) {
#if defined(ST_NOATIME)
  return (vfs.f_flag & ST_NOATIME) == 0;
#else
  return true;
#endif
}

// The running executable's metadata (Linux: /proc/self/exe; macOS: the path
// the loader reports).  nullopt where the system cannot tell.
std::optional<struct stat> running_executable();

// Where the directory open at `fd` is now (Linux: /proc/self/fd), or nullopt.
std::optional<std::string> path_of(int fd);

// The per-user temporary directory where the system has one (macOS), or nullopt.
std::optional<std::string> user_temp_dir();

// Eight bytes from the system's entropy source (getentropy), or nullopt.
std::optional<std::uint64_t> entropy();

// The access control list of the file open at `fd`, beyond its permission
// bits: Linux keeps it in the system.posix_acl_access attribute, whose bytes
// are the value, to be given back unchanged.  nullopt when the file has none
// or its file system keeps none.  On macOS and FreeBSD, whose lists the tool
// cannot copy, a file with one gives an empty value; on other systems the
// answer is always nullopt.
Result<std::optional<std::string>, IoError> access_acl(int fd);

// Gives the file open at `fd` exactly the list `acl` (as access_acl returned
// it), or none: one it has, such as one inherited from its directory's
// default, is removed; a file without one is not touched.  Fails with the
// system's error, and with ENOTSUP where lists cannot be copied or removed
// (macOS, FreeBSD: any list at all).
Result<void, IoError> give_access_acl(int fd, const std::optional<std::string>& acl);

// A pipe's buffer widened towards 1 MiB where the system lets a process do
// that (Linux); a refusal leaves it as it is.
void widen_pipe(int fd);

// Asks for huge pages behind [p, p + length) where the system has them; only advice.
void advise_huge_pages(void* p, std::size_t length);

}  // namespace clippers::platform
