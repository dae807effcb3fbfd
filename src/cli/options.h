#pragma once
// The options, one row each.  The table drives parsing, both helps, the usage
// lines of errors and the similar-name suggestions, so adding an option is
// adding a row (and, when it sets something, the Cli field it sets).
//
//   for (const Option& option : OPTIONS) ...
//
// Row order is the order of the help and of the suggestion candidates: of two
// equally close names the later is suggested.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "cli/cli.h"

namespace clippers {

// What giving the option does.
enum class Action {
  Flag,     // sets `flag`; takes no value
  Value,    // stores its value, which must be valid UTF-8, in `value`
  Help,     // ends parsing with the help: the long one for the long form
  Version,  // ends parsing with the version line
};

struct Option {
  char short_name = '\0';         // 'h' for `-h`; '\0': no short form
  std::string_view long_name{};   // without the dashes: "context"
  std::string_view value_name{};  // "<CONTEXT>"; empty but for Action::Value
  Action action = Action::Flag;
  bool Cli::*flag = nullptr;                         // Action::Flag only
  std::optional<std::string> Cli::*value = nullptr;  // Action::Value only
  std::string_view help{};                           // beside the entry in `-h`
  std::string_view long_help{};                      // under it in `--help`; empty: `help`
};

inline constexpr std::array<Option, 4> OPTIONS = {{
    {.long_name = "context",
     .value_name = "<CONTEXT>",
     .action = Action::Value,
     .value = &Cli::context,
     .help = "Optional context shown as a footer comment in the editor buffer"},
    {.long_name = "yes",
     .action = Action::Flag,
     .flag = &Cli::yes,
     .help = "Approve the input as-is without opening an editor (for non-interactive use, e.g. "
             "CI). Fail-closed: without this flag, a missing editor is an error"},
    {.short_name = 'h',
     .long_name = "help",
     .action = Action::Help,
     .help = "Print help (see more with '--help')",
     .long_help = "Print help (see a summary with '-h')"},
    {.short_name = 'V', .long_name = "version", .action = Action::Version, .help = "Print version"},
}};

namespace detail {
// Each row names what its action needs, and only value options have a value
// name.  A short form takes no value: a cluster such as `-hV` has no place for
// one.
constexpr bool rows_are_consistent() {
  for (const Option& o : OPTIONS) {
    const bool is_value = o.action == Action::Value;
    if (o.long_name.empty() || is_value == o.value_name.empty()) return false;
    if ((o.action == Action::Flag) != (o.flag != nullptr) || is_value != (o.value != nullptr)) {
      return false;
    }
    if (is_value && o.short_name != '\0') return false;
  }
  return true;
}
}  // namespace detail
static_assert(detail::rows_are_consistent());

}  // namespace clippers
