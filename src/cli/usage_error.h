#pragma once
// Usage errors: what was wrong with the command line, as a value that renders
// to the exact text printed on standard error.
//
//   UsageError e = unknown_long_option(name, suggestion, recognised);  // or another constructor
//   std::string text = render_usage_error(e, prog, styled);

#include <string>
#include <string_view>
#include <vector>

#include "cli/options.h"
#include "cli/style.h"

namespace clippers {

// Which usage line follows the message.
enum class UsageForm {
  None,        // no usage line
  Generic,     // "{prog} [OPTIONS] [FILE]"
  Recognised,  // "{prog}" and what was recognised so far; Generic when that is nothing
};

// What had been recognised when parsing stopped.
struct Recognised {
  std::vector<const Option*> options;  // rows of OPTIONS, in the order first given, no repeats
  bool file = false;                   // FILE was already given
};

struct UsageError {
  Spans message;            // after "error: "
  std::vector<Spans> tips;  // each after "tip: "
  UsageForm usage = UsageForm::None;
  Recognised recognised;  // used by UsageForm::Recognised only
};

// Constructors, one per situation.  Tokens are raw bytes; they are shown with
// each invalid UTF-8 sequence replaced by U+FFFD and control characters
// escaped (printable_utf8).
//
// `--{name}` that is no option; `suggestion` is the close known option, or null.
// It joins the recognised options of the usage line.
UsageError unknown_long_option(std::string_view name, const Option* suggestion, Recognised recognised);
// `-{c}` inside a short-option cluster; `c` is one character (UTF-8).
UsageError unknown_short_option(std::string_view c);
// A positional after FILE was set.
UsageError unexpected_positional(std::string_view token);
// A value option given last, or followed by `--` or by a known option.
UsageError missing_value(const Option& option);
UsageError empty_file();
// `--{name}=VALUE` for an option that takes no value; `option` joins the usage line.
UsageError unexpected_value(const Option& option, std::string_view value, Recognised recognised);
UsageError repeated_option(const Option& option);
// A value its option's check refused, for `reason`.
UsageError invalid_value(const Option& option, std::string_view value, std::string_view reason);
UsageError invalid_utf8_argument();

// The whole error text: "error: ...", tips, usage line, the closing line, LF.
std::string render_usage_error(const UsageError& error, std::string_view prog, bool styled);

}  // namespace clippers
