// The texts the end-to-end tests cannot reach: failures of draft-directory
// creation and of the durable write, and the mapping between the two types.
#include "failure/failure.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace clippers {
namespace {

std::string os_error(int code) {
  return std::string(std::strerror(code)) + " (os error " + std::to_string(code) + ")";
}

TEST(Failure, TextsOfPreparationAndReplacementFailures) {
  using namespace run_error;
  const struct {
    RunError error;
    std::string text;
  } cases[] = {
      {CannotPrepare{"/srv\xFF", PathError{"/srv\xFF/.clippers-aB3xYz", IoError::from_errno(EACCES)}
                                     .into_io_error()},
       "cannot prepare the edit buffer in /srv\xEF\xBF\xBD: " + os_error(EACCES) +
           " at path \"/srv\\xFF/.clippers-aB3xYz\""},
      {CannotPrepare{"/srv", PathError{"/srv/", IoError::with_message("too many temporary files exist")}
                                 .into_io_error()},
       "cannot prepare the edit buffer in /srv: too many temporary files exist at path \"/srv/\""},
      {Io{IoError::from_errno(ENOSPC), "/a/.clippers-x/COMMIT_EDITMSG"},
       "io error: " + os_error(ENOSPC) + "; your edited draft is kept at /a/.clippers-x/COMMIT_EDITMSG"},
      {ReplaceFailed{"/a/f", IoError::from_errno(EXDEV), "/a/.clippers-x/COMMIT_EDITMSG"},
       "failed to replace /a/f: " + os_error(EXDEV) + "; your edited draft is kept at /a/.clippers-x/COMMIT_EDITMSG"},
  };
  for (const auto& c : cases) EXPECT_EQ(render_long(c.error), c.text);
  EXPECT_EQ(render_with_draft(editor_error::Io{
                PathError{"/tmp/clippers-Ab\tc", IoError::from_errno(EROFS)}.into_io_error()}),
            "io error: " + os_error(EROFS) + " at path \"/tmp/clippers-Ab\\tc\"");
}

TEST(Failure, EditorErrorBecomesTheRunErrorOfTheSameName) {
  EXPECT_EQ(render_long(to_run_error(editor_error::EditorExited{7, "/d"})), "editor exited with code 7");
  EXPECT_EQ(render_long(to_run_error(editor_error::NeverOpened{12, "/d"})).rfind("editor returned in 12ms without", 0), 0u);
  EXPECT_TRUE(std::holds_alternative<run_error::NoEditor>(to_run_error(editor_error::NoEditor{})));
  const RunError io = to_run_error(editor_error::Io{IoError::from_errno(ENOENT)});
  ASSERT_TRUE(std::holds_alternative<run_error::Io>(io));
  EXPECT_EQ(std::get<run_error::Io>(io).error.os_code, ENOENT);
  EXPECT_FALSE(std::get<run_error::Io>(io).kept_draft.has_value());
}

}  // namespace
}  // namespace clippers
