#include "text/utf8.h"

#include <cstdint>
#include <cstring>

namespace clippers {
namespace {

struct Decoded {
  char32_t code;       // meaningful only when valid
  std::size_t length;  // bytes consumed: the sequence, or the maximal invalid prefix
  bool valid;
};

// Decodes one scalar value at `i`.  On invalid input, `length` covers the
// longest prefix that could still have begun a valid sequence (at least one
// byte), which is the unit the replacement character stands for.
Decoded decode_at(std::string_view s, std::size_t i) {
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

void append_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

struct Range {
  char32_t first, last;
};

// Combining marks (the bulk of Grapheme_Extend) and format, separator,
// private-use and non-character code points, which a debug rendering escapes
// rather than printing invisibly.  Not exhaustive for unassigned code points:
// paths holding those are shown as they are.
constexpr Range kEscaped[] = {
    {0x00A0, 0x00A0}, {0x00AD, 0x00AD}, {0x0300, 0x036F}, {0x0483, 0x0489},
    {0x0591, 0x05BD}, {0x05BF, 0x05BF}, {0x05C1, 0x05C2}, {0x05C4, 0x05C5},
    {0x05C7, 0x05C7}, {0x0600, 0x0605}, {0x0610, 0x061A}, {0x061C, 0x061C},
    {0x064B, 0x065F}, {0x0670, 0x0670}, {0x06D6, 0x06DD}, {0x06DF, 0x06E4},
    {0x06E7, 0x06E8}, {0x06EA, 0x06ED}, {0x070F, 0x070F}, {0x0711, 0x0711},
    {0x0730, 0x074A}, {0x0900, 0x0902}, {0x093A, 0x093A}, {0x093C, 0x093C},
    {0x0941, 0x0948}, {0x094D, 0x094D}, {0x0951, 0x0957}, {0x0962, 0x0963},
    {0x1680, 0x1680}, {0x180B, 0x180F}, {0x1AB0, 0x1AFF}, {0x1DC0, 0x1DFF},
    {0x2000, 0x200F}, {0x2028, 0x202F}, {0x205F, 0x2064}, {0x2066, 0x206F},
    {0x20D0, 0x20F0}, {0x3000, 0x3000}, {0x302A, 0x302F}, {0x3099, 0x309A},
    {0xD800, 0xF8FF}, {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F}, {0xFEFF, 0xFEFF},
    {0xFFF0, 0xFFFB}, {0xFFFE, 0xFFFF}, {0xE0000, 0xE0FFF}, {0xF0000, 0x10FFFF},
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

const char kHex[] = "0123456789abcdef";
const char kUpperHex[] = "0123456789ABCDEF";

}  // namespace

bool is_valid_utf8(std::string_view bytes) {
  std::size_t i = 0;
  const std::size_t n = bytes.size();
  while (i < n) {
    // Skip ASCII eight bytes at a time; most drafts are mostly ASCII.
    while (i + 8 <= n) {
      std::uint64_t word;
      std::memcpy(&word, bytes.data() + i, sizeof word);
      if (word & 0x8080808080808080ull) break;
      i += 8;
    }
    if (i >= n) break;
    const Decoded d = decode_at(bytes, i);
    if (!d.valid) return false;
    i += d.length;
  }
  return true;
}

std::string lossy_utf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    const Decoded d = decode_at(bytes, i);
    if (d.valid) {
      out.append(bytes.substr(i, d.length));
    } else {
      out.append("\xEF\xBF\xBD");
    }
    i += d.length;
  }
  return out;
}

std::string quoted_path(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + 2);
  out.push_back('"');
  for (std::size_t i = 0; i < bytes.size();) {
    const Decoded d = decode_at(bytes, i);
    if (!d.valid) {
      for (std::size_t k = 0; k < d.length; ++k) {
        const auto b = static_cast<unsigned char>(bytes[i + k]);
        out.append("\\x");
        out.push_back(kUpperHex[b >> 4]);
        out.push_back(kUpperHex[b & 0xF]);
      }
    } else {
      switch (d.code) {
        case '\\': out.append("\\\\"); break;
        case '"': out.append("\\\""); break;
        case '\0': out.append("\\0"); break;
        case '\t': out.append("\\t"); break;
        case '\n': out.append("\\n"); break;
        case '\r': out.append("\\r"); break;
        default:
          if (is_escaped(d.code)) {
            out.append("\\u{");
            bool started = false;
            for (int shift = 20; shift >= 0; shift -= 4) {
              const auto digit = (d.code >> shift) & 0xF;
              if (digit != 0 || started || shift == 0) {
                out.push_back(kHex[digit]);
                started = true;
              }
            }
            out.push_back('}');
          } else {
            append_utf8(out, d.code);
          }
      }
    }
    i += d.length;
  }
  out.push_back('"');
  return out;
}

}  // namespace clippers
