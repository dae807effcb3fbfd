#pragma once
// The end of every run, whatever its mode: an approved content delivered to
// standard output, the outcome judged, its lines printed, the draft
// directory settled and, with --json, the outcome written as JSON.
//
//   return finish({.request = request, .outcome = ..., .at = ..., .session = &session, ...});

#include <cstdint>
#include <optional>

#include "run/draft_session.h"
#include "run/end_signals.h"
#include "run/outcome.h"
#include "run/request.h"
#include "text/pieces.h"

namespace clippers {

struct Ending {
  const Request& request;
  Outcome outcome;
  Situation at;
  DraftSession* session = nullptr;  // the draft directory, once there is one
  Pieces written = {};              // the buffer as last written to the draft file
  std::optional<std::uint64_t> elapsed_ms = {};
  EndSignals* signals = nullptr;  // ends an interrupted run
};

// Returns the run's exit status.  In standard-input mode an approved content
// goes to standard output (with one line feed, or inside the JSON object)
// before the draft directory goes, so that a failed write keeps it and names
// it.  An interrupted run ends here, by its signal.
int finish(Ending ending);

}  // namespace clippers
