#pragma once
// What the editor's exit means: approved, aborted, never opened, exited with
// an error, or interrupted.
//
// Calling sequence: once the editor has exited with status 0 and the draft
// file has been read back, classify_edit; the other outcomes come straight
// from the exit status.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "io/held_text.h"

namespace clippers {

// An editor that returns this fast with the draft untouched most likely never showed it.
constexpr std::uint32_t NEVER_OPENED_THRESHOLD_MS = 500;

namespace edit_outcome {
// Never empty, never ends in white space.  A view into the edited draft as
// read back, or into the joined lines where they had to be rewritten (see
// EditedText).
struct Approved {
  std::string_view content;
};
// The user emptied the text above the cut line.
struct Aborted {};
// With --require-save: the editor ended without having written the draft.
struct NotSaved {};
struct NeverOpened {
  std::uint32_t ms;
};  // as measured, saturated
struct EditorExited {
  std::int32_t code;
};  // exit code, or -1 when ended by a signal
// The tool was asked to end (SIGTERM, SIGHUP, ...) while the editor ran; the
// signal was passed on to the editor and the editor has ended.
struct Interrupted {
  int signal;
};
// The run's time limit passed; the editor was asked to end and has ended.
struct TimedOut {};
}  // namespace edit_outcome

using EditOutcome =
    std::variant<edit_outcome::Approved, edit_outcome::Aborted, edit_outcome::NotSaved, edit_outcome::NeverOpened,
                 edit_outcome::EditorExited, edit_outcome::Interrupted, edit_outcome::TimedOut>;

// What is known of an editor that exited with status 0: how long it ran,
// whether anything read the draft file meanwhile, and, when the run asked
// for a save (--require-save), whether the draft file was written.
struct EditorFacts {
  std::uint64_t elapsed_ms = 0;
  bool unread = false;
  std::optional<bool> saved = std::nullopt;
};

// The classification of what the editor left, `edited`, in the draft file
// that was given `written`.  A U+FEFF at the very start of `edited` is
// dropped before extraction when `initial_draft` did not begin with one.  An
// empty content is Aborted.  An untouched draft (`edited` byte for byte
// `written`) never read is NeverOpened; a draft not saved where a save was
// asked for is NotSaved; otherwise, unless it was saved, an untouched draft
// within NEVER_OPENED_THRESHOLD_MS is NeverOpened.  An Approved content is a
// view into `edited`, or into `joined` where lines had to be rewritten.
EditOutcome classify_edit(std::string_view edited, Pieces initial_draft, Pieces written, const EditorFacts& facts,
                          std::string& joined);

}  // namespace clippers
