#pragma once
// Running the editor on the draft file, waiting for it, and classifying what
// it left behind.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "draft/draft_dir.h"
#include "draft/draft_file.h"
#include "editor/resolve.h"
#include "editor/signals.h"
#include "failure/failure.h"
#include "io/held_text.h"
#include "base/result.h"

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
struct NeverOpened { std::uint32_t ms; };  // as measured, saturated
struct EditorExited { std::int32_t code; };  // exit code, or -1 when ended by a signal
// The tool was asked to end (SIGTERM, SIGHUP) while the editor ran; the
// signal was passed on to the editor and the editor has ended.
struct Interrupted { int signal; };
}  // namespace edit_outcome

using EditOutcome = std::variant<edit_outcome::Approved, edit_outcome::Aborted,
                                 edit_outcome::NeverOpened, edit_outcome::EditorExited,
                                 edit_outcome::Interrupted>;

// Starts `command` (program first, no shell) with the draft file of `dir` as
// its last argument, waits for it, reads the draft file back and classifies
// the result against `initial_draft` and `written`, the bytes the draft file
// was given, and against `draft`'s stamp.  `signals` is told when the editor
// starts and ends.  Fails with NoEditor when the program is not found,
// Replaced when another directory stands at `dir`'s path once the editor has
// exited, Io for any other failure to start, wait or read back; a read-back
// failure while something is still at the draft path names it as
// kept_draft.  Leaves the draft directory as it is.
Result<EditOutcome, EditorError> run_editor(const EditorCommand& command, const DraftDir& dir,
                                            const DraftFile& draft, Pieces initial_draft, Pieces written,
                                            EndSignals& signals);

// The classification of an editor that exited with status 0 after `elapsed_ms`,
// leaving `edited` in the draft file that was given `written`; `unread` when
// nothing read the draft file meanwhile.  An untouched draft is NeverOpened
// when it was never read, or within NEVER_OPENED_THRESHOLD_MS.  An Approved
// content is a view into `edited` unless it owns its storage.
EditOutcome classify_edit(std::string_view edited, Pieces initial_draft, Pieces written,
                          std::uint64_t elapsed_ms, bool unread);

}  // namespace clippers
