#include "buffer/buffer.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace clippers {
namespace {

// Written out by hand so that a slip in the constants or their order shows.
const std::string TAIL =
    "\n\n# ------------------------ >8 ------------------------\n"
    "# Do not modify or remove the line above.\n"
    "# Everything below is context and will be stripped from the final content.\n"
    "# Save and close the editor when done.\n"
    "# Empty all content above this line to abort without submitting.\n";

// The draft comes in pieces, as held text does: wherever they break, the
// buffer is the same.
TEST(ComposeBuffer, DropsTrailingLineFeedsOnlyAndCopiesTheContext) {
  struct Case { std::vector<std::string_view> draft; std::optional<std::string> context; std::string buffer; };
  const Case cases[] = {
      {{"fix\n\n\n"}, std::nullopt, "fix" + TAIL},
      {{"fi", "x\n", "\n", "\n"}, std::nullopt, "fix" + TAIL},  // trailing LFs across pieces
      {{"a\r\nb\r", "\n"}, std::nullopt, "a\r\nb\r" + TAIL},  // the CR of the last line stays
      {{"\n\na \t\n"}, std::nullopt, "\n\na \t" + TAIL},
      {{"\n", "\n"}, std::nullopt, TAIL},
      {{}, "", TAIL + "#\n# Context: \n"},  // empty but present still writes the footer
      {{"d"}, " a\nb \r\n", "d" + TAIL + "#\n# Context:  a\nb \r\n\n"},
  };
  for (const auto& [draft, context, buffer] : cases) {
    std::string joined;
    for (std::string_view piece : compose_buffer(draft, context)) joined += piece;
    EXPECT_EQ(joined, buffer) << testing::PrintToString(draft);
  }
}

}  // namespace
}  // namespace clippers
