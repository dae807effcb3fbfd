#include <cerrno>
#include <cstring>
#include <string_view>

#include "failure/failure.h"
#include "text/utf8.h"

namespace clippers {

namespace {

// strerror_r comes in two shapes; overloads pick whichever this libc declares.
[[maybe_unused]] const char* pick(int result, const char* buffer) { return result == 0 ? buffer : nullptr; }
[[maybe_unused]] const char* pick(const char* result, const char*) { return result; }

std::string describe_errno(int code) {
  char buffer[256] = {};
  const char* text = pick(strerror_r(code, buffer, sizeof buffer), buffer);
  std::string out = text != nullptr ? printable_utf8(text) : "Unknown error " + std::to_string(code);
  out += " (os error ";
  out += std::to_string(code);
  out += ')';
  return out;
}

}  // namespace

std::string render_io_error(const IoError& error) {
  std::string out = error.os_code != 0 ? describe_errno(error.os_code) : error.message;
  if (error.at_path) {
    out += " at path ";
    out += quoted_path(*error.at_path);
  }
  return out;
}

}  // namespace clippers
