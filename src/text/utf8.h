#pragma once
// UTF-8 validation and the two ways the tool shows raw bytes as text.

#include <string>
#include <string_view>

namespace clippers {

// True when `bytes` is well-formed UTF-8: no overlong forms, no surrogates,
// nothing above U+10FFFF, no truncated sequence.  One linear pass.
bool is_valid_utf8(std::string_view bytes);

// The bytes as text, each maximal invalid sequence replaced by U+FFFD.
// Used for paths and arguments in messages.
std::string lossy_utf8(std::string_view bytes);

// The bytes as a double-quoted, escaped literal: `\` `"` NUL tab LF CR as
// \\ \" \0 \t \n \r, combining marks and other non-printable characters as
// \u{hex}, bytes of invalid sequences as \xHH.  Used after " at path ".
std::string quoted_path(std::string_view bytes);

}  // namespace clippers
