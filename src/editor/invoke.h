#pragma once
// One run of the editor on the draft file: start it and wait, check that the
// draft directory is still the one held, read the draft back and classify
// what the editor left behind.
//
// Calling sequence: write_draft_file, then run_editor once; the run then
// keeps or removes the draft directory.

#include "base/result.h"
#include "draft/draft_dir.h"
#include "draft/draft_file.h"
#include "editor/classify.h"
#include "editor/resolve.h"
#include "editor/signals.h"
#include "failure/failure.h"
#include "io/held_text.h"

namespace clippers {

// Starts `command` (program first, no shell) with the draft file of `dir` as
// its last argument, waits for it, reads the draft file back and classifies
// the result against `initial_draft` and `written`, the bytes the draft file
// was given, and against `draft`'s stamp.  `signals` is told when the editor
// starts and ends.  Fails with NoEditor when the program is not found,
// Replaced when another directory stands at `dir`'s path once the editor has
// exited, Io for any other failure to start, wait or read back; a read-back
// failure while something is still at the draft path names it as
// kept_draft.  Leaves the draft directory as it is.
Result<EditOutcome, EditorError> run_editor(const EditorCommand& command, const DraftDir& dir, const DraftFile& draft,
                                            Pieces initial_draft, Pieces written, EndSignals& signals);

}  // namespace clippers
