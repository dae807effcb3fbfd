#pragma once
// One opening of the editor on the draft file: start it and wait, check that
// the draft directory is still the one held, read the draft back and
// classify what the editor left behind.
//
// Calling sequence: write_draft_file, then run_editor; the run may write the
// draft anew and open the editor again (a failed check), then keeps or
// removes the draft directory.

#include <cstdint>
#include <optional>
#include <string>

#include "base/result.h"
#include "draft/draft_dir.h"
#include "draft/draft_file.h"
#include "editor/child.h"
#include "editor/classify.h"
#include "editor/resolve.h"
#include "failure/failure.h"
#include "io/held_text.h"

namespace clippers {

// What the editor left in the draft file, as read back: the storage that an
// Approved content views.
struct EditedText {
  HeldText text;
  std::string whole;   // the text in one piece, when it was read in several
  std::string joined;  // the approved lines joined, where CR LF had to go
};

// What the run asks of this opening: a time limit, and whether an approval
// needs a save.
struct EditorLimits {
  std::optional<std::uint64_t> limit_ms = std::nullopt;
  bool require_save = false;
};

// Starts `command` (program first, no shell) with the draft file of `dir` as
// its last argument, waits for it (held to `limits.limit_ms`; a request to
// end that `watch` passes on ends it), reads the draft file back into
// `edited` and classifies the result against `initial_draft` and `written`,
// the bytes the draft file was given, and against `draft`'s stamp.  Sets
// `ran_ms` to how long the editor ran, once it has.  Fails with NoEditor
// when the program is not found, Replaced when another directory stands at
// `dir`'s path once the editor has exited, Io for any other failure to
// start, wait or read back; a read-back failure while something is still at
// the draft path names it as kept_draft.  Leaves the draft directory as it is.
Result<EditOutcome, EditorError> run_editor(const EditorCommand& command, const DraftDir& dir, const DraftFile& draft,
                                            Pieces initial_draft, Pieces written, ChildWatch& watch,
                                            const EditorLimits& limits, EditedText& edited,
                                            std::optional<std::uint64_t>& ran_ms);

}  // namespace clippers
