#include "cli/style.h"

#include <cstdlib>

namespace clippers {
namespace {

std::string_view escape_for(Style style) {
  switch (style) {
    case Style::Plain: return "";
    case Style::Heading: return "\x1b[1m\x1b[4m";
    case Style::Error: return "\x1b[1m\x1b[31m";
    case Style::Literal: return "\x1b[1m";
    case Style::Valid: return "\x1b[32m";
    case Style::Invalid: return "\x1b[33m";
  }
  return "";
}

constexpr std::string_view RESET = "\x1b[0m";

std::optional<std::string> env(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

bool set_non_empty(const std::optional<std::string>& value) { return value.has_value() && !value->empty(); }

}  // namespace

void append_span(std::string& out, Style style, std::string_view text, bool styled) {
  const std::string_view escape = escape_for(style);
  // A plain span never gets a reset: the text must match the unstyled output
  // byte for byte outside the styled spans.
  if (!styled || escape.empty()) {
    out += text;
    return;
  }
  out += escape;
  out += text;
  out += RESET;
}

void append_spans(std::string& out, const Spans& spans, bool styled) {
  for (const Span& span : spans) append_span(out, span.style, span.text, styled);
}

StyleEnv style_env_from_process() {
  return {env("NO_COLOR"), env("CLICOLOR_FORCE"), env("CLICOLOR"), env("TERM"), env("CI")};
}

bool use_styling(const StyleEnv& e, bool is_terminal) {
  if (set_non_empty(e.no_color)) return false;
  if (set_non_empty(e.clicolor_force)) return true;
  if (e.clicolor == "0") return false;
  if (!is_terminal) return false;
  // A terminal without a usable TERM still gets colour when the user or a CI
  // system asked for it.
  return (e.term.has_value() && *e.term != "dumb") || e.clicolor.has_value() || e.ci.has_value();
}

}  // namespace clippers
