#pragma once
// A small shell-like word splitter (quotes, backslashes, comments; nothing is
// expanded and no shell is run), for command settings such as the editor's.
//
//   auto words = split_words("vim -c 'set tw=0'");  // {"vim", "-c", "set tw=0"}

#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"

namespace clippers {

// The splitter's only failure: a quote left open at the end of the text.
struct ParseError {};
inline constexpr std::string_view PARSE_ERROR_MESSAGE = "missing closing quote";

// Splits `text` into words.  Blanks are exactly space, tab and LF; quotes join
// touching stretches into one word ('' and "" give an empty word); a backslash
// escapes the next character (before an LF it continues the line); "#" where a
// word could start begins a comment up to the next LF.  Inside double quotes a
// backslash escapes only " $ ` \ and LF.  A trailing lone backslash outside
// quotes is kept as a character.  Fails when the text ends inside quotes.
// The result may be empty.
Result<std::vector<std::string>, ParseError> split_words(std::string_view text);

}  // namespace clippers
