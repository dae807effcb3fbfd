#include "run/report.h"

#include <unistd.h>

#include "run/json.h"
#include "run/message.h"
#include "text/utf8.h"

namespace clippers {

namespace {

std::string json_string(const std::optional<std::string>& text) {
  if (!text) return "null";
  std::string out = "\"";
  append_json_escaped(out, *text);
  return out + "\"";
}

// The run's messages so far, joined by line feeds, or nullopt.
std::optional<std::string> joined_messages() {
  std::optional<std::string> message;
  for (const std::string& line : messages()) message = message ? *message + "\n" + line : line;
  return message;
}

}  // namespace

void report_signals_in_json(EndSignals& signals, const Summary& now) {
  const std::string head = "{\"outcome\":\"failed\",\"status\":";
  const std::string file = ",\"content\":null,\"changed\":null,\"file\":" +
                           json_string(now.file != nullptr ? std::optional(lossy_utf8(*now.file)) : std::nullopt);
  const std::optional<std::string> message = joined_messages();
  EndSignals::Report prepared{head,
                              file + ",\"draft\":null,\"reason\":\"interrupted\",\"message\":" + json_string(message) +
                                  ",\"elapsed_ms\":null}\n",
                              ""};
  std::string before_number =
      file + ",\"draft\":" + json_string(now.draft ? std::optional(lossy_utf8(*now.draft)) : std::nullopt) +
      ",\"reason\":\"interrupted\",\"message\":\"";
  if (message) {
    append_json_escaped(before_number, *message);
    before_number += "\\n";
  }
  before_number += "interrupted by signal ";
  std::string after = "; draft at ";
  if (now.draft) append_json_escaped(after, printable_utf8(*now.draft));
  after += "\",\"elapsed_ms\":" + (now.elapsed_ms ? std::to_string(*now.elapsed_ms) : std::string("null")) + "}\n";
  signals.report_json(std::move(prepared), EndSignals::Report{head, std::move(before_number), std::move(after)});
}

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
  json.text("message", joined_messages());
  json.number("elapsed_ms", s.elapsed_ms);
  return json.finish();
}

}  // namespace clippers
