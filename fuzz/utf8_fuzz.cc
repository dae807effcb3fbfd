// UTF-8 validation, the two renderings of raw bytes, and trimming, checked
// against the textbook decoder and the White_Space list of oracle.h.
#include "check.h"
#include "oracle.h"
#include "text/utf8.h"
#include "text/whitespace.h"

using namespace clippers;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = as_text(data, size);
  const oracle::Decoded d = oracle::decoded(text);
  const bool valid = d.valid();
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
  std::size_t first = 0, last = d.chars.size();
  while (last > 0 && oracle::is_space(d.chars[last - 1])) --last;
  CHECK(end.size() == d.at[last]);
  while (first < last && oracle::is_space(d.chars[first])) ++first;
  CHECK(both.data() == text.data() + d.at[first] && both.size() == d.at[last] - d.at[first]);
  return 0;
}
