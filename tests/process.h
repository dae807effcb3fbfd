#pragma once
// Runs the built clippers binary as a child process: standard input a pipe fed
// from a string, standard output a pipe and standard error a file, both
// captured, the exit status kept.

#include <string>
#include <vector>

namespace clippers_test {

struct Outcome {
  int status = -1;              // exit status, or 128 + signal number
  double first_output_ms = -1;  // with kill_after_output: when standard error first held something
  std::string out;
  std::string err;
};

// The conditions the tool starts under, beyond arguments, environment and
// input; anything else a row sets up through its wrapper.
struct Start {
  // The tool always runs in a session of its own.  With this set, a new
  // pseudo-terminal is that session's controlling terminal (the standard
  // streams stay as they are); without it, the tool has no controlling terminal.
  bool controlling_terminal = false;
  // With controlling_terminal: standard input is that terminal too, the input
  // typed at it (it should end with a line feed) and then Ctrl-D.
  bool stdin_terminal = false;
  unsigned as_uid = 0;                    // when the tests run as root: run as this user and group
  unsigned also_in_group = 0;             // with as_uid: a supplementary group too
  double kill_after_ms = 0;               // when set: `kill_signal` this long after the start, if still running
  bool kill_after_output = false;         // the time counts from the first output on standard error instead
  int kill_signal = 9;                    // SIGKILL
  double give_up_after_ms = 0;            // when set: SIGKILL this long after the start, if still running
  std::vector<std::string> wrapper = {};  // the tool runs under this command (e.g. in a PID namespace)
};

struct Invocation {
  std::vector<std::string> argv;  // argv[0] first
  std::vector<std::string> env;   // "NAME=value"; only PATH is inherited, when not given here
  std::string input;              // written to standard input, then closed
  std::string cwd;                // empty: the test's own working directory
  std::string binary = CLIPPERS_BINARY;
  Start start;
};

Outcome run_clippers(const Invocation& invocation);

// A fresh directory under the system temporary directory (its resolved path),
// removed with everything in it when the object goes away.
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
