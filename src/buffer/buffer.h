#pragma once
// The edit buffer handed to the editor: the draft, an empty line, the clippers
// line, four instruction lines and, when a context is given, a context footer.

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace clippers {

// The cut line: everything from the last such line on is not content.
inline constexpr std::string_view CLIPPERS_LINE = "# ------------------------ >8 ------------------------";
static_assert(CLIPPERS_LINE.size() == 54);

// The instruction lines written below the clippers line, each followed by one LF.
inline constexpr std::array<std::string_view, 4> INSTRUCTION_LINES = {
    "# Do not modify or remove the line above.",
    "# Everything below is context and will be stripped from the final content.",
    "# Save and close the editor when done.",
    "# Empty all content above this line to abort without submitting.",
};

// Starts the context footer: a lone "#" line, then "# Context: " with the
// context following on the same line.
inline constexpr std::string_view CONTEXT_HEADER = "#\n# Context: ";

// With --require-save: one more instruction line after the four, with its LF.
inline constexpr std::string_view REQUIRE_SAVE_LINE = "# Quit without saving to abort.\n";

// What a run adds to the buffer beyond draft and context.
struct BufferNotes {
  bool require_save = false;  // REQUIRE_SAVE_LINE after the instruction lines
  // Lines that end the buffer, after the context footer (check_report).
  std::string_view report = {};
};

// The lines that tell why the editor opened again when the approved content
// failed the check: "#", "# Check failed (exit {code}):" and the first
// CHECK_REPORT_LINES lines of `output`, each behind "# ", each with its LF.
// Output that is not UTF-8 is shown with U+FFFD and control characters
// escaped; a line that would read as the clippers line gets one more "# ".
constexpr std::size_t CHECK_REPORT_LINES = 20;
std::string check_report(int code, std::string_view output);

// The buffer for `draft` (given as consecutive pieces) and an optional
// `context`, as views: the draft's own memory, constants and the context, in
// order, so that a large draft is written out without being copied.  The
// views live as long as `draft` and `context` do.  Same bytes as below.
std::vector<std::string_view> compose_buffer(std::span<const std::string_view> draft,
                                             std::optional<std::string_view> context, const BufferNotes& notes = {});

// The buffer for `draft` and an optional `context`, in one string.  Every trailing LF of the
// draft is dropped (CR and other white space stay), then come "\n\n", the
// clippers line with its LF and the instruction lines.  A present context,
// even an empty one, adds CONTEXT_HEADER, the context and one LF; the context
// is copied byte for byte, except that each of its lines after the first that
// is_clippers_line takes for the clippers line gets "# " in front, so that
// nothing the context holds can cut the buffer.  Length: D + 278 without a
// context, D + 292 + N + 2K with one (D the draft after dropping its trailing
// LFs, N the context's length, K its lines commented out).  Pure; cannot fail.
std::string compose_buffer(std::string_view draft, std::optional<std::string_view> context);

}  // namespace clippers
