// --yes in both modes, mode selection and the reading of standard input and FILE.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "process.h"

namespace clippers_test {
namespace {

std::string os_error(int code) {
  return std::string(std::strerror(code)) + " (os error " + std::to_string(code) + ")";
}

TEST(YesE2e, StandardInputComesBackWithoutTrailingWhiteSpace) {
  const struct {
    std::vector<std::string> args;
    std::string input;
    std::string out;
  } cases[] = {
      {{"--yes"}, "a\n\n  \n", "a\n"},
      {{"--yes"}, "", "\n"},
      {{"--yes"}, " \t\n\r\n", "\n"},
      {{"--yes", "-"}, "  lead kept\r\nx \xE3\x80\x80\n", "  lead kept\r\nx\n"},
      {{"--yes", "--", "-/"}, "dash slash", "dash slash\n"},
      {{"--context", "ignored", "--yes"}, "text\n", "text\n"},
      {{"--yes"}, std::string("nul\0byte\n", 9), std::string("nul\0byte\n", 9)},
  };
  for (const auto& c : cases) {
    const Outcome r = run_clippers({.args = c.args, .input = c.input});
    EXPECT_EQ(r.status, 0) << c.input;
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, "");
  }
}

TEST(YesE2e, LargeInputPassesThroughWhole) {
  std::string input(8 << 20, 'x');
  for (std::size_t i = 80; i < input.size(); i += 81) input[i] = '\n';
  input += "\n\n\n";
  const Outcome r = run_clippers({.args = {"--yes"}, .input = input});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.size(), input.size() - 3 + 1);
  EXPECT_EQ(r.out.compare(0, r.out.size() - 1, input, 0, input.size() - 3), 0);
}

TEST(YesE2e, StandardInputThatIsNotUtf8FailsWithOrWithoutYes) {
  for (const auto& args : {std::vector<std::string>{"--yes"}, std::vector<std::string>{}}) {
    for (const std::string input : {"ok\xFF", "\xC0\xAF", "\xED\xA0\x80", "cut \xE2\x82"}) {
      const Outcome r = run_clippers({.args = args, .input = input});
      EXPECT_EQ(r.status, 2);
      EXPECT_EQ(r.out, "");
      EXPECT_EQ(r.err, "clippers: failed to read stdin: stream did not contain valid UTF-8\n");
    }
  }
}

TEST(YesE2e, UnwritableStandardOutputIsAFailure) {
  const Outcome closed = run_clippers({.args = {"--yes"}, .input = "hello", .close_stdout = true});
  EXPECT_EQ(closed.status, 2);
  EXPECT_EQ(closed.err, "clippers: failed to write stdout: " + os_error(EPIPE) + "\n");

  const Outcome full = run_clippers({.args = {"--yes"}, .input = "hello", .stdout_path = "/dev/full"});
  EXPECT_EQ(full.status, 2);
  EXPECT_EQ(full.err, "clippers: failed to write stdout: " + os_error(ENOSPC) + "\n");
}

TEST(YesE2e, FileIsCheckedButNeverWritten) {
  TempDir dir;
  write_file(dir.file("notes.txt"), "keep me\n\n", 0640);
  write_file(dir.file("blank.txt"), " \n\t\n");
  write_file(dir.file("empty.txt"), "");
  write_file(dir.file("-"), "a file named dash");
  write_file(dir.file("latin1.txt"), "caf\xE9");
  const struct {
    std::vector<std::string> args;
    int status;
    std::string err;
  } cases[] = {
      {{"--yes", "notes.txt"}, 0, ""},
      {{"notes.txt", "--context", "x", "--yes"}, 0, ""},
      {{"--yes", "./-"}, 0, ""},
      {{"--yes", "blank.txt"}, 1, "clippers: blank.txt is empty; nothing to approve\n"},
      {{"--yes", dir.file("empty.txt")}, 1, "clippers: " + dir.file("empty.txt") + " is empty; nothing to approve\n"},
      {{"--yes", "missing.txt"}, 2, "clippers: cannot read missing.txt: " + os_error(ENOENT) + "\n"},
      {{"--yes", "."}, 2, "clippers: cannot read .: " + os_error(EISDIR) + "\n"},
      {{"--yes", "latin1.txt"}, 2, "clippers: cannot read latin1.txt: stream did not contain valid UTF-8\n"},
      {{"--yes", "/dev/zero"}, 2, "clippers: cannot read /dev/zero: not a regular file\n"},
      {{"--yes", "gone\xFF.txt"}, 2, "clippers: cannot read gone\xEF\xBF\xBD.txt: " + os_error(ENOENT) + "\n"},
  };
  for (const auto& c : cases) {
    const Outcome r = run_clippers({.args = c.args, .cwd = dir.path()});
    EXPECT_EQ(r.status, c.status) << c.args[1];
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, c.err);
  }
  EXPECT_EQ(read_file(dir.file("notes.txt")), "keep me\n\n");
  struct stat st;
  ASSERT_EQ(stat(dir.file("notes.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(list_dir(dir.path()),
            (std::vector<std::string>{"-", "blank.txt", "empty.txt", "latin1.txt", "notes.txt"}));
}

}  // namespace
}  // namespace clippers_test
