#include "editor/resolve.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace clippers {
namespace {

using Words = std::vector<std::string>;

TEST(SplitWords, FollowsTheStateTable) {
  const std::pair<std::string, Words> cases[] = {
      {"a'b c'd", {"ab cd"}},
      {"x \"\" y", {"x", "", "y"}},
      {" \t\na\t\nb\r\vc\u00a0d ", {"a", "b\r\vc\u00a0d"}},  // blanks are space, tab, LF only
      {"myedit#x #c 'open\nb", {"myedit#x", "b"}},            // "#" comments only where a word starts
      {"\\#x \\\n \\ b", {"#x", " b"}},                       // escaped LF between words starts none
      {"ab\\\ncd a\\\\b\\'\\\"", {"abcd", "a\\b'\""}},
      {"'a\nb\\c\"'", {"a\nb\\c\""}},
      {"\"a'b\\\"c\\$d\\`e\\\\f\\\ng\\nh\"", {"a'b\"c$d`e\\fg\\nh"}},
      // End of text in each state that does not fail.
      {"", {}}, {"a #", {"a"}}, {"myedit \\", {"myedit", "\\"}}, {"ab\\", {"ab\\"}}, {"a ''", {"a", ""}},
  };
  for (const auto& [text, words] : cases) {
    const auto got = split_words(text);
    ASSERT_TRUE(got.ok()) << text;
    EXPECT_EQ(*got, words) << testing::PrintToString(text);
  }
  for (const std::string text : {"'", "\"", "a 'b", "\"ab\\", "'it''s", "\"a\\\""}) {
    EXPECT_FALSE(split_words(text).ok()) << text;
  }
}

// A controlled environment: names missing from the map are unset.
struct Env {
  std::map<std::string, std::string> vars;
  const char* operator()(const char* name) const {
    const auto it = vars.find(name);
    return it == vars.end() ? nullptr : it->second.c_str();
  }
};

TEST(ResolveEditor, FallsThroughUnusableSettings) {
  const std::pair<Env, Words> cases[] = {
      {{{{"VISUAL", "code --wait"}, {"EDITOR", "nano"}}}, {"code", "--wait"}},
      {{{{"EDITOR", " \tmyedit \n"}}}, {"myedit"}},
      {{{{"VISUAL", " \t\u3000"}, {"EDITOR", "myedit"}}}, {"myedit"}},
      {{{{"VISUAL", "ed\xff"}, {"EDITOR", "myedit"}}}, {"myedit"}},
      {{{{"VISUAL", "# x"}, {"EDITOR", "myedit"}}}, {"myedit"}},
      {{{{"VISUAL", "# nothing here"}, {"EDITOR", " "}}}, {"vi"}},
      {{{{"VISUAL", "''"}, {"EDITOR", "myedit"}}}, {""}},  // an empty word is still a word
      {{{{"VISUAL", "\r' a '\r"}}}, {" a "}},  // the value is trimmed, the words are not
  };
  for (const auto& [env, command] : cases) {
    const auto got = resolve_editor(env);
    ASSERT_TRUE(got.ok());
    EXPECT_EQ(*got, command) << testing::PrintToString(env.vars);
  }
}

TEST(ResolveEditor, UnclosedQuoteStopsResolution) {
  const Env envs[] = {
      {{{"VISUAL", "myedit 'unterminated"}, {"EDITOR", "otheredit"}}},
      {{{"VISUAL", "# only"}, {"EDITOR", "\"a\\"}}},
  };
  for (const auto& env : envs) {
    const auto got = resolve_editor(env);
    ASSERT_FALSE(got.ok());
    EXPECT_EQ(render_with_draft(got.error()), "io error: missing closing quote");
  }
}

}  // namespace
}  // namespace clippers
