#include "draft/target.h"

#include <gtest/gtest.h>

#include "draft/scratch_test_util.h"

namespace clippers {
namespace {

using namespace clippers::testing;
using TargetTest = ScratchTest;

TEST_F(TargetTest, ResolvesDotsAndLinksButKeepsThePathAsGiven) {
  const std::string text = "line one\r\n # ------------------------ >8 ------------------------\n";
  std::filesystem::create_directory(at("x"));
  put_file("x/real.txt", text);
  std::filesystem::create_symlink("x/real.txt", at("link.txt"));
  for (const std::string& file : {at("./x/../link.txt"), at("x/../x/./real.txt")}) {
    auto target = open_target(file);
    ASSERT_TRUE(target) << render_long(target.error());
    EXPECT_EQ(target->path, file);
    EXPECT_EQ(target->canonical, at("x/real.txt"));
    EXPECT_EQ(target->text, text);  // an indented clippers line is not a cut
    EXPECT_EQ(target->base_dir, at("x"));
  }
}

TEST_F(TargetTest, FailedWriteKeepsDraftAndNamesIt) {
  put_file("file.txt", "old\n");
  auto target = open_target(at("file.txt"));
  auto dir = create_draft_dir(dir_, FILE_DRAFT_PREFIX);
  ASSERT_TRUE(target && dir);
  const std::string dir_path = dir->path(), draft = dir->draft_file_path();
  // A draft path that is a directory cannot be opened for writing, even by root.
  std::filesystem::create_directory(draft);
  auto replaced = replace_target(std::move(*dir), draft, *target, "new");
  ASSERT_FALSE(replaced);
  EXPECT_EQ(render_long(replaced.error()),
            "io error: " + errno_text(EISDIR) + "; your edited draft is kept at " + draft);
  EXPECT_TRUE(std::filesystem::is_directory(draft));
  EXPECT_TRUE(std::filesystem::exists(dir_path));
  auto unchanged = read_text_file(at("file.txt"));
  EXPECT_TRUE(unchanged && *unchanged == "old\n");
}

}  // namespace
}  // namespace clippers
