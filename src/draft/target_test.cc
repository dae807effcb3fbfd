#include "draft/target.h"

#include <gtest/gtest.h>

#include <vector>

#include "draft/scratch_test_util.h"

namespace clippers {
namespace {

using namespace clippers::testing;

const std::string kClippersLine = "# ------------------------ >8 ------------------------";

class TargetTest : public ScratchTest {
 protected:
  // What the in-place run has set up when it replaces FILE: a draft directory
  // beside FILE, the draft file holding the buffer and carrying FILE's mode.
  struct Prepared {
    DraftDir dir;
    std::string draft;
  };
  Prepared prepare(const Target& target) {
    auto dir = create_draft_dir(target.base_dir, FILE_DRAFT_PREFIX);
    EXPECT_TRUE(dir);
    std::string draft = dir->draft_file_path();
    EXPECT_TRUE(write_draft_file(draft, "edited buffer\n\n" + kClippersLine + "\n"));
    EXPECT_TRUE(copy_permissions(target.canonical, draft));
    return Prepared{std::move(*dir), std::move(draft)};
  }
};

TEST_F(TargetTest, OpensThroughCanonicalPath) {
  const std::string text = "line one\r\n " + kClippersLine + "\n  \n";  // indented: not a cut
  ASSERT_EQ(::mkdir(at("elsewhere").c_str(), 0755), 0);
  put_file(at("elsewhere/real.txt"), text);
  ASSERT_EQ(::symlink("elsewhere/real.txt", at("link.txt").c_str()), 0);
  ASSERT_EQ(::chdir(dir().c_str()), 0);
  for (const std::string file : {"link.txt", "elsewhere/real.txt", "./elsewhere/../link.txt"}) {
    auto target = open_target(file);
    ASSERT_TRUE(target) << render_long(target.error());
    EXPECT_EQ(target->path, file);
    EXPECT_EQ(target->canonical, real(at("elsewhere/real.txt")));
    EXPECT_EQ(target->text, text);
    EXPECT_EQ(target->base_dir, real(at("elsewhere")));
  }
}

TEST_F(TargetTest, RefusesUnreadableOrAlreadyCutFiles) {
  ASSERT_EQ(::mkdir(at("a-dir").c_str(), 0755), 0);
  put_file(at("latin1.txt"), "caf\xe9\n");
  put_file(at("cut.txt"), "one\ntwo\r\n" + kClippersLine + "  \t\nfour\n" + kClippersLine + "\n");
  for (const auto& [file, message] : std::vector<std::pair<std::string, std::string>>{
           {at("missing.txt"),
            "cannot read " + at("missing.txt") + ": " + std::strerror(2) + " (os error 2)"},
           {at("missing/x"), "cannot read " + at("missing/x") + ": " + errno_text(ENOENT)},
           {at("a-dir"), "cannot read " + at("a-dir") + ": " + errno_text(EISDIR)},
           {at("latin1.txt"),
            "cannot read " + at("latin1.txt") + ": stream did not contain valid UTF-8"},
           {at("cut.txt"), at("cut.txt") + " already contains the clippers line (line 3); refusing "
                                           "to edit it in place to avoid discarding content below it"},
       }) {
    auto target = open_target(file);
    ASSERT_FALSE(target) << file;
    EXPECT_EQ(render_long(target.error()), message);
  }
  EXPECT_FALSE(exists(at("missing.txt")));
}

TEST_F(TargetTest, ReplacesLinkTargetByRenameKeepingMode) {
  ASSERT_EQ(::mkdir(at("elsewhere").c_str(), 0755), 0);
  put_file(at("elsewhere/real.txt"), "old\r\ntext\n", 0600);
  ASSERT_EQ(::symlink(at("elsewhere/real.txt").c_str(), at("link.txt").c_str()), 0);
  auto target = open_target(at("link.txt"));
  ASSERT_TRUE(target);
  Prepared prepared = prepare(*target);
  const std::string dir_path = prepared.dir.path();

  auto replaced = replace_target(std::move(prepared.dir), prepared.draft, *target, "new\ntext");
  ASSERT_TRUE(replaced) << render_long(replaced.error());
  EXPECT_EQ(contents_of(at("elsewhere/real.txt")), "new\ntext");
  EXPECT_EQ(mode_of(at("elsewhere/real.txt")), 0600u);
  struct stat st = {};
  ASSERT_EQ(::lstat(at("link.txt").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_FALSE(exists(dir_path));
}

TEST_F(TargetTest, FailedWriteKeepsDraftAndNamesIt) {
  // A draft that cannot be opened for writing: a directory fails for every
  // user; a 0444 file only for users without override privileges.
  for (const bool as_directory : {true, false}) {
    if (!as_directory && ::geteuid() == 0) {
      std::cout << "skipping the 0444 case: root writes through it\n";
      continue;
    }
    put_file(at("file.txt"), "old\n", as_directory ? 0644 : 0444);
    auto target = open_target(at("file.txt"));
    ASSERT_TRUE(target);
    Prepared prepared = prepare(*target);
    const std::string buffer = contents_of(prepared.draft);
    if (as_directory) {
      ASSERT_EQ(::unlink(prepared.draft.c_str()), 0);
      ASSERT_EQ(::mkdir(prepared.draft.c_str(), 0755), 0);
    }
    auto replaced = replace_target(std::move(prepared.dir), prepared.draft, *target, "new");
    ASSERT_FALSE(replaced);
    EXPECT_EQ(render_long(replaced.error()),
              "io error: " + errno_text(as_directory ? EISDIR : EACCES) +
                  "; your edited draft is kept at " + prepared.draft);
    EXPECT_TRUE(exists(prepared.draft));
    EXPECT_EQ(contents_of(prepared.draft), as_directory ? "<unreadable>" : buffer);
    EXPECT_EQ(contents_of(at("file.txt")), "old\n");
  }
}

TEST_F(TargetTest, FailedRenameKeepsDraftWithApprovedContent) {
  put_file(at("file.txt"), "old\n");
  auto target = open_target(at("file.txt"));
  ASSERT_TRUE(target);
  Prepared prepared = prepare(*target);
  // FILE became a non-empty directory while the editor ran: rename(2) will
  // not put a file there, whoever runs it.
  ASSERT_EQ(::unlink(at("file.txt").c_str()), 0);
  ASSERT_EQ(::mkdir(at("file.txt").c_str(), 0755), 0);
  put_file(at("file.txt/inside"), "");

  auto replaced = replace_target(std::move(prepared.dir), prepared.draft, *target, "approved");
  ASSERT_FALSE(replaced);
  const auto* failure = std::get_if<run_error::ReplaceFailed>(&replaced.error());
  ASSERT_NE(failure, nullptr) << render_long(replaced.error());
  EXPECT_EQ(failure->target, target->canonical);
  EXPECT_EQ(failure->error.os_code, EISDIR);
  EXPECT_EQ(failure->draft, prepared.draft);
  EXPECT_EQ(contents_of(prepared.draft), "approved");
}

}  // namespace
}  // namespace clippers
