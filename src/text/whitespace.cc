#include "text/whitespace.h"

#include <algorithm>
#include <array>

#include "text/utf8.h"
#include "text/utf8_forms.h"

namespace clippers {
namespace {

// The Unicode White_Space characters, the one list the tool trims by.
constexpr char32_t kWhiteSpace[] = {
    0x0009, 0x000A, 0x000B, 0x000C, 0x000D, 0x0020, 0x0085, 0x00A0, 0x1680, 0x2000, 0x2001, 0x2002, 0x2003,
    0x2004, 0x2005, 0x2006, 0x2007, 0x2008, 0x2009, 0x200A, 0x2028, 0x2029, 0x202F, 0x205F, 0x3000,
};

constexpr bool is_space(char32_t c) {
  for (const char32_t s : kWhiteSpace) {
    if (s == c) return true;
  }
  return false;
}

// The longest character, in bytes: no White_Space character is longer.
constexpr std::size_t kLongest = utf8::longest();

// For each byte, 1 when that byte alone is a White_Space character.
struct SpaceTable {
  unsigned char at[256];
};

constexpr SpaceTable make_space_table() {
  SpaceTable table{};
  for (unsigned b = 0; b < 256; ++b) {
    const std::size_t k = utf8::form_of(static_cast<unsigned char>(b));
    table.at[b] = k != utf8::NO_FORM && utf8::FORMS[k].length == 1 && is_space(b) ? 1 : 0;
  }
  return table;
}

constexpr SpaceTable kSpace = make_space_table();

// True when the eight bytes before `end` are all one-byte White_Space: eight
// independent lookups, no branch per byte.
bool ends_in_eight_spaces(const char* end) {
  const auto* p = reinterpret_cast<const unsigned char*>(end) - 8;
  return (kSpace.at[p[0]] & kSpace.at[p[1]] & kSpace.at[p[2]] & kSpace.at[p[3]] & kSpace.at[p[4]] & kSpace.at[p[5]] &
          kSpace.at[p[6]] & kSpace.at[p[7]]) != 0;
}

// Length of the White_Space character that starts `t`, or 0.
std::size_t space_prefix(std::string_view t) {
  if (t.empty()) return 0;
  const Utf8Char c = decode_utf8(t, 0);
  return c.valid && is_space(c.code) ? c.length : 0;
}

// Length of the White_Space character that ends `t`, or 0: the character
// that starts at the last byte that is not a tail byte must end exactly there.
std::size_t space_suffix(std::string_view t) {
  const std::size_t n = t.size();
  if (n == 0) return 0;
  if (kSpace.at[static_cast<unsigned char>(t[n - 1])] != 0) return 1;
  std::size_t start = n - 1;
  while (start > 0 && n - start < kLongest && utf8::is_tail(static_cast<unsigned char>(t[start]))) --start;
  const std::size_t k = space_prefix(t.substr(start));
  return k == n - start ? k : 0;
}

// Bytes of whole White_Space characters at the end of one piece.
std::size_t space_run_at_end(std::string_view piece) {
  std::size_t n = piece.size();
  for (;;) {
    // Runs of one-byte white space (a text that ends in many empty lines) go
    // without decoding, eight bytes at a time while they last (CPU 148 ->
    // 38 ms median, slowest of 15 runs 261 -> 47 ms, on 64 MiB of line feeds,
    // bench/run yes-pipe-lf64, 2026-12-07).
    while (n >= 8 && ends_in_eight_spaces(piece.data() + n)) n -= 8;
    const std::size_t k = space_suffix(piece.substr(0, n));
    if (k == 0) return piece.size() - n;
    n -= k;
  }
}

// Where the kept text ends while trimming: pieces [0, index) and `rest`.
struct TrimEnd {
  Pieces text;
  std::size_t index;
  std::string_view rest;

  // The last bytes of the kept text, at most kLongest, in order.
  std::string_view last_bytes(std::array<char, kLongest>& window) const {
    std::size_t filled = 0;
    std::string_view piece = rest;
    for (std::size_t i = index;; piece = text[--i]) {
      for (std::size_t k = piece.size(); k > 0 && filled < window.size(); --k) {
        window[window.size() - ++filled] = piece[k - 1];
      }
      if (filled == window.size() || i == 0) break;
    }
    return {window.data() + window.size() - filled, filled};
  }

  // Drops `count` bytes, which the kept text holds, from its end.
  void drop(std::size_t count) {
    for (;;) {
      const std::size_t k = std::min(count, rest.size());
      rest.remove_suffix(k);
      count -= k;
      if (count == 0) return;
      rest = text[--index];
    }
  }
};

// The length of `text` once its trailing White_Space is dropped.
std::size_t trimmed_size(Pieces text) {
  std::size_t kept = total_size(text);
  TrimEnd at{text, text.size(), {}};
  for (;;) {
    while (at.rest.empty()) {
      if (at.index == 0) return 0;
      at.rest = text[--at.index];
    }
    const std::size_t run = space_run_at_end(at.rest);
    at.rest.remove_suffix(run);
    kept -= run;
    if (at.rest.empty()) continue;
    // A character ends the piece that is not White_Space as far as the piece
    // shows.  Only a piece shorter than the longest character can hold just
    // the tail of one that began in an earlier piece.
    if (at.rest.size() >= kLongest) return kept;
    std::array<char, kLongest> window{};
    const std::size_t k = space_suffix(at.last_bytes(window));
    if (k == 0) return kept;
    at.drop(k);
    kept -= k;
  }
}

}  // namespace

std::string_view trim_end(std::string_view text) { return text.substr(0, trimmed_size(Pieces(&text, 1))); }

std::vector<std::string_view> trim_end(Pieces text) {
  std::size_t left = trimmed_size(text);
  std::vector<std::string_view> out;
  for (auto piece = text.begin(); left > 0; ++piece) {
    if (piece->empty()) continue;
    out.push_back(piece->substr(0, left));
    left -= out.back().size();
  }
  return out;
}

std::string_view trim(std::string_view text) {
  text = trim_end(text);
  while (!text.empty()) {
    const std::size_t k = space_prefix(text);
    if (k == 0) break;
    text.remove_prefix(k);
  }
  return text;
}

bool is_blank(std::string_view text) { return trimmed_size(Pieces(&text, 1)) == 0; }

bool is_blank(Pieces text) { return trimmed_size(text) == 0; }

}  // namespace clippers
