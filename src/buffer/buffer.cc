#include "buffer/buffer.h"

#include "buffer/extract.h"
#include "text/utf8.h"

namespace clippers {
namespace {

// Everything below the draft that does not depend on the inputs, laid out
// once at compile time: exactly one empty line between the draft and the cut
// (the draft's trailing LFs are dropped and two are written here), the
// clippers line and the instruction lines, each with its LF.
constexpr std::size_t FIXED_TAIL_SIZE = [] {
  std::size_t n = 2 + CLIPPERS_LINE.size() + 1;
  for (std::string_view line : INSTRUCTION_LINES) n += line.size() + 1;
  return n;
}();
static_assert(FIXED_TAIL_SIZE == 278);

constexpr std::array<char, FIXED_TAIL_SIZE> FIXED_TAIL = [] {
  std::array<char, FIXED_TAIL_SIZE> tail{};
  std::size_t at = 0;
  const auto put = [&](std::string_view text) {
    for (char c : text) tail[at++] = c;
  };
  put("\n\n");
  put(CLIPPERS_LINE);
  put("\n");
  for (std::string_view line : INSTRUCTION_LINES) {
    put(line);
    put("\n");
  }
  return tail;
}();

// Written in front of a context line that would read as the clippers line.
constexpr std::string_view kCommentedOut = "# ";

// The context, as pieces of itself and kCommentedOut.  A line after the
// first that would read as the clippers line (by the line rule of
// extraction: a CR before its LF is white space to is_clippers_line too)
// would cut the buffer there, and an untouched buffer would approve the
// instructions and whatever the context put above it; such a line is
// commented out, and only such a line.  The first line follows "# Context: ".
void append_context(std::vector<std::string_view>& out, std::string_view context) {
  std::size_t from = 0;  // the first byte not yet in `out`
  for (std::size_t lf = context.find('\n'); lf != std::string_view::npos; lf = context.find('\n', lf + 1)) {
    const std::size_t start = lf + 1;
    if (!is_clippers_line(context.substr(start, context.find('\n', start) - start))) continue;
    out.push_back(context.substr(from, start - from));
    out.push_back(kCommentedOut);
    from = start;
  }
  out.push_back(context.substr(from));
}

}  // namespace

std::vector<std::string_view> compose_buffer(std::span<const std::string_view> draft,
                                             std::optional<std::string_view> context, const BufferNotes& notes) {
  // Every trailing LF goes, even where the draft's last pieces are nothing else.
  std::size_t kept = draft.size();
  std::string_view last;
  while (kept > 0) {
    last = draft[kept - 1];
    const std::size_t end = last.find_last_not_of('\n');
    if (end != std::string_view::npos) {
      last = last.substr(0, end + 1);
      break;
    }
    --kept;
  }
  std::vector<std::string_view> out;
  out.reserve(kept + 5);
  if (kept > 0) {
    out.assign(draft.begin(), draft.begin() + static_cast<std::ptrdiff_t>(kept) - 1);
    out.push_back(last);
  }
  out.emplace_back(FIXED_TAIL.data(), FIXED_TAIL.size());
  if (notes.require_save) out.push_back(REQUIRE_SAVE_LINE);
  if (context) {
    // A multi-line context continues on lines of its own, without a "#" in
    // front, which is what the user should see.
    out.push_back(CONTEXT_HEADER);
    append_context(out, *context);
    out.emplace_back("\n");
  }
  if (!notes.report.empty()) out.push_back(notes.report);
  return out;
}

std::string check_report(int code, std::string_view output) {
  std::string out = "#\n# Check failed (exit " + std::to_string(code) + "):\n";
  std::size_t shown = 0;
  for (const std::string_view line : split_lines(output)) {
    if (shown++ == CHECK_REPORT_LINES) break;
    std::string commented = "# " + printable_utf8(line);
    if (is_clippers_line(commented)) commented.insert(0, kCommentedOut);
    out += commented;
    out += '\n';
  }
  return out;
}

std::string compose_buffer(std::string_view draft, std::optional<std::string_view> context) {
  std::string out;
  for (std::string_view piece : compose_buffer(std::span<const std::string_view>(&draft, 1), context)) {
    out += piece;
  }
  return out;
}

}  // namespace clippers
