#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "text/pieces.h"
#include "text/utf8.h"
#include "text/whitespace.h"

namespace clippers {
namespace {

const std::string kCjk = "\xE4\xB8\xAD\xE6\x96\x87";  // two three-byte characters

struct TextCase {
  std::string input;
  std::optional<std::string> trimmed;  // none when the input is not UTF-8
};

// The text as one piece and cut into pieces of 1, 2, 3 (with empty pieces between)
// and 7 bytes, which puts boundaries inside characters, CR LF and runs of
// white space.
std::vector<std::vector<std::string_view>> cuts_of(std::string_view whole) {
  std::vector<std::vector<std::string_view>> cuts = {{whole}};
  for (const std::size_t size : {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{7}}) {
    auto& pieces = cuts.emplace_back();
    for (std::size_t at = 0; at < whole.size(); at += size) {
      if (size == 3) pieces.emplace_back();
      pieces.push_back(whole.substr(at, size));
    }
  }
  return cuts;
}

// What the text algorithms say of a text; trimmed and blank only for UTF-8.
struct Seen {
  bool valid;
  std::optional<std::string> trimmed;
  bool blank;
  bool equal;  // to the text it came from, and not to that text changed at its end or made longer
  bool operator==(const Seen&) const = default;
  friend std::ostream& operator<<(std::ostream& os, const Seen& s) {
    return os << "valid " << s.valid << " trimmed '" << s.trimmed.value_or("-") << "' blank " << s.blank << " equal "
              << s.equal;
  }
};

Seen seen(Pieces pieces, const std::string& text) {
  std::string changed = text.empty() ? "x" : text;
  changed.back() = static_cast<char>(changed.back() ^ 1);
  const bool equal = equals(pieces, text) && !equals(pieces, text + "x") && !equals(pieces, changed);
  if (!is_valid_utf8(pieces)) return {false, std::nullopt, false, equal};
  std::string trimmed;
  for (std::string_view piece : trim_end(pieces)) trimmed += piece;
  return {true, trimmed, is_blank(pieces), equal};
}

void check_text(const TextCase& c) {
  const Seen expected{c.trimmed.has_value(), c.trimmed, c.trimmed && c.trimmed->empty(), true};
  for (const auto& pieces : cuts_of(c.input)) EXPECT_EQ(seen(pieces, c.input), expected) << pieces.size() << " pieces";
}

// Texts of 67 bytes and more go through the validator's two side-by-side streams.
TEST(Text, ValidatesTrimsAndComparesWhereverThePiecesBreak) {
  const auto repeat = [](const std::string& s, int n) {
    std::string out;
    while (n-- > 0) out += s;
    return out;
  };
  const TextCase cases[] = {
      {"", ""},
      {kCjk + "\xF0\x9F\x98\x80 " + kCjk + "\r\n", kCjk + "\xF0\x9F\x98\x80 " + kCjk},
      {"a\n\n  \t\n", "a"},
      {"x\xE3\x80\x80\n", "x"},              // U+3000 is white space
      {"x\xE3\x80\x81\n", "x\xE3\x80\x81"},  // U+3001 is not
      {"\xE2\x80\xA9 \xE3\x80\x80\xC2\x85", ""},
      {std::string("x") + std::string(40, '\n'), "x"},
      {"ab\xE4\xB8", std::nullopt},
      {"a\xED\xA0\x80z", std::nullopt},
      {"\xF4\x90\x80\x80", std::nullopt},
      {"\x80", std::nullopt},
      // The streams join: the second starts at byte 33, after a character
      // that straddles byte 32.
      {repeat(kCjk, 16) + " ", repeat(kCjk, 16)},
      // Invalid in the first stream, valid from where the second starts.
      {std::string("\xFF") + std::string(70, 'a'), std::nullopt},
      {"\xED\xA0\x80" + repeat(kCjk, 15), std::nullopt},
      // The first stream ends inside a sequence that the second's start breaks.
      {std::string("\xC3\xA9") + std::string(29, 'a') + "\xE4" + std::string(40, 'a'), std::nullopt},
      // Invalid in the second stream.
      {repeat(kCjk, 5) + "\xE4\xB8\xAD\xFF" + repeat(kCjk, 6), std::nullopt},
  };
  for (const TextCase& c : cases) {
    SCOPED_TRACE(c.input);
    check_text(c);
  }
}

}  // namespace
}  // namespace clippers
