#pragma once
// UTF-8, stated once: the well-formed byte sequences, each by the range of
// its first byte and the range its second byte must fall in; every byte after
// the second is a tail byte, 80..BF.  The decoder and the validator
// (text/utf8.cc) and the white-space matcher (text/whitespace.cc) are derived
// from this table and state no byte range of their own.

#include <cstddef>

namespace clippers::utf8 {

struct Form {
  unsigned char first_min, first_max;    // the first byte
  unsigned char second_min, second_max;  // the second byte; none in a one-byte form
  std::size_t length;                    // bytes in the sequence
};

inline constexpr unsigned char TAIL_MIN = 0x80, TAIL_MAX = 0xBF;

// In the order of the code points they encode, U+0000 to U+10FFFF.
inline constexpr Form FORMS[] = {
    {0x00, 0x7F, 0, 0, 1},
    {0xC2, 0xDF, TAIL_MIN, TAIL_MAX, 2},
    {0xE0, 0xE0, 0xA0, TAIL_MAX, 3},  // no overlong three-byte form
    {0xE1, 0xEC, TAIL_MIN, TAIL_MAX, 3},
    {0xED, 0xED, TAIL_MIN, 0x9F, 3},  // no surrogate
    {0xEE, 0xEF, TAIL_MIN, TAIL_MAX, 3},
    {0xF0, 0xF0, 0x90, TAIL_MAX, 4},  // no overlong four-byte form
    {0xF1, 0xF3, TAIL_MIN, TAIL_MAX, 4},
    {0xF4, 0xF4, TAIL_MIN, 0x8F, 4},  // nothing above U+10FFFF
};

// The length of the longest sequence.
constexpr std::size_t longest() {
  std::size_t most = 0;
  for (const Form& f : FORMS) most = f.length > most ? f.length : most;
  return most;
}

inline constexpr std::size_t NO_FORM = sizeof FORMS / sizeof FORMS[0];

// The index in FORMS of the form a first byte starts, or NO_FORM for a byte
// that starts none.
constexpr std::size_t form_of(unsigned char first) {
  for (std::size_t k = 0; k < NO_FORM; ++k) {
    if (first >= FORMS[k].first_min && first <= FORMS[k].first_max) return k;
  }
  return NO_FORM;
}

constexpr bool is_tail(unsigned char b) { return b >= TAIL_MIN && b <= TAIL_MAX; }

// True when the form's second byte may be any tail byte.
constexpr bool has_plain_second(const Form& f) { return f.second_min == TAIL_MIN && f.second_max == TAIL_MAX; }

}  // namespace clippers::utf8
