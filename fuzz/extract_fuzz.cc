// Extraction and the cut-line search on any UTF-8 text, against the plain
// reading of the rules over split_lines.
#include "buffer/buffer.h"
#include "buffer/extract.h"
#include "check.h"
#include "text/utf8.h"
#include "text/whitespace.h"

using namespace clippers;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = as_text(data, size);
  if (!is_valid_utf8(text)) return 0;
  const std::vector<std::string_view> lines = split_lines(text);
  std::optional<std::uint64_t> first;
  std::size_t last = lines.size();  // the last cut line, or the end
  for (std::size_t i = 0; i < lines.size(); ++i) {
    CHECK(is_clippers_line(lines[i]) == (trim_end(lines[i]) == CLIPPERS_LINE));
    if (!is_clippers_line(lines[i])) continue;
    if (!first) first = i + 1;
    last = i;
  }
  CHECK(find_clippers_line(text) == first);

  std::string joined;
  for (std::size_t i = 0; i < last; ++i) joined.append(i ? "\n" : "").append(lines[i]);
  joined.resize(trim_end(joined).size());
  const std::optional<std::string> content = extract_content(text);
  CHECK(content == (is_blank(joined) ? std::nullopt : std::optional(joined)));
  CHECK(!content || (is_valid_utf8(*content) && !is_blank(*content) && trim_end(*content) == *content));
  return 0;
}
