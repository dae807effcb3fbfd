#include "draft/draft_dir.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <vector>

#include "draft/scratch_test_util.h"

namespace clippers {
namespace {

using namespace clippers::testing;
using DraftDirTest = ScratchTest;

// Expected values computed independently with arbitrary-precision arithmetic.
TEST(Wyrand, FixedSeedGivesKnownSequenceAndNames) {
  Wyrand zero{0};
  for (std::uint64_t expected : {0x9a45cd888d59f0d6u, 0x01445b6a189663f5u, 0x1842218b97e7a496u}) {
    EXPECT_EQ(zero.next(), expected);
  }
  Wyrand seed0{0}, seed42{42};
  EXPECT_EQ(random_name(FILE_DRAFT_PREFIX, seed0), ".clippers-lAFSES");
  EXPECT_EQ(random_name(STDIN_DRAFT_PREFIX, seed42), "clippers-xexChc");
}

TEST(Wyrand, AlphabetIndexRejectsOnlyTheBiasedSliver) {
  struct Case { std::uint64_t r; std::optional<std::size_t> index; };  // comments: r * 62, low half
  for (const Case& c : {Case{0, std::nullopt}, Case{0x0c6318c6318c6319, std::nullopt},  // 0, 14
                        Case{0xef7bdef7bdef7bdf, std::nullopt},                        // 2
                        Case{0x7bdef7bdef7bdef8, 30},                                  // exactly 16
                        Case{1, 0}, Case{0xffffffffffffffff, 61}}) {
    EXPECT_EQ(alphabet_index(c.r), c.index) << std::hex << c.r;
  }
  std::array<int, 62> counts{};
  Wyrand generator{7};
  for (int i = 0; i < 62 * 10000; ++i) {
    if (auto index = alphabet_index(generator.next())) ++counts.at(*index);
  }
  for (int count : counts) EXPECT_NEAR(count, 10000, 600);
}

TEST_F(DraftDirTest, CreatesPrivateDirectoryNamedPrefixPlusSixCharacters) {
  const mode_t old_umask = ::umask(0);
  for (std::string_view prefix : {FILE_DRAFT_PREFIX, STDIN_DRAFT_PREFIX}) {
    for (const std::string& parent : {dir(), dir() + "/"}) {
      auto created = create_draft_dir(parent, prefix);
      ASSERT_TRUE(created) << render_io_error(created.error());
      const std::string& path = created->path();
      const std::string stem = dir() + "/" + std::string(prefix);
      ASSERT_EQ(path.size(), stem.size() + RANDOM_NAME_LENGTH) << path;
      EXPECT_EQ(path.substr(0, stem.size()), stem);
      EXPECT_EQ(path.find_first_not_of(NAME_ALPHABET, stem.size()), std::string::npos) << path;
      EXPECT_EQ(mode_of(path), 0700u);
      EXPECT_EQ(created->draft_file_path(), path + "/COMMIT_EDITMSG");
    }
  }
  ::umask(old_umask);
}

TEST_F(DraftDirTest, RelativeParentIsPlacedUnderCurrentDirectory) {
  ASSERT_EQ(::mkdir(at("sub").c_str(), 0755), 0);
  ASSERT_EQ(::chdir(dir().c_str()), 0);
  for (const auto& [parent, stem] : std::vector<std::pair<std::string, std::string>>{
           {"sub", real(dir()) + "/sub/clippers-"}, {"", real(dir()) + "/clippers-"}}) {
    auto created = create_draft_dir(parent, STDIN_DRAFT_PREFIX);
    ASSERT_TRUE(created) << render_io_error(created.error());
    EXPECT_EQ(created->path().substr(0, stem.size()), stem) << created->path();
    EXPECT_TRUE(exists(created->path()));
  }
}

TEST_F(DraftDirTest, DestructionAndReleaseRemoveEverythingKeepLeavesIt) {
  put_file(at("precious"), "x");
  std::string removed, released;
  {
    auto created = create_draft_dir(dir(), FILE_DRAFT_PREFIX);
    ASSERT_TRUE(created);
    removed = created->path();
    put_file(created->draft_file_path(), "draft", 0444);
    ASSERT_EQ(::mkdir((removed + "/nested").c_str(), 0500), 0);
    ASSERT_EQ(::symlink(at("precious").c_str(), (removed + "/link").c_str()), 0);
    DraftDir moved = std::move(*created);  // the moved-from handle owns nothing
    EXPECT_TRUE(exists(removed));
    errno = EXDEV;
  }
  EXPECT_EQ(errno, EXDEV);
  EXPECT_FALSE(exists(removed));
  EXPECT_TRUE(exists(at("precious")));  // the link was removed, not followed

  auto second = create_draft_dir(dir(), FILE_DRAFT_PREFIX);
  ASSERT_TRUE(second);
  released = second->path();
  std::move(*second).release();
  EXPECT_FALSE(exists(released));

  std::string kept;
  {
    auto third = create_draft_dir(dir(), FILE_DRAFT_PREFIX);
    ASSERT_TRUE(third);
    kept = std::move(*third).keep();
  }
  EXPECT_TRUE(exists(kept));
}

// Runs the attempt loop with mkdir answering `results` in turn (the last one
// repeating) and entropy always giving 7; records the candidates.
struct Staged {
  std::vector<int> results;
  std::vector<std::string> tried = {};
  int entropy_calls = 0;
  Result<DraftDir, IoError> run(const std::string& base) {
    return create_draft_dir_in(
        base, STDIN_DRAFT_PREFIX, Wyrand{42},
        [this](const std::string& path) {
          tried.push_back(path);
          return results.at(std::min(tried.size(), results.size()) - 1);
        },
        [this]() -> std::optional<std::uint64_t> { return ++entropy_calls, 7; });
  }
};

TEST(DraftDirAttempts, NameClashesDrawAnotherNameAndReseedOnFourthAttempt) {
  for (int clashes : {0, 1, 3, 5}) {
    for (int clash_errno : {EEXIST, EADDRINUSE}) {
      Staged staged{std::vector<int>(static_cast<std::size_t>(clashes), clash_errno)};
      staged.results.push_back(0);
      auto created = staged.run("/base");
      ASSERT_TRUE(created);
      EXPECT_EQ(std::move(*created).keep(), staged.tried.back());  // keep: nothing real to remove
      ASSERT_EQ(staged.tried.size(), static_cast<std::size_t>(clashes) + 1);
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
  Staged exhausted{{EEXIST}};
  auto created = exhausted.run("/base/");
  ASSERT_FALSE(created);
  EXPECT_EQ(exhausted.tried.size(), MAX_NAME_ATTEMPTS);
  EXPECT_EQ(render_io_error(created.error()), "too many temporary files exist at path \"/base/\"");

  Staged denied{{EACCES}};
  created = denied.run("/base");
  ASSERT_FALSE(created);
  ASSERT_EQ(denied.tried.size(), 1u);
  EXPECT_EQ(render_io_error(created.error()),
            errno_text(EACCES) + " at path \"" + denied.tried[0] + "\"");
}

TEST_F(DraftDirTest, UnusableParentFailsWithQuotedCandidate) {
  put_file(at("plain"), "");
  for (const auto& [parent, code] :
       std::vector<std::pair<std::string, int>>{{at("missing"), ENOENT}, {at("plain"), ENOTDIR}}) {
    auto created = create_draft_dir(parent, FILE_DRAFT_PREFIX);
    ASSERT_FALSE(created);
    const std::string head = errno_text(code) + " at path \"" + parent + "/.clippers-";
    const std::string text = render_io_error(created.error());
    EXPECT_EQ(text.substr(0, head.size()), head);
    EXPECT_EQ(text.size(), head.size() + RANDOM_NAME_LENGTH + 1) << text;
  }
}

TEST(SystemTempDir, TmpdirWinsEvenWhenEmpty) {
  const char* saved = std::getenv("TMPDIR");
  const std::string saved_value = saved ? saved : "";
  for (const char* value : {"/var/scratch", "relative/dir", ""}) {
    ::setenv("TMPDIR", value, 1);
    EXPECT_EQ(system_temp_dir(), value);
  }
  ::unsetenv("TMPDIR");
#ifndef __APPLE__
  EXPECT_EQ(system_temp_dir(), "/tmp");
#endif
  if (saved) ::setenv("TMPDIR", saved_value.c_str(), 1);
}

TEST_F(DraftDirTest, DraftFileIsWrittenWholeThenGetsFileMode) {
  const mode_t old_umask = ::umask(022);
  const std::string draft = at("COMMIT_EDITMSG");
  ASSERT_TRUE(write_draft_file(draft, "a much longer earlier buffer\n"));
  ASSERT_TRUE(write_draft_file(draft, "new\r\nbuffer"));
  EXPECT_EQ(contents_of(draft), "new\r\nbuffer");
  EXPECT_EQ(mode_of(draft), 0644u);
  ::umask(old_umask);
  for (mode_t mode : {0600u, 0755u, 0444u, 04750u}) {
    put_file(at("file"), "x", mode);
    ASSERT_TRUE(copy_permissions(at("file"), draft));
    EXPECT_EQ(mode_of(draft), mode);
  }
  auto missing = copy_permissions(at("missing"), draft);
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.error().os_code, ENOENT);
}

}  // namespace
}  // namespace clippers
