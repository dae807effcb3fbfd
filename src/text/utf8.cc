#include "text/utf8.h"

#include <cstdint>
#include <cstring>

namespace clippers {

Utf8Char decode_utf8(std::string_view s, std::size_t i) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  if (b0 < 0x80) return {b0, 1, true};
  std::size_t need;
  unsigned char lo = 0x80, hi = 0xBF;
  char32_t code;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    need = 1;
    code = b0 & 0x1Fu;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    need = 2;
    code = b0 & 0x0Fu;
    if (b0 == 0xE0) lo = 0xA0;
    if (b0 == 0xED) hi = 0x9F;  // no surrogates
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    need = 3;
    code = b0 & 0x07u;
    if (b0 == 0xF0) lo = 0x90;
    if (b0 == 0xF4) hi = 0x8F;  // nothing above U+10FFFF
  } else {
    return {0, 1, false};
  }
  for (std::size_t k = 1; k <= need; ++k) {
    if (i + k >= s.size()) return {0, k, false};
    const auto b = static_cast<unsigned char>(s[i + k]);
    if (b < lo || b > hi) return {0, k, false};
    lo = 0x80;
    hi = 0xBF;
    code = (code << 6) | (b & 0x3Fu);
  }
  return {code, need + 1, true};
}

namespace {

struct Range {
  char32_t first, last;
};

// Combining marks (the bulk of Grapheme_Extend) and format, separator,
// private-use and non-character code points, which a debug rendering escapes
// rather than printing invisibly.  Not exhaustive for unassigned code points:
// paths holding those are shown as they are.
constexpr Range kEscaped[] = {
    {0x00A0, 0x00A0}, {0x00AD, 0x00AD}, {0x0300, 0x036F}, {0x0483, 0x0489}, {0x0591, 0x05BD},   {0x05BF, 0x05BF},
    {0x05C1, 0x05C2}, {0x05C4, 0x05C5}, {0x05C7, 0x05C7}, {0x0600, 0x0605}, {0x0610, 0x061A},   {0x061C, 0x061C},
    {0x064B, 0x065F}, {0x0670, 0x0670}, {0x06D6, 0x06DD}, {0x06DF, 0x06E4}, {0x06E7, 0x06E8},   {0x06EA, 0x06ED},
    {0x070F, 0x070F}, {0x0711, 0x0711}, {0x0730, 0x074A}, {0x0900, 0x0902}, {0x093A, 0x093A},   {0x093C, 0x093C},
    {0x0941, 0x0948}, {0x094D, 0x094D}, {0x0951, 0x0957}, {0x0962, 0x0963}, {0x1680, 0x1680},   {0x180B, 0x180F},
    {0x1AB0, 0x1AFF}, {0x1DC0, 0x1DFF}, {0x2000, 0x200F}, {0x2028, 0x202F}, {0x205F, 0x2064},   {0x2066, 0x206F},
    {0x20D0, 0x20F0}, {0x3000, 0x3000}, {0x302A, 0x302F}, {0x3099, 0x309A}, {0xD800, 0xF8FF},   {0xFE00, 0xFE0F},
    {0xFE20, 0xFE2F}, {0xFEFF, 0xFEFF}, {0xFFF0, 0xFFFB}, {0xFFFE, 0xFFFF}, {0xE0000, 0xE0FFF}, {0xF0000, 0x10FFFF},
};

bool is_escaped(char32_t c) {
  if (c < 0x20 || (c >= 0x7F && c < 0xA0)) return true;
  if (c < 0xA0) return false;
  for (const Range& r : kEscaped) {
    if (c < r.first) return false;
    if (c <= r.last) return true;
  }
  return false;
}

// Validation is a DFA whose whole transition row for one input byte fits in a
// 64-bit word: each state is a bit offset (a multiple of 6) and the row holds,
// at that offset, the offset of the next state.  So one step is
// `row[byte] >> state`: the table load does not depend on the state, and the
// chain from one byte to the next is a single shift, about one cycle a byte
// even on text that is all multi-byte.  Only the low 6 bits of the state
// matter; the bits above are left as they fall to keep the step one shift.
enum : std::uint64_t {
  kError = 0,     // absorbing: every row holds 0 at offset 0
  kAccept = 6,    // between sequences
  kNeed1 = 12,    // one continuation byte (80..BF) to go
  kNeed2 = 18,    // two to go
  kNeed3 = 24,    // three to go
  kAfterE0 = 30,  // next A0..BF (no overlong three-byte form), then one more
  kAfterED = 36,  // next 80..9F (no surrogate), then one more
  kAfterF0 = 42,  // next 90..BF (no overlong four-byte form), then two more
  kAfterF4 = 48,  // next 80..8F (nothing above U+10FFFF), then two more
};

constexpr std::uint64_t go(std::uint64_t from, std::uint64_t to) { return to << from; }

constexpr std::uint64_t row_for(unsigned b) {
  if (b < 0x80) return go(kAccept, kAccept);
  if (b < 0xC0) {
    // A continuation byte: which states take it depends on its range.
    std::uint64_t row = go(kNeed1, kAccept) | go(kNeed2, kNeed1) | go(kNeed3, kNeed2);
    if (b >= 0xA0) row |= go(kAfterE0, kNeed1);
    if (b <= 0x9F) row |= go(kAfterED, kNeed1);
    if (b >= 0x90) row |= go(kAfterF0, kNeed2);
    if (b <= 0x8F) row |= go(kAfterF4, kNeed2);
    return row;
  }
  if (b >= 0xC2 && b <= 0xDF) return go(kAccept, kNeed1);
  if (b == 0xE0) return go(kAccept, kAfterE0);
  if (b == 0xED) return go(kAccept, kAfterED);
  if (b >= 0xE1 && b <= 0xEF) return go(kAccept, kNeed2);
  if (b == 0xF0) return go(kAccept, kAfterF0);
  if (b == 0xF4) return go(kAccept, kAfterF4);
  if (b >= 0xF1 && b <= 0xF3) return go(kAccept, kNeed3);
  return 0;  // C0, C1, F5..FF start nothing
}

struct Rows {
  std::uint64_t at[256];
};

constexpr Rows make_rows() {
  Rows rows{};
  for (unsigned b = 0; b < 256; ++b) rows.at[b] = row_for(b);
  return rows;
}

constexpr Rows kRows = make_rows();

constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

std::uint64_t load_word(const unsigned char* p) {
  std::uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return word;
}

// One step of the DFA.
std::uint64_t step(std::uint64_t state, unsigned char b) { return kRows.at[b] >> (state & 63); }

bool is_continuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// Between sequences, ASCII needs no state: the length of the ASCII that
// starts [p, p + n), eight bytes at a time (184 -> 91 ms CPU on 256 MiB of
// ASCII lines, bench/run yes-FILE-lines256, 2026-12-07; 32 at a time gained nothing).
std::size_t ascii_run(const unsigned char* p, std::size_t n) {
  std::size_t i = 0;
  while (n - i >= 8 && (load_word(p + i) & kHighBits) == 0) i += 8;
  return i;
}

// What two_streams needs in front of it: two blocks of 32 bytes, and the
// three bytes the second may start after the first.
constexpr std::size_t kTwoStreamBytes = 67;

// Two streams of 32 bytes run side by side over [p, p + kTwoStreamBytes), so
// that each step of one overlaps the other's (54.1 -> 45.6 ms CPU on 64 MiB of
// CJK text, bench/run yes-FILE-cjk64, 2026-12-07; unrolled by four: 50.2 ->
// 46.8 ms).  An error is looked for once per call since the error state, once
// reached, is never left.  The second stream starts at the first character
// boundary at or after 32 bytes (one that no continuation byte starts, three
// at most away in valid text), so from the state between sequences, and the
// two join only when the first ends there in that state too.  Otherwise the
// first stream's state, an error included, goes on from the boundary.
// Returns the bytes consumed.
std::size_t two_streams(std::uint64_t& state, const unsigned char* p) {
  std::size_t mid = 32;
  while (mid < 35 && is_continuation(p[mid])) ++mid;
  if (is_continuation(p[mid])) {  // not UTF-8: no boundary to start from
    for (std::size_t i = 0; i < 32; ++i) state = step(state, p[i]);
    return 32;
  }
  std::uint64_t first = state, second = kAccept;
  const unsigned char* q = p + mid;
  for (std::size_t i = 0; i < 32; i += 4) {
    first = step(first, p[i]);
    second = step(second, q[i]);
    first = step(first, p[i + 1]);
    second = step(second, q[i + 1]);
    first = step(first, p[i + 2]);
    second = step(second, q[i + 2]);
    first = step(first, p[i + 3]);
    second = step(second, q[i + 3]);
  }
  for (std::size_t i = 32; i < mid; ++i) first = step(first, p[i]);
  if ((first & 63) != kAccept) {
    state = first;
    return mid;
  }
  state = second;
  return mid + 32;
}

const char kHex[] = "0123456789abcdef";
const char kUpperHex[] = "0123456789ABCDEF";

}  // namespace

