// Release with another directory swapped in at the draft directory's path, a
// moment no run of the tool can be made to hit: the directory held is
// emptied, the impostor is left alone, and the failure says why.
#include "draft/draft_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "draft/draft_file.h"

namespace clippers {
namespace {

namespace fs = std::filesystem;

TEST(DraftDir, ReleaseLeavesADirectorySwappedInUnderItsNameAlone) {
  std::string parent = fs::temp_directory_path() / "clippers-draft-XXXXXX";
  ASSERT_NE(::mkdtemp(parent.data()), nullptr);
  auto dir = create_draft_dir(parent, STDIN_DRAFT_PREFIX, std::string(DRAFT_FILE_NAME));
  ASSERT_TRUE(dir.ok());
  const std::string_view text = "draft";
  ASSERT_TRUE(write_draft_file(*dir, Pieces(&text, 1)).ok());
  const std::string path = dir->path(), moved = path + ".away";
  fs::rename(path, moved);
  fs::create_directory(path);
  std::ofstream(path + "/theirs") << "x";

  auto released = std::move(*dir).release();
  ASSERT_FALSE(released.ok());
  EXPECT_EQ(released.error().message, "another directory stands at its path");
  EXPECT_TRUE(fs::exists(path + "/theirs"));
  EXPECT_TRUE(fs::is_empty(moved));
  fs::remove_all(parent);
}

}  // namespace
}  // namespace clippers
