// What no run of the tool can pin down: the name generator's exact sequence and
// mapping, and the attempt loop under staged clashes.
#include "draft/names.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "failure/failure.h"

namespace clippers {
namespace {

// Expected values computed independently with arbitrary-precision arithmetic.
TEST(Wyrand, FixedSeedGivesKnownSequenceAndUnbiasedIndices) {
  Wyrand zero{0};
  for (std::uint64_t expected : {0x9a45cd888d59f0d6u, 0x01445b6a189663f5u, 0x1842218b97e7a496u}) {
    EXPECT_EQ(zero.next(), expected);
  }
  Wyrand seed0{0};
  EXPECT_EQ(detail::random_name(".clippers-", seed0), ".clippers-lAFSES");
  // r, then the low half of r * 62 in the comment: below 16 is rejected.
  const std::pair<std::uint64_t, std::optional<std::size_t>> cases[] = {{0x0c6318c6318c6319, std::nullopt},
                                                                        {0x7bdef7bdef7bdef8, 30},  // 14, exactly 16
                                                                        {1, 0},
                                                                        {0xffffffffffffffff, 61}};  // 62, 2^64 - 62
  for (const auto& [r, index] : cases) EXPECT_EQ(detail::alphabet_index(r), index) << std::hex << r;
}

// Runs the attempt loop with mkdir answering `clash` for the first `clashes`
// calls and `last` after that, and entropy always giving 7; records the candidates.
struct Staged {
  std::size_t clashes;
  int clash, last;
  std::vector<std::string> tried = {};
  int entropy_calls = 0;
  Result<std::string, IoError> run(const std::string& base) {
    return make_unique_dir(
        base, "clippers-", Wyrand{42},
        [this](const std::string& p) { return tried.push_back(p), tried.size() <= clashes ? clash : last; },
        [this]() -> std::optional<std::uint64_t> { return ++entropy_calls, 7; });
  }
};

// A clash draws the next name; the fourth attempt reseeds; the last gives up naming the base.
TEST(DraftDirAttempts, NameClashesDrawAnotherNameUntilTheAttemptsRunOut) {
  for (std::size_t clashes :
       {std::size_t{0}, std::size_t{1}, std::size_t{3}, std::size_t{5}, std::size_t{MAX_NAME_ATTEMPTS}}) {
    for (int clash_errno : {EEXIST, EADDRINUSE}) {
      Staged staged{clashes, clash_errno, 0};
      auto created = staged.run("/base/");
      const bool exhausted = clashes == MAX_NAME_ATTEMPTS;
      ASSERT_EQ(staged.tried.size(), exhausted ? clashes : clashes + 1);
      ASSERT_EQ(created.ok(), !exhausted);
      EXPECT_EQ(exhausted ? render_io_error(created.error()) : *created,
                exhausted ? "too many temporary files exist at path \"/base/\"" : staged.tried.back());
      EXPECT_EQ(staged.entropy_calls, clashes >= 3 ? 1 : 0);
      Wyrand expected{42};
      for (std::size_t i = 0; i < std::min<std::size_t>(staged.tried.size(), 8); ++i) {
        if (i == 3) expected = Wyrand{7};
        EXPECT_EQ(staged.tried[i], "/base/" + detail::random_name("clippers-", expected));
      }
    }
  }
}

}  // namespace
}  // namespace clippers
