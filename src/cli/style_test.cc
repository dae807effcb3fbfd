#include "cli/style.h"

#include <gtest/gtest.h>

namespace clippers {
namespace {

TEST(Style, SpansGetEscapeAndResetOnlyWhenStyled) {
  const std::pair<Style, const char*> cases[] = {
      {Style::Plain, "x"},
      {Style::Heading, "\x1b[1m\x1b[4mx\x1b[0m"},
      {Style::Error, "\x1b[1m\x1b[31mx\x1b[0m"},
      {Style::Literal, "\x1b[1mx\x1b[0m"},
      {Style::Valid, "\x1b[32mx\x1b[0m"},
      {Style::Invalid, "\x1b[33mx\x1b[0m"},
  };
  for (const auto& [style, expected] : cases) {
    std::string on, off;
    append_span(on, style, "x", true);
    append_span(off, style, "x", false);
    EXPECT_EQ(on, expected);
    EXPECT_EQ(off, "x");
  }
}

TEST(Style, Decision) {
  using V = std::optional<std::string>;
  const V unset;
  struct Case {
    StyleEnv env;  // NO_COLOR, CLICOLOR_FORCE, CLICOLOR, TERM, CI
    bool terminal;
    bool expected;
  };
  const Case cases[] = {
      {{V("1"), V("1"), unset, V("xterm"), unset}, true, false},  // NO_COLOR beats everything
      {{V(""), unset, unset, V("xterm"), unset}, true, true},     // empty NO_COLOR is ignored
      {{unset, V("1"), unset, unset, unset}, false, true},        // forced onto a file
      {{V(""), V("1"), V("0"), unset, unset}, false, true},       // force beats CLICOLOR=0
      {{unset, V(""), unset, V("xterm"), unset}, false, false},   // empty force is ignored
      {{unset, unset, V("0"), V("xterm"), V("")}, true, false},
      {{unset, unset, unset, V("xterm"), unset}, false, false},
      {{unset, unset, unset, V("xterm"), unset}, true, true},
      {{unset, unset, unset, V("dumb"), unset}, true, false},
      {{unset, unset, unset, unset, unset}, true, false},
      {{unset, unset, V(""), V("dumb"), unset}, true, true},
      {{unset, unset, V("1"), unset, unset}, true, true},
      {{unset, unset, unset, V("dumb"), V("")}, true, true},  // CI set, even empty
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(use_styling(cases[i].env, cases[i].terminal), cases[i].expected) << "case " << i;
  }
}

}  // namespace
}  // namespace clippers
