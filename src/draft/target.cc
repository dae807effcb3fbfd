#include "draft/target.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

#include "buffer/extract.h"
#include "io/fd.h"

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

Result<void, IoError> sync_fd(int fd) {
  for (;;) {
    if (::fsync(fd) == 0) return {};
    if (errno != EINTR) return fail(IoError::from_errno(errno));
  }
}

// Writes the content and forces it to disk before the rename may publish it:
// otherwise a crash just after the rename could leave FILE empty.
Result<void, IoError> write_durably(const std::string& draft_path, std::string_view content) {
  auto fd = open_file(draft_path, O_WRONLY | O_TRUNC);
  if (!fd) return fail(std::move(fd).error());
  if (auto written = write_all(fd->get(), content); !written) return written;
  return sync_fd(fd->get());
}

// Makes the rename itself durable.  The replacement has already happened, so
// a failure here is not reported: there is nothing left for the user to do.
void sync_directory(const std::string& dir) {
  auto fd = open_file(dir, O_RDONLY | O_DIRECTORY);
  if (fd) (void)sync_fd(fd->get());
}

}  // namespace

Result<Target, RunError> open_target(const std::string& file) {
  auto canonical = canonical_path(file);
  if (!canonical) return fail(run_error::CannotRead{file, std::move(canonical).error()});
  auto text = read_user_text_file(*canonical);
  if (!text) return fail(run_error::CannotRead{file, std::move(text).error()});
  // Extraction keeps only what stands above the last clippers line, so a FILE
  // that already holds one would lose everything below it.
  if (const auto line = find_clippers_line(*text)) {
    return fail(run_error::ContainsClippersLine{file, *line});
  }
  std::string base_dir = parent_of(*canonical);
  return Target{file, std::move(*canonical), std::move(*text), std::move(base_dir)};
}

Result<void, RunError> replace_target(DraftDir dir, const std::string& draft_path,
                                      const Target& target, std::string_view content) {
  if (auto written = write_durably(draft_path, content); !written) {
    // The user's approved edits are in the draft file or nowhere: keep it so
    // they can be recovered (FILE is untouched).
    std::move(dir).keep();
    return fail(run_error::Io{std::move(written).error(), draft_path});
  }
  for (;;) {
    if (::rename(draft_path.c_str(), target.canonical.c_str()) == 0) break;
    if (errno == EINTR) continue;
    const int err = errno;
    std::move(dir).keep();
    return fail(run_error::ReplaceFailed{target.canonical, IoError::from_errno(err), draft_path});
  }
  sync_directory(target.base_dir);
  std::move(dir).release();
  return {};
}

}  // namespace clippers
