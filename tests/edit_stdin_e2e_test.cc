// The standard-input editing run, driven by scripted editors.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <regex>

#include "editor_script.h"
#include "process.h"

namespace clippers_test {
namespace {

const std::string kNoEditor =
    "clippers: no editor available ($VISUAL, $EDITOR unset and editor not found)\n"
    "clippers: hint: in a non-interactive environment, pass --yes to approve without editing\n";

class EditStdin : public ::testing::Test {
 protected:
  TempDir tools;  // editors and their notes
  TempDir tmp;    // TMPDIR: where the drafts go

  Outcome edit(const std::string& visual, const std::string& input,
               std::vector<std::string> args = {}) {
    return run_clippers({.args = std::move(args), .env = {"VISUAL=" + visual, "TMPDIR=" + tmp.path()},
                         .input = input});
  }
  std::vector<std::string> drafts() const { return entries_with_prefix(tmp.path(), "clippers-"); }
  // The draft file of the one draft directory left behind.
  std::string kept_draft() const {
    const auto left = drafts();
    return left.size() == 1 ? tmp.file(left[0]) + "/COMMIT_EDITMSG" : "";
  }
};

TEST_F(EditStdin, EditorSeesTheBufferAndItsWordsThenTheEditIsPrinted) {
  const std::string editor = make_editor(tools, "ed",
      "printf '%s\\n' \"$#\" \"$1\" \"$2\" > '" + tools.file("argv") + "'\n"
      "cp \"$2\" '" + tools.file("seen") + "'\n"
      "printf 'Edited line\\r\\nsecond \\n\\n\\n' > \"$2\"\nsleep 0");
  const Outcome r = edit(editor + " --wait", "Hello\n\n", {"--context", "from a script"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "Edited line\nsecond\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(read_file(tools.file("seen")), buffer_for("Hello", "from a script"));
  const std::string argv = read_file(tools.file("argv"));
  EXPECT_TRUE(std::regex_match(argv, std::regex("2\n--wait\n" + tmp.path() +
                                                "/clippers-[A-Za-z0-9]{6}/COMMIT_EDITMSG\n")))
      << argv;
  EXPECT_TRUE(drafts().empty());
}

TEST_F(EditStdin, OutcomesThatKeepTheDraftNameIt) {
  const struct {
    const char* body;
    int status;
    std::string message;  // after "clippers: ", before the draft path
    std::string suffix;   // after the draft path
  } cases[] = {
      {": > \"$1\"", 1, "aborted; draft preserved at ", ""},
      {"exit 3", 2, "editor exited with code 3; draft at ", ""},
      {"kill -9 $$", 2, "editor exited with code -1; draft at ", ""},
  };
  for (const auto& c : cases) {
    TempDir fresh;
    const Outcome r = run_clippers({.env = {"VISUAL=" + make_editor(tools, "ed", c.body), "TMPDIR=" + fresh.path()},
                                    .input = "draft text\n"});
    const auto left = entries_with_prefix(fresh.path(), "clippers-");
    ASSERT_EQ(left.size(), 1u) << c.body;
    const std::string draft = fresh.file(left[0]) + "/COMMIT_EDITMSG";
    EXPECT_EQ(r.status, c.status) << c.body;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "clippers: " + c.message + draft + c.suffix + "\n");
  }
}

TEST_F(EditStdin, UntouchedDraftIsNeverOpenedWhenFastAndApprovedWhenSlow) {
  const Outcome fast = edit(make_editor(tools, "fast", "exit 0"), "Same text  \n");
  EXPECT_EQ(fast.status, 2);
  const std::string draft = kept_draft();
  ASSERT_FALSE(draft.empty());
  EXPECT_TRUE(std::regex_match(
      fast.err, std::regex("clippers: editor returned in [0-9]{1,3}ms without changes; it likely never "
                           "opened\\. Causes: \\$EDITOR missing a wait flag \\(e\\.g\\. `code --wait`\\), a "
                           "sandbox blocking the editor's IPC, or the binary not on PATH; draft at " +
                           draft + "\n")))
      << fast.err;
  EXPECT_EQ(read_file(draft), buffer_for("Same text  "));

  TempDir other;
  const Outcome slow = run_clippers({.env = {"VISUAL=" + make_editor(tools, "slow", "sleep 0.7"),
                                             "TMPDIR=" + other.path()},
                                     .input = "Same text  \n"});
  EXPECT_EQ(slow.status, 0);
  EXPECT_EQ(slow.out, "Same text\n");
  EXPECT_TRUE(list_dir(other.path()).empty());

}

TEST_F(EditStdin, FailuresBeforeOrAroundTheEditorLeaveNoDraft) {
  const std::string not_executable = tools.file("plain");
  write_file(not_executable, "#!/bin/sh\n", 0644);
  const struct {
    std::string visual;
    std::string err;
  } cases[] = {
      {"/nonexistent/editor", kNoEditor},
      {"''", kNoEditor},
      {"myedit 'unterminated", "clippers: io error: missing closing quote\n"},
      {not_executable, "clippers: io error: " + std::string(std::strerror(EACCES)) + " (os error 13)\n"},
      {make_editor(tools, "rm", "rm \"$1\""),
       "clippers: io error: " + std::string(std::strerror(ENOENT)) + " (os error 2)\n"},
      {make_editor(tools, "latin1", "printf 'caf\\351\\n' > \"$1\""),
       "clippers: io error: stream did not contain valid UTF-8\n"},
  };
  for (const auto& c : cases) {
    const Outcome r = edit(c.visual, "draft\n");
    EXPECT_EQ(r.status, 2) << c.visual;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, c.err) << c.visual;
    EXPECT_TRUE(drafts().empty()) << c.visual;
  }
}

TEST_F(EditStdin, BareEditorNamesAreLookedUpOnPath) {
  make_editor(tools, "ed", "printf 'by editor' > \"$1\"");
  // Neither variable set means vi; a PATH holding only the editor's directory
  // finds neither vi nor a mistyped name.
  const struct {
    std::string visual;
    int status;
    std::string out, err;
  } cases[] = {{"ed", 0, "by editor\n", ""}, {"", 2, "", kNoEditor}, {"no-such-editor --wait", 2, "", kNoEditor}};
  for (const auto& c : cases) {
    std::vector<std::string> env = {"PATH=" + tools.path(), "TMPDIR=" + tmp.path()};
    if (!c.visual.empty()) env.push_back("VISUAL=" + c.visual);
    const Outcome r = run_clippers({.env = env, .input = "x"});
    EXPECT_EQ(r.status, c.status) << c.visual;
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, c.err);
  }
  EXPECT_TRUE(drafts().empty());
}

TEST_F(EditStdin, UnwritableOutputKeepsTheApprovedDraft) {
  const Outcome r = run_clippers({.env = {"VISUAL=" + make_editor(tools, "ed", "printf 'new' > \"$1\""),
                                          "TMPDIR=" + tmp.path()},
                                  .input = "old",
                                  .close_stdout = true});
  EXPECT_EQ(r.status, 2);
  const std::string draft = kept_draft();
  ASSERT_FALSE(draft.empty());
  EXPECT_EQ(r.err, "clippers: failed to write stdout: " + std::string(std::strerror(EPIPE)) +
                       " (os error 32); draft preserved at " + draft + "\n");
  EXPECT_EQ(read_file(draft), "new");
}

TEST_F(EditStdin, EditorGetsTheControllingTerminalInsteadOfPipes) {
  const std::string editor = make_editor(tools, "ed",
      "if [ -t 0 ]; then i=tty; else i=pipe; fi\n"
      "if [ -t 1 ]; then o=tty; else o=pipe; fi\n"
      "if [ -t 2 ]; then e=tty; else e=pipe; fi\n"
      "printf '%s %s %s' $i $o $e > \"$1\"");
  for (const bool terminal : {true, false}) {
    const Outcome r = run_clippers({.env = {"VISUAL=" + editor, "TMPDIR=" + tmp.path()},
                                    .input = "draft",
                                    .controlling_terminal = terminal});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, terminal ? "tty tty pipe\n" : "pipe pipe pipe\n");
  }
}

TEST_F(EditStdin, InterruptReachesTheEditorAlone) {
  // The editor sends SIGINT to its whole process group, the tool included, as a
  // terminal would; the tool survives it and reports the editor's death.
  const Outcome r = edit(make_editor(tools, "ed", "trap - INT\nkill -INT 0\nsleep 1"), "draft");
  EXPECT_EQ(r.status, 2);
  const std::string draft = kept_draft();
  ASSERT_FALSE(draft.empty());
  EXPECT_EQ(r.err, "clippers: editor exited with code -1; draft at " + draft + "\n");
}

}  // namespace
}  // namespace clippers_test
