#pragma once
// How the tool answers the signals that would end it (SIGTERM, SIGHUP,
// SIGINT, SIGQUIT, SIGALRM, SIGUSR1 and every other one whose default action
// ends a process, but those that report a fault of the tool's own) while a
// draft directory exists, so that a signal never leaves a draft on disk that
// no message names.
//
// Calling sequence, one editing run:
//   EndSignals signals;                         handlers in place
//   auto dir = signals.make_draft_dir(...);      a signal now removes the
//                                                directory (it holds nothing
//                                                of the user's) and ends the tool
//   signals.editing(); spawn; signals.editor_started(pid);
//   wait, with signals.sleep() between tries    a signal other than SIGINT and
//                                                SIGQUIT goes on to the editor
//                                                and wakes the sleep; SIGINT and
//                                                SIGQUIT are the editor's alone
//   signals.edited(draft);                       a signal now names the draft,
//                                                which stays, and ends the tool
//   { auto held = signals.hold(); remove the directory; }
//                                                a signal waits until the
//                                                directory is gone, then ends the tool
// A signal the tool was started with ignored (nohup) stays ignored.  Where a
// signal's default action cannot end the tool (process 1 of a PID namespace),
// the tool exits with 128 + the signal instead of carrying on.

#include <signal.h>
#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

#include "base/io_error.h"
#include "base/result.h"
#include "draft/draft_dir.h"
#include "io/fd.h"

namespace clippers {

class EndSignals {
 public:
  EndSignals();
  // Puts back the actions the tool had; a signal held meanwhile then acts.
  ~EndSignals();
  EndSignals(const EndSignals&) = delete;
  EndSignals& operator=(const EndSignals&) = delete;

  // create_draft_dir with no moment at which a signal could leave the new
  // directory behind unremoved.
  Result<DraftDir, IoError> make_draft_dir(const std::string& parent, std::string_view prefix);

  // The editor is about to be started; `editor_started` once its pid is
  // known (a signal that came before is passed on then), `editor_not_started`
  // when the start failed (a signal that came meanwhile then acts).
  void editing();
  void editor_started(pid_t pid);
  void editor_not_started();
  // The signal passed on to the editor, or 0.
  int received() const;
  // Sleeps until a child ends, a signal is passed on, or `timeout_ms` has
  // passed (-1: no limit), whichever comes first; may return early.
  void sleep(int timeout_ms) const;

  // The editor has exited: from now on `draft` is what a signal names.
  void edited(const std::string& draft);

  // The directory is gone or kept for good and named: a signal simply ends
  // the tool.  Call it while holding signals, before the hold ends.
  void done();

  // Signals wait while this lives.
  class Held {
   public:
    Held();
    ~Held();
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;

   private:
    sigset_t saved_;
  };
  Held hold() const { return {}; }

  // Says that `signal` ended the run and where the draft is (the one given to
  // `edited`), then ends the tool by that signal.
  [[noreturn]] void end_by(int signal) const;

 private:
  void restore_child();

  std::string dir_path_;
  std::string tail_;  // "; draft at {draft}\n"
  std::vector<int> signals_;
  std::vector<struct sigaction> saved_;
  struct sigaction saved_child_ = {};
  bool child_handled_ = false;
  Fd wake_read_, wake_write_;
};

}  // namespace clippers
