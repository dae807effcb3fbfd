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

#include "process.h"

// clang-format off
namespace clippers_test {

inline const std::string kCut = "# ------------------------ >8 ------------------------";
inline constexpr unsigned kNobody = 65534;
// Every White_Space character.
inline const std::vector<std::string> kSpaces = {
    "\t", "\n", "\v", "\f", "\r", " ", "\u0085", "\u00a0", "\u1680", "\u2000", "\u2001", "\u2002", "\u2003",
    "\u2004", "\u2005", "\u2006", "\u2007", "\u2008", "\u2009", "\u200a", "\u2028", "\u2029", "\u202f", "\u205f", "\u3000"};

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

// Runs the row and checks everything it names, and that the draft
// directories left on disk are exactly those a message names.
void run_row(const Row& row);

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

// Standard input and output non-blocking pipes.
inline const std::vector<std::string> kNonblocking =
    py_start("for fd in 0, 1: fcntl.fcntl(fd, fcntl.F_SETFL, fcntl.fcntl(fd, fcntl.F_GETFL) | os.O_NONBLOCK)");
// Standard output a pipe whose reader is gone.
inline const std::vector<std::string> kNoReader = py_start("os.dup2(os.pipe()[1], 1)");

// A path with its punctuation spelled out, as a row's name.
inline std::string spelled(const std::string& path) {
  std::string name;
  for (const char c : path) name += c == '-' ? " dash " : c == '/' ? " slash " : c == '.' ? " dot " : std::string(1, c);
  return name;
}

class E2e : public testing::TestWithParam<Row> {};
inline void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }
// The row's name in the characters a test name may hold, numbered when an earlier row of the table has it too.
std::string test_name(const testing::TestParamInfo<Row>& row);
#define ROWS(table_name, ...) INSTANTIATE_TEST_SUITE_P(table_name, E2e, testing::ValuesIn(__VA_ARGS__), test_name)

}  // namespace clippers_test
// clang-format on
