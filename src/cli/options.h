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
#include "cli/values.h"

namespace clippers {

// What giving the option does.
enum class Action {
  Flag,     // sets `flag`; takes no value
  Value,    // stores its value, which must be valid UTF-8 and pass `check`, in `value`
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
  ValueCheck check = nullptr;                        // read for Action::Value only; null: any text
  std::string_view help{};                           // beside the entry in `-h`
  std::string_view long_help{};                      // under it in `--help`; empty: `help`
};

inline constexpr std::array<Option, 9> OPTIONS = {{
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
    {.long_name = "json",
     .action = Action::Flag,
     .flag = &Cli::json,
     .help = "Print the outcome as one JSON object on stdout (the approved content inside it); stderr and the "
             "exit status stay as they are"},
    {.long_name = "timeout",
     .value_name = "<DURATION>",
     .action = Action::Value,
     .value = &Cli::timeout,
     .check = check_duration,
     .help = "Give up when no decision is made within DURATION (90s, 10m, 1h, or a number of seconds; at most 7 "
             "days): the editor is ended, nothing is approved and the draft is kept"},
    {.long_name = "require-save",
     .action = Action::Flag,
     .flag = &Cli::require_save,
     .help = "Approve only if the draft was saved in the editor: quitting without saving aborts"},
    {.long_name = "suffix",
     .value_name = "<SUFFIX>",
     .action = Action::Value,
     .value = &Cli::suffix,
     .check = check_suffix,
     .help = "Append SUFFIX to the draft file's name (e.g. .md), so the editor treats the draft as that kind of "
             "file"},
    {.long_name = "check",
     .value_name = "<COMMAND>",
     .action = Action::Value,
     .value = &Cli::check,
     .check = check_command,
     .help = "Run COMMAND with the approved content on its stdin; while it fails, reopen the editor with its "
             "output"},
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
