#include "cli/similar.h"

#include <gtest/gtest.h>

#include <array>

namespace clippers {
namespace {

TEST(Jaro, Scores) {
  const std::tuple<const char*, const char*, double> cases[] = {
      {"", "", 1.0},
      {"a", "", 0.0},
      {"abc", "xyz", 0.0},
      {"ye", "yes", (1.0 + 2.0 / 3 + 1.0) / 3},
      {"contxt", "context", (1.0 + 6.0 / 7 + 1.0) / 3},
      {"martha", "marhta", (1.0 + 1.0 + 5.0 / 6) / 3},   // one transposition
      {"\xc3\xa9x", "\xc3\xa9y", (0.5 + 0.5 + 1.0) / 3},  // counted in characters, not bytes
      {"ab", "ba", 0.0},  // window 0: no match out of place
  };
  for (const auto& [a, b, expected] : cases) {
    EXPECT_NEAR(jaro_similarity(a, b).value(), expected, 1e-12) << a << " / " << b;
  }
}

TEST(Jaro, MostSimilarOption) {
  constexpr std::array<std::string_view, 4> names = {"context", "yes", "help", "version"};
  const std::pair<const char*, std::optional<std::size_t>> cases[] = {
      {"ye", 1}, {"contxt", 0}, {"hlp", 2}, {"verion", 3}, {"zzz", std::nullopt},
      {"", std::nullopt},
      // Exactly 0.7 in exact arithmetic ((3/30 + 3/3 + 1) / 3) does not qualify.
      {"yesxxxxxxxxxxxxxxxxxxxxxxxxxxx", std::nullopt},
      {"yesxxxxxxxxxxxxxxxxxxxxxxxxxx", 1},
  };
  for (const auto& [name, expected] : cases) {
    EXPECT_EQ(most_similar(name, names), expected) << name;
  }
  constexpr std::array<std::string_view, 3> tied = {"abcd", "abce", "zzzz"};
  EXPECT_EQ(most_similar("abc", tied), 1u);  // equal scores: the later candidate
}

}  // namespace
}  // namespace clippers
