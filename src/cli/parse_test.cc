#include "cli/parse.h"

#include <gtest/gtest.h>

#include "cli/help.h"

namespace clippers {
namespace {

std::string error_text(const std::vector<std::string>& args, bool styled = false) {
  const ParseResult result = parse_arguments(args);
  const auto* error = std::get_if<UsageError>(&result);
  if (error == nullptr) return "<no error>";
  return render_usage_error(*error, "clippers", styled);
}

struct Accepted {
  std::vector<std::string> args;
  std::optional<std::string> file;
  std::optional<std::string> context;
  bool yes;
};

TEST(ParseArguments, AcceptedCommandLines) {
  const Accepted cases[] = {
      {{}, {}, {}, false},
      {{"-"}, "-", {}, false},
      {{"--", "-x"}, "-x", {}, false},
      {{"--", "--yes"}, "--yes", {}, false},
      {{"--", "-/"}, "-/", {}, false},
      {{"--context="}, {}, "", false},
      {{"--context", ""}, {}, "", false},
      {{"--context=-x"}, {}, "-x", false},
      {{"--context", "-"}, {}, "-", false},
      {{"--context=a=b"}, {}, "a=b", false},
      {{"notes.txt", "--yes", "--context", "c\xc3\xa9"}, "notes.txt", "c\xc3\xa9", true},
      {{"\xff\xfe"}, "\xff\xfe", {}, false},
  };
  for (const Accepted& c : cases) {
    const ParseResult result = parse_arguments(c.args);
    const auto* cli = std::get_if<Cli>(&result);
    ASSERT_NE(cli, nullptr) << testing::PrintToString(c.args);
    EXPECT_EQ(cli->file, c.file) << testing::PrintToString(c.args);
    EXPECT_EQ(cli->context, c.context) << testing::PrintToString(c.args);
    EXPECT_EQ(cli->yes, c.yes) << testing::PrintToString(c.args);
  }
}

TEST(ParseArguments, FirstHelpOrVersionEndsParsing) {
  const std::pair<std::vector<std::string>, int> cases[] = {
      // 0 short help, 1 long help, 2 version
      {{"-h", "--bogus"}, 0}, {{"-hx"}, 0},        {{"--yes", "-h"}, 0}, {{"--help"}, 1},
      {{"a", "--help", "b"}, 1}, {{"-V"}, 2},      {{"--version"}, 2}, {{"-Vh"}, 2},
      {{"--context", "-", "-V"}, 2},
  };
  for (const auto& [args, expected] : cases) {
    const ParseResult result = parse_arguments(args);
    int got = -1;
    if (const auto* help = std::get_if<HelpRequest>(&result)) got = help->long_help ? 1 : 0;
    if (std::holds_alternative<VersionRequest>(result)) got = 2;
    EXPECT_EQ(got, expected) << testing::PrintToString(args);
  }
}

constexpr const char* MORE = "\nFor more information, try '--help'.\n";

std::string generic(const std::string& head) {
  return head + "\nUsage: clippers [OPTIONS] [FILE]\n" + MORE;
}

TEST(ParseArguments, UsageErrorTexts) {
  const std::string context_missing =
      std::string("error: a value is required for '--context <CONTEXT>' but none was supplied\n") +
      MORE;
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"--ye"}, "error: unexpected argument '--ye' found\n\n"
                 "  tip: a similar argument exists: '--yes'\n\nUsage: clippers --yes\n" +
                     std::string(MORE)},
      {{"notes.txt", "--ye"}, "error: unexpected argument '--ye' found\n\n"
                              "  tip: a similar argument exists: '--yes'\n\n"
                              "Usage: clippers --yes <FILE>\n" + std::string(MORE)},
      {{"--contxt=v"}, "error: unexpected argument '--contxt' found\n\n"
                       "  tip: a similar argument exists: '--context'\n\n"
                       "Usage: clippers --context <CONTEXT>\n" + std::string(MORE)},
      {{"--yes", "--context", "c", "f", "--ye"},
       "error: unexpected argument '--ye' found\n\n  tip: a similar argument exists: '--yes'\n\n"
       "Usage: clippers --yes --context <CONTEXT> <FILE>\n" + std::string(MORE)},
      {{"--verson"}, "error: unexpected argument '--verson' found\n\n"
                     "  tip: a similar argument exists: '--version'\n\n"
                     "Usage: clippers --version\n" + std::string(MORE)},
      {{"--zzz=1"}, generic("error: unexpected argument '--zzz' found\n\n"
                            "  tip: to pass '--zzz' as a value, use '-- --zzz'\n")},
      {{"f", "--zzz"}, "error: unexpected argument '--zzz' found\n\n"
                       "  tip: to pass '--zzz' as a value, use '-- --zzz'\n\n"
                       "Usage: clippers <FILE>\n" + std::string(MORE)},
      {{"--\xff"}, generic("error: unexpected argument '--\xef\xbf\xbd' found\n\n"
                           "  tip: to pass '--\xef\xbf\xbd' as a value, use '-- --\xef\xbf\xbd'\n")},
      {{"--bogus", "-h"}, generic("error: unexpected argument '--bogus' found\n\n"
                                  "  tip: to pass '--bogus' as a value, use '-- --bogus'\n")},
      {{"-y"}, generic("error: unexpected argument '-y' found\n\n"
                       "  tip: to pass '-y' as a value, use '-- -y'\n")},
      {{"-xh"}, generic("error: unexpected argument '-x' found\n\n"
                        "  tip: to pass '-x' as a value, use '-- -x'\n")},
      {{"-/"}, generic("error: unexpected argument '-/' found\n\n"
                       "  tip: to pass '-/' as a value, use '-- -/'\n")},
      {{"-\xc3\xa9h"}, generic("error: unexpected argument '-\xc3\xa9' found\n\n"
                               "  tip: to pass '-\xc3\xa9' as a value, use '-- -\xc3\xa9'\n")},
      {{"--context", "-x"}, generic("error: unexpected argument '-x' found\n\n"
                                    "  tip: to pass '-x' as a value, use '-- -x'\n")},
      {{"a", "b"}, generic("error: unexpected argument 'b' found\n")},
      {{"a", "--", "-b"}, generic("error: unexpected argument '-b' found\n")},
      {{"a", "\xff"}, generic("error: unexpected argument '\xef\xbf\xbd' found\n")},
      {{"--context"}, context_missing},
      {{"--context", "--yes"}, context_missing},
      {{"--context", "--"}, context_missing},
      {{"--context", "-h"}, context_missing},
      {{""}, std::string("error: a value is required for '[FILE]' but none was supplied\n") + MORE},
      {{"--yes=1"}, "error: unexpected value '1' for '--yes' found; no more were expected\n\n"
                    "Usage: clippers --yes\n" + std::string(MORE)},
      {{"f", "--help="}, "error: unexpected value '' for '--help' found; no more were expected\n\n"
                         "Usage: clippers --help <FILE>\n" + std::string(MORE)},
      {{"--yes", "--yes"}, generic("error: the argument '--yes' cannot be used multiple times\n")},
      {{"--context", "a", "--context=b"},
       generic("error: the argument '--context <CONTEXT>' cannot be used multiple times\n")},
      {{"--context", "\xff"}, generic("error: invalid UTF-8 was detected in one or more arguments\n")},
  };
  for (const auto& [args, expected] : cases) {
    EXPECT_EQ(error_text(args), expected) << testing::PrintToString(args);
  }
}

