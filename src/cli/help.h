#pragma once
// The fixed texts the command answers with: help, long help, version line and
// the usage line they share with usage errors.
//
//   write(render_short_help(prog, styled));   // `-h`; render_long_help for `--help`
//   write(render_version());                  // `-V`, `--version`

#include <string>
#include <string_view>

namespace clippers {

inline constexpr std::string_view COMMAND_NAME = "clippers";

// "{prog} [OPTIONS] [FILE]", the program name styled as a literal.
std::string generic_usage(std::string_view prog, bool styled);

// `-h`: one help text per option, aligned in columns.  Ends with one LF.
std::string render_short_help(std::string_view prog, bool styled);

// `--help`: the long description and each help text on its own line.
// Ends with one LF.
std::string render_long_help(std::string_view prog, bool styled);

// "clippers 0.2.0" and a LF; never styled, never the invocation name.
std::string render_version();

}  // namespace clippers
