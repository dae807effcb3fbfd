// The text algorithms on one text, whole and cut at fuzzer-chosen points,
// against the one-shot rules of oracle.h: UTF-8 validation (fed piece by
// piece as a reader feeds its reads), the two renderings of raw bytes,
// trimming and comparison.  The input's first byte gives the number of cuts
// (up to 15), the next bytes the length of each piece (0 to 255, so empty
// pieces too), and the rest is the text; its tail after the last cut is the
// last piece.
#include <algorithm>
#include <string>
#include <vector>

#include "check.h"
#include "oracle.h"
#include "text/pieces.h"
#include "text/utf8.h"
#include "text/whitespace.h"

using namespace clippers;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t cuts = std::min<std::size_t>(data[0] % 16, size - 1);
  std::string_view text = as_text(data + 1 + cuts, size - 1 - cuts);
  const std::string_view whole = text;
  std::vector<std::string_view> pieces;
  for (std::size_t i = 0; i < cuts; ++i) {
    pieces.push_back(text.substr(0, data[1 + i]));
    text.remove_prefix(pieces.back().size());
  }
  pieces.push_back(text);

  const oracle::Decoded d = oracle::decoded(whole);
  const bool valid = d.valid();
  CHECK(is_valid_utf8(whole) == valid && is_valid_utf8(Pieces(pieces)) == valid);
  // A refusal while feeding comes only for bytes that cannot begin UTF-8 text.
  Utf8Validator validator;
  bool fed = true;
  for (std::string_view piece : pieces) {
    if (!(fed = validator.feed(piece))) break;
  }
  CHECK(!fed ? !valid : validator.complete() == valid);
  // Messages show any bytes as text without a control character, and text exactly as the oracle does.
  const std::string printable = printable_utf8(whole);
  const oracle::Decoded shown = oracle::decoded(printable);
  CHECK(shown.valid() && std::none_of(shown.chars.begin(), shown.chars.end(), oracle::is_control));
  CHECK(!valid || printable == oracle::printable(whole));
  CHECK(is_valid_utf8(quoted_path(whole)));
  CHECK(total_size(pieces) == whole.size() && equals(pieces, whole));
  std::string changed(whole);
  if (!changed.empty()) changed.back() = static_cast<char>(changed.back() ^ 1);
  CHECK(whole.empty() || !equals(pieces, changed));

  const std::string_view end = trim_end(whole), both = trim(whole);
  CHECK(end.data() == whole.data() && end.size() <= whole.size());
  CHECK(both.data() >= whole.data() && both.data() + both.size() <= whole.data() + whole.size());
  if (!valid) return 0;  // trimming expects text; above it only must not go out of bounds
  // On text, exactly the White_Space characters at the ends go, whole or in pieces.
  std::size_t first = 0, last = d.chars.size();
  while (last > 0 && oracle::is_space(d.chars[last - 1])) --last;
  while (first < last && oracle::is_space(d.chars[first])) ++first;
  CHECK(end.size() == d.at[last]);
  CHECK(both.data() == whole.data() + d.at[first] && both.size() == d.at[last] - d.at[first]);
  std::string trimmed;
  for (std::string_view piece : trim_end(Pieces(pieces))) trimmed += piece;
  CHECK(trimmed == end);
  CHECK(is_blank(whole) == both.empty() && is_blank(Pieces(pieces)) == both.empty());
  return 0;
}
