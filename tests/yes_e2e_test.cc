// --yes, which approves without an editor.
#include <gtest/gtest.h>

#include "row.h"

// The tables below are laid out one row to a line or two, the way they are
// read; clang-format would break every row into a column of fields.
// clang-format off
namespace clippers_test {
namespace {

const std::string kWithNul = std::string(150000, 'x') + '\0' + std::string(150000, 'y');

// --yes approves standard input (trailing white space removed) or checks FILE, never writing it.
const Row kYesRows[] = {
    {.name = "trailing white space goes, a context is ignored", .args = {"--context", "c", "--yes"}, .input = "a\n\n  \n", .out = "a\n"},
    {.name = "empty input: one line feed", .args = {"--yes"}, .out = "\n"},
    {.name = "leading white space and inner CR LF stay", .args = {"--yes", "-"}, .input = "  lead\r\nx \t\n\r\n", .out = "  lead\r\nx\n"},
    {.name = "large input with a NUL byte passes whole", .args = {"--yes"}, .input = kWithNul + "\n\n", .out = kWithNul + "\n"},
    {.name = "non-blocking pipes in and out", .args = {"--yes"}, .input = std::string(1 << 20, 'x'), .out = std::string(1 << 20, 'x') + "\n",
     .start = {.wrapper = kNonblocking}},
    {.name = "full standard output", .args = {"--yes"}, .input = "hello", .status = 2,
     .err = "clippers: failed to write stdout: {os:28}\n", .start = {.wrapper = sh_start("exec \"$@\" >/dev/full")}},
    {.name = "FILE approved as it is", .args = {"notes.txt", "--context", "x", "--yes"}, .input = "not read"},
    {.name = "a file named - by a path", .args = {"--yes", "./-"}, .input = "not read", .setup = "printf x > ./-"},
    {.name = "FILE a directory", .args = {"--yes", "."}, .status = 2, .err = "clippers: cannot read .: {os:21}\n"},
    {.name = "FILE a device, read like cat", .args = {"--yes", "/dev/null"}, .status = 1,
     .err = "clippers: /dev/null is empty; nothing to approve\n"},
    {.name = "FILE a FIFO, read like cat", .args = {"--yes", "fifo"},
     .setup = "mkfifo fifo && (timeout 10 sh -c 'printf \"fed\\n\" > fifo' &)"},
    {.name = "a surrogate across the second chunk of a pipe", .args = {"--yes"},
     .input = std::string(65535, 'a') + "\xED\xA0\x80", .status = 2,
     .err = "clippers: failed to read stdin: stream did not contain valid UTF-8\n"},
    {.name = "standard input a regular file", .args = {"--yes"}, .out = " from a file\n",
     .setup = "printf ' from a file \\343\\200\\200\\n\\n' > in", .start = {.wrapper = sh_start("exec \"$@\" <in")}},
    {.name = "a draft typed at the terminal: a line says how to end it", .args = {"--yes", "-"}, .input = "typed\n", .out = "typed\n",
     .err = "clippers: reading the draft from standard input (end it with Ctrl-D)\n", .start = {.controlling_terminal = true, .stdin_terminal = true}},
    {.name = "an endless FILE that is not UTF-8 is refused at once", .args = {"--yes", "/dev/urandom"}, .status = 2,
     .err = "clippers: cannot read /dev/urandom: stream did not contain valid UTF-8\n", .start = {.kill_after_ms = 10000}},
    {.name = "an endless standard input that is not UTF-8 is refused at once", .args = {"--yes"}, .status = 2,
     .err = "clippers: failed to read stdin: stream did not contain valid UTF-8\n",
     .start = {.kill_after_ms = 10000, .wrapper = sh_start("exec \"$@\" </dev/urandom")}},
    {.name = "FILE named in invalid UTF-8: a stray byte, a surrogate, an overlong form, a value above U+10FFFF",
     .args = {"--yes", "gone\xFF\xED\xA0\x80\xC0\xAF\xF4\x90\x80\x80.txt"}, .status = 2,
     .err = "clippers: cannot read gone\ufffd" "\ufffd\ufffd\ufffd" "\ufffd\ufffd" "\ufffd\ufffd\ufffd\ufffd.txt: {os:2}\n"},
    {.name = "--json", .args = {"--yes", "--json"}, .input = "a \n",
     .json = R"(has(outcome="approved", content="a", changed=False, draft=None, message=None, elapsed_ms=None))"},
    {.name = "--json: a C1 control split across the chunks of a pipe is escaped", .args = {"--yes", "--json"}, .input = std::string(65535, 'a') + "\xC2\x9F",
     .json = R"(d["content"] == "a" * 65535 + "\x9f" and t.count("\\u009f") == 1)"},
    {.name = "--json, a blank FILE", .args = {"--yes", "--json", "notes.txt"}, .status = 1,
     .err = "clippers: notes.txt is empty; nothing to approve\n", .file = " \n", .json = R"(has(reason="empty-input", file="notes.txt", content=None))"},
    {.name = "--check refuses", .args = {"--yes", "--check", "sh -c 'echo nope; echo more; exit 4'"}, .input = "x", .status = 2,
     .err = "clippers: check failed (exit 4): nope\n"},
    {.name = "--check ended by a signal, its output one byte", .args = {"--yes", "--check", "sh -c 'printf x; kill -TERM $$'"}, .input = "x",
     .status = 2, .err = "clippers: check failed (exit 143): x\n"},
    {.name = "--check lets the input through", .args = {"--yes", "--check", "grep -qx x"}, .input = "x \n", .out = "x\n"},
    // The check's output is captured, so the moment is counted from the start.
    {.name = "--check: a cancel is passed on to the check", .args = {"--yes", "--check", "sleep 30"}, .input = "x",
     .status = 128 + 15, .err = "clippers: interrupted by signal 15\n", .unwrapped_only = true,
     .start = {.kill_after_ms = 1500, .kill_signal = 15, .give_up_after_ms = 20000}},
};

ROWS(Yes, kYesRows);
ROWS(StdinNames, each(std::vector<std::string>{"-", "-/", "-//", "-/.", "-/./"}, [](const std::string& file) {
       return Row{.name = spelled(file), .args = {"--yes", "--", file}, .input = "in", .out = "in\n"};
     }));
ROWS(FileNames, each(std::vector<std::string>{"./-", "/-", "-/-", "--", "-x"}, [](const std::string& file) {
       return Row{.name = spelled(file), .args = {"--yes", "--", file}, .input = "in", .status = 2, .err = "clippers: cannot read " + file + ": {os:2}\n"};
     }));

}  // namespace
}  // namespace clippers_test
// clang-format on
