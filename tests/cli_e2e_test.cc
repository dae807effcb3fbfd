// Help, version and usage errors, named after argv[0].
#include <gtest/gtest.h>

#include "row.h"

// The tables below are laid out one row to a line or two, the way they are
// read; clang-format would break every row into a column of fields.
// clang-format off
namespace clippers_test {
namespace {

// Help and version: standard output, status 0, named after argv[0] (the version
// line after the command), styled only when asked.  Usage errors: standard
// error, status 2.
std::string usage_error(const std::string& error, const std::string& tip = "", const std::string& usage = "") {
  return "error: " + error + "\n" + (tip.empty() ? "" : "\n  tip: " + tip + "\n") +
         (usage.empty() ? "" : "\nUsage: " + usage + "\n") + "\nFor more information{line}\n";
}
std::string unexpected(const std::string& arg, const std::string& tip, const std::string& usage) {
  return usage_error("unexpected argument '" + arg + "' found", tip, usage);
}
std::string as_value(const std::string& arg) { return "to pass '" + arg + "' as a value, use '-- " + arg + "'"; }
std::string similar(const std::string& option) { return "a similar argument exists: '" + option + "'"; }
const std::string kGeneric = "clippers [OPTIONS] [FILE]";
const std::string kNoContext = usage_error("a value is required for '--context <CONTEXT>' but none was supplied");
const std::string kYes26 = "--yes" + std::string(26, 'x'), kYes27 = kYes26 + "x";  // close to --yes, and exactly 0.7
std::string invalid(const std::string& value, const std::string& option, const std::string& reason) {
  return usage_error("invalid value '" + value + "' for '" + option + "': " + reason, "", kGeneric);
}
std::string bad_duration(const std::string& value) {
  return invalid(value, "--timeout <DURATION>", "expected a whole number of seconds, or one followed by s, m or h, from 1 second to 7 days");
}
std::string bad_suffix(const std::string& value) { return invalid(value, "--suffix <SUFFIX>", "expected 1 to 32 bytes without '/'"); }
const std::string kE16 = [] { std::string e; for (int i = 0; i < 16; ++i) e += "\u00e9"; return e; }();  // 16 characters, 32 bytes

const std::pair<std::vector<std::string>, std::string> kUsageErrors[] = {
    {{"notes.txt", "--ye"}, unexpected("--ye", similar("--yes"), "clippers --yes <FILE>")},
    {{"--yes", "--context", "c", "f", "--contxt=v"},
     unexpected("--contxt", similar("--context"), "clippers --yes --context <CONTEXT> <FILE>")},
    {{"--verson"}, unexpected("--verson", similar("--version"), "clippers --version")},
    {{kYes26}, unexpected(kYes26, similar("--yes"), "clippers --yes")},
    {{kYes27}, unexpected(kYes27, as_value(kYes27), kGeneric)},
    {{"--ey"}, unexpected("--ey", as_value("--ey"), kGeneric)},  // a transposition outside the window
    // l and e match help's out of order: (2/3 + 2/4 + (2 - 1)/2) / 3 = 0.56; without the transposition 0.72.
    {{"--ple"}, unexpected("--ple", as_value("--ple"), kGeneric)},
    // Three matched characters out of place are one transposition: context scores 0.838 over timeout's 0.790 (as two, 0.771).
    {{"--cteot"}, unexpected("--cteot", similar("--context"), "clippers --context <CONTEXT>")},
    // A stray continuation byte is one character: (2/3 + 2/3 + 2/2) / 3 against "yes".
    {{"--\x80" "es"}, unexpected("--\ufffdes", similar("--yes"), "clippers --yes")},
    {{"f", "--zzz=1"}, unexpected("--zzz", as_value("--zzz"), "clippers <FILE>")},
    {{"--bogus", "-h"}, unexpected("--bogus", as_value("--bogus"), kGeneric)},
    {{"-xh"}, unexpected("-x", as_value("-x"), kGeneric)},
    {{"-\u00e9h"}, unexpected("-\u00e9", as_value("-\u00e9"), kGeneric)}, {{"-\x80h"}, unexpected("-\ufffd", as_value("-\ufffd"), kGeneric)},
    {{"--context", "-x"}, unexpected("-x", as_value("-x"), kGeneric)},
    {{"a", "b"}, unexpected("b", "", kGeneric)},
    {{"a", "--", "-b"}, unexpected("-b", "", kGeneric)},
    {{"a", "\xff"}, unexpected("\ufffd", "", kGeneric)}, {{"a", "\x1b[2Kb\r"}, unexpected("\\x1b[2Kb\\x0d", "", kGeneric)},
    {{"--context"}, kNoContext}, {{"--context", "--yes"}, kNoContext}, {{"--context", "-h"}, kNoContext}, {{"--context", "--"}, kNoContext},
    {{""}, usage_error("a value is required for '[FILE]' but none was supplied")},
    {{"--yes=1"}, usage_error("unexpected value '1' for '--yes' found; no more were expected", "", "clippers --yes")},
    {{"f", "--help="}, usage_error("unexpected value '' for '--help' found; no more were expected", "", "clippers --help <FILE>")},
    {{"--yes", "--yes"}, usage_error("the argument '--yes' cannot be used multiple times", "", kGeneric)},
    {{"--context", "a", "--context=b"}, usage_error("the argument '--context <CONTEXT>' cannot be used multiple times", "", kGeneric)},
    {{"--context", "\xff"}, usage_error("invalid UTF-8 was detected in one or more arguments", "", kGeneric)},
    {{"--check", "a", "--check=a"}, usage_error("the argument '--check <COMMAND>' cannot be used multiple times", "", kGeneric)},
    {{"--timeout", "0"}, bad_duration("0")}, {{"--timeout=7d"}, bad_duration("7d")}, {{"--timeout", "1.5h"}, bad_duration("1.5h")},
    {{"--timeout", "604801"}, bad_duration("604801")}, {{"--timeout", "10081m"}, bad_duration("10081m")},
    {{"--timeout", "+90s"}, bad_duration("+90s")}, {{"--timeout="}, bad_duration("")},
    {{"--timeout", "18446744073709551676"}, bad_duration("18446744073709551676")},  // 2^64 + 60
    {{"--suffix", kE16 + "x"}, bad_suffix(kE16 + "x")}, {{"--suffix", "a/b"}, bad_suffix("a/b")}, {{"--suffix="}, bad_suffix("")},
    {{"--suffix", "a/\xff"}, usage_error("invalid UTF-8 was detected in one or more arguments", "", kGeneric)},
    {{"--check", "lint 'x"}, invalid("lint 'x", "--check <COMMAND>", "missing closing quote")},
    {{"--check", "a \"b"}, invalid("a \"b", "--check <COMMAND>", "missing closing quote")},
    {{"--check", " \u00a0"}, invalid(" \u00a0", "--check <COMMAND>", "expected a command")},
    {{"--check=# none"}, invalid("# none", "--check <COMMAND>", "expected a command")},
};

const Row kCliRows[] = {
    {.name = "short help, which ends parsing", .args = {"--yes", "-h", "--bogus"}, .out = "{plain}\nUsage: cl {plain}\n  -h, --help {plain}",
     .argv0 = "/bin/cl"},
    {.name = "long help", .args = {"a", "--help", "b"}, .out = "{plain}\nUsage: cl {plain}\n  -h, --help\n{plain}", .argv0 = "cl"},
    {.name = "styled help when forced", .args = {"-hx"}, .env = {"CLICOLOR_FORCE=1"},
     .out = "{any}\x1b[1m\x1b[4mUsage:\x1b[0m \x1b[1mcl\x1b[0m [OPTIONS] [FILE]\n{any}", .argv0 = "cl"},
    {.name = "accepted values", .args = {"--timeout", "604800", "--suffix", ".md", "--check", "true", "--json", "--require-save", "-h"},
     .out = "{plain}\nUsage: clippers {plain}"},
    {.name = "accepted values", .args = {"--timeout", "168h", "-h"}, .out = "{plain}\nUsage: clippers {plain}"},
    {.name = "accepted values", .args = {"--timeout", "604800s", "-h"}, .out = "{plain}\nUsage: clippers {plain}"},
    {.name = "accepted values", .args = {"--timeout=10080m", "--suffix", kE16, "--check=\"a b\" 'c'", "-h"}, .out = "{plain}\nUsage: clippers {plain}"},
    {.name = "version: one line, the command's own name", .args = {"--context", "-", "-Vh"}, .out = "clippers {line}\n", .argv0 = "cl"},
    {.name = "styled errors when forced; an empty NO_COLOR is none", .args = {"-y"}, .env = {"NO_COLOR=", "CLICOLOR_FORCE=1"},
     .status = 2, .err = "\x1b[1m\x1b[31merror:\x1b[0m unexpected argument '\x1b[33m-y\x1b[0m' found\n{any}"},
    {.name = "styled invalid value", .args = {"--suffix=/"}, .env = {"CLICOLOR_FORCE=1"}, .status = 2,
     .err = "\x1b[1m\x1b[31merror:\x1b[0m invalid value '\x1b[33m/\x1b[0m' for '\x1b[1m--suffix <SUFFIX>\x1b[0m': expected 1 to 32 bytes without '/'\n{any}"},
};

const std::pair<std::string, std::string> kProgramNames[] = {
    {"/usr/local/bin/cl", "cl"}, {"./bin/cl/", "cl"}, {"bin//cl//", "cl"}, {"bin/cl/.", "cl"}, {"bin/c\u00e9", "c\u00e9"},
    {"/", "clippers"}, {"", "clippers"}, {"..", "clippers"}, {"bin/..", "clippers"}, {"bin/\xff", "clippers"}};

ROWS(Cli, kCliRows);
ROWS(UsageErrors, each(kUsageErrors, [](const auto& e) {
       std::string name;
       for (const std::string& arg : e.first) name += " " + arg;
       return Row{.name = name, .args = e.first, .status = 2, .err = e.second};
     }));
ROWS(ProgramNames, each(kProgramNames, [](const auto& e) {
       return Row{.name = "named " + spelled(e.first), .args = {"a", "b"}, .status = 2,
                  .err = "{plain}\nUsage: " + e.second + " [OPTIONS] [FILE]\n{plain}", .argv0 = e.first};
     }));

}  // namespace
}  // namespace clippers_test
// clang-format on
