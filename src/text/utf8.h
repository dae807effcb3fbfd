#pragma once
// UTF-8 validation, decoding one character, and the two ways the tool shows
// raw bytes as text in its messages.

#include <cstdint>
#include <string>
#include <string_view>

#include "text/pieces.h"

namespace clippers {

// Checks bytes that arrive in consecutive pieces, as from successive reads:
// a sequence may straddle two pieces.  Same rules as is_valid_utf8.
//   Utf8Validator v;  v.feed(piece) for each piece, stopping at false;  v.complete()
class Utf8Validator {
 public:
  Utf8Validator();
  // Takes the next piece; false once the bytes so far can no longer be valid
  // UTF-8, whatever follows.
  bool feed(std::string_view piece);
  // True when every byte fed was valid and no sequence is left unfinished.
  bool complete() const;

 private:
  std::uint64_t state_;
};

// One character decoded at a position of a byte string.
struct Utf8Char {
  char32_t code;       // meaningful only when valid
  std::size_t length;  // bytes taken: the sequence, or the maximal invalid prefix (at least 1)
  bool valid;
};

// Decodes the character starting at `at` (< s.size()).  On invalid input,
// `length` covers the longest prefix that could still have begun a valid
// sequence, which is the unit a replacement character stands for.  Same
// rules as is_valid_utf8.
Utf8Char decode_utf8(std::string_view s, std::size_t at);

// True when the text is well-formed UTF-8: no overlong forms, no surrogates,
// nothing above U+10FFFF, no truncated sequence.  A character may straddle
// pieces.  One linear pass, at memory speed over ASCII.
bool is_valid_utf8(std::string_view bytes);
bool is_valid_utf8(Pieces text);

// The bytes as text: each maximal invalid sequence replaced by U+FFFD, and
// each control character (U+0000-U+001F, U+007F, U+0080-U+009F) written as
// \x and the two lower-case hex digits of its code point (\x1b, \x7f, \x85);
// every other character as it is, a backslash included.  Used for every path,
// name, argument or setting from outside that a message shows, so that none
// can move the cursor, erase the line or set the terminal's title.
std::string printable_utf8(std::string_view bytes);

// The bytes as text, each maximal invalid sequence replaced by U+FFFD, every
// character as it is: for output that escapes what it must itself (JSON).
std::string lossy_utf8(std::string_view bytes);

// The bytes as a double-quoted, escaped literal: `\` `"` NUL tab LF CR as
// \\ \" \0 \t \n \r, combining marks and other non-printable characters as
// \u{hex}, bytes of invalid sequences as \xHH.  Used after " at path ".
std::string quoted_path(std::string_view bytes);

}  // namespace clippers
