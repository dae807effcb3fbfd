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
      {"myedit#x", {"myedit#x"}},
      {"myedit #x", {"myedit"}},
      {"\\#x", {"#x"}},
      {"myedit \\", {"myedit", "\\"}},
      {"\"a\\$b\"", {"a$b"}},
      {"\"a\\nb\"", {"a\\nb"}},
      {"'a\\b'", {"a\\b"}},
      {"myedit\r-x", {"myedit\r-x"}},
      // Blanks are space, tab and LF only.
      {" \t\na\t\nb ", {"a", "b"}},
      {"a\vb\u00a0c", {"a\vb\u00a0c"}},
      // Backslashes outside quotes: LF continues, anything else is taken literally.
      {"\\\na", {"a"}},
      {"\\ a\\'\\\"", {" a'\""}},
      {"ab\\\ncd a\\\\b", {"abcd", "a\\b"}},
      // Inside quotes.
      {"'a\nb\"c'", {"a\nb\"c"}},
      {"\"a'b\\\"c\\`d\\\\e\\\nf\"", {"a'b\"c`d\\ef"}},
      {"\"$HOME ~ `x`\"", {"$HOME ~ `x`"}},
      // Comments run to the next LF.
      {"#c\nvim -f", {"vim", "-f"}},
      {"a #c 'open\nb", {"a", "b"}},
      // Non-ASCII characters are ordinary, also after a backslash.
      {"\"\\é\" \\ü 'ñ'", {"\\é", "ü", "ñ"}},
      // End of text.
      {"", {}},
      {"a #", {"a"}},
      {"\\", {"\\"}},
      {"ab\\", {"ab\\"}},
      {"a ''", {"a", ""}},
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
      {{{{"VISUAL", "# nothing here"}}}, {"vi"}},
      {{{{"VISUAL", "# x"}, {"EDITOR", "myedit"}}}, {"myedit"}},
      {{}, {"vi"}},
      {{{{"VISUAL", "\"/opt/My Editor/bin/edit\" -w"}}}, {"/opt/My Editor/bin/edit", "-w"}},
      {{{{"VISUAL", "''"}, {"EDITOR", "myedit"}}}, {""}},
      {{{{"VISUAL", "\rmyedit\r"}}}, {"myedit"}},
      {{{{"VISUAL", "'  a ' \"\""}}}, {"  a ", ""}},
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
    const auto* io = std::get_if<editor_error::Io>(&got.error());
    ASSERT_NE(io, nullptr);
    EXPECT_EQ(render_with_draft(got.error()), "io error: missing closing quote");
  }
}

}  // namespace
}  // namespace clippers
