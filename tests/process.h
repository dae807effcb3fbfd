#pragma once
// Runs the built clippers binary as a child process, feeding standard input
// and capturing standard output, standard error and the exit status.

#include <optional>
#include <string>
#include <vector>

namespace clippers_test {

struct Outcome {
  int status = -1;  // exit status, or 128 + signal number
  std::string out;
  std::string err;
};

struct Invocation {
  std::vector<std::string> args;  // after argv[0]
  std::vector<std::string> env;   // "NAME=value"; nothing else is inherited but PATH
  std::string input;              // written to standard input, then closed
  std::string stdin_path;         // when set, standard input is this file instead of `input`
  std::string cwd;                // empty: the test's own working directory
  std::string argv0 = "clippers";
  bool close_stdout = false;      // start with standard output a pipe whose reader is gone
  std::string stdout_path;        // when set, standard output is this file instead of a pipe
  // The tool always runs in a session of its own.  With this set, a new
  // pseudo-terminal is that session's controlling terminal (while the standard
  // streams stay pipes); without it, the tool has no controlling terminal.
  bool controlling_terminal = false;
  unsigned as_uid = 0;                 // when set (and the test runs as root): run as this user and group
  unsigned long file_size_limit = 0;   // when set: the soft RLIMIT_FSIZE, in bytes
  bool ignore_sigchld = false;         // start the tool with SIGCHLD ignored, as some callers do
  int open_fds = 0;                    // start the tool with this many more descriptors open
};

Outcome run_clippers(const Invocation& invocation);

// A fresh directory under the system temporary directory, removed with everything in it
// when the object goes away.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& data, int mode = 0644);
// Names in `dir` (without "." and ".."), sorted.
std::vector<std::string> list_dir(const std::string& dir);

}  // namespace clippers_test
