// Extraction and the cut-line search on any UTF-8 text, against the rules of
// oracle.h: the content is the lines above the last cut line, joined with LF
// and trimmed at the end, and none when that is empty.  The same input, read
// as a draft and optionally a NUL and a context, makes an untouched buffer,
// which ends in the context as oracle.h shows it and gives back the draft
// without its trailing white space (when the draft holds no cut line and has
// LF line ends), whatever the context holds.
#include <algorithm>

#include "buffer/buffer.h"
#include "buffer/extract.h"
#include "check.h"
#include "oracle.h"

using namespace clippers;

namespace {

bool has_cut_line(const std::vector<std::string_view>& lines) {
  return std::any_of(lines.begin(), lines.end(), oracle::is_cut_line);
}

void check_extraction(std::string_view text) {
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
  CHECK(extract_content(text) == (expected.empty() ? std::nullopt : std::optional(expected)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view in = as_text(data, size);
  if (!oracle::is_utf8(in)) return 0;
  check_extraction(in);

  const std::size_t nul = in.find('\0');
  const std::string_view draft = in.substr(0, nul);
  std::optional<std::string_view> context;
  if (nul != std::string_view::npos) context = in.substr(nul + 1);
  if (has_cut_line(oracle::lines(draft)) || draft.find("\r\n") != std::string_view::npos) return 0;
  const std::string buffer = compose_buffer(draft, context);
  if (context) CHECK(buffer.ends_with("\n# Context: " + oracle::shown_context(*context) + "\n"));
  const std::string expected = oracle::trim_end(draft);
  const std::optional<std::string> content = extract_content(buffer);
  CHECK(expected.empty() ? !content : content == expected);
  return 0;
}
