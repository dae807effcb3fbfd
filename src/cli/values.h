#pragma once
// The values the options take beyond free text: what each accepts, the
// reason a refused one is refused, and the parsers a run uses to read the
// value it was given.
//
//   std::optional<std::uint64_t> ms = parse_duration_ms("10m");  // 600000
//   auto words = split_command(*cli.check);                      // never empty once parsed

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "text/words.h"

namespace clippers {

// Why a value is refused (the tail of "invalid value ..."), or nullopt when
// it is accepted.  The value is valid UTF-8.
using ValueCheck = std::optional<std::string_view> (*)(std::string_view value);

// DURATION: ASCII digits, then at most one unit, `s`, `m` or `h` (none:
// seconds), from 1 second to 7 days.  In milliseconds; nullopt otherwise.
std::optional<std::uint64_t> parse_duration_ms(std::string_view text);
std::optional<std::string_view> check_duration(std::string_view value);

// SUFFIX: 1 to 32 bytes, none of them `/`.
std::optional<std::string_view> check_suffix(std::string_view value);

// COMMAND: the words of the text trimmed of White_Space, split as the editor
// setting is (split_words).  Accepted when that gives at least one word.
Result<std::vector<std::string>, ParseError> split_command(std::string_view command);
std::optional<std::string_view> check_command(std::string_view value);

}  // namespace clippers
