#include "buffer/buffer.h"

namespace clippers {
namespace {

// The length of everything below the draft that does not depend on the
// inputs, so that the final size is known before the one allocation.
constexpr std::size_t FIXED_TAIL_SIZE = [] {
  std::size_t n = 2 + CLIPPERS_LINE.size() + 1;
  for (std::string_view line : INSTRUCTION_LINES) n += line.size() + 1;
  return n;
}();
static_assert(FIXED_TAIL_SIZE == 278);

std::string_view without_trailing_lfs(std::string_view draft) {
  const std::size_t last_kept = draft.find_last_not_of('\n');
  return last_kept == std::string_view::npos ? std::string_view{} : draft.substr(0, last_kept + 1);
}

}  // namespace

std::string compose_buffer(std::string_view draft, std::optional<std::string_view> context) {
  const std::string_view body = without_trailing_lfs(draft);
  std::size_t size = body.size() + FIXED_TAIL_SIZE;
  if (context) size += CONTEXT_HEADER.size() + context->size() + 1;

  std::string out;
  out.reserve(size);
  out.append(body);
  // Exactly one empty line between the draft and the cut, however many LFs
  // the draft ended with: the LFs were dropped above and two are written here.
  out.append("\n\n");
  out.append(CLIPPERS_LINE);
  out.push_back('\n');
  for (std::string_view line : INSTRUCTION_LINES) {
    out.append(line);
    out.push_back('\n');
  }
  if (context) {
    // Copied unchanged: a multi-line context continues on lines of its own,
    // without a "#" in front, which is what the user should see.
    out.append(CONTEXT_HEADER);
    out.append(*context);
    out.push_back('\n');
  }
  return out;
}

}  // namespace clippers
