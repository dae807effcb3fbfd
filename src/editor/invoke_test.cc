#include "editor/invoke.h"

#include <gtest/gtest.h>

#include "buffer/buffer.h"

namespace clippers {
namespace {

// What the editor leaves when it does not touch the buffer.
std::string untouched(std::string_view draft) { return compose_buffer(draft, std::nullopt); }

TEST(ClassifyEdit, EmptinessFirstThenTheNeverOpenedWindowThenApproval) {
  const struct {
    std::string edited;
    std::string initial;
    std::uint64_t ms;
    EditOutcome expected;
  } cases[] = {
      {untouched("Hello\n"), "Hello\n", 0, edit_outcome::NeverOpened{0}},
      {untouched("Hello  \n\n"), "Hello  \n\n", 499, edit_outcome::NeverOpened{499}},
      {untouched("Hello\n"), "Hello\n", 500, edit_outcome::Approved{"Hello"}},
      {untouched("Hello\n"), "Hello\n", 1u << 31, edit_outcome::Approved{"Hello"}},
      {"Changed\n" + untouched(""), "Hello", 3, edit_outcome::Approved{"Changed"}},
      // A blank draft left alone is an abort, however fast.
      {untouched(" \n\t\n"), " \n\t\n", 0, edit_outcome::Aborted{}},
      {"", "Hello", 0, edit_outcome::Aborted{}},
      // CR LF line breaks come back as LF, so an untouched draft of them never compares equal.
      {untouched("one\r\ntwo\r\n"), "one\r\ntwo\r\n", 5, edit_outcome::Approved{"one\ntwo"}},
  };
  for (const auto& c : cases) {
    const EditOutcome got = classify_edit(c.edited, c.initial, c.ms);
    ASSERT_EQ(got.index(), c.expected.index()) << c.edited;
    if (auto* approved = std::get_if<edit_outcome::Approved>(&got)) {
      EXPECT_EQ(approved->content, std::get<edit_outcome::Approved>(c.expected).content);
    }
    if (auto* never = std::get_if<edit_outcome::NeverOpened>(&got)) {
      EXPECT_EQ(never->ms, std::get<edit_outcome::NeverOpened>(c.expected).ms);
    }
  }
}

TEST(RunEditor, EmptyCommandStartsNothing) {
  auto outcome = run_editor({}, "/nonexistent/COMMIT_EDITMSG", "draft");
  ASSERT_FALSE(outcome.ok());
  EXPECT_TRUE(std::holds_alternative<editor_error::NoEditor>(outcome.error()));
}

}  // namespace
}  // namespace clippers
