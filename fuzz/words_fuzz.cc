// The editor-setting word splitter on any UTF-8 text.
#include "check.h"
#include "text/utf8.h"
#include "text/words.h"

using namespace clippers;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = as_text(data, size);
  if (!is_valid_utf8(text)) return 0;
  const auto words = split_words(text);
  // Only an open quote fails; a stray backslash never does.
  CHECK(words.ok() || text.find_first_of("'\"") != std::string_view::npos);
  if (!words) return 0;
  for (const std::string& word : *words) CHECK(is_valid_utf8(word));
  if (text.find_first_of("'\"\\#") != std::string_view::npos) return 0;
  // Without quotes, escapes or comments, words are the runs between blanks.
  std::vector<std::string> expected;
  for (std::size_t i = text.find_first_not_of(" \t\n"); i != std::string_view::npos;) {
    const std::size_t end = std::min(text.find_first_of(" \t\n", i), text.size());
    expected.emplace_back(text.substr(i, end - i));
    i = text.find_first_not_of(" \t\n", end);
  }
  CHECK(*words == expected);
  return 0;
}
