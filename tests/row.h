#pragma once
// One run of the built binary as a row of a table: command line,
// environment, standard input and a scripted editor, and everything a user
// could see afterwards (status, standard output and error, FILE, the drafts).
// Each *_e2e_test.cc is a few such tables; every row is a test of its own,
// named after the table and the row:
//
//   const Row kRows[] = {{.name = "...", .input = "x", .editor = "...", .out = "..."}};
//   ROWS(Some, kRows);  // Some/E2e.Row/the_row_s_name

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

// clang-format off
namespace clippers_test {

inline const std::string kCut = "# ------------------------ >8 ------------------------";
inline constexpr unsigned kNobody = 65534;

// The conditions the tool starts under, beyond arguments, environment and
// input: it always runs in a session of its own, standard input a pipe fed
// the row's input, standard output a pipe and standard error a file.
struct Start {
  // A new pseudo-terminal as the session's controlling terminal (the
  // streams stay as they are); without it, the tool has none.
  bool controlling_terminal = false;
  // With controlling_terminal: standard input is that terminal, the input
  // typed at it (it should end with a line feed) and then Ctrl-D.
  bool stdin_terminal = false;
  unsigned as_uid = 0;                    // when the tests run as root: run as this user and group
  unsigned also_in_group = 0;             // with as_uid: a supplementary group too
  double kill_after_ms = 0;               // when set: `kill_signal` this long after the start, if still running
  bool kill_after_output = false;         // the time counts from the first output on standard error instead
  int kill_signal = 9;                    // SIGKILL
  double give_up_after_ms = 0;            // when set: SIGKILL this long after the start, if still running
  std::vector<std::string> wrapper = {};  // the tool runs under this command; CLIPPERS_TEST_WRAPPER's comes after it
};

struct Row {
  std::string name;
  std::vector<std::string> args;  // FILE-mode rows name notes.txt, which holds `file`
  std::string input = "";
  std::string editor = "";        // sh body of the editor {tools}/ed: "$1" is the draft, $C the cut line
  std::vector<std::string> env = {"VISUAL={tools}/ed"};
  int status = 0;
  // Standard output and error as patterns: {work} {tools} {tmp} are the row's
  // directories, {draft} the path the editor got, {os:N} an error's text;
  // {ms} {rand} {line} {plain} {any} stand for a number, a draft name, the rest
  // of a line, any text without escapes, anything.  A draft stays on disk
  // exactly when the last line of standard error names it.
  std::string out = "";
  std::string err = "";
  std::string seen = "";  // when set: the buffer the editor got; {notes} are the four instruction lines
  std::string file = "old\n";
  std::optional<std::string> file_after = std::nullopt;   // notes.txt afterwards, when not `file`
  std::optional<std::string> draft_after = std::nullopt;  // the kept draft file
  std::string setup = "";  // sh in the work directory before the run; status 77 skips the row
  std::string check = "";  // sh in the work directory after the run, must succeed; $D is the draft
  // When set: standard output is one line holding one JSON object, `d` to this Python expression, which must hold.
  std::string json = "";
  std::string argv0 = "clippers";
  bool root_only = false;
  bool attacked = false;   // the editor leaves directories of its own
  bool unread = false;     // the editor never reads the draft (a person's editor always does)
  // Not under CLIPPERS_TEST_WRAPPER: valgrind needs TMPDIR, cannot report a failed spawn as such, and
  // keeps a closed standard error for its own log.
  bool unwrapped_only = false;
  Start start = {};
};

// The tool started through sh or Python code that sets up what it inherits
// (`"$@"` and `tool` are its command line), Python under `under` if given.
inline std::vector<std::string> sh_start(const std::string& script) { return {"/bin/sh", "-c", script, "sh"}; }
std::vector<std::string> py_start(const std::string& code, std::vector<std::string> under = {});

// A row for each entry of a table that only names what differs.
template <class Table, class Make>
std::vector<Row> each(const Table& table, Make make) {
  std::vector<Row> rows;
  for (const auto& entry : table) rows.push_back(make(entry));
  return rows;
}

// Standard input and output non-blocking pipes; the input reaches the tool
// through a pipe that holds nothing for its first 0.1 s.
inline const std::vector<std::string> kNonblocking = py_start(
    "r, w = os.pipe()\n"
    "if os.fork() == 0:\n"
    "  try:\n"
    "    os.close(1); os.close(2); time.sleep(0.1)\n"
    "    while data := os.read(0, 65536): os.write(w, data)\n"
    "  finally: os._exit(0)\n"
    "os.close(w); os.dup2(r, 0)\n"
    "for fd in 0, 1: fcntl.fcntl(fd, fcntl.F_SETFL, fcntl.fcntl(fd, fcntl.F_GETFL) | os.O_NONBLOCK)");
// Standard output a pipe whose reader is gone.
inline const std::vector<std::string> kNoReader = py_start("os.dup2(os.pipe()[1], 1)");

// A path with its punctuation spelled out, as a row's name.
inline std::string spelled(const std::string& path) {
  std::string name;
  for (const char c : path) name += c == '-' ? " dash " : c == '/' ? " slash " : c == '.' ? " dot " : std::string(1, c);
  return name;
}

// Runs the row and checks everything it names, and that the draft
// directories left on disk are exactly those a message names.
class E2e : public testing::TestWithParam<Row> {};
inline void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }
// The row's name in the characters a test name may hold, numbered when an earlier row of the table has it too.
std::string test_name(const testing::TestParamInfo<Row>& row);
#define ROWS(table_name, ...) INSTANTIATE_TEST_SUITE_P(table_name, E2e, testing::ValuesIn(__VA_ARGS__), test_name)

}  // namespace clippers_test
// clang-format on
