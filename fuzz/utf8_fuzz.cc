// UTF-8 validation, the two renderings of raw bytes, and trimming, checked
// against a textbook decoder and the White_Space list written out here.
#include <vector>

#include "check.h"
#include "text/utf8.h"
#include "text/whitespace.h"

using namespace clippers;

namespace {

// Length from the lead byte, 10xxxxxx continuations, then no overlong form,
// surrogate or value above U+10FFFF.  Returns the length, 0 when invalid.
std::size_t decode(std::string_view s, std::size_t i, char32_t& c) {
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

bool is_space(char32_t c) {
  return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
         c == 0x205F || c == 0x3000;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = as_text(data, size);
  std::vector<char32_t> chars;
  std::vector<std::size_t> at{0};  // byte offset of each character, then the end
  for (char32_t c = 0; at.back() < size; chars.push_back(c)) {
    const std::size_t len = decode(text, at.back(), c);
    if (len == 0) break;
    at.push_back(at.back() + len);
  }
  const bool valid = at.back() == size;
  CHECK(is_valid_utf8(text) == valid);
  const std::string lossy = lossy_utf8(text);
  CHECK(is_valid_utf8(lossy) && (!valid || lossy == text));
  CHECK(is_valid_utf8(quoted_path(text)));

  const std::string_view end = trim_end(text), both = trim(text);
  CHECK(end.data() == text.data() && end.size() <= size);
  CHECK(both.data() >= text.data() && both.data() + both.size() <= text.data() + size);
  if (!valid) return 0;  // trimming expects text; above it only must not go out of bounds
  CHECK(is_blank(text) == both.empty());
  // On text, exactly the White_Space characters at the ends go.
  std::size_t first = 0, last = chars.size();
  while (last > 0 && is_space(chars[last - 1])) --last;
  CHECK(end.size() == at[last]);
  while (first < last && is_space(chars[first])) ++first;
  CHECK(both.data() == text.data() + at[first] && both.size() == at[last] - at[first]);
  return 0;
}
