#include "draft/temp_dir.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "io/platform.h"

namespace clippers {
namespace {

Result<std::string, IoError> current_dir() {
  std::string buffer(256, '\0');
  for (;;) {
    if (::getcwd(buffer.data(), buffer.size()) != nullptr) {
      buffer.resize(std::strlen(buffer.c_str()));
      return buffer;
    }
    if (errno != ERANGE) return fail(IoError::from_errno(errno));
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace

std::string system_temp_dir() {
  // Set but empty still counts: it stands for the current directory.
  if (const char* tmpdir = std::getenv("TMPDIR")) return tmpdir;
  if (auto own = platform::user_temp_dir()) return std::move(*own);
  return "/tmp";
}

Result<std::string, IoError> absolute_dir(const std::string& parent) {
  if (!parent.empty() && parent.front() == '/') return parent;
  auto cwd = current_dir();
  if (!cwd) return cwd;
  std::string base = std::move(*cwd);
  if (base.back() != '/') base += '/';
  return base + parent;
}

}  // namespace clippers
