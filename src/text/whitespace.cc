#include "text/whitespace.h"

#include <algorithm>
#include <array>

namespace clippers {
namespace {

constexpr bool is_ascii_space(unsigned char b) { return b == ' ' || (b >= 0x09 && b <= 0x0D); }

// The longest White_Space character, in bytes.
constexpr std::size_t kLongestSpace = 3;

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
  return (kSpace.at[p[0]] & kSpace.at[p[1]] & kSpace.at[p[2]] & kSpace.at[p[3]] & kSpace.at[p[4]] & kSpace.at[p[5]] &
          kSpace.at[p[6]] & kSpace.at[p[7]]) != 0;
}

// Length of the White_Space character that ends `t`, or 0.  Matching whole
// encoded sequences from the end is safe on valid UTF-8: a lead byte can never
// be mistaken for a continuation byte.
std::size_t space_suffix(std::string_view t) {
  const std::size_t n = t.size();
  if (n == 0) return 0;
  const auto at = [&](std::size_t back) { return static_cast<unsigned char>(t[n - back]); };
  const unsigned char last = at(1);
  if (last < 0x80) return is_ascii_space(last) ? 1 : 0;
  if (n >= 2 && at(2) == 0xC2 && (last == 0x85 || last == 0xA0)) return 2;
  if (n < 3) return 0;
  const unsigned char a = at(3), b = at(2);
  if (a == 0xE1) return (b == 0x9A && last == 0x80) ? 3 : 0;  // U+1680
  if (a == 0xE3) return (b == 0x80 && last == 0x80) ? 3 : 0;  // U+3000
  if (a != 0xE2) return 0;
  if (b == 0x80) {
    return (last <= 0x8A || last == 0xA8 || last == 0xA9 || last == 0xAF) ? 3 : 0;  // U+2000..200A, 2028, 2029, 202F
  }
  return (b == 0x81 && last == 0x9F) ? 3 : 0;  // U+205F
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

// Bytes of whole White_Space characters at the end of one piece.
std::size_t space_run_at_end(std::string_view piece) {
  std::size_t n = piece.size();
  for (;;) {
    // Runs of ASCII white space (a text that ends in many empty lines) go
    // without decoding, eight bytes at a time while they last (124 -> 51 ms
    // CPU on 64 MiB of line feeds, bench/run yes-pipe-lf64, 2026-12-07).
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

  // The last bytes of the kept text, at most kLongestSpace, in order.
  std::string_view last_bytes(std::array<char, kLongestSpace>& window) const {
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
    // shows.  Only a piece shorter than the longest White_Space character can
    // hold just the tail of one that began in an earlier piece.
    if (at.rest.size() >= kLongestSpace) return kept;
    std::array<char, kLongestSpace> window{};
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
