#include "buffer/extract.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "buffer/buffer.h"

namespace clippers {
namespace {

const std::string CUT(CLIPPERS_LINE);

TEST(SplitLines, FollowsTheLineRule) {
  const std::pair<std::string, std::vector<std::string_view>> cases[] = {
      {"", {}},       {"\n", {""}},          {"a", {"a"}},          {"a\n", {"a"}},
      {"a\n\n", {"a", ""}},                  {"\n\na\n\nb", {"", "", "a", "", "b"}},
      {"a\r\nb\r\n", {"a", "b"}},            {"a\r\r\n", {"a\r"}}, {"a\rb\r", {"a\rb\r"}},
  };
  for (const auto& [text, lines] : cases) EXPECT_EQ(split_lines(text), lines) << testing::PrintToString(text);
}

TEST(ExtractContent, CutsAtTheLastClippersLine) {
  const std::pair<std::string, std::optional<std::string>> cases[] = {
      {compose_buffer("T\r\n\r\nB\tx\r\ny\rz  \n\n", std::nullopt), "T\n\nB\tx\ny\rz"},
      {"a\n " + CUT + "\nb\n" + CUT + " \t\r\nc", "a\n " + CUT + "\nb"},
      {CUT + "\n" + CUT + "\r\n" + CUT + "\n", CUT + "\n" + CUT},
      {"\n \n# x\n\n \n" + CUT, "\n \n# x"},  // leading blank lines and comments are content
      {"x\r\n  y\t\r\n\n", "x\n  y"},         // no clippers line: every line is content
      {"", std::nullopt},
      {CUT + "\nkeep me\n", std::nullopt},
      {"  \n\t\r\n\u2003\n" + CUT, std::nullopt},
      {compose_buffer("\n \n", "context"), std::nullopt},
  };
  for (const auto& [edited, content] : cases) {
    EXPECT_EQ(extract_content(edited), content) << testing::PrintToString(edited);
  }
}

// Also the line test: only white space at the end is ignored, anywhere else
// the line must match byte for byte.
TEST(FindClippersLine, ReportsTheFirstOneCountingEveryLine) {
  const std::pair<std::string, std::optional<std::uint64_t>> cases[] = {
      {"", std::nullopt}, {"a\nb\n", std::nullopt}, {" " + CUT + "\n", std::nullopt},
      {CUT, 1},           {"\r\n\r\n" + CUT + "\r\n", 3},
      {"a\n" + CUT + " \nb\n" + CUT, 2},
      {"a\rb\n" + CUT, 2},  // a lone CR is not a line break
      {CUT + " x\n" + CUT.substr(0, 53) + "\n" + CUT + " \t\r\u00a0\u3000", 3},
  };
  for (const auto& [text, line] : cases) {
    EXPECT_EQ(find_clippers_line(text), line) << testing::PrintToString(text);
  }
}

// A million CR LF lines, every second one a cut: a scan that is not linear
// shows up as a hang here.
TEST(LargeInput, ManyLines) {
  std::string many;
  for (int i = 0; i < 500'000; ++i) many += "line\r\n" + CUT + "\r\n";
  EXPECT_EQ(find_clippers_line(many), 2u);
  const std::string content = extract_content(many).value_or("");
  EXPECT_EQ(content.size(), 499'999u * (4 + 1 + 54 + 1) + 4);  // all breaks become one LF
}

}  // namespace
}  // namespace clippers
