#pragma once
// Terminal styling of help and error output: the spans that carry a style,
// and the decision whether a stream gets styles at all.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace clippers {

// Plain also covers placeholders such as "[OPTIONS]" and "<CONTEXT>".
enum class Style { Plain, Heading, Error, Literal, Valid, Invalid };

struct Span {
  Style style;
  std::string text;
};
using Spans = std::vector<Span>;

// Appends `text`, wrapped in the style's escape and a reset when `styled` is
// true and the style is not Plain; the bare text otherwise.
void append_span(std::string& out, Style style, std::string_view text, bool styled);
void append_spans(std::string& out, const Spans& spans, bool styled);

// The environment variables that decide styling; nullopt when unset.
struct StyleEnv {
  std::optional<std::string> no_color;
  std::optional<std::string> clicolor_force;
  std::optional<std::string> clicolor;
  std::optional<std::string> term;
  std::optional<std::string> ci;
};

// Reads the variables above from the process environment.
StyleEnv style_env_from_process();

// Whether output to a stream gets styles, given the environment and whether
// the stream is a terminal.
bool use_styling(const StyleEnv& env, bool is_terminal);

}  // namespace clippers
