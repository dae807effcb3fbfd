#pragma once
// What becomes of the draft directory when an editing run is done with it:
// the one place where it is kept or removed.

#include "draft/draft_dir.h"
#include "editor/signals.h"
#include "text/pieces.h"

namespace clippers {

enum class DraftFate {
  // A message of the run names it.
  Keep,
  // Approved: it goes, with whatever the editor left in it.
  Remove,
  // Nothing approved: it goes, unless the editor left files of its own there
  // (a rescue or swap file), which the user may still need; it then stays,
  // named in "kept {dir}: the editor left {names} there".  A file that holds
  // exactly the draft as written (an editor's backup) is none of the user's
  // work: it neither keeps the directory nor is named.
  Discard,
};

// An editing run's exit status and what becomes of its draft directory.
struct Ending {
  int status;
  DraftFate fate;
};

// Keeps or removes `dir` as `fate` says, with the end signals held until it
// is done; `written` is the draft as the tool wrote it.  Whatever cannot be
// removed is named in one warning line; the run's outcome stays as it was.
void settle_draft(DraftDir dir, DraftFate fate, Pieces written, EndSignals& signals);

}  // namespace clippers
