// Styling on a terminal, which the end-to-end runs do not have: there TERM,
// CI and CLICOLOR decide, after NO_COLOR and CLICOLOR_FORCE.
#include "cli/style.h"

#include <gtest/gtest.h>

namespace clippers {
namespace {

TEST(Style, DecisionOnATerminal) {
  using V = std::optional<std::string>;
  const V unset;
  const std::pair<StyleEnv, bool> cases[] = {
      // NO_COLOR, CLICOLOR_FORCE, CLICOLOR, TERM, CI
      {{V("1"), V("1"), unset, V("xterm"), unset}, false}, {{V(""), unset, unset, V("xterm"), unset}, true},
      {{unset, unset, V("0"), V("xterm"), V("")}, false},  {{unset, unset, unset, V("dumb"), unset}, false},
      {{unset, unset, unset, unset, unset}, false},        {{unset, unset, V(""), V("dumb"), unset}, true},
      {{unset, unset, unset, V("dumb"), V("")}, true},     {{unset, V("1"), V("0"), V("dumb"), unset}, true},
      {{unset, V(""), V("0"), V("xterm"), unset}, false},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(use_styling(cases[i].first, true), cases[i].second) << "case " << i;
  }
}

}  // namespace
}  // namespace clippers
