// The in-place editing run, driven by scripted editors.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <regex>

#include "editor_script.h"
#include "process.h"

namespace clippers_test {
namespace {

mode_t mode_of(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

class EditInPlace : public ::testing::Test {
 protected:
  TempDir tools;
  TempDir work;  // holds FILE; the tool runs here

  Outcome edit(const std::string& body, const std::vector<std::string>& args) {
    return run_clippers({.args = args, .env = {"VISUAL=" + make_editor(tools, "ed", body)}, .cwd = work.path()});
  }
  // "clippers: editing <draft>" as printed for a draft directory in `dir`.
  static std::regex editing_line(const std::string& dir) {
    return std::regex("clippers: editing " + dir + "/\\.clippers-[A-Za-z0-9]{6}/COMMIT_EDITMSG\n");
  }
};

TEST_F(EditInPlace, ApprovedEditReplacesFileKeepingItsMode) {
  write_file(work.file("notes.txt"), "line one\r\nline two\n", 0600);
  const Outcome r = edit("cp \"$1\" '" + tools.file("seen") + "'\nsleep 0.6", {"notes.txt", "--context", "ctx"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_TRUE(std::regex_match(r.err, editing_line(work.path()))) << r.err;
  EXPECT_EQ(read_file(tools.file("seen")), buffer_for("line one\r\nline two", "ctx"));
  // Untouched but slow: approved as it stood, with LF line ends and no final line feed.
  EXPECT_EQ(read_file(work.file("notes.txt")), "line one\nline two");
  EXPECT_EQ(mode_of(work.file("notes.txt")), 0600u);
  EXPECT_EQ(list_dir(work.path()), std::vector<std::string>{"notes.txt"});
}

TEST_F(EditInPlace, OutcomesWithoutApprovalLeaveFileAndNoDraft) {
  const struct {
    const char* body;
    int status;
    std::string last_line;
  } cases[] = {
      {": > \"$1\"", 1, "clippers: aborted; notes.txt left unchanged\n"},
      {"exit 3", 2, "clippers: editor exited with code 3\n"},
      {"rm \"$1\"", 2, "clippers: io error: " + std::string(std::strerror(ENOENT)) + " (os error 2)\n"},
  };
  for (const auto& c : cases) {
    write_file(work.file("notes.txt"), "keep\n");
    const Outcome r = edit(c.body, {"notes.txt"});
    EXPECT_EQ(r.status, c.status) << c.body;
    const std::size_t split = r.err.find('\n') + 1;
    EXPECT_TRUE(std::regex_match(r.err.substr(0, split), editing_line(work.path()))) << r.err;
    EXPECT_EQ(r.err.substr(split), c.last_line);
    EXPECT_EQ(read_file(work.file("notes.txt")), "keep\n");
    EXPECT_EQ(list_dir(work.path()), std::vector<std::string>{"notes.txt"});
  }
  // Fast and untouched: the editor most likely never opened.
  const Outcome never = edit("exit 0", {"notes.txt"});
  EXPECT_EQ(never.status, 2);
  EXPECT_NE(never.err.find("clippers: editor returned in "), std::string::npos);
  EXPECT_EQ(never.err.find("draft at"), std::string::npos);
  EXPECT_EQ(list_dir(work.path()), std::vector<std::string>{"notes.txt"});
}

TEST_F(EditInPlace, RefusalsHappenBeforeAnyDraftOrEditor) {
  write_file(work.file("cut.md"), "a\r\n\n# ------------------------ >8 ------------------------ \t\nb\n");
  write_file(work.file("indented.md"), " # ------------------------ >8 ------------------------\n");
  write_file(work.file("latin1.txt"), "caf\xE9");
  const std::string marker = tools.file("ran");
  const struct {
    std::string file;
    std::string err;
  } cases[] = {
      {"cut.md", "clippers: cut.md already contains the clippers line (line 3); refusing to edit it in "
                 "place to avoid discarding content below it\n"},
      {"missing.txt", "clippers: cannot read missing.txt: " + std::string(std::strerror(ENOENT)) + " (os error 2)\n"},
      {"latin1.txt", "clippers: cannot read latin1.txt: stream did not contain valid UTF-8\n"},
      {".", "clippers: cannot read .: " + std::string(std::strerror(EISDIR)) + " (os error 21)\n"},
      {"/dev/null", "clippers: cannot read /dev/null: not a regular file\n"},
  };
  for (const auto& c : cases) {
    const Outcome r = edit("touch '" + marker + "'", {c.file});
    EXPECT_EQ(r.status, 2) << c.file;
    EXPECT_EQ(r.err, c.err);
  }
  EXPECT_EQ(access(marker.c_str(), F_OK), -1) << "the editor must not have run";
  EXPECT_EQ(list_dir(work.path()), (std::vector<std::string>{"cut.md", "indented.md", "latin1.txt"}));

  // An indented cut line is ordinary text: the edit goes ahead.
  const Outcome indented = edit("printf 'ok' > \"$1\"", {"indented.md"});
  EXPECT_EQ(indented.status, 0);
  EXPECT_EQ(read_file(work.file("indented.md")), "ok");
}

TEST_F(EditInPlace, NoEditorIsReportedWithoutTheHint) {
  write_file(work.file("notes.txt"), "keep");
  const Outcome r = run_clippers({.args = {"notes.txt"}, .env = {"VISUAL=/nonexistent/editor"}, .cwd = work.path()});
  EXPECT_EQ(r.status, 2);
  const std::size_t split = r.err.find('\n') + 1;
  EXPECT_TRUE(std::regex_match(r.err.substr(0, split), editing_line(work.path())));
  EXPECT_EQ(r.err.substr(split), "clippers: no editor available ($VISUAL, $EDITOR unset and editor not found)\n");
  EXPECT_EQ(list_dir(work.path()), std::vector<std::string>{"notes.txt"});
}

TEST_F(EditInPlace, SymbolicLinkEditsItsTargetBesideTheTarget) {
  TempDir elsewhere;
  write_file(elsewhere.file("real.txt"), "old");
  ASSERT_EQ(symlink(elsewhere.file("real.txt").c_str(), work.file("link.txt").c_str()), 0);
  const Outcome r = edit("dirname \"$1\" > '" + tools.file("where") + "'\nprintf 'new' > \"$1\"", {"link.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(std::regex_match(r.err, editing_line(elsewhere.path()))) << r.err;
  EXPECT_EQ(read_file(elsewhere.file("real.txt")), "new");
  char target[4096] = {};
  ASSERT_GT(readlink(work.file("link.txt").c_str(), target, sizeof target - 1), 0);
  EXPECT_EQ(std::string(target), elsewhere.file("real.txt"));
  EXPECT_EQ(list_dir(elsewhere.path()), std::vector<std::string>{"real.txt"});
}

TEST_F(EditInPlace, FailedRenameKeepsTheApprovedContent) {
  write_file(work.file("notes.txt"), "old");
  // While the editor runs, FILE becomes a non-empty directory: nothing can be renamed over it.
  const Outcome r = edit("rm notes.txt && mkdir -p notes.txt/inside\nprintf 'approved' > \"$1\"", {"notes.txt"});
  EXPECT_EQ(r.status, 2);
  const auto left = entries_with_prefix(work.path(), ".clippers-");
  ASSERT_EQ(left.size(), 1u);
  const std::string draft = work.file(left[0]) + "/COMMIT_EDITMSG";
  EXPECT_EQ(r.err.substr(r.err.find('\n') + 1),
            "clippers: failed to replace " + work.file("notes.txt") + ": " + std::strerror(EISDIR) +
                " (os error 21); your edited draft is kept at " + draft + "\n");
  EXPECT_EQ(read_file(draft), "approved");
}

TEST_F(EditInPlace, FileRemovedWhileEditingComesBackApproved) {
  write_file(work.file("notes.txt"), "old");
  const Outcome r = edit("rm notes.txt\nprintf 'back' > \"$1\"", {"./notes.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(read_file(work.file("notes.txt")), "back");
}

TEST_F(EditInPlace, UnwritableDraftKeepsTheEdits) {
  if (geteuid() == 0) GTEST_SKIP() << "permission bits do not stop root";
  write_file(work.file("ro.txt"), "old", 0444);
  const Outcome r = edit("chmod u+w \"$1\" && printf 'mine' > \"$1\" && chmod 0444 \"$1\"", {"ro.txt"});
  EXPECT_EQ(r.status, 2);
  const auto left = entries_with_prefix(work.path(), ".clippers-");
  ASSERT_EQ(left.size(), 1u);
  const std::string draft = work.file(left[0]) + "/COMMIT_EDITMSG";
  EXPECT_EQ(r.err.substr(r.err.find('\n') + 1), "clippers: io error: " + std::string(std::strerror(EACCES)) +
                                                    " (os error 13); your edited draft is kept at " + draft + "\n");
  EXPECT_EQ(read_file(work.file("ro.txt")), "old");
}

}  // namespace
}  // namespace clippers_test
