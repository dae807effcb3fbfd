#include "text/whitespace.h"

namespace clippers {
namespace {

constexpr bool is_ascii_space(unsigned char b) { return b == ' ' || (b >= 0x09 && b <= 0x0D); }

struct SpaceTable {
  unsigned char at[256];
};

constexpr SpaceTable make_space_table() {
  SpaceTable table{};
  for (unsigned b = 0; b < 256; ++b) table.at[b] = is_ascii_space(static_cast<unsigned char>(b)) ? 1 : 0;
  return table;
}

constexpr SpaceTable kSpace = make_space_table();

// True when the eight bytes before `end` are all ASCII white space: eight
// independent lookups, no branch per byte.
bool ends_in_eight_spaces(const char* end) {
  const auto* p = reinterpret_cast<const unsigned char*>(end) - 8;
  return (kSpace.at[p[0]] & kSpace.at[p[1]] & kSpace.at[p[2]] & kSpace.at[p[3]] & kSpace.at[p[4]] &
          kSpace.at[p[5]] & kSpace.at[p[6]] & kSpace.at[p[7]]) != 0;
}

// Length of the White_Space character that ends `t`, or 0.  Matching whole
// encoded sequences from the end is safe on valid UTF-8: a lead byte can never
// be mistaken for a continuation byte.
std::size_t space_suffix(std::string_view t) {
  const std::size_t n = t.size();
  const auto at = [&](std::size_t back) { return static_cast<unsigned char>(t[n - back]); };
  const unsigned char last = at(1);
  if (last < 0x80) return is_ascii_space(last) ? 1 : 0;
  if (n >= 2 && at(2) == 0xC2 && (last == 0x85 || last == 0xA0)) return 2;
  if (n < 3) return 0;
  const unsigned char a = at(3), b = at(2);
  if (a == 0xE1) return (b == 0x9A && last == 0x80) ? 3 : 0;                  // U+1680
  if (a == 0xE3) return (b == 0x80 && last == 0x80) ? 3 : 0;                  // U+3000
  if (a != 0xE2) return 0;
  if (b == 0x80) {
    return (last <= 0x8A || last == 0xA8 || last == 0xA9 || last == 0xAF) ? 3 : 0;  // U+2000..200A, 2028, 2029, 202F
  }
  return (b == 0x81 && last == 0x9F) ? 3 : 0;                                 // U+205F
}

// Length of the White_Space character that starts `t`, or 0.
std::size_t space_prefix(std::string_view t) {
  const std::size_t n = t.size();
  const auto at = [&](std::size_t i) { return static_cast<unsigned char>(t[i]); };
  const unsigned char first = at(0);
  if (first < 0x80) return is_ascii_space(first) ? 1 : 0;
  if (first == 0xC2) return (n >= 2 && (at(1) == 0x85 || at(1) == 0xA0)) ? 2 : 0;
  if (n < 3) return 0;
  const unsigned char b = at(1), c = at(2);
  if (first == 0xE1) return (b == 0x9A && c == 0x80) ? 3 : 0;
  if (first == 0xE3) return (b == 0x80 && c == 0x80) ? 3 : 0;
  if (first != 0xE2) return 0;
  if (b == 0x80) return ((c >= 0x80 && c <= 0x8A) || c == 0xA8 || c == 0xA9 || c == 0xAF) ? 3 : 0;
  return (b == 0x81 && c == 0x9F) ? 3 : 0;
}

}  // namespace

std::size_t trailing_space_length(std::string_view text) {
  return text.empty() ? 0 : space_suffix(text);
}

std::string_view trim_end(std::string_view text) {
  while (!text.empty()) {
    // Runs of ASCII white space (a text that ends in many empty lines) go
    // without decoding, eight bytes at a time while they last.
    while (text.size() >= 8 && ends_in_eight_spaces(text.data() + text.size())) text.remove_suffix(8);
    if (!text.empty() && is_ascii_space(static_cast<unsigned char>(text.back()))) {
      text.remove_suffix(1);
      continue;
    }
    if (text.empty()) break;
    const std::size_t k = space_suffix(text);
    if (k == 0) break;
    text.remove_suffix(k);
  }
  return text;
}

std::string_view trim_start(std::string_view text) {
  while (!text.empty()) {
    const std::size_t k = space_prefix(text);
    if (k == 0) break;
    text.remove_prefix(k);
  }
  return text;
}

std::string_view trim(std::string_view text) { return trim_start(trim_end(text)); }

bool is_blank(std::string_view text) { return trim_end(text).empty(); }

}  // namespace clippers
