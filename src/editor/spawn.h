#pragma once
// Starting the editor and waiting for it: no shell, the program looked up on
// PATH, the draft file's path as the last argument, the terminal attached,
// default signal actions restored in the child, and the wait timed.
//
// Calling sequence: spawn_and_wait once per run, after the draft file is
// written; `signals` is told when the editor starts.

#include <cstdint>
#include <string>

#include "base/result.h"
#include "editor/resolve.h"
#include "editor/signals.h"
#include "failure/failure.h"

namespace clippers {

// How long an editor may take to end once a request to end was passed on to
// it, before it is killed.
constexpr std::uint64_t EDITOR_KILL_GRACE_MS = 5000;

struct EditorExit {
  int status;                // as waitpid gives it
  std::uint64_t elapsed_ms;  // from before the child was prepared to the end of the wait
};

// Starts `command` with `draft_path` added and waits for it, retrying an
// interrupted wait; an editor still running EDITOR_KILL_GRACE_MS after a
// signal was passed on to it is killed.  Fails with NoEditor when the program is not found (or
// its name is empty), Io for any other failure to prepare, start or wait.
Result<EditorExit, EditorError> spawn_and_wait(const EditorCommand& command, const std::string& draft_path,
                                               EndSignals& signals);

}  // namespace clippers
