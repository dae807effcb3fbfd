#include "buffer/extract.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "buffer/buffer.h"

namespace clippers {
namespace {

const std::string CUT(CLIPPERS_LINE);

TEST(SplitLines, FollowsTheLineRuleWithViewsIntoTheText) {
  const std::pair<std::string, std::vector<std::string_view>> cases[] = {
      {"", {}},          {"\n", {""}},           {"a", {"a"}},
      {"a\n", {"a"}},    {"a\n\n", {"a", ""}},   {"\n\na\n\nb", {"", "", "a", "", "b"}},
      {"a\r\nb\r\n", {"a", "b"}}, {"a\r\r\n", {"a\r"}}, {"a\rb\r", {"a\rb\r"}},
  };
  for (const auto& [text, lines] : cases) EXPECT_EQ(split_lines(text), lines) << testing::PrintToString(text);

  const std::string text = "ab\r\ncd";
  const auto lines = split_lines(text);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1].data(), text.data() + 4);
}

TEST(IsClippersLine, IgnoresTrailingWhiteSpaceOnly) {
  const std::pair<std::string, bool> cases[] = {
      {CUT, true}, {CUT + " \t\r", true}, {CUT + "\u00a0\u3000", true},
      {" " + CUT, false}, {CUT + " x", false}, {CUT.substr(0, 53), false},
      {"# ------------------------ >9 ------------------------", false},
      {"# ------------------------- >8 -----------------------", false},
  };
  for (const auto& [line, expected] : cases) EXPECT_EQ(is_clippers_line(line), expected) << line;
}

TEST(ExtractContent, CutsAtTheLastClippersLine) {
  const std::string with_ctx = compose_buffer("draft", "see below\n" + CUT + "\nmore");
  std::string no_cut = compose_buffer("draft", std::nullopt);
  no_cut.erase(no_cut.find(CUT), CUT.size() + 1);
  const std::pair<std::string, std::optional<std::string>> cases[] = {
      {compose_buffer("T\r\n\r\nB\tx\r\ny\rz  \n\n", std::nullopt), "T\n\nB\tx\ny\rz"},
      {"keep\n" + CUT + "\nbelow\n", "keep"},
      {"a\n " + CUT + "\nb\n" + CUT + " \t\r\nc", "a\n " + CUT + "\nb"},
      {"a\n" + CUT + "\n# note\n" + CUT + "\nz", "a\n" + CUT + "\n# note"},
      {CUT + "\n" + CUT + "\r\n" + CUT + "\n", CUT + "\n" + CUT},
      {with_ctx, with_ctx.substr(0, with_ctx.find("see below") + 9)},
      {compose_buffer("a\n" + CUT + "\nb", std::nullopt), "a\n" + CUT + "\nb"},
      {"\n \n# x\n\n \n" + CUT, "\n \n# x"},
      {no_cut, no_cut.substr(0, no_cut.size() - 1)},
      // Nothing approved when only white space stands above the cut.
      {"", std::nullopt},
      {CUT + "\nkeep me\n", std::nullopt},
      {"  \n\t\r\n\u2003\n" + CUT, std::nullopt},
      {std::string(1000, '\n'), std::nullopt},
      {compose_buffer("\n \n", "context"), std::nullopt},
  };
  for (const auto& [edited, content] : cases) {
    EXPECT_EQ(extract_content(edited), content) << testing::PrintToString(edited);
  }
}

TEST(FindClippersLine, ReportsTheFirstOneCountingEveryLine) {
  const std::pair<std::string, std::optional<std::uint64_t>> cases[] = {
      {"", std::nullopt}, {"a\nb\n", std::nullopt}, {" " + CUT + "\n", std::nullopt},
      {CUT, 1},           {"\n\n" + CUT, 3},        {"\r\n\r\n" + CUT + "\r\n", 3},
      {"a\n" + CUT + " \nb\n" + CUT, 2},
      {"a\rb\n" + CUT, 2},  // a lone CR is not a line break
  };
  for (const auto& [text, line] : cases) {
    EXPECT_EQ(find_clippers_line(text), line) << testing::PrintToString(text);
  }
}

TEST(LargeInput, SingleHugeLineAndManyLines) {
  const std::size_t big = 50u << 20;
  const std::string one_line = std::string(big, 'x') + "  \n" + CUT;
  EXPECT_EQ(extract_content(one_line).value_or("").size(), big);
  EXPECT_EQ(find_clippers_line(one_line), 2u);

  // A million CR LF lines, every second one a cut line.
  std::string many;
  for (int i = 0; i < 500'000; ++i) many += "line\r\n" + CUT + "\r\n";
  EXPECT_EQ(split_lines(many).size(), 1'000'000u);
  EXPECT_EQ(find_clippers_line(many), 2u);
  const std::string content = extract_content(many).value_or("");
  EXPECT_EQ(content.size(), 499'999u * (4 + 1 + 54 + 1) + 4);  // all breaks become one LF
  EXPECT_TRUE(content.ends_with(CUT + "\nline"));
}

}  // namespace
}  // namespace clippers