Utf8Validator::Utf8Validator() : state_(kAccept) {}

bool Utf8Validator::feed(std::string_view piece) {
  // Positions are offsets, so that no pointer beyond the piece is ever formed.
  const auto* p = reinterpret_cast<const unsigned char*>(piece.data());
  const std::size_t n = piece.size();
  std::uint64_t state = state_;
  std::size_t i = 0;
  while (i < n) {
    if ((state & 63) == kAccept) i += ascii_run(p + i, n - i);
    if (n - i >= kTwoStreamBytes) {
      i += two_streams(state, p + i);
    } else {
      for (; i < n; ++i) state = step(state, p[i]);
    }
    if ((state & 63) == kError) {
      state_ = kError;
      return false;
    }
  }
  state_ = state & 63;
  return true;
}

bool Utf8Validator::complete() const { return (state_ & 63) == kAccept; }

bool is_valid_utf8(Pieces text) {
  Utf8Validator validator;
  for (std::string_view piece : text) {
    if (!validator.feed(piece)) return false;
  }
  return validator.complete();
}

bool is_valid_utf8(std::string_view bytes) { return is_valid_utf8(Pieces(&bytes, 1)); }

namespace {

std::string as_text(std::string_view bytes, bool escape_controls) {
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    const Utf8Char d = decode_utf8(bytes, i);
    if (!d.valid) {
      out.append("\xEF\xBF\xBD");
    } else if (escape_controls && (d.code < 0x20 || (d.code >= 0x7F && d.code < 0xA0))) {
      out.append("\\x");
      out.push_back(kHex[d.code >> 4]);
      out.push_back(kHex[d.code & 0xF]);
    } else {
      out.append(bytes.substr(i, d.length));
    }
    i += d.length;
  }
  return out;
}

}  // namespace

