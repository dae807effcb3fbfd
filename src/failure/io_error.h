#pragma once
// IoError: an input/output failure as the operating system or the program
// reports it.  PathError: such a failure together with the path it concerns.

#include <optional>
#include <string>

namespace clippers {

struct IoError {
  // An operating-system error number, or 0 when the failure carries its own message.
  int os_code = 0;
  std::string message;
  // Set when the failure came from a PathError: the path it concerns (raw bytes).
  std::optional<std::string> at_path;

  static IoError from_errno(int code);
  static IoError with_message(std::string message);
};

struct PathError {
  std::string path;
  IoError err;

  // The failure as an IoError whose text ends with " at path " and the quoted path.
  IoError into_io_error() &&;
};

// "stream did not contain valid UTF-8": what every UTF-8 reader reports.
extern const char* const INVALID_UTF8_MESSAGE;

// The text of an io failure: the system's description and " (os error N)",
// or the failure's own message; a PathError adds " at path " and the quoted path.
std::string render_io_error(const IoError& error);

}  // namespace clippers
