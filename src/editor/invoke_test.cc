#include "editor/invoke.h"

#include <gtest/gtest.h>

#include "buffer/buffer.h"

namespace clippers {
namespace {

// What the editor leaves when it does not touch the buffer.
std::string untouched(std::string_view draft, std::optional<std::string_view> context = std::nullopt) {
  return compose_buffer(draft, context);
}

TEST(ClassifyEdit, EmptinessFirstThenTheNeverOpenedWindowThenApproval) {
  const struct {
    std::string edited;
    std::string initial;
    std::uint64_t ms;
    EditOutcome expected;
    std::string written = "";  // the bytes the draft file was given, when not the untouched initial draft
  } cases[] = {
      {untouched("Hello\n"), "Hello\n", 0, edit_outcome::NeverOpened{0}},
      {untouched("Hello  \n\n"), "Hello  \n\n", 499, edit_outcome::NeverOpened{499}},
      {untouched("Hello\n"), "Hello\n", 500, edit_outcome::Approved{"Hello"}},
      {untouched("Hello\n"), "Hello\n", 1u << 31, edit_outcome::Approved{"Hello"}},
      {"Changed\n" + untouched(""), "Hello", 3, edit_outcome::Approved{"Changed"}},
      // A blank draft left alone is an abort, however fast.
      {untouched(" \n\t\n"), " \n\t\n", 0, edit_outcome::Aborted{}},
      {"", "Hello", 0, edit_outcome::Aborted{}},
      // Untouched bytes are never opened, whatever extraction makes of them.
      {untouched("one\r\ntwo\r\n"), "one\r\ntwo\r\n", 5, edit_outcome::NeverOpened{5}},
      {untouched("a", "x\n# ------------------------ >8 ------------------------"), "a", 5,
       edit_outcome::NeverOpened{5}, untouched("a", "x\n# ------------------------ >8 ------------------------")},
      // CR LF line breaks come back as LF, so a draft of them saved again compares with neither.
      {untouched("one\r\ntwo\r\n") + "\n", "one\r\ntwo\r\n", 5, edit_outcome::Approved{"one\ntwo"}},
  };
  for (const auto& c : cases) {
    const std::string written = c.written.empty() ? untouched(c.initial) : c.written;
    const std::string_view initial_piece = c.initial, written_piece = written;
    const EditOutcome got = classify_edit(c.edited, Pieces(&initial_piece, 1), Pieces(&written_piece, 1), c.ms);
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
  const DraftDir nowhere("/nonexistent", Fd());
  auto outcome = run_editor({}, nowhere, {}, {});
  ASSERT_FALSE(outcome.ok());
  EXPECT_TRUE(std::holds_alternative<editor_error::NoEditor>(outcome.error()));
}

}  // namespace
}  // namespace clippers
