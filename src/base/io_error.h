#pragma once
// IoError: an input/output failure as the operating system or the program
// reports it.  PathError: such a failure together with the path it concerns.
// Plain values that every layer passes up; their text is rendered by
// render_io_error (failure/failure.h).

#include <optional>
#include <string>
#include <utility>

namespace clippers {

struct IoError {
  // An operating-system error number, or 0 when the failure carries its own message.
  int os_code = 0;
  std::string message;
  // Set when the failure came from a PathError: the path it concerns (raw bytes).
  std::optional<std::string> at_path;
  // Set when the bytes read were not UTF-8: callers tell that case apart by this, not by the text.
  bool invalid_utf8 = false;

  static IoError from_errno(int code) { return IoError{code, {}, std::nullopt}; }
  static IoError with_message(std::string message) { return IoError{0, std::move(message), std::nullopt}; }
  // What a reader reports for input that is not UTF-8, in either mode.
  static IoError not_utf8() { return IoError{0, "stream did not contain valid UTF-8", std::nullopt, true}; }
};

struct PathError {
  std::string path;
  IoError err;

  // The failure as an IoError whose text ends with " at path " and the quoted path.
  IoError into_io_error() && {
    IoError wrapped = std::move(err);
    wrapped.at_path = std::move(path);
    return wrapped;
  }
};

}  // namespace clippers