std::string printable_utf8(std::string_view bytes) { return as_text(bytes, true); }

std::string lossy_utf8(std::string_view bytes) { return as_text(bytes, false); }

namespace {

// Appends the valid character `c`, encoded as `bytes`, as quoted_path shows it.
void append_shown(std::string& out, char32_t c, std::string_view bytes) {
  switch (c) {
    case '\\': out.append("\\\\"); return;
    case '"': out.append("\\\""); return;
    case '\0': out.append("\\0"); return;
    case '\t': out.append("\\t"); return;
    case '\n': out.append("\\n"); return;
    case '\r': out.append("\\r"); return;
    default: break;
  }
  if (!is_escaped(c)) {
    out.append(bytes);
    return;
  }
  out.append("\\u{");
  bool started = false;
  for (int shift = 20; shift >= 0; shift -= 4) {
    const auto digit = (c >> shift) & 0xF;
    if (digit != 0 || started || shift == 0) {
      out.push_back(kHex[digit]);
      started = true;
    }
  }
  out.push_back('}');
}

}  // namespace

std::string quoted_path(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + 2);
  out.push_back('"');
  for (std::size_t i = 0; i < bytes.size();) {
    const Utf8Char d = decode_utf8(bytes, i);
    if (d.valid) {
      append_shown(out, d.code, bytes.substr(i, d.length));
    } else {
      for (std::size_t k = 0; k < d.length; ++k) {
        const auto b = static_cast<unsigned char>(bytes[i + k]);
        out.append("\\x");
        out.push_back(kUpperHex[b >> 4]);
        out.push_back(kUpperHex[b & 0xF]);
      }
    }
    i += d.length;
  }
  out.push_back('"');
  return out;
}

}  // namespace clippers
