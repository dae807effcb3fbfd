#pragma once
// Trimming over the Unicode White_Space set: U+0009..U+000D, U+0020, U+0085,
// U+00A0, U+1680, U+2000..U+200A, U+2028, U+2029, U+202F, U+205F, U+3000.
// The input is expected to be valid UTF-8; results are views into it.

#include <string_view>

namespace clippers {

std::string_view trim_end(std::string_view text);
std::string_view trim_start(std::string_view text);
std::string_view trim(std::string_view text);

// True when the text is empty or holds White_Space only.
bool is_blank(std::string_view text);

// The length in bytes of the White_Space character that ends `text`, or 0.
// Looks at the last three bytes at most, so a caller that holds a text in
// pieces can pass just the last few bytes.
std::size_t trailing_space_length(std::string_view text);

}  // namespace clippers
