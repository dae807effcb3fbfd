#include "draft/target.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

#include "buffer/extract.h"
#include "draft/draft_file.h"
#include "draft/identity.h"
#include "draft/names.h"
#include "io/platform.h"
#include "text/utf8.h"

namespace clippers {

namespace {

struct FreeDeleter {
  void operator()(char* p) const { std::free(p); }
};

Result<std::string, IoError> canonical_path(const std::string& path) {
  std::unique_ptr<char, FreeDeleter> resolved(::realpath(path.c_str(), nullptr));
  if (!resolved) return fail(IoError::from_errno(errno));
  return std::string(resolved.get());
}

// Everything before the last component of an absolute path; "/" for a file
// directly under the root, "." when there is no parent (the root itself).
std::string parent_of(const std::string& canonical) {
  const std::size_t slash = canonical.find_last_of('/');
  if (slash == std::string::npos || canonical == "/") return ".";
  if (slash == 0) return "/";
  return canonical.substr(0, slash);
}

std::string name_of(const std::string& canonical) {
  if (canonical == "/") return "/";
  return canonical.substr(canonical.find_last_of('/') + 1);
}

Result<void, IoError> sync_fd(int fd) {
  for (;;) {
    if (::fsync(fd) == 0) return {};
    if (errno != EINTR) return fail(IoError::from_errno(errno));
  }
}

// FILE is opened through the directory handle without following a link; the
// name came from resolving every link, so a link there now was put there
// after.  Non-blocking, so a FIFO cannot hold the run before it is refused.
Result<HeldText, IoError> read_target(Target& target) {
  auto fd = open_at(target.dir.get(), target.name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK);
  if (!fd) return fail(std::move(fd).error());
  if (::fstat(fd->get(), &target.status) != 0) return fail(IoError::from_errno(errno));
  // Replacing a device, pipe or socket would destroy it, and reading one may
  // never end.  A directory fails with the system's own error from the read.
  if (!S_ISREG(target.status.st_mode) && !S_ISDIR(target.status.st_mode)) {
    return fail(IoError::with_message("not a regular file"));
  }
  auto text = hold_text(fd->get());
  if (!text) return text;
  // Through the same descriptor as the text, so both are of one file.
  auto acl = platform::access_acl(fd->get());
  if (!acl) return fail(std::move(acl).error());
  target.acl = std::move(acl).value();
  return text;
}

bool ends_with_lf(const HeldText& text) { return !text.empty() && text.pieces().back().back() == '\n'; }

bool same_time(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

// A chmod or chown of FILE during the edit is a change too: the replacement
// would quietly undo it.  The modification time can be put back (touch -r)
// after a rewrite to the same length; the status-change time cannot, so it
// is compared too, and anything that touched FILE's inode (a new hard link
// included) counts as a change.
bool unchanged(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
         same_time(platform::modified_time(a), platform::modified_time(b)) &&
         same_time(platform::changed_time(a), platform::changed_time(b)) && a.st_mode == b.st_mode &&
         a.st_uid == b.st_uid && a.st_gid == b.st_gid;
}

// Makes the rename durable.  A search-only handle cannot be flushed: the
// directory is opened for reading for that, and where it may not be read the
// step is skipped.  The replacement has already happened, so a failure here
// is not reported: there is nothing left for the user to do.
void sync_dir(int dir) {
  if (auto readable = open_at(dir, ".", O_RDONLY | O_DIRECTORY)) (void)sync_fd(readable->get());
}

// The approved content in a file the tool has just made itself, exclusively,
// inside the draft directory: never the draft file, whatever the editor left
// under that name, so the user's draft stays whole until FILE is replaced.
class Replacement {
 public:
  explicit Replacement(const DraftDir& dir) : dir_(dir) {}
  ~Replacement() { (void)discard(); }
  Replacement(const Replacement&) = delete;
  Replacement& operator=(const Replacement&) = delete;

  Result<void, IoError> write(const Target& target, std::string_view content) {
    for (std::uint32_t attempt = 0;; ++attempt) {
      name_ = random_name(".approved-");
      auto created = create_file_in(dir_, name_, 0600);
      if (created) {
        file_ = std::move(created).value();
        break;
      }
      if (created.error().os_code != EEXIST || attempt == 16) return fail(std::move(created).error());
    }
    made_ = true;
    CLIPPERS_TRY(write_all(file_.get(), content));
    // FILE keeps its final line feed: an approval with no edit must not change it.
    if (ends_with_lf(target.text)) {
      CLIPPERS_TRY(write_all(file_.get(), "\n"));
    }
    return {};
  }

  // The list goes first: copy_identity's chmod then sets its mask from the
  // group bits, which are FILE's mask, so the list ends up FILE's own.
  // Without this step the new file would keep what it inherited from the
  // directory's default list and widen who may read the text.
  Result<void, IoError> give_acl(const Target& target) { return platform::give_access_acl(file_.get(), target.acl); }

  Result<void, IoError> finish(const Target& target) {
    CLIPPERS_TRY(copy_identity(file_.get(), target.status));
    // On disk before the rename may publish it: otherwise a crash just after
    // the rename could leave FILE empty.
    return sync_fd(file_.get());
  }

  // Removes the new file, before a failure hands the draft directory to the
  // user; what would not go is named, so that nothing is left unexplained.
  std::optional<PathError> discard() {
    if (!made_) return std::nullopt;
    made_ = false;
    if (::unlinkat(dir_.fd(), name_.c_str(), 0) == 0 || errno == ENOENT) return std::nullopt;
    return PathError{dir_.path() + "/" + name_, IoError::from_errno(errno)};
  }

  // Moves the new file into place of `name` in `to`; false on failure, errno set.
  bool move_to(int to, const std::string& name) {
    for (;;) {
      if (::renameat(dir_.fd(), name_.c_str(), to, name.c_str()) == 0) {
        made_ = false;
        return true;
      }
      if (errno != EINTR) return false;
    }
  }

  // Where the approved content now is: the draft file when it could take the
  // draft's place, else the new file under its own name.
  std::string settle_as_draft() {
    if (move_to(dir_.fd(), dir_.draft_name())) return dir_.draft_file_path();
    made_ = false;
    return dir_.path() + "/" + name_;
  }

 private:
  const DraftDir& dir_;
  std::string name_;
  Fd file_;
  bool made_ = false;
};

}  // namespace

Result<Target, RunError> open_target(const std::string& file) {
  Target target;
  target.path = file;
  const auto cannot_read = [&](IoError error) { return fail(run_error::CannotRead{file, std::move(error)}); };
  auto canonical = canonical_path(file);
  if (!canonical) return cannot_read(std::move(canonical).error());
  target.canonical = std::move(*canonical);
  target.base_dir = parent_of(target.canonical);
  target.name = name_of(target.canonical);
  // FILE's directory is only searched and written, never listed, so a
  // directory the user may not read (0300) works too.
  auto dir = open_file(target.base_dir, platform::SEARCH_DIR_FLAGS);
  if (!dir) return cannot_read(std::move(dir).error());
  target.dir = std::move(dir).value();
  auto text = read_target(target);
  if (!text) return cannot_read(std::move(text).error());
  target.text = std::move(text).value();
  // Extraction keeps only what stands above the last clippers line, so a FILE
  // that already holds one would lose everything below it.
  // A regular file is held in one piece unless it grew while being read.
  std::string joined;
  if (const auto line = find_clippers_line(target.text.whole(joined))) {
    return fail(run_error::ContainsClippersLine{file, *line});
  }
  return target;
}

Result<void, RunError> replace_target(const DraftDir& dir, const Target& target, std::string_view content) {
  const std::string draft = dir.draft_file_path();
  // The rename would replace FILE even where the user may not write it (a
  // writable directory suffices); the tool must not do what the user cannot.
  // A FILE removed meanwhile is simply written back.
  if (::faccessat(target.dir.get(), target.name.c_str(), W_OK, AT_EACCESS) != 0 && errno != ENOENT) {
    return fail(run_error::Io{IoError::from_errno(errno), draft});
  }
  Replacement replacement(dir);
  if (auto written = replacement.write(target, content); !written) {
    return fail(run_error::Io{std::move(written).error(), draft, replacement.discard()});
  }
  // Without FILE's own list the new file could let others read what FILE
  // did not: FILE stays, and the approved text is kept as the draft.
  if (auto given = replacement.give_acl(target); !given) {
    return fail(run_error::AclNotCopied{target.path, std::move(given).error(), replacement.settle_as_draft()});
  }
  if (auto finished = replacement.finish(target); !finished) {
    return fail(run_error::Io{std::move(finished).error(), draft, replacement.discard()});
  }
  // Someone else's changes to FILE while the editor was open must not be
  // overwritten silently: compare it with what was read.
  struct stat now = {};
  if (::fstatat(target.dir.get(), target.name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
      !unchanged(now, target.status)) {
    return fail(run_error::Changed{target.path, replacement.settle_as_draft()});
  }
  if (!replacement.move_to(target.dir.get(), target.name)) {
    const int err = errno;
    return fail(run_error::ReplaceFailed{target.canonical, IoError::from_errno(err), replacement.settle_as_draft()});
  }
  sync_dir(target.dir.get());
  return {};
}

}  // namespace clippers
