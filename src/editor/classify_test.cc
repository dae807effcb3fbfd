// The edge of the never-opened window, which a run of the tool cannot hit to
// the millisecond.
#include "editor/classify.h"

#include <gtest/gtest.h>

#include "buffer/buffer.h"

namespace clippers {
namespace {

TEST(ClassifyEdit, UntouchedIsNeverOpenedUpTo499msAndApprovedFrom500ms) {
  const std::string buffer = compose_buffer("Hello  \n", std::nullopt);
  const std::string_view initial = "Hello  \n", written = buffer;
  std::string joined;
  const EditOutcome fast = classify_edit(buffer, Pieces(&initial, 1), Pieces(&written, 1), {.elapsed_ms = 499}, joined);
  ASSERT_TRUE(std::holds_alternative<edit_outcome::NeverOpened>(fast));
  EXPECT_EQ(std::get<edit_outcome::NeverOpened>(fast).ms, 499u);
  const EditOutcome slow = classify_edit(buffer, Pieces(&initial, 1), Pieces(&written, 1), {.elapsed_ms = 500}, joined);
  ASSERT_TRUE(std::holds_alternative<edit_outcome::Approved>(slow));
  EXPECT_EQ(std::get<edit_outcome::Approved>(slow).content, "Hello");
}

}  // namespace
}  // namespace clippers
