#include "draft/draft_dir.h"

#include <gtest/gtest.h>

#include <vector>

#include "draft/scratch_test_util.h"

namespace clippers {
namespace {

using namespace clippers::testing;
using DraftDirTest = ScratchTest;
namespace fs = std::filesystem;

// The permission bits with set-user-ID, set-group-ID and sticky.
unsigned mode_of(const std::string& path) { return static_cast<unsigned>(fs::status(path).permissions()); }

// Expected values computed independently with arbitrary-precision arithmetic.
TEST(Wyrand, FixedSeedGivesKnownSequenceAndUnbiasedIndices) {
  Wyrand zero{0};
  for (std::uint64_t expected : {0x9a45cd888d59f0d6u, 0x01445b6a189663f5u, 0x1842218b97e7a496u}) {
    EXPECT_EQ(zero.next(), expected);
  }
  Wyrand seed0{0};
  EXPECT_EQ(random_name(FILE_DRAFT_PREFIX, seed0), ".clippers-lAFSES");
  // r, then the low half of r * 62 in the comment: below 16 is rejected.
  const std::pair<std::uint64_t, std::optional<std::size_t>> cases[] = {
      {0x0c6318c6318c6319, std::nullopt}, {0x7bdef7bdef7bdef8, 30},  // 14, exactly 16
      {1, 0}, {0xffffffffffffffff, 61}};                              // 62, 2^64 - 62
  for (const auto& [r, index] : cases) EXPECT_EQ(alphabet_index(r), index) << std::hex << r;
}

// Runs the attempt loop with mkdir answering `clash` for the first `clashes`
// calls and `last` after that, and entropy always giving 7; records the candidates.
struct Staged {
  std::size_t clashes;
  int clash, last;
  std::vector<std::string> tried = {};
  int entropy_calls = 0;
  Result<DraftDir, IoError> run(const std::string& base) {
    return create_draft_dir_in(
        base, STDIN_DRAFT_PREFIX, Wyrand{42},
        [this](const std::string& p) { return tried.push_back(p), tried.size() <= clashes ? clash : last; },
        [this]() -> std::optional<std::uint64_t> { return ++entropy_calls, 7; });
  }
};

TEST(DraftDirAttempts, NameClashesDrawAnotherNameAndReseedOnFourthAttempt) {
  for (std::size_t clashes : {0u, 1u, 3u, 5u}) {
    for (int clash_errno : {EEXIST, EADDRINUSE}) {
      Staged staged{clashes, clash_errno, 0};
      auto created = staged.run("/base");
      ASSERT_TRUE(created);
      EXPECT_EQ(std::move(*created).keep(), staged.tried.back());  // keep: nothing real to remove
      ASSERT_EQ(staged.tried.size(), clashes + 1);
      EXPECT_EQ(staged.entropy_calls, clashes >= 3 ? 1 : 0);
      Wyrand expected{42};
      for (std::size_t i = 0; i < staged.tried.size(); ++i) {
        if (i == 3) expected = Wyrand{7};
        EXPECT_EQ(staged.tried[i], "/base/" + random_name(STDIN_DRAFT_PREFIX, expected));
      }
    }
  }
}

TEST(DraftDirAttempts, ExhaustionNamesBaseAndOtherFailuresStopAtOnce) {
  Staged exhausted{0, 0, EEXIST};
  auto created = exhausted.run("/base/");
  ASSERT_FALSE(created);
  EXPECT_EQ(exhausted.tried.size(), MAX_NAME_ATTEMPTS);
  EXPECT_EQ(render_io_error(created.error()), "too many temporary files exist at path \"/base/\"");

  Staged denied{0, 0, EACCES};
  created = denied.run("/base");
  ASSERT_FALSE(created);
  ASSERT_EQ(denied.tried.size(), 1u);
  EXPECT_EQ(render_io_error(created.error()),
            errno_text(EACCES) + " at path \"" + denied.tried[0] + "\"");
}

TEST_F(DraftDirTest, CreatesPrivateDirectoryRelativeParentsUnderCurrentDirectory) {
  ASSERT_EQ(::mkdir(at("sub").c_str(), 0755), 0);
  const fs::path old_cwd = fs::current_path();
  fs::current_path(dir_);
  const mode_t old_umask = ::umask(0);
  for (const auto& [parent, stem] : std::vector<std::pair<std::string, std::string>>{
           {dir_, at(".clippers-")}, {dir_ + "/", at(".clippers-")},
           {"sub", at("sub/.clippers-")}, {"", at(".clippers-")}}) {
    auto created = create_draft_dir(parent, FILE_DRAFT_PREFIX);
    ASSERT_TRUE(created) << render_io_error(created.error());
    const std::string& path = created->path();
    EXPECT_TRUE(path.starts_with(stem) && path.size() == stem.size() + RANDOM_NAME_LENGTH) << path;
    EXPECT_EQ(mode_of(created->path()), 0700u);
  }
  ::umask(old_umask);
  fs::current_path(old_cwd);
}

TEST_F(DraftDirTest, DestructionRemovesTheTreeUnlessKept) {
  std::string removed, kept;
  {
    DraftDir missing(at("never-made"));  // destroyed last: its failed removal must not touch errno
    auto created = create_draft_dir(dir_, FILE_DRAFT_PREFIX);
    auto other = create_draft_dir(dir_, FILE_DRAFT_PREFIX);
    ASSERT_TRUE(created && other);
    removed = created->path();
    kept = std::move(*other).keep();
    ASSERT_TRUE(write_file(kept + "/precious", "x"));
    fs::create_directory(removed + "/nested");
    ASSERT_TRUE(write_file(removed + "/nested/file", "draft"));
    fs::create_symlink(kept, removed + "/link");
    errno = EXDEV;  // as if a failure were being built from errno while the handles go
  }
  EXPECT_EQ(errno, EXDEV);
  EXPECT_FALSE(fs::exists(removed));
  EXPECT_TRUE(fs::exists(kept + "/precious"));  // the link was removed, not followed
}

TEST_F(DraftDirTest, CopyPermissionsCarriesSpecialBits) {
  put_file("draft", "");
  for (mode_t mode : {0600u, 0755u, 04750u, 02711u}) {
    put_file("file", "x", mode);
    ASSERT_TRUE(copy_permissions(at("file"), at("draft")));
    EXPECT_EQ(mode_of(at("draft")), mode);
  }
}

}  // namespace
}  // namespace clippers
