#pragma once
// What the editor's exit means: approved, aborted, never opened, exited with
// an error, or interrupted.
//
// Calling sequence: once the editor has exited with status 0 and the draft
// file has been read back, classify_edit; the other outcomes come straight
// from the exit status.

#include <cstdint>
#include <memory>
#include <string_view>
#include <variant>

#include "io/held_text.h"

namespace clippers {

// An editor that returns this fast with the draft untouched most likely never showed it.
constexpr std::uint32_t NEVER_OPENED_THRESHOLD_MS = 500;

namespace edit_outcome {
// Never empty, never ends in white space.  A view into the edited draft as
// read back, or into the joined lines where they had to be rewritten; kept
// alive by `storage`.
struct Approved {
  std::string_view content;
  std::shared_ptr<const void> storage = nullptr;
};
struct Aborted {};
struct NeverOpened {
  std::uint32_t ms;
};  // as measured, saturated
struct EditorExited {
  std::int32_t code;
};  // exit code, or -1 when ended by a signal
// The tool was asked to end (SIGTERM, SIGHUP) while the editor ran; the
// signal was passed on to the editor and the editor has ended.
struct Interrupted {
  int signal;
};
}  // namespace edit_outcome

using EditOutcome = std::variant<edit_outcome::Approved, edit_outcome::Aborted, edit_outcome::NeverOpened,
                                 edit_outcome::EditorExited, edit_outcome::Interrupted>;

// The classification of an editor that exited with status 0 after `elapsed_ms`,
// leaving `edited` in the draft file that was given `written`; `unread` when
// nothing read the draft file meanwhile.  A U+FEFF at the very start of
// `edited` is dropped before extraction when `initial_draft` did not begin
// with one.  An untouched draft (`edited` byte for byte `written`) is
// NeverOpened when it was never read, or within NEVER_OPENED_THRESHOLD_MS.
// An Approved content is a view into `edited` unless it owns its storage.
EditOutcome classify_edit(std::string_view edited, Pieces initial_draft, Pieces written, std::uint64_t elapsed_ms,
                          bool unread);

}  // namespace clippers
