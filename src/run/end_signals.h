#pragma once
// How the tool answers the signals that would end it (SIGTERM, SIGHUP,
// SIGINT, SIGQUIT, SIGALRM, SIGUSR1 and every other one whose default action
// ends a process, but those that report a fault of the tool's own), so that
// a signal never leaves a draft on disk that no message names.  The handler
// only acts on what is registered: the draft directory, and the child that
// runs.
//
// Calling sequence, one editing run (see run/draft_session.h, which does the
// registering):
//   EndSignals signals;                       handlers in place
//   { Held; make the directory; prepared(dir) }
//                                              a signal removes the draft file
//                                              and the directory (nothing of
//                                              the user's is there yet) and
//                                              ends the tool
//   a child runs (ChildWatch)                 a signal other than SIGINT and
//                                              SIGQUIT is passed on to it; SIGINT
//                                              and SIGQUIT are the editor's own
//   once a child has run                      a signal names the draft, which
//                                              stays, and ends the tool
//   { Held; remove or keep the directory; settled() }
// A signal the tool was started with ignored (nohup) stays ignored.  Where a
// signal's default action cannot end the tool (process 1 of a PID namespace),
// the tool exits with 128 + the signal instead of carrying on.

#include <signal.h>
#include <sys/types.h>

#include <string>
#include <vector>

#include "draft/draft_dir.h"
#include "editor/child.h"
#include "io/fd.h"

namespace clippers {

class EndSignals final : public ChildWatch {
 public:
  EndSignals();
  // Puts back the actions the tool had; a signal held meanwhile then acts.
  ~EndSignals();
  EndSignals(const EndSignals&) = delete;
  EndSignals& operator=(const EndSignals&) = delete;

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

  // `dir`, just made while signals were held, is the run's draft directory,
  // holding nothing but the draft file the tool writes.
  void prepared(const DraftDir& dir);
  // The directory is removed or kept for good and named: a signal simply
  // ends the tool.  Call it while signals are held.
  void settled();

  // ChildWatch: a child runs between starting() and ended(); after the first
  // one, a signal names the draft.
  void starting() override;
  void started(pid_t pid) override;
  void not_started() override;
  void ended() override;
  int received() const override;
  int wake_fd() const override;
  void drain() const override;

  // Says that `signal` ended the run and where the draft is, then ends the
  // tool by that signal.
  [[noreturn]] void end_by(int signal) const;

  // With --json: the object the handler writes on standard output when a
  // signal ends the tool, in pieces around the numbers only the handler
  // knows.  Before the editor: `before_status`, 128 + N, `rest`; once the
  // draft is named, the same with N between `rest` and `after`.
  struct Report {
    std::string before_status, rest, after;
  };
  void report_json(Report prepared, Report named);
  // The run writes standard output itself from now on: the handler adds nothing there.
  void output_started();

 private:
  void restore_child();

  std::string dir_path_;
  std::string draft_name_;
  std::string tail_;  // "; draft at {draft}\n", or "\n" before there is a draft
  Report prepared_json_, named_json_;
  std::vector<int> signals_;
  std::vector<struct sigaction> saved_;
  struct sigaction saved_child_ = {};
  bool child_handled_ = false;
  int phase_before_child_ = 0;
  Fd wake_read_, wake_write_;
};

}  // namespace clippers
