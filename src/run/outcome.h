#pragma once
// What a run came to, and the one table that turns it into the run's exit
// status, the lines it prints, the fate of its draft directory and the
// reason --json gives, in either mode.  The README's table of drafts is this
// table as a user sees it.
//
//   const Verdict verdict = judge(outcome, situation);

#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "base/io_error.h"
#include "failure/failure.h"

namespace clippers {

// What becomes of the draft directory.
enum class DraftFate {
  // A message of the run names it.
  Keep,
  // Approved: it goes, with whatever the editor left in it.
  RemoveAll,
  // Nothing approved: it goes, unless the editor left files of its own there
  // (a rescue or swap file), which the user may still need; it then stays,
  // named in "kept {dir}: the editor left {names} there".
  RemoveUnlessLeft,
};

namespace outcome {
// The content (in standard-input mode, written to standard output); whether
// it differs from what the untouched buffer would have given.
struct Approved {
  std::vector<std::string_view> content;
  bool changed = false;
};
// The user emptied the text, or (--require-save) did not save the draft.
struct Aborted {
  bool not_saved = false;
};
// A signal passed on to the editor (or the check) ended it.
struct Interrupted {
  int signal;
};
// --timeout passed before a decision.
struct TimedOut {};
// --yes with a FILE that is empty or blank.
struct EmptyInput {};
// --yes: the check refused the input (`code` as CheckRun gives it).
struct CheckFailed {
  int code;
  std::string output;
};
// The check could not be started (an error number).
struct CheckNotRun {
  int error;
};
// Standard input could not be read, or is not UTF-8.
struct InputFailed {
  IoError error;
};
// The approved content could not be written to standard output.
struct StdoutFailed {
  IoError error;
};
}  // namespace outcome

// An EditorError comes from the editor steps in either mode; a RunError from
// FILE's own steps (reading, preparing beside it, replacing it).
using Outcome = std::variant<outcome::Approved, outcome::Aborted, outcome::Interrupted, outcome::TimedOut,
                             outcome::EmptyInput, outcome::CheckFailed, outcome::CheckNotRun, outcome::InputFailed,
                             outcome::StdoutFailed, EditorError, RunError>;

// Where the run stands when its outcome is judged.
struct Situation {
  const std::string* file = nullptr;  // FILE as given, in FILE mode
  std::string draft = {};             // the draft file's path, once there is one
  std::string_view timeout = {};      // --timeout as given
  std::string_view check = {};        // --check as given
};

struct Verdict {
  int status;
  std::vector<std::string> lines;  // message texts, without "clippers: "
  DraftFate fate;
  std::string_view reason;  // the JSON reason; empty for an approval
};

Verdict judge(const Outcome& outcome, const Situation& at);

}  // namespace clippers
