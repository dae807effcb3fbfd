#include "text/utf8.h"

#include <cstdint>
#include <cstring>

#include "text/utf8_forms.h"

namespace clippers {

Utf8Char decode_utf8(std::string_view s, std::size_t i) {
  const auto first = static_cast<unsigned char>(s[i]);
  const std::size_t index = utf8::form_of(first);
  if (index == utf8::NO_FORM) return {0, 1, false};
  const utf8::Form* form = &utf8::FORMS[index];
  if (form->length == 1) return {first, 1, true};
  // The first byte's payload is what its length marker (length one bits and
  // a zero) leaves; each later byte carries its offset in the tail range.
  char32_t code = first & (0x7Fu >> form->length);
  unsigned char lo = form->second_min, hi = form->second_max;
  for (std::size_t k = 1; k < form->length; ++k) {
    if (i + k >= s.size()) return {0, k, false};
    const auto b = static_cast<unsigned char>(s[i + k]);
    if (b < lo || b > hi) return {0, k, false};
    lo = utf8::TAIL_MIN;
    hi = utf8::TAIL_MAX;
    code = (code << 6) | static_cast<char32_t>(b - utf8::TAIL_MIN);
  }
  return {code, form->length, true};
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

// The C0 controls, DEL and the C1 controls.
bool is_control(char32_t c) { return c < 0x20 || (c >= 0x7F && c < 0xA0); }

bool is_escaped(char32_t c) {
  if (is_control(c)) return true;
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
//
// The states: the error (absorbing: every row holds 0 at offset 0), between
// sequences, n tail bytes to go (1 to the longest form's length - 1), and,
// for each form whose second byte has a narrower range than a tail byte,
// right after that form's first byte.  All follow from utf8::FORMS.
constexpr std::uint64_t kStateBits = 6;
constexpr std::uint64_t kError = 0;
constexpr std::uint64_t kAccept = kStateBits;

// n tail bytes to go; none is between sequences.
constexpr std::uint64_t need(std::size_t n) { return kAccept + kStateBits * n; }

// The state right after the first byte of FORMS[k], which is longer than one byte.
constexpr std::uint64_t after_first(std::size_t k) {
  if (utf8::has_plain_second(utf8::FORMS[k])) return need(utf8::FORMS[k].length - 1);
  std::uint64_t state = need(utf8::longest());
  for (std::size_t j = 0; j < k; ++j) {
    if (utf8::FORMS[j].length > 1 && !utf8::has_plain_second(utf8::FORMS[j])) state += kStateBits;
  }
  return state;
}

static_assert(
    [] {
      for (std::size_t k = 0; k < utf8::NO_FORM; ++k) {
        if (utf8::FORMS[k].length > 1 && after_first(k) + kStateBits > 64) return false;
      }
      return true;
    }(),
    "every state fits in a 64-bit row");

constexpr std::uint64_t go(std::uint64_t from, std::uint64_t to) { return to << from; }

constexpr std::uint64_t row_for(unsigned char b) {
  std::uint64_t row = 0;
  if (const std::size_t k = utf8::form_of(b); k != utf8::NO_FORM) {
    row |= go(kAccept, utf8::FORMS[k].length == 1 ? kAccept : after_first(k));
  }
  if (!utf8::is_tail(b)) return row;
  for (std::size_t n = 1; n < utf8::longest(); ++n) row |= go(need(n), need(n - 1));
  for (std::size_t k = 0; k < utf8::NO_FORM; ++k) {
    const utf8::Form& f = utf8::FORMS[k];
    if (f.length > 1 && !utf8::has_plain_second(f) && b >= f.second_min && b <= f.second_max) {
      row |= go(after_first(k), need(f.length - 2));
    }
  }
  return row;
}

struct Rows {
  std::uint64_t at[256];
};

constexpr Rows make_rows() {
  Rows rows{};
  for (unsigned b = 0; b < 256; ++b) rows.at[b] = row_for(static_cast<unsigned char>(b));
  return rows;
}

constexpr Rows kRows = make_rows();

// The bits no byte of the one-byte form has, in each of eight bytes.
constexpr std::uint64_t kHighBits = (~std::uint64_t{utf8::FORMS[0].first_max} & 0xFF) * 0x0101010101010101ull;

std::uint64_t load_word(const unsigned char* p) {
  std::uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return word;
}

// One step of the DFA.
std::uint64_t step(std::uint64_t state, unsigned char b) { return kRows.at[b] >> (state & 63); }

// Between sequences, ASCII needs no state: the length of the ASCII that
// starts [p, p + n), eight bytes at a time (CPU 114 -> 62 ms median, slowest
// of 15 runs 469 -> 81 ms, on 256 MiB of ASCII lines, bench/run
// yes-FILE-lines256, 2026-12-07; 32 at a time gained nothing).
std::size_t ascii_run(const unsigned char* p, std::size_t n) {
  std::size_t i = 0;
  while (n - i >= 8 && (load_word(p + i) & kHighBits) == 0) i += 8;
  return i;
}

// The bytes each of two_streams' streams takes, and what two_streams needs in
// front of it: two blocks, and the tail bytes of one character by which the
// second may start after the first.
constexpr std::size_t kStream = 32;
constexpr std::size_t kTwoStreamBytes = 2 * kStream + utf8::longest() - 1;

// Two streams of kStream bytes run side by side over [p, p + kTwoStreamBytes), so
// that each step of one overlaps the other's (CPU against one stream 34.7 ->
// 29.2 ms median, slowest of 25 runs 113 -> 36 ms, on 64 MiB of CJK text,
// bench/run yes-FILE-cjk64, 2026-12-07; not unrolled by four, two streams
// gain nothing: 37.6 ms).  An error is looked for once per call since the error state, once
// reached, is never left.  The second stream starts at the first character
// boundary at or after kStream bytes (one that no tail byte starts, at most
// a character's tail away in valid text), so from the state between sequences, and the
// two join only when the first ends there in that state too.  Otherwise the
// first stream's state, an error included, goes on from the boundary.
// Returns the bytes consumed.
std::size_t two_streams(std::uint64_t& state, const unsigned char* p) {
  std::size_t mid = kStream;
  while (mid < kTwoStreamBytes - kStream && utf8::is_tail(p[mid])) ++mid;
  if (utf8::is_tail(p[mid])) {  // not UTF-8: no boundary to start from
    for (std::size_t i = 0; i < kStream; ++i) state = step(state, p[i]);
    return kStream;
  }
  std::uint64_t first = state, second = kAccept;
  const unsigned char* q = p + mid;
  for (std::size_t i = 0; i < kStream; i += 4) {
    first = step(first, p[i]);
    second = step(second, q[i]);
    first = step(first, p[i + 1]);
    second = step(second, q[i + 1]);
    first = step(first, p[i + 2]);
    second = step(second, q[i + 2]);
    first = step(first, p[i + 3]);
    second = step(second, q[i + 3]);
  }
  for (std::size_t i = kStream; i < mid; ++i) first = step(first, p[i]);
  if ((first & 63) != kAccept) {
    state = first;
    return mid;
  }
  state = second;
  return mid + kStream;
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
    } else if (escape_controls && is_control(d.code)) {
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
