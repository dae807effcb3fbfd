#include "run/settle.h"

#include <string>

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
    out += lossy_utf8(names[i]);
  }
  if (names.size() > kNamesShown) out += " and " + std::to_string(names.size() - kNamesShown) + " more";
  return out;
}

}  // namespace

void settle_draft(DraftDir dir, DraftFate fate, EndSignals& signals) {
  const auto held = signals.hold();
  if (fate == DraftFate::Discard) {
    if (const std::vector<std::string> left = dir.leftovers(); !left.empty()) {
      const std::string path = std::move(dir).keep();
      print_message("kept " + lossy_utf8(path) + ": the editor left " + listed(left) + " there");
      fate = DraftFate::Keep;
    }
  }
  if (fate == DraftFate::Keep) {
    (void)std::move(dir).keep();
  } else {
    const std::string path = dir.path();
    if (auto removed = std::move(dir).release(); !removed) {
      print_message("warning: could not remove " + lossy_utf8(path) + ": " + render_io_error(removed.error()));
    }
  }
  signals.done();
}

}  // namespace clippers
