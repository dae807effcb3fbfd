// The editing runs end to end: each row runs the built binary with a scripted
// editor and states everything a user could see afterwards.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <algorithm>
#include <ctime>
#include <random>
#include <regex>

#include "process.h"

namespace clippers_test {
namespace {

std::string buffer_for(const std::string& draft, const char* context = nullptr) {
  std::string buffer = draft +
                       "\n\n# ------------------------ >8 ------------------------\n"
                       "# Do not modify or remove the line above.\n"
                       "# Everything below is context and will be stripped from the final content.\n"
                       "# Save and close the editor when done.\n"
                       "# Empty all content above this line to abort without submitting.\n";
  if (context != nullptr) buffer += std::string("#\n# Context: ") + context + "\n";
  return buffer;
}

const std::string kCut = "# ------------------------ >8 ------------------------";
const std::string kNoEditor =
    "clippers: no editor available ($VISUAL, $EDITOR unset and editor not found)\n"
    "clippers: hint: in a non-interactive environment, pass --yes to approve without editing\n";
const std::string kNeverOpened =
    "editor returned in {ms}ms without changes; it likely never opened. Causes: $EDITOR missing a "
    "wait flag (e.g. `code --wait`), a sandbox blocking the editor's IPC, or the binary not on PATH";
constexpr unsigned kNobody = 65534;
// An editor that writes which of its standard streams are terminals.
const std::string kWhichTerminal =
    "if [ -t 0 ]; then i=tty; else i=pipe; fi; if [ -t 1 ]; then o=tty; else o=pipe; fi\n"
    "if [ -t 2 ]; then e=tty; else e=pipe; fi; printf '%s %s %s' $i $o $e > \"$1\"";

struct Row {
  const char* name;
  std::vector<std::string> args;  // FILE mode rows name notes.txt, which holds `file`
  std::string input = "";
  std::string editor = "";        // sh body of the editor "{tools}/ed"; the draft path is "$1"
  std::vector<std::string> env = {"VISUAL={tools}/ed"};
  int status = 0;
  std::string out = "";
  // Standard error; {draft} is the path the editor was given, {work} {tools}
  // the directories, {os:N} an error's text, {ms} and {rand} any number and
  // any draft name.  A draft is left on disk exactly when the last line names it.
  std::string err = "";
  std::string file = "old\n";
  std::optional<std::string> file_after = std::nullopt;   // notes.txt afterwards
  std::optional<std::string> draft_after = std::nullopt;  // the kept draft file
  std::string setup = "";  // sh, in the work directory, before the run
  std::string check = "";  // sh, in the work directory, after the run; must succeed ($D is the draft)
  bool as_nobody = false;  // run as an unprivileged user (when the tests run as root)
  bool root_only = false;
  bool attacked = false;   // the editor plays an attacker who leaves directories of its own
  // Not run under CLIPPERS_TEST_WRAPPER: valgrind needs TMPDIR itself and
  // cannot report a failed spawn as such.
  bool unwrapped_only = false;
  unsigned long file_size_limit = 0;
  bool close_stdout = false;
  std::string stdout_path = "";
  bool controlling_terminal = false;
  bool ignore_sigchld = false;
  int open_fds = 0;
};

std::string os_error(int code) {
  return std::string(std::strerror(code)) + " (os error " + std::to_string(code) + ")";
}

std::string replace_all(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// The expected text as a regular expression: literal but for the {ms} and
// {rand} holes, with the known paths and error texts filled in.
std::regex pattern(const std::string& expected, const std::vector<std::pair<std::string, std::string>>& vars) {
  static const std::regex special(R"([.^$|()\[\]{}*+?\\])");
  std::string filled = expected;
  for (const auto& [name, value] : vars) filled = replace_all(filled, name, value);
  filled = std::regex_replace(filled, std::regex(R"(\{os:([0-9]+)\})"), "\x01$1\x02");
  std::string escaped = std::regex_replace(filled, special, R"(\$&)");
  escaped = replace_all(escaped, "\\{ms\\}", "[0-9]+");
  escaped = replace_all(escaped, "\\{rand\\}", "[A-Za-z0-9]{6}");
  std::smatch m;
  while (std::regex_search(escaped, m, std::regex("\x01([0-9]+)\x02"))) {
    const std::string text = std::regex_replace(os_error(std::stoi(m[1])), special, R"(\$&)");
    escaped.replace(static_cast<std::size_t>(m.position(0)), static_cast<std::size_t>(m.length(0)), text);
  }
  return std::regex(escaped);
}

int sh(const std::string& script, const std::string& dir, const std::string& draft = "") {
  const std::string command = "cd '" + dir + "' && D='" + draft + "' && " + script;
  return std::system(("/bin/sh -c '" + replace_all(command, "'", "'\\''") + "'").c_str());
}

// The draft directories on disk: in the work directory, one level below it, and in TMPDIR.
std::vector<std::string> drafts_left(const TempDir& work, const TempDir& tmp) {
  std::vector<std::string> found;
  std::vector<std::string> dirs = {work.path(), tmp.path()};
  for (const std::string& name : list_dir(work.path())) dirs.push_back(work.file(name));
  for (const std::string& dir : dirs) {
    for (const std::string& name : list_dir(dir)) {
      if (name.rfind(".clippers-", 0) == 0 || name.rfind("clippers-", 0) == 0) found.push_back(dir + "/" + name);
    }
  }
  return found;
}

void run_row(const Row& row) {
  SCOPED_TRACE(row.name);
  const bool root = geteuid() == 0;
  if (row.root_only && !root) {
    std::cout << "[ SKIPPED ] row \"" << row.name << "\": needs root to own files of another user\n";
    return;
  }
  if (row.unwrapped_only && std::getenv("CLIPPERS_TEST_WRAPPER") != nullptr) {
    std::cout << "[ SKIPPED ] row \"" << row.name << "\": not under a wrapper\n";
    return;
  }
  TempDir tools, work, tmp;
  const bool nobody = row.as_nobody && root;
  for (const TempDir* dir : {&tools, &work, &tmp}) chmod(dir->path().c_str(), 0777);
  write_file(tools.file("ed"),
             "#!/bin/sh\nfor a; do last=$a; done\nprintf %s \"$last\" > '" + tools.file("arg") + "'\n" +
                 row.editor + "\n",
             0755);
  write_file(work.file("notes.txt"), row.file);
  if (nobody) {
    for (const TempDir* dir : {&work, &tmp}) {
      ASSERT_EQ(chown(dir->path().c_str(), kNobody, kNobody), 0);
    }
    ASSERT_EQ(chown(work.file("notes.txt").c_str(), kNobody, kNobody), 0);
  }
  const std::vector<std::pair<std::string, std::string>> dirs = {
      {"{tools}", tools.path()}, {"{work}", work.path()}, {"{tmp}", tmp.path()}};
  const auto fill = [&](std::string text) {
    for (const auto& [name, value] : dirs) text = replace_all(text, name, value);
    return text;
  };
  if (!row.setup.empty()) {
    const int rc = sh(fill(row.setup), work.path());
    if (WIFEXITED(rc) && WEXITSTATUS(rc) == 77) {
      std::cout << "[ SKIPPED ] row \"" << row.name << "\": this machine cannot set it up\n";
      return;
    }
    ASSERT_EQ(rc, 0) << row.setup;
  }
  const std::vector<std::string> before = drafts_left(work, tmp);
  Invocation inv{.input = row.input, .cwd = work.path(), .close_stdout = row.close_stdout,
                 .stdout_path = row.stdout_path, .controlling_terminal = row.controlling_terminal,
                 .as_uid = nobody ? kNobody : 0, .file_size_limit = row.file_size_limit,
                 .ignore_sigchld = row.ignore_sigchld, .open_fds = row.open_fds};
  for (const std::string& arg : row.args) inv.args.push_back(arg);
  // The row's own variables come first: the first of two settings wins.
  for (const std::string& var : row.env) inv.env.push_back(fill(var));
  inv.env.push_back("TMPDIR=" + tmp.path());
  const Outcome r = run_clippers(inv);

  const std::string draft = read_file(tools.file("arg"));
  auto vars = dirs;
  vars.insert(vars.begin(), {"{draft}", draft});
  EXPECT_EQ(r.status, row.status);
  EXPECT_EQ(r.out, row.out);
  EXPECT_TRUE(std::regex_match(r.err, pattern(row.err, vars))) << "stderr: " << r.err;
  if (row.file_after) {
    EXPECT_EQ(read_file(work.file("notes.txt")), *row.file_after);
  }

  // A draft stays exactly when the last message names it ("editing" only announces it).
  const std::size_t newline = r.err.rfind('\n', r.err.size() >= 2 ? r.err.size() - 2 : 0);
  const std::string last_line = r.err.substr(newline == std::string::npos ? 0 : newline + 1);
  const bool named = !draft.empty() && last_line.find(draft) != std::string::npos &&
                     last_line.rfind("clippers: editing ", 0) != 0;
  if (!row.attacked) {
    std::vector<std::string> expected_left = before;
    if (named) expected_left.push_back(draft.substr(0, draft.rfind('/')));
    std::vector<std::string> left = drafts_left(work, tmp);
    std::sort(expected_left.begin(), expected_left.end());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, expected_left);
  }
  if (row.draft_after) {
    EXPECT_EQ(read_file(draft), *row.draft_after);
  }
  if (!row.check.empty()) {
    EXPECT_EQ(sh(fill(row.check), work.path(), draft), 0) << row.check;
  }
}

// Standard-input mode: the draft comes on standard input, the approved text leaves on standard output.
const Row kStdinRows[] = {
    {.name = "edit is printed; the editor gets its words and the draft path",
     .args = {"--context", "from a script"}, .input = "Hello\n\n",
     .editor = "printf '%s\\n' \"$#\" \"$1\" \"$2\" > argv; cp \"$2\" seen\n"
               "printf 'Edited line\\r\\nsecond \\n\\n\\n' > \"$2\"",
     .env = {"VISUAL={tools}/ed --wait"}, .out = "Edited line\nsecond\n",
     .check = "printf '2\\n--wait\\n%s\\n' \"$D\" | cmp -s - argv && printf '" +
              replace_all(buffer_for("Hello", "from a script"), "\n", "\\n") + "' | cmp -s - seen"},
    {.name = "abort keeps the draft", .input = "draft text\n", .editor = ": > \"$1\"", .status = 1,
     .err = "clippers: aborted; draft preserved at {draft}\n", .draft_after = ""},
    {.name = "non-zero exit keeps the draft", .input = "draft text\n", .editor = "exit 3", .status = 2,
     .err = "clippers: editor exited with code 3; draft at {draft}\n"},
    {.name = "killed editor keeps the draft", .input = "draft text\n", .editor = "kill -9 $$", .status = 2,
     .err = "clippers: editor exited with code -1; draft at {draft}\n"},
    {.name = "fast and untouched: never opened", .input = "Same text  \n", .editor = "exit 0", .status = 2,
     .err = "clippers: " + kNeverOpened + "; draft at {draft}\n", .draft_after = buffer_for("Same text  ")},
    {.name = "slow and untouched: approved", .input = "Same text  \n", .editor = "sleep 0.7",
     .out = "Same text\n"},
    {.name = "untouched CR LF draft is never opened, not approved", .input = "one\r\ntwo\r\n",
     .editor = "exit 0", .status = 2, .err = "clippers: " + kNeverOpened + "; draft at {draft}\n"},
    {.name = "untouched buffer cut by its context is never opened", .args = {"--context", "note\n" + kCut}, .input = "a",
     .editor = "exit 0", .status = 2, .err = "clippers: " + kNeverOpened + "; draft at {draft}\n"},
    {.name = "missing editor", .input = "draft\n", .env = {"VISUAL=/nonexistent/editor"}, .status = 2,
     .err = kNoEditor, .unwrapped_only = true},
    {.name = "empty editor name", .input = "draft\n", .env = {"VISUAL=''"}, .status = 2, .err = kNoEditor, .unwrapped_only = true},
    {.name = "unclosed quote", .input = "draft\n", .env = {"VISUAL=myedit 'unterminated"}, .status = 2,
     .err = "clippers: io error: missing closing quote\n"},
    {.name = "editor not executable", .input = "draft\n", .env = {"VISUAL={tools}/plain"}, .status = 2,
     .err = "clippers: io error: {os:13}\n", .setup = ": > {tools}/plain", .unwrapped_only = true},
    {.name = "draft removed by the editor", .input = "draft\n", .editor = "rm \"$1\"", .status = 2,
     .err = "clippers: io error: {os:2}\n"},
    {.name = "draft saved in Latin-1 is kept", .input = "draft\n", .editor = "printf 'caf\\351\\n' > \"$1\"",
     .status = 2, .err = "clippers: io error: stream did not contain valid UTF-8; your edited draft is kept at {draft}\n",
     .draft_after = "caf\xE9\n"},
    {.name = "link at the draft path is not followed", .input = "draft\n",
     .editor = "rm \"$1\"; ln -s \"$PWD/notes.txt\" \"$1\"; sleep 0.6", .status = 2,
     .err = "clippers: io error: not a regular file; your edited draft is kept at {draft}\n", .file_after = "old\n"},
    {.name = "FIFO at the draft path does not hang the run", .input = "draft\n",
     .editor = "rm \"$1\"; mkfifo \"$1\"", .status = 2,
     .err = "clippers: io error: not a regular file; your edited draft is kept at {draft}\n"},
    {.name = "bare editor names are looked up on PATH", .input = "x", .editor = "printf 'by editor' > \"$1\"",
     .env = {"PATH={tools}", "VISUAL=ed"}, .out = "by editor\n"},
    {.name = "no setting means vi, not on this PATH", .input = "x", .env = {"PATH={tools}"}, .status = 2,
     .err = kNoEditor, .unwrapped_only = true},
    {.name = "closed standard output keeps the approved draft", .input = "old",
     .editor = "printf 'new' > \"$1\"", .status = 2,
     .err = "clippers: failed to write stdout: {os:32}; draft preserved at {draft}\n", .draft_after = "new",
     .close_stdout = true},
    {.name = "standard output on a full disk keeps the approved draft", .input = "old",
     .editor = "printf 'new' > \"$1\"", .status = 2,
     .err = "clippers: failed to write stdout: {os:28}; draft preserved at {draft}\n", .draft_after = "new",
     .stdout_path = "/dev/full"},
    {.name = "a missing TMPDIR", .input = "draft", .env = {"VISUAL={tools}/ed", "TMPDIR={work}/missing"},
     .status = 2, .err = "clippers: io error: {os:2} at path \"{work}/missing/clippers-{rand}\"\n", .unwrapped_only = true},
    {.name = "a read-only TMPDIR", .input = "draft", .status = 2,
     .err = "clippers: io error: {os:13} at path \"{tmp}/clippers-{rand}\"\n", .setup = "chmod 555 {tmp}",
     .as_nobody = true, .unwrapped_only = true},
    {.name = "a crowded TMPDIR", .input = "draft", .editor = "printf 'fine' > \"$1\"", .out = "fine\n",
     .setup = "cd {tmp} && for a in A B C D E F G H; do for b in a b c d e f g h; do for c in 0 1 2 3 4 5 6 7; do "
              "mkdir clippers-$a$b$c$a$b$c; done; done; done"},
    {.name = "many descriptors already open", .input = "draft", .editor = "printf 'fine' > \"$1\"",
     .out = "fine\n", .open_fds = 1000},
    {.name = "the editor gets the controlling terminal instead of pipes", .input = "draft",
     .editor = kWhichTerminal,
     .out = "tty tty pipe\n", .controlling_terminal = true},
    {.name = "without a terminal the pipes are inherited", .input = "draft",
     .editor = kWhichTerminal,
     .out = "pipe pipe pipe\n"},
    {.name = "an interrupt reaches the editor alone", .input = "draft",
     .editor = "trap - INT\nkill -INT 0\nsleep 1", .status = 2,
     .err = "clippers: editor exited with code -1; draft at {draft}\n"},
    {.name = "an inherited ignored SIGCHLD does not break the wait", .input = "draft",
     .editor = "printf 'waited' > \"$1\"", .out = "waited\n", .ignore_sigchld = true},
    {.name = "SIGTERM is passed to the editor and the draft kept", .input = "draft",
     .editor = "kill -TERM $PPID; exec sleep 5", .status = 128 + 15,
     .err = "clippers: interrupted by signal 15; draft at {draft}\n", .draft_after = buffer_for("draft")},
    {.name = "SIGHUP is passed to the editor and the draft kept", .input = "draft",
     .editor = "kill -HUP $PPID; exec sleep 5", .status = 128 + 1,
     .err = "clippers: interrupted by signal 1; draft at {draft}\n"},
    {.name = "a draft over the file-size limit fails cleanly", .input = std::string(4096, 'x'),
     .editor = "exit 0", .status = 2, .err = "clippers: io error: {os:27}\n", .file_size_limit = 1024},
};

TEST(EditE2e, StandardInputMode) {
  for (const Row& row : kStdinRows) run_row(row);
}

const std::string kEditing = "clippers: editing {draft}\n";

// FILE mode: notes.txt is edited in place and replaced only by one rename.
const Row kFileRows[] = {
    {.name = "approved: LF line ends, final line feed and mode kept", .args = {"notes.txt", "--context", "ctx"},
     .editor = "cp \"$1\" seen; rm \"$1\"; cp seen \"$1\"; sleep 0.6", .err = kEditing,
     .file = "line one\r\nline two\n", .file_after = "line one\nline two\n", .setup = "chmod 600 notes.txt",
     .check = "[ \"$(stat -c %a notes.txt)\" = 600 ] && printf '" +
              replace_all(buffer_for("line one\r\nline two", "ctx"), "\n", "\\n") + "' | cmp -s - seen"},
    {.name = "abort", .args = {"notes.txt"}, .editor = ": > \"$1\"", .status = 1,
     .err = kEditing + "clippers: aborted; notes.txt left unchanged\n", .file_after = "old\n"},
    {.name = "non-zero exit", .args = {"notes.txt"}, .editor = "exit 3", .status = 2,
     .err = kEditing + "clippers: editor exited with code 3\n", .file_after = "old\n"},
    {.name = "killed editor keeps the draft", .args = {"notes.txt"}, .editor = "kill -9 $$", .status = 2,
     .err = kEditing + "clippers: editor exited with code -1; draft at {draft}\n", .file_after = "old\n"},
    {.name = "draft removed by the editor", .args = {"notes.txt"}, .editor = "rm \"$1\"", .status = 2,
     .err = kEditing + "clippers: io error: {os:2}\n", .file_after = "old\n"},
    {.name = "never opened", .args = {"notes.txt"}, .editor = "exit 0", .status = 2,
     .err = kEditing + "clippers: " + kNeverOpened + "\n", .file_after = "old\n"},
    {.name = "untouched CR LF file is never opened", .args = {"notes.txt"}, .editor = "exit 0", .status = 2,
     .err = kEditing + "clippers: " + kNeverOpened + "\n", .file = "a\r\nb\r\n", .file_after = "a\r\nb\r\n"},
    {.name = "a cut line in FILE is refused before any editor", .args = {"notes.txt"}, .editor = "touch ran",
     .status = 2, .err = "clippers: notes.txt already contains the clippers line (line 3); refusing to edit it "
                         "in place to avoid discarding content below it\n",
     .file = "a\r\n\n" + kCut + " \t\nb\n", .check = "[ ! -e ran ]"},
    {.name = "an indented cut line is text", .args = {"notes.txt"}, .editor = "printf 'ok' > \"$1\"",
     .err = kEditing, .file = " " + kCut + "\n", .file_after = "ok\n"},
    {.name = "missing FILE", .args = {"missing.txt"}, .editor = "touch ran", .status = 2,
     .err = "clippers: cannot read missing.txt: {os:2}\n", .check = "[ ! -e ran ] && [ ! -e missing.txt ]"},
    {.name = "FILE not UTF-8", .args = {"notes.txt"}, .status = 2,
     .err = "clippers: cannot read notes.txt: stream did not contain valid UTF-8\n", .file = "caf\xE9"},
    {.name = "FILE a directory", .args = {"."}, .status = 2, .err = "clippers: cannot read .: {os:21}\n"},
    {.name = "FILE a device", .args = {"/dev/null"}, .status = 2,
     .err = "clippers: cannot read /dev/null: not a regular file\n"},
    {.name = "FILE a FIFO", .args = {"fifo"}, .status = 2, .err = "clippers: cannot read fifo: not a regular file\n",
     .setup = "mkfifo fifo"},
    {.name = "missing editor: no hint", .args = {"notes.txt"}, .env = {"VISUAL=/nonexistent/editor"},
     .status = 2,
     .err = "clippers: editing {work}/.clippers-{rand}/COMMIT_EDITMSG\nclippers: no editor available ($VISUAL, $EDITOR unset and editor not found)\n",
     .unwrapped_only = true},
    {.name = "a link is edited beside its target and stays a link", .args = {"link.txt"},
     .editor = "printf 'new' > \"$1\"", .err = "clippers: editing {work}/x/.clippers-{rand}/COMMIT_EDITMSG\n",
     .setup = "mkdir x && printf old > x/real.txt && ln -s x/real.txt link.txt",
     .check = "[ \"$(cat x/real.txt)\" = new ] && [ \"$(readlink link.txt)\" = x/real.txt ]"},
    {.name = "FILE removed while editing comes back", .args = {"./notes.txt"},
     .editor = "rm notes.txt; printf 'back' > \"$1\"", .err = kEditing, .file_after = "back\n"},
    {.name = "changed while editing: not overwritten", .args = {"notes.txt"},
     .editor = "printf 'theirs\\n' > notes.txt; printf 'mine\\n' > \"$1\"", .status = 2,
     .err = kEditing + "clippers: notes.txt changed while it was being edited; your edited draft is kept at {draft}\n",
     .file_after = "theirs\n", .draft_after = "mine\n"},
    {.name = "replaced while editing: not overwritten", .args = {"notes.txt"},
     .editor = "printf 'old\\n' > other; mv other notes.txt; printf 'mine' > \"$1\"", .status = 2,
     .err = kEditing + "clippers: notes.txt changed while it was being edited; your edited draft is kept at {draft}\n",
     .file_after = "old\n", .draft_after = "mine\n"},
    {.name = "a link to another file at the draft path is not written through", .args = {"notes.txt"},
     .editor = "rm \"$1\"; ln -s \"$PWD/victim\" \"$1\"; sleep 0.6", .status = 2,
     .err = kEditing + "clippers: io error: not a regular file; your edited draft is kept at {draft}\n",
     .file_after = "old\n", .setup = "printf 'precious' > victim", .check = "[ \"$(cat victim)\" = precious ]"},
    {.name = "a link to FILE at the draft path does not empty it", .args = {"notes.txt"},
     .editor = "rm \"$1\"; ln -s \"$PWD/notes.txt\" \"$1\"", .status = 2,
     .err = kEditing + "clippers: io error: not a regular file; your edited draft is kept at {draft}\n",
     .file_after = "old\n"},
    {.name = "a hard link to FILE at the draft path: FILE replaced, not rewritten", .args = {"notes.txt"},
     .editor = "rm \"$1\"; ln twin \"$1\"; sleep 0.6", .err = kEditing, .file_after = "old\n",
     .setup = "ln notes.txt twin", .check = "printf 'old\\n' | cmp -s - twin"},
    {.name = "a directory at the draft path", .args = {"notes.txt"}, .editor = "rm \"$1\"; mkdir \"$1\"",
     .status = 2, .err = kEditing + "clippers: io error: not a regular file; your edited draft is kept at {draft}\n",
     .file_after = "old\n"},
    {.name = "a FIFO at the draft path", .args = {"notes.txt"}, .editor = "rm \"$1\"; mkfifo \"$1\"", .status = 2,
     .err = kEditing + "clippers: io error: not a regular file; your edited draft is kept at {draft}\n",
     .file_after = "old\n"},
    {.name = "a swapped draft directory is never written into", .args = {"notes.txt"},
     .editor = "d=$(dirname \"$1\"); mv \"$d\" \"$d.away\"; mkdir \"$d\"; ln -s \"$PWD/victim\" \"$1\"\n"
               "printf 'edited' > \"$d.away/COMMIT_EDITMSG\"; sleep 0.6",
     .err = kEditing, .file_after = "edited\n", .setup = "printf 'precious' > victim",
     .check = "[ \"$(cat victim)\" = precious ]", .attacked = true},
    {.name = "a draft saved in Latin-1 is kept", .args = {"notes.txt"}, .editor = "printf 'caf\\351' > \"$1\"",
     .status = 2,
     .err = kEditing + "clippers: io error: stream did not contain valid UTF-8; your edited draft is kept at {draft}\n",
     .file_after = "old\n", .draft_after = "caf\xE9"},
    {.name = "the rename fails: the draft holds the approved content", .args = {"notes.txt"},
     .editor = "chmod a-w .; printf 'approved' > \"$1\"", .status = 2,
     .err = kEditing + "clippers: failed to replace {work}/notes.txt: {os:13}; your edited draft is kept at {draft}\n",
     .file_after = "old\n", .draft_after = "approved\n", .as_nobody = true},
    {.name = "a FILE the user may not write is not replaced", .args = {"notes.txt"},
     .editor = "chmod u+w \"$1\"; printf 'mine' > \"$1\"", .status = 2,
     .err = kEditing + "clippers: io error: {os:13}; your edited draft is kept at {draft}\n",
     .file_after = "old\n", .draft_after = "mine", .setup = "chmod 444 notes.txt", .as_nobody = true},
    {.name = "another user's FILE in a shared directory is not replaced", .args = {"notes.txt"},
     .editor = "printf 'mine' > \"$1\"", .status = 2,
     .err = kEditing + "clippers: io error: {os:13}; your edited draft is kept at {draft}\n",
     .file_after = "old\n", .draft_after = "mine", .setup = "chown 0:0 notes.txt",
     .check = "[ \"$(stat -c %u notes.txt)\" = 0 ]", .as_nobody = true, .root_only = true},
    {.name = "root keeps another user's owner and set-user-ID", .args = {"notes.txt"},
     .editor = "rm \"$1\"; printf 'new' > \"$1\"", .err = kEditing, .file_after = "new\n",
     .setup = "chown 65534:65534 notes.txt && chmod 4750 notes.txt",
     .check = "[ \"$(stat -c %u:%g:%a notes.txt)\" = 65534:65534:4750 ]", .root_only = true},
    {.name = "a failed write keeps the user's draft whole", .args = {"notes.txt"},
     .editor = "ulimit -S -f unlimited; head -c 3000 /dev/zero | tr '\\0' x > \"$1\"", .status = 2,
     .err = kEditing + "clippers: io error: {os:27}; your edited draft is kept at {draft}\n",
     .file_after = "old\n", .draft_after = std::string(3000, 'x'),
     .check = "[ \"$(ls -A \"$(dirname \"$D\")\")\" = COMMIT_EDITMSG ]", .file_size_limit = 1024},
    {.name = "a read-only directory: no draft can be made", .args = {"notes.txt"}, .status = 2,
     .err = "clippers: cannot prepare the edit buffer in {work}: {os:13} at path \"{work}/.clippers-{rand}\"\n",
     .file_after = "old\n", .setup = "chmod 555 .", .as_nobody = true},
    {.name = "the disk fills while the approved content is written", .args = {"notes.txt"},
     .editor = "head -c 40000 /dev/zero | tr '\\0' x > \"$1\"", .status = 2,
     .err = "clippers: editing {work}/disk/.clippers-{rand}/COMMIT_EDITMSG\n"
            "clippers: io error: {os:28}; your edited draft is kept at {draft}\n",
     .file_after = "old\n", .draft_after = std::string(40000, 'x'),
     .setup = "mkdir disk && { mount -t tmpfs -o size=64k tmpfs disk 2>/dev/null || exit 77; } && "
              "printf 'old\\n' > disk/notes.txt && rm notes.txt && ln -s disk/notes.txt notes.txt",
     .check = "umount disk", .root_only = true},
    {.name = "SIGTERM keeps the draft", .args = {"notes.txt"}, .editor = "kill -TERM $PPID; exec sleep 5",
     .status = 128 + 15, .err = kEditing + "clippers: interrupted by signal 15; draft at {draft}\n",
     .file_after = "old\n"},
};

TEST(EditE2e, FileMode) {
  for (const Row& row : kFileRows) run_row(row);
}

// Every outcome in both modes, drawn at random: after each run the draft
// directories on disk are exactly those the messages named.  CLIPPERS_LONG=1
// draws 500 runs; CLIPPERS_SEED repeats a sequence.
TEST(EditE2e, RandomRunsLeaveOnlyTheDraftsTheyName) {
  std::vector<const Row*> rows;
  for (const Row& row : kStdinRows) rows.push_back(&row);
  for (const Row& row : kFileRows) rows.push_back(&row);
  const char* seed_text = std::getenv("CLIPPERS_SEED");
  const auto seed = seed_text != nullptr ? std::stoul(seed_text) : static_cast<unsigned long>(time(nullptr));
  std::cout << "CLIPPERS_SEED=" << seed << "\n";
  std::mt19937 random(static_cast<std::mt19937::result_type>(seed));
  const int runs = std::getenv("CLIPPERS_LONG") != nullptr ? 500 : 20;
  for (int i = 0; i < runs; ++i) run_row(*rows[random() % rows.size()]);
}

}  // namespace
}  // namespace clippers_test
