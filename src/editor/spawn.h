#pragma once
// Running the editor: its words and the draft file's path, the terminal
// attached, a time limit if the run has one, and the time it took.
//
// Calling sequence: run_editor_process once per opening of the editor, after
// the draft file is written.

#include <cstdint>
#include <optional>
#include <string>

#include "base/result.h"
#include "editor/child.h"
#include "editor/resolve.h"
#include "failure/failure.h"

namespace clippers {

struct EditorExit {
  int status;                // as waitpid gives it
  std::uint64_t elapsed_ms;  // from before the child was prepared to the end of the wait
  bool timed_out = false;    // `limit_ms` passed and the editor was ended
};

// Starts `command` with `draft_path` added and waits for it (see wait_child:
// past `limit_ms`, or after a request to end, it is ended).  Fails with
// NoEditor when the program is not found (or its name is empty), Io for any
// other failure to prepare, start or wait.
Result<EditorExit, EditorError> run_editor_process(const EditorCommand& command, const std::string& draft_path,
                                                   ChildWatch& watch, std::optional<std::uint64_t> limit_ms);

}  // namespace clippers
