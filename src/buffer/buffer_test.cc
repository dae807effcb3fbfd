#include "buffer/buffer.h"

#include <gtest/gtest.h>

#include <string>

namespace clippers {
namespace {

// Written out by hand so that a slip in the constants or their order shows.
const std::string TAIL =
    "\n\n# ------------------------ >8 ------------------------\n"
    "# Do not modify or remove the line above.\n"
    "# Everything below is context and will be stripped from the final content.\n"
    "# Save and close the editor when done.\n"
    "# Empty all content above this line to abort without submitting.\n";

TEST(ComposeBuffer, DropsOnlyTrailingLineFeedsOfTheDraft) {
  const std::pair<std::string, std::string> cases[] = {  // draft, what precedes TAIL
      {"fix", "fix"},          {"fix\n", "fix"},         {"fix\n\n\n", "fix"},
      {"a\r\nb\r\n", "a\r\nb\r"}, {"a \t\n", "a \t"},    {"", ""},
      {"\n\n\n", ""},          {"\n\na\n\nb\n", "\n\na\n\nb"},
      {"x\n" + TAIL, "x\n" + TAIL.substr(0, TAIL.size() - 1)},
  };
  for (const auto& [draft, kept] : cases) {
    const std::string buffer = compose_buffer(draft, std::nullopt);
    EXPECT_EQ(buffer, kept + TAIL) << testing::PrintToString(draft);
    EXPECT_EQ(buffer.size(), kept.size() + 278);
  }
}

TEST(ComposeBuffer, ContextFooterCopiesTheContextUnchanged) {
  const std::pair<std::string, std::string> cases[] = {  // context, footer
      {"", "#\n# Context: \n"},
      {"PR #12", "#\n# Context: PR #12\n"},
      {"first\nsecond", "#\n# Context: first\nsecond\n"},
      {"ctx\n", "#\n# Context: ctx\n\n"},
      {"  ctx \r", "#\n# Context:   ctx \r\n"},
  };
  for (const auto& [context, footer] : cases) {
    const std::string buffer = compose_buffer("draft\n", context);
    EXPECT_EQ(buffer, "draft" + TAIL + footer) << testing::PrintToString(context);
    EXPECT_EQ(buffer.size(), 5 + 292 + context.size());
  }
}

TEST(ComposeBuffer, LargeDraft) {
  const std::size_t big = 50u << 20;
  const std::string buffer = compose_buffer(std::string(big, 'a') + "\n\n", "c");
  ASSERT_EQ(buffer.size(), big + 292 + 1);
  EXPECT_EQ(buffer.find_first_not_of('a'), big);
  EXPECT_EQ(buffer.substr(big), TAIL + "#\n# Context: c\n");
}

}  // namespace
}  // namespace clippers
