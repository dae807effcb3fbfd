#pragma once
// The outcome of a run as one JSON object on one line of standard output
// (--json), for programs: every member is always there, null where it does
// not apply.
//
//   write_json({.status = 1, .reason = "emptied", .draft = kept, ...});

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/io_error.h"
#include "base/result.h"
#include "run/end_signals.h"
#include "text/pieces.h"

namespace clippers {

struct Summary {
  int status = 0;
  std::string_view reason = {};                  // empty for an approval: null
  std::optional<Pieces> content = {};            // the approved content, in standard-input mode
  std::optional<bool> changed = {};              // set on an approval
  const std::string* file = nullptr;             // FILE as given, in FILE mode
  std::optional<std::string> draft = {};         // the draft file kept, if any
  std::optional<std::uint64_t> elapsed_ms = {};  // the editor's time, once it ran
};

// Writes the object and a line feed to standard output: "outcome" (from the
// status), "status", "content", "changed", "file" (shown with U+FFFD for
// bytes that are not UTF-8), "draft", "reason", "message" (the run's
// messages so far, joined by line feeds, or null) and "elapsed_ms".
Result<void, IoError> write_json(const Summary& summary);

// The object of a run that a signal ends as things stand (`now`: the file,
// the draft, the editor's time so far), in the pieces the signal handler
// writes: before the editor, and once the draft is named.
void report_signals_in_json(EndSignals& signals, const Summary& now);

}  // namespace clippers
