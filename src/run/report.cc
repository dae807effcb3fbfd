#include "run/report.h"

#include <unistd.h>

#include "run/json.h"
#include "run/message.h"
#include "text/utf8.h"

namespace clippers {

Result<void, IoError> write_json(const Summary& s) {
  JsonLine json(STDOUT_FILENO);
  json.text("outcome", std::string_view(s.status == 0 ? "approved" : s.status == 1 ? "aborted" : "failed"));
  json.number("status", std::int64_t{s.status});
  if (s.content) {
    json.text("content", *s.content);
  } else {
    json.null("content");
  }
  json.boolean("changed", s.changed);
  json.text("file", s.file != nullptr ? std::optional(lossy_utf8(*s.file)) : std::nullopt);
  json.text("draft", s.draft ? std::optional(lossy_utf8(*s.draft)) : std::nullopt);
  json.text("reason", s.reason.empty() ? std::nullopt : std::optional<std::string>(s.reason));
  std::optional<std::string> message;
  for (const std::string& line : messages()) {
    message = message ? *message + "\n" + line : line;
  }
  json.text("message", message);
  json.number("elapsed_ms", s.elapsed_ms);
  return json.finish();
}

}  // namespace clippers
