#pragma once
// The rules the fuzz targets check against, written out from their
// definitions and sharing no code with src/: a textbook UTF-8 decoder, the
// White_Space list, trimming by whole characters, text as messages show it,
// the line and cut-line rules, and a context as the buffer shows it.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace oracle {

// Length from the lead byte, 10xxxxxx continuations, then no overlong form,
// surrogate or value above U+10FFFF.  Returns the length, 0 when invalid.
inline std::size_t decode(std::string_view s, std::size_t i, char32_t& c) {
  const auto b = static_cast<unsigned char>(s[i]);
  const std::size_t len = b < 0x80 ? 1 : b >> 5 == 6 ? 2 : b >> 4 == 14 ? 3 : b >> 3 == 30 ? 4 : 0;
  if (len == 0 || len > s.size() - i) return 0;
  c = len == 1 ? b : b & (0x7Fu >> len);
  for (std::size_t k = 1; k < len; ++k) {
    const auto next = static_cast<unsigned char>(s[i + k]);
    if ((next & 0xC0) != 0x80) return 0;
    c = c << 6 | (next & 0x3Fu);
  }
  constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  return c < kMin[len] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF ? 0 : len;
}

inline bool is_space(char32_t c) {
  return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

// A text decoded: its characters and the byte offset of each, then the end.
// Decoding stops at the first invalid sequence: valid() tells.
struct Decoded {
  std::vector<char32_t> chars;
  std::vector<std::size_t> at{0};
  std::size_t size = 0;
  bool valid() const { return at.back() == size; }
};

inline Decoded decoded(std::string_view text) {
  Decoded d;
  d.size = text.size();
  for (char32_t c = 0; d.at.back() < text.size(); d.chars.push_back(c)) {
    const std::size_t len = decode(text, d.at.back(), c);
    if (len == 0) break;
    d.at.push_back(d.at.back() + len);
  }
  return d;
}

inline bool is_utf8(std::string_view text) { return decoded(text).valid(); }

// The C0 controls, DEL and the C1 controls.
inline bool is_control(char32_t c) { return c <= 0x1F || (c >= 0x7F && c <= 0x9F); }

// Valid UTF-8 as messages show it: each control as \x and two lower-case hex
// digits of its code point, every other character as it is.
inline std::string printable(std::string_view text) {
  const Decoded d = decoded(text);
  std::string out;
  for (std::size_t k = 0; k < d.chars.size(); ++k) {
    const char32_t c = d.chars[k];
    if (is_control(c)) {
      out += "\\x";
      out += "0123456789abcdef"[c / 16];
      out += "0123456789abcdef"[c % 16];
    } else {
      out += text.substr(d.at[k], d.at[k + 1] - d.at[k]);
    }
  }
  return out;
}

// Valid UTF-8 without its trailing White_Space characters.
inline std::string trim_end(std::string_view text) {
  const Decoded d = decoded(text);
  std::size_t last = d.chars.size();
  while (last > 0 && is_space(d.chars[last - 1])) --last;
  return std::string(text.substr(0, d.at[last]));
}

// Cut after each LF, with one CR before it dropped; a last piece is a line
// only when it is not empty.
inline std::vector<std::string_view> lines(std::string_view text) {
  std::vector<std::string_view> out;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\n') continue;
    std::string_view line = text.substr(start, i - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    out.push_back(line);
    start = i + 1;
  }
  if (start < text.size()) out.push_back(text.substr(start));
  return out;
}

// The line once its trailing White_Space is gone is the cut text.
inline bool is_cut_line(std::string_view line) {
  return trim_end(line) == "# ------------------------ >8 ------------------------";
}

// The context as the buffer shows it: every line after the first that is a
// cut line by the rules above gets "# " in front; no other byte changes.
inline std::string shown_context(std::string_view context) {
  std::string out;
  std::size_t start = 0;
  for (bool first = true;; first = false) {
    const std::size_t lf = context.find('\n', start);
    const std::size_t end = lf == std::string_view::npos ? context.size() : lf + 1;
    const std::vector<std::string_view> line = lines(context.substr(start, end - start));
    if (!first && !line.empty() && is_cut_line(line.front())) out += "# ";
    out += context.substr(start, end - start);
    if (lf == std::string_view::npos) return out;
    start = end;
  }
}

}  // namespace oracle