TEST(ParseArguments, StyledUsageErrors) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"--context", "c", "--ye"},
       "\x1b[1m\x1b[31merror:\x1b[0m unexpected argument '\x1b[33m--ye\x1b[0m' found\n\n"
       "  \x1b[32mtip:\x1b[0m a similar argument exists: '\x1b[32m--yes\x1b[0m'\n\n"
       "\x1b[1m\x1b[4mUsage:\x1b[0m \x1b[1mclippers\x1b[0m \x1b[1m--context\x1b[0m <CONTEXT> "
       "\x1b[1m--yes\x1b[0m\n\n"
       "For more information, try '\x1b[1m--help\x1b[0m'.\n"},
      {{"-y"},
       "\x1b[1m\x1b[31merror:\x1b[0m unexpected argument '\x1b[33m-y\x1b[0m' found\n\n"
       "  \x1b[32mtip:\x1b[0m to pass '\x1b[33m-y\x1b[0m' as a value, use '\x1b[32m-- -y\x1b[0m'\n\n"
       "\x1b[1m\x1b[4mUsage:\x1b[0m \x1b[1mclippers\x1b[0m [OPTIONS] [FILE]\n\n"
       "For more information, try '\x1b[1m--help\x1b[0m'.\n"},
      {{"--context"},
       "\x1b[1m\x1b[31merror:\x1b[0m a value is required for '\x1b[1m--context <CONTEXT>\x1b[0m' "
       "but none was supplied\n\nFor more information, try '\x1b[1m--help\x1b[0m'.\n"},
      {{"f", "--yes=1"},
       "\x1b[1m\x1b[31merror:\x1b[0m unexpected value '\x1b[33m1\x1b[0m' for '\x1b[1m--yes\x1b[0m' "
       "found; no more were expected\n\n"
       "\x1b[1m\x1b[4mUsage:\x1b[0m \x1b[1mclippers\x1b[0m \x1b[1m--yes\x1b[0m <FILE>\n\n"
       "For more information, try '\x1b[1m--help\x1b[0m'.\n"},
  };
  for (const auto& [args, expected] : cases) {
    EXPECT_EQ(error_text(args, true), expected) << testing::PrintToString(args);
  }
}

}  // namespace
}  // namespace clippers
