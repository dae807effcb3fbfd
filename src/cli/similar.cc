#include "cli/similar.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "base/wide.h"
#include "text/utf8.h"

namespace clippers {
namespace {

// The text's code points; an invalid sequence counts as one character.
std::u32string code_points(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const Utf8Char c = decode_utf8(text, i);
    out.push_back(c.valid ? c.code : U'\uFFFD');
    i += c.length;
  }
  return out;
}

// A Jaro similarity as an exact fraction, so that the threshold and ties
// between candidates are decided without rounding.
struct JaroScore {
  std::uint64_t numerator = 0;
  std::uint64_t denominator = 1;
};

// 1 for two empty texts, 0 when exactly one is empty or nothing matches.
JaroScore jaro_similarity(std::string_view a_text, std::string_view b_text) {
  const std::u32string a = code_points(a_text);
  const std::u32string b = code_points(b_text);
  if (a.empty() && b.empty()) return {1, 1};
  if (a.empty() || b.empty()) return {0, 1};

  const std::size_t longest = std::max(a.size(), b.size());
  const std::size_t window = longest / 2 >= 1 ? longest / 2 - 1 : 0;

  std::vector<bool> a_matched(a.size(), false);
  std::vector<bool> b_matched(b.size(), false);
  std::size_t matches = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const std::size_t from = i > window ? i - window : 0;
    const std::size_t to = std::min(b.size(), i + window + 1);
    for (std::size_t j = from; j < to; ++j) {
      if (!b_matched[j] && a[i] == b[j]) {
        a_matched[i] = b_matched[j] = true;
        ++matches;
        break;
      }
    }
  }
  if (matches == 0) return {0, 1};

  // Walk the matched characters of both texts in order and count the places
  // where they disagree.
  std::size_t disagreements = 0;
  std::size_t j = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (!a_matched[i]) continue;
    while (!b_matched[j]) ++j;
    if (a[i] != b[j]) ++disagreements;
    ++j;
  }
  // (m/len1 + m/len2 + (m - t)/m) / 3 over the common denominator 3·len1·len2·m.
  const std::uint64_t m = matches;
  const std::uint64_t t = disagreements / 2;
  const std::uint64_t len1 = a.size();
  const std::uint64_t len2 = b.size();
  return {m * m * (len1 + len2) + (m - t) * len1 * len2, 3 * len1 * len2 * m};
}

// Cross-multiplied comparisons; the products exceed 64 bits for long texts.
bool greater(const JaroScore& x, const JaroScore& y) {
  return multiply_wide(x.numerator, y.denominator) > multiply_wide(y.numerator, x.denominator);
}

constexpr JaroScore THRESHOLD{7, 10};

}  // namespace

std::optional<std::size_t> most_similar(std::string_view name, std::span<const std::string_view> candidates) {
  std::optional<std::size_t> best;
  JaroScore best_score;
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    const JaroScore score = jaro_similarity(name, candidates[i]);
    // Not worse than the best so far: a later candidate wins a tie.
    if (greater(score, THRESHOLD) && (!best || !greater(best_score, score))) {
      best = i;
      best_score = score;
    }
  }
  return best;
}

}  // namespace clippers
