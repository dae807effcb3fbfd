#include "draft/draft_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>

#include <tuple>
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
  Result<std::string, IoError> run(const std::string& base) {
    return make_unique_dir(
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
      EXPECT_EQ(*created, staged.tried.back());
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
  std::string removed, kept, swapped;
  {
    auto created = create_draft_dir(dir_, FILE_DRAFT_PREFIX);
    auto other = create_draft_dir(dir_, FILE_DRAFT_PREFIX);
    auto moved = create_draft_dir(dir_, FILE_DRAFT_PREFIX);
    ASSERT_TRUE(created && other && moved);
    removed = created->path();
    kept = std::move(*other).keep();
    // Another directory swapped in under a draft directory's name is not its to remove.
    swapped = moved->path();
    ASSERT_TRUE(write_file(swapped + "/draft", "x"));
    fs::rename(swapped, at("moved-away"));
    fs::create_directory(swapped);
    ASSERT_TRUE(write_file(swapped + "/theirs", "x"));
    ASSERT_TRUE(write_file(kept + "/precious", "x"));
    fs::create_directory(removed + "/nested");
    ASSERT_TRUE(write_file(removed + "/nested/file", "draft"));
    fs::create_symlink(kept, removed + "/link");
    errno = EXDEV;  // as if a failure were being built from errno while the handles go
  }
  EXPECT_EQ(errno, EXDEV);
  EXPECT_FALSE(fs::exists(removed));
  EXPECT_TRUE(fs::exists(kept + "/precious"));  // the link was removed, not followed
  EXPECT_TRUE(fs::exists(swapped + "/theirs"));
  EXPECT_TRUE(fs::is_empty(at("moved-away")));
}

TEST_F(DraftDirTest, CopyIdentityCarriesSetIdBitsOnlyBetweenFilesOfOneOwner) {
  put_file("draft", "");
  const Fd draft(::open(at("draft").c_str(), O_RDONLY | O_CLOEXEC));
  struct stat like = {};
  ASSERT_EQ(::fstat(draft.get(), &like), 0);
  // A file of another owner: only root may take its owner over with the bits.
  const uid_t other = like.st_uid + 1;
  for (const auto& [mode, owner, expected] : std::vector<std::tuple<mode_t, uid_t, mode_t>>{
           {0600u, like.st_uid, 0600u}, {04750u, like.st_uid, 04750u}, {02711u, like.st_uid, 02711u},
           {06755u, other, ::geteuid() == 0 ? 06755u : 0755u}}) {
    like.st_mode = S_IFREG | mode;
    like.st_uid = owner;
    ASSERT_TRUE(copy_identity(draft.get(), like));
    EXPECT_EQ(mode_of(at("draft")), expected) << std::oct << mode;
  }
}

}  // namespace
}  // namespace clippers
