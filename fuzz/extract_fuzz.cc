// Extraction and the cut-line search on any UTF-8 text, against the rules of
// oracle.h: the content is the lines above the last cut line, joined with LF
// and trimmed at the end, and none when that is empty.
#include "buffer/extract.h"
#include "check.h"
#include "oracle.h"

using namespace clippers;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = as_text(data, size);
  if (!oracle::is_utf8(text)) return 0;
  const std::vector<std::string_view> lines = oracle::lines(text);
  CHECK(split_lines(text) == lines);
  std::optional<std::uint64_t> first;
  std::size_t last = lines.size();  // the last cut line, or the end
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const bool cut = oracle::is_cut_line(lines[i]);
    CHECK(is_clippers_line(lines[i]) == cut);
    if (!cut) continue;
    if (!first) first = i + 1;
    last = i;
  }
  CHECK(find_clippers_line(text) == first);

  std::string joined;
  for (std::size_t i = 0; i < last; ++i) joined.append(i ? "\n" : "").append(lines[i]);
  const std::string expected = oracle::trim_end(joined);
  const std::optional<std::string> content = extract_content(text);
  CHECK(content == (expected.empty() ? std::nullopt : std::optional(expected)));
  return 0;
}
