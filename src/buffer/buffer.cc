#include "buffer/buffer.h"

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

}  // namespace

std::vector<std::string_view> compose_buffer(std::span<const std::string_view> draft,
                                             std::optional<std::string_view> context) {
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
  if (context) {
    // Copied unchanged: a multi-line context continues on lines of its own,
    // without a "#" in front, which is what the user should see.
    out.push_back(CONTEXT_HEADER);
    out.push_back(*context);
    out.emplace_back("\n");
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
