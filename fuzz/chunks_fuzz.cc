// The piece-wise text algorithms on one text cut at fuzzer-chosen points,
// against the one-shot rules of oracle.h.  The input's first byte gives the
// number of cuts (up to 15), the next bytes the length of each piece (0 to
// 255, so empty pieces too), and the rest is the text; its tail after the
// last cut is the last piece.
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

  const bool valid = oracle::is_utf8(whole);
  // As a reader feeds its reads: a refusal comes only for bytes that cannot be UTF-8.
  Utf8Validator validator;
  bool fed = true;
  for (std::string_view piece : pieces) {
    if (!(fed = validator.feed(piece))) break;
  }
  CHECK(!fed ? !valid : validator.complete() == valid);
  CHECK(is_valid_utf8(Pieces(pieces)) == valid);
  CHECK(total_size(pieces) == whole.size() && equals(pieces, whole));
  std::string changed(whole);
  if (!changed.empty()) changed.back() = static_cast<char>(changed.back() ^ 1);
  CHECK(whole.empty() || !equals(pieces, changed));
  if (!valid) return 0;

  const std::string expected = oracle::trim_end(whole);
  std::string trimmed;
  for (std::string_view piece : trim_end(Pieces(pieces))) trimmed += piece;
  CHECK(trimmed == expected);
  CHECK(is_blank(Pieces(pieces)) == expected.empty());
  return 0;
}
