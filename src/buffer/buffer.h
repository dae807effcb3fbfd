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

// The buffer for `draft` (given as consecutive pieces) and an optional
// `context`, as views: the draft's own memory, constants and the context, in
// order, so that a large draft is written out without being copied.  The
// views live as long as `draft` and `context` do.  Same bytes as below.
std::vector<std::string_view> compose_buffer(std::span<const std::string_view> draft,
                                             std::optional<std::string_view> context);

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
