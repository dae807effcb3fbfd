#pragma once
// Trimming over the Unicode White_Space characters (the table in
// whitespace.cc).  The input is expected to be valid UTF-8; results are
// views into it.  A text in pieces is trimmed as the text they make together: a white-space
// character may straddle two pieces.

#include <string_view>
#include <vector>

#include "text/pieces.h"

namespace clippers {

// The text without its trailing White_Space.
std::string_view trim_end(std::string_view text);
std::vector<std::string_view> trim_end(Pieces text);

// The text without White_Space at either end.
std::string_view trim(std::string_view text);

// True when the text is empty or holds White_Space only.
bool is_blank(std::string_view text);
bool is_blank(Pieces text);

}  // namespace clippers
