#pragma once
// One JSON object on one line, written to a descriptor as it is built, so
// that a large text inside it is never copied whole.
//
//   JsonLine json(STDOUT_FILENO);
//   json.text("outcome", "approved");  json.null("draft");  ...
//   auto written = json.finish();  // "}" and a line feed; the first failure, if any

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/io_error.h"
#include "base/result.h"
#include "text/pieces.h"

namespace clippers {

// `text` (valid UTF-8) as the inside of a JSON string, escaped as JsonLine
// escapes it, appended to `out`.
void append_json_escaped(std::string& out, std::string_view text);

class JsonLine {
 public:
  explicit JsonLine(int fd);
  JsonLine(const JsonLine&) = delete;
  JsonLine& operator=(const JsonLine&) = delete;

  // Members, in the order given.  Texts must be valid UTF-8; every control
  // character (U+0000 to U+001F, U+007F to U+009F), `"` and `\` is escaped.
  void text(std::string_view name, Pieces value);
  void text(std::string_view name, std::string_view value);
  void text(std::string_view name, const std::optional<std::string>& value);  // null when absent
  void number(std::string_view name, std::int64_t value);
  void number(std::string_view name, std::optional<std::uint64_t> value);  // null when absent
  void boolean(std::string_view name, std::optional<bool> value);          // null when absent
  void null(std::string_view name);

  // Ends the object and its line and writes what is left.
  Result<void, IoError> finish();

 private:
  friend void append_json_escaped(std::string& out, std::string_view text);

  void name(std::string_view name);
  void raw(std::string_view bytes);
  void escaped(std::string_view bytes);
  void flush();

  int fd_;
  std::string buffer_;
  bool first_ = true;
  // A lead byte 0xC2 that ended one piece: whether its character is a C1
  // control depends on the next piece's first byte.
  bool pending_c2_ = false;
  std::optional<IoError> error_;
};

}  // namespace clippers
