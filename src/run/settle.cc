#include "run/settle.h"

#include <string>

#include "draft/draft_file.h"
#include "failure/failure.h"
#include "run/message.h"
#include "text/utf8.h"

namespace clippers {
namespace {

// Enough names to recognise what was left; a directory full of them is
// summed up after that.
constexpr std::size_t kNamesShown = 8;

std::string listed(const std::vector<std::string>& names) {
  std::string out;
  for (std::size_t i = 0; i < names.size() && i < kNamesShown; ++i) {
    if (i > 0) out += ", ";
    out += printable_utf8(names[i]);
  }
  if (names.size() > kNamesShown) out += " and " + std::to_string(names.size() - kNamesShown) + " others";
  return out;
}

}  // namespace

void settle_draft(DraftDir dir, DraftFate fate, Pieces written, EndSignals& signals) {
  const auto held = signals.hold();
  std::vector<std::string> left = fate == DraftFate::Discard ? dir.leftovers() : std::vector<std::string>();
  std::erase_if(left, [&](const std::string& name) { return holds_exactly(dir, name, written); });
  const std::string path = dir.path();
  if (fate == DraftFate::Keep || !left.empty()) {
    (void)std::move(dir).keep();
    if (!left.empty()) print_message("kept " + printable_utf8(path) + ": the editor left " + listed(left) + " there");
  } else if (auto removed = std::move(dir).release(); !removed) {
    print_message("warning: could not remove " + printable_utf8(path) + ": " + render_io_error(removed.error()));
  }
  signals.done();
}

}  // namespace clippers
