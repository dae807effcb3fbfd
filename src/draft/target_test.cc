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
    EXPECT_EQ(target->text.str(), text);  // an indented clippers line is not a cut
    EXPECT_EQ(target->base_dir, at("x"));
  }
}

}  // namespace
}  // namespace clippers
