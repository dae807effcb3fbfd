#include "failure/failure.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace clippers {
namespace {

const std::string kNeverOpened =
    "ms without changes; it likely never opened. Causes: $EDITOR missing a wait flag (e.g. "
    "`code --wait`), a sandbox blocking the editor's IPC, or the binary not on PATH";

std::string enoent() { return std::string(std::strerror(ENOENT)) + " (os error 2)"; }

TEST(Failure, RunErrorTexts) {
  using namespace run_error;
  const struct {
    RunError error;
    std::string text;
  } cases[] = {
      {NoEditor{}, "no editor available ($VISUAL, $EDITOR unset and editor not found)"},
      {CannotRead{"notes\xFF.txt", IoError::from_errno(ENOENT)},
       "cannot read notes\xEF\xBF\xBD.txt: " + enoent()},
      {CannotRead{"bin.dat", IoError::with_message(INVALID_UTF8_MESSAGE)},
       "cannot read bin.dat: stream did not contain valid UTF-8"},
      {ContainsClippersLine{"f.md", 4},
       "f.md already contains the clippers line (line 4); refusing to edit it in place to avoid "
       "discarding content below it"},
      {CannotPrepare{"/srv", PathError{"/srv/.clippers-aB3xYz", IoError::from_errno(EACCES)}
                                 .into_io_error()},
       "cannot prepare the edit buffer in /srv: " + std::string(std::strerror(EACCES)) +
           " (os error 13) at path \"/srv/.clippers-aB3xYz\""},
      {EditorExited{-1}, "editor exited with code -1"},
      {EditorExited{3}, "editor exited with code 3"},
      {NeverOpened{0}, "editor returned in 0" + kNeverOpened},
      {ReplaceFailed{"/a/f", IoError::from_errno(ENOENT), "/a/.clippers-x/COMMIT_EDITMSG"},
       "failed to replace /a/f: " + enoent() +
           "; your edited draft is kept at /a/.clippers-x/COMMIT_EDITMSG"},
      {Io{IoError::with_message("missing closing quote")}, "io error: missing closing quote"},
  };
  for (const auto& c : cases) EXPECT_EQ(render_long(c.error), c.text);
}

TEST(Failure, EditorErrorTextsNameTheDraft) {
  using namespace editor_error;
  const struct {
    EditorError error;
    std::string text;
  } cases[] = {
      {NoEditor{}, "no editor available ($VISUAL, $EDITOR unset and editor not found)"},
      {EditorExited{3, "/tmp/d/COMMIT_EDITMSG"}, "editor exited with code 3; draft at /tmp/d/COMMIT_EDITMSG"},
      {NeverOpened{499, "/tmp/d/COMMIT_EDITMSG"},
       "editor returned in 499" + kNeverOpened + "; draft at /tmp/d/COMMIT_EDITMSG"},
      {Io{PathError{"/tmp", IoError::with_message("too many temporary files exist")}.into_io_error()},
       "io error: too many temporary files exist at path \"/tmp\""},
  };
  for (const auto& c : cases) EXPECT_EQ(render_with_draft(c.error), c.text);
  EXPECT_STREQ(HINT_LINE,
               "clippers: hint: in a non-interactive environment, pass --yes to approve without editing\n");
}

TEST(Failure, EditorErrorBecomesTheRunErrorOfTheSameName) {
  EXPECT_EQ(render_long(to_run_error(editor_error::EditorExited{7, "/d"})), "editor exited with code 7");
  EXPECT_EQ(render_long(to_run_error(editor_error::NeverOpened{12, "/d"})), "editor returned in 12" + kNeverOpened);
  EXPECT_TRUE(std::holds_alternative<run_error::NoEditor>(to_run_error(editor_error::NoEditor{})));
  const RunError io = to_run_error(editor_error::Io{IoError::from_errno(ENOENT)});
  ASSERT_TRUE(std::holds_alternative<run_error::Io>(io));
  EXPECT_TRUE(std::get<run_error::Io>(io).error.is_not_found());
}

}  // namespace
}  // namespace clippers
