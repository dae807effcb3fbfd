#include "cli/help.h"

#include <gtest/gtest.h>

namespace clippers {
namespace {

constexpr const char* SHORT_HELP =
    "Editor-based content approval, git-commit style\n"
    "\n"
    "Usage: cl [OPTIONS] [FILE]\n"
    "\n"
    "Arguments:\n"
    "  [FILE]  File to edit in place. The caller owns it: clippers never creates or deletes it. "
    "Use `-` (or omit) to read the draft from stdin instead\n"
    "\n"
    "Options:\n"
    "      --context <CONTEXT>  Optional context shown as a footer comment in the editor buffer\n"
    "      --yes                Approve the input as-is without opening an editor (for "
    "non-interactive use, e.g. CI). Fail-closed: without this flag, a missing editor is an error\n"
    "  -h, --help               Print help (see more with '--help')\n"
    "  -V, --version            Print version\n";

constexpr const char* LONG_HELP =
    "Editor-based content approval, git-commit style.\n"
    "\n"
    "With a FILE argument, edits it in place. Without it (or with `-`), reads the draft from "
    "stdin and prints the approved content (everything above the clippers line) to stdout.\n"
    "\n"
    "Usage: cl [OPTIONS] [FILE]\n"
    "\n"
    "Arguments:\n"
    "  [FILE]\n"
    "          File to edit in place. The caller owns it: clippers never creates or deletes it. "
    "Use `-` (or omit) to read the draft from stdin instead\n"
    "\n"
    "Options:\n"
    "      --context <CONTEXT>\n"
    "          Optional context shown as a footer comment in the editor buffer\n"
    "\n"
    "      --yes\n"
    "          Approve the input as-is without opening an editor (for non-interactive use, e.g. "
    "CI). Fail-closed: without this flag, a missing editor is an error\n"
    "\n"
    "  -h, --help\n"
    "          Print help (see a summary with '-h')\n"
    "\n"
    "  -V, --version\n"
    "          Print version\n";

TEST(Help, PlainTexts) {
  EXPECT_EQ(render_short_help("cl", false), SHORT_HELP);
  EXPECT_EQ(render_long_help("cl", false), LONG_HELP);
  EXPECT_EQ(render_version(), "clippers 0.2.0\n");
}

// Styling adds escapes around headings, the program name and option names
// only; removing the escapes gives back the plain text.
TEST(Help, StyledSpans) {
  const std::string styled = render_short_help("cl", true);
  for (const char* span : {
           "\x1b[1m\x1b[4mUsage:\x1b[0m \x1b[1mcl\x1b[0m [OPTIONS] [FILE]\n",
           "\x1b[1m\x1b[4mArguments:\x1b[0m\n  [FILE]  File",
           "\x1b[1m\x1b[4mOptions:\x1b[0m\n",
           "\n      \x1b[1m--context\x1b[0m <CONTEXT>  Optional",
           "\n      \x1b[1m--yes\x1b[0m                Approve",
           "\n  \x1b[1m-h\x1b[0m, \x1b[1m--help\x1b[0m               Print help",
           "\n  \x1b[1m-V\x1b[0m, \x1b[1m--version\x1b[0m            Print version\n",
       }) {
    EXPECT_NE(styled.find(span), std::string::npos) << span;
  }
  for (const std::string& text : {styled, render_long_help("cl", true)}) {
    std::string stripped;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\x1b') {
        i = text.find('m', i);
      } else {
        stripped += text[i];
      }
    }
    EXPECT_TRUE(stripped == SHORT_HELP || stripped == LONG_HELP) << stripped;
  }
  EXPECT_NE(render_long_help("cl", true).find("\n  \x1b[1m-h\x1b[0m, \x1b[1m--help\x1b[0m\n"),
            std::string::npos);
}

}  // namespace
}  // namespace clippers
