// --yes in both modes, mode selection and the reading of standard input and FILE.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "process.h"

namespace clippers_test {
namespace {

std::string os_error(int code) {
  return std::string(std::strerror(code)) + " (os error " + std::to_string(code) + ")";
}

TEST(YesE2e, StandardInputComesBackWithoutTrailingWhiteSpace) {
  // Around 64 KiB, where reading a pipe moves on to a second chunk.
  const std::string pipe_chunk(65535, 'a');
  const struct {
    std::vector<std::string> args;
    std::string input;
    std::string out;
    bool regular_file = false;  // standard input is a file holding `input`, not a pipe
  } cases[] = {
      {{"--yes"}, "a\n\n  \n", "a\n"},
      {{"--yes"}, "", "\n"},
      {{"--yes"}, " \t\n\r\n", "\n"},
      {{"--yes", "-"}, "  lead kept\r\nx \xE3\x80\x80\n", "  lead kept\r\nx\n"},
      {{"--yes", "--", "-/"}, "dash slash", "dash slash\n"},
      {{"--context", "ignored", "--yes"}, "text\n", "text\n"},
      {{"--yes"}, std::string("nul\0byte\n", 9), std::string("nul\0byte\n", 9)},
      {{"--yes"}, pipe_chunk + "\xE3\x80\x80\n", pipe_chunk + "\n"},
      {{"--yes"}, pipe_chunk + "\xE4\xB8\xAD \n", pipe_chunk + "\xE4\xB8\xAD\n"},
      {{"--yes"}, " from a file \xE3\x80\x80\n\n", " from a file\n", true},
      {{"--yes"}, "", "\n", true},
  };
  TempDir dir;
  for (const auto& c : cases) {
    Invocation invocation{.args = c.args, .input = c.input};
    if (c.regular_file) {
      invocation = {.args = c.args, .stdin_path = dir.file("input.txt")};
      write_file(invocation.stdin_path, c.input);
    }
    const Outcome r = run_clippers(invocation);
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
    // The last one straddles the point where reading a pipe moves to a second chunk.
    for (const std::string& input : {std::string("ok\xFF"), std::string("\xC0\xAF"), std::string("\xED\xA0\x80"),
                                     std::string("cut \xE2\x82"), std::string(65535, 'a') + "\xED\xA0\x80"}) {
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

// Opens the FIFO `path` for writing once a reader has it open (giving up
// after ten seconds), writes `text` and closes it.
void feed_fifo(const std::string& path, const std::string& text) {
  for (int tries = 0; tries < 10000; ++tries) {
    const int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0) {
      fcntl(fd, F_SETFL, 0);
      EXPECT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
      close(fd);
      return;
    }
    usleep(1000);
  }
  ADD_FAILURE() << "nobody opened " << path;
}

TEST(YesE2e, FileIsCheckedButNeverWritten) {
  TempDir dir;
  ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0600), 0);
  write_file(dir.file("notes.txt"), "keep me\n\n", 0640);
  write_file(dir.file("blank.txt"), " \n\t\n");
  write_file(dir.file("empty.txt"), "");
  write_file(dir.file("-"), "a file named dash");
  write_file(dir.file("latin1.txt"), "caf\xE9");
  const struct {
    std::vector<std::string> args;
    int status;
    std::string err;
    const char* fifo_text = nullptr;  // written into "fifo" while the tool runs
  } cases[] = {
      {{"--yes", "notes.txt"}, 0, ""},
      {{"notes.txt", "--context", "x", "--yes"}, 0, ""},
      {{"--yes", "./-"}, 0, ""},
      {{"--yes", "blank.txt"}, 1, "clippers: blank.txt is empty; nothing to approve\n"},
      {{"--yes", dir.file("empty.txt")}, 1, "clippers: " + dir.file("empty.txt") + " is empty; nothing to approve\n"},
      {{"--yes", "missing.txt"}, 2, "clippers: cannot read missing.txt: " + os_error(ENOENT) + "\n"},
      {{"--yes", "."}, 2, "clippers: cannot read .: " + os_error(EISDIR) + "\n"},
      {{"--yes", "latin1.txt"}, 2, "clippers: cannot read latin1.txt: stream did not contain valid UTF-8\n"},
      {{"--yes", "/dev/null"}, 1, "clippers: /dev/null is empty; nothing to approve\n"},
      {{"--yes", "fifo"}, 0, "", "through a fifo\n"},
      {{"--yes", "fifo"}, 1, "clippers: fifo is empty; nothing to approve\n", " \n"},
      {{"--yes", "fifo"}, 2, "clippers: cannot read fifo: stream did not contain valid UTF-8\n", "\xFF"},
      {{"--yes", "gone\xFF.txt"}, 2, "clippers: cannot read gone\xEF\xBF\xBD.txt: " + os_error(ENOENT) + "\n"},
  };
  for (const auto& c : cases) {
    std::thread writer;
    if (c.fifo_text != nullptr) writer = std::thread(feed_fifo, dir.file("fifo"), c.fifo_text);
    const Outcome r = run_clippers({.args = c.args, .cwd = dir.path()});
    if (writer.joinable()) writer.join();
    EXPECT_EQ(r.status, c.status) << c.args[1];
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, c.err);
  }
  EXPECT_EQ(read_file(dir.file("notes.txt")), "keep me\n\n");
  struct stat st;
  ASSERT_EQ(stat(dir.file("notes.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(list_dir(dir.path()),
            (std::vector<std::string>{"-", "blank.txt", "empty.txt", "fifo", "latin1.txt", "notes.txt"}));
}

}  // namespace
}  // namespace clippers_test
