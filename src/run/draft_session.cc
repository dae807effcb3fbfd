#include "run/draft_session.h"

#include <string>
#include <vector>

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

Result<DraftSession, IoError> DraftSession::open(EndSignals& signals, const std::string& parent,
                                                 std::string_view prefix, std::string draft_name) {
  const EndSignals::Held held;
  auto created = create_draft_dir(parent, prefix, std::move(draft_name));
  if (!created) return fail(std::move(created).error());
  signals.prepared(*created);
  return DraftSession(signals, std::move(created).value());
}

DraftSession::DraftSession(DraftSession&& other) noexcept
    : signals_(other.signals_), dir_(std::move(other.dir_)), settled_(other.settled_) {
  other.settled_ = true;
}

DraftSession::~DraftSession() {
  if (settled_) return;
  const EndSignals::Held held;
  { DraftDir gone = std::move(dir_); }
  signals_->settled();
}

std::optional<std::string> DraftSession::settle(DraftFate fate, Pieces written) {
  const EndSignals::Held held;
  settled_ = true;
  std::vector<std::string> left = fate == DraftFate::RemoveUnlessLeft ? dir_.leftovers() : std::vector<std::string>();
  std::erase_if(left, [&](const std::string& name) { return holds_exactly(dir_, name, written); });
  const std::string path = dir_.path();
  std::optional<std::string> kept;
  if (fate == DraftFate::Keep || !left.empty()) {
    kept = dir_.draft_file_path();
    const std::string kept_dir = std::move(dir_).keep();
    if (!left.empty())
      print_message("kept " + printable_utf8(kept_dir) + ": the editor left " + listed(left) + " there");
  } else if (auto removed = std::move(dir_).release(); !removed) {
    print_message("warning: could not remove " + printable_utf8(path) + ": " + render_io_error(removed.error()));
  }
  signals_->settled();
  return kept;
}

}  // namespace clippers
