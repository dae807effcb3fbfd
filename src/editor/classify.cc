#include "editor/classify.h"

#include <algorithm>
#include <optional>
#include <string>

#include "buffer/extract.h"
#include "text/whitespace.h"

namespace clippers {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";  // U+FEFF

bool starts_with_mark(Pieces text) {
  std::string head;  // the first bytes, wherever the pieces break
  for (std::size_t i = 0; i < text.size() && head.size() < kByteOrderMark.size(); ++i) {
    head += text[i].substr(0, kByteOrderMark.size() - head.size());
  }
  return head == kByteOrderMark;
}

}  // namespace

EditOutcome classify_edit(std::string_view edited, Pieces initial_draft, Pieces written, const EditorFacts& facts,
                          std::string& joined) {
  // Some editors save UTF-8 with a byte-order mark in front: unless the draft
  // began with one, it is the editor's, not the user's text.  Only extraction
  // goes without it; untouched still means the very bytes written.
  std::string_view body = edited;
  if (starts_with_mark(Pieces(&edited, 1)) && !starts_with_mark(initial_draft)) {
    body.remove_prefix(kByteOrderMark.size());
  }
  const std::optional<std::string_view> content = extract_content(body, joined);
  if (!content) return edit_outcome::Aborted{};
  const auto ms = static_cast<std::uint32_t>(std::min<std::uint64_t>(facts.elapsed_ms, UINT32_MAX));
  // Untouched bytes are untouched whatever extraction makes of them: a draft
  // with CR LF line ends, or a context holding a cut line, must not pass for
  // an approval that nobody saw.  A draft nobody even read was never shown,
  // however long the editor took (a launcher that handed it to a slow window).
  const bool untouched = equals(written, edited);
  if (facts.unread && untouched) return edit_outcome::NeverOpened{ms};
  // Quitting without saving is the gesture for "no"; a save, even of the
  // text unchanged, shows that the editor was open, however fast.
  if (facts.saved) {
    if (!*facts.saved) return edit_outcome::NotSaved{};
    return edit_outcome::Approved{*content};
  }
  if (facts.elapsed_ms < NEVER_OPENED_THRESHOLD_MS && (untouched || equals(trim_end(initial_draft), *content))) {
    return edit_outcome::NeverOpened{ms};
  }
  return edit_outcome::Approved{*content};
}

}  // namespace clippers
