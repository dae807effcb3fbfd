#pragma once
// The draft directory of one editing run, owned from the moment it is made
// to the moment it is settled, and registered with the end signals for all
// that time: a signal before the editor removes it, after the editor names
// it, and never leaves it unnamed.
//
//   EndSignals signals;
//   auto session = DraftSession::open(signals, parent, prefix, name);
//   ... write the draft through session->dir(), run the editor ...
//   std::optional<std::string> kept = session->settle(fate, written);

#include <optional>
#include <string>
#include <string_view>

#include "base/io_error.h"
#include "base/result.h"
#include "draft/draft_dir.h"
#include "run/end_signals.h"
#include "run/outcome.h"
#include "text/pieces.h"

namespace clippers {

class DraftSession {
 public:
  // Makes the draft directory (create_draft_dir) and registers it with
  // `signals`, which must outlive the session, with no moment between at
  // which a signal could leave it behind unremoved.
  static Result<DraftSession, IoError> open(EndSignals& signals, const std::string& parent, std::string_view prefix,
                                            std::string draft_name);
  DraftSession(DraftSession&& other) noexcept;
  DraftSession& operator=(DraftSession&&) = delete;
  // A session never settled removes its directory, silently.
  ~DraftSession();

  const DraftDir& dir() const { return dir_; }

  // Carries out `fate`, with the end signals held until it is done: Keep
  // leaves the directory for the message that names it, Remove removes it
  // with whatever the editor left in it, Discard removes it unless the
  // editor left files of its own there (a copy of `written`, the buffer as
  // the tool wrote it, such as an editor's backup, is not one), which then
  // keep it and are named in one line.  Whatever cannot be removed is named
  // in a warning; the run's outcome stays as it was.  Returns the draft
  // file's path when the directory stays.
  std::optional<std::string> settle(DraftFate fate, Pieces written);

 private:
  DraftSession(EndSignals& signals, DraftDir dir) : signals_(&signals), dir_(std::move(dir)) {}

  EndSignals* signals_;
  DraftDir dir_;
  bool settled_ = false;
};

}  // namespace clippers
