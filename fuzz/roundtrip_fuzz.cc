// An untouched buffer gives back its draft: for a UTF-8 draft with LF line
// ends and no cut line, and any context without one, extracting the composed
// buffer yields the draft without trailing white space (no content if blank).
// The input is the draft, then optionally a NUL and the context.
#include "buffer/buffer.h"
#include "buffer/extract.h"
#include "check.h"
#include "oracle.h"

using namespace clippers;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto in_domain = [](std::string_view text) {
    if (!oracle::is_utf8(text)) return false;
    for (std::string_view line : oracle::lines(text)) {
      if (oracle::is_cut_line(line)) return false;
    }
    return true;
  };
  const std::string_view in = as_text(data, size);
  const std::size_t nul = in.find('\0');
  const std::string_view draft = in.substr(0, nul);
  std::optional<std::string_view> context;
  if (nul != std::string_view::npos) context = in.substr(nul + 1);
  if (!in_domain(draft) || draft.find("\r\n") != std::string_view::npos) return 0;
  if (context && !in_domain(*context)) return 0;

  const std::string expected = oracle::trim_end(draft);
  const std::optional<std::string> content = extract_content(compose_buffer(draft, context));
  CHECK(expected.empty() ? !content : content == expected);
  return 0;
}
