#pragma once
// One run of the built binary as a row of a table: command line,
// environment, standard input and a scripted editor, and everything a user
// could see afterwards (status, standard output and error, FILE, the drafts).
// Each *_e2e_test.cc is a few such tables, each run by one test:
//
//   const Row kRows[] = {{.name = "...", .input = "x", .editor = "...", .out = "..."}};
//   TEST(SomeE2e, Behaviour) { for (const Row& row : kRows) run_row(row); }

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

}  // namespace clippers_test
// clang-format on
