#pragma once
// Running the editor on the draft file, waiting for it, and classifying what
// it left behind.

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "failure/failure.h"
#include "text/result.h"

namespace clippers {

// An editor that returns this fast with the draft untouched most likely never showed it.
constexpr std::uint32_t NEVER_OPENED_THRESHOLD_MS = 500;

namespace edit_outcome {
struct Approved { std::string content; };  // never empty, never ends in white space
struct Aborted {};
struct NeverOpened { std::uint32_t ms; };  // below NEVER_OPENED_THRESHOLD_MS
struct EditorExited { std::int32_t code; };  // exit code, or -1 when ended by a signal
}  // namespace edit_outcome

using EditOutcome = std::variant<edit_outcome::Approved, edit_outcome::Aborted,
                                 edit_outcome::NeverOpened, edit_outcome::EditorExited>;

// Starts `command` (program first, no shell) with `draft_path` as its last
// argument, waits for it, reads the draft file back and classifies the result
// against `initial_draft`.  Fails with NoEditor when the program is not found,
// Io for any other failure to start, wait or read back.  Leaves the draft file
// where it is.
Result<EditOutcome, EditorError> run_editor(const std::vector<std::string>& command,
                                            const std::string& draft_path,
                                            std::string_view initial_draft);

// The classification of an editor that exited with status 0 after `elapsed_ms`,
// leaving `edited` in the draft file.
EditOutcome classify_edit(std::string_view edited, std::string_view initial_draft,
                          std::uint64_t elapsed_ms);

}  // namespace clippers
