#include "run/edit.h"

#include <string>
#include <vector>

#include "buffer/buffer.h"
#include "buffer/extract.h"
#include "draft/draft_file.h"
#include "draft/identity.h"
#include "draft/target.h"
#include "draft/temp_dir.h"
#include "editor/check.h"
#include "editor/invoke.h"
#include "editor/resolve.h"
#include "editor/vet.h"
#include "run/draft_session.h"
#include "run/end_signals.h"
#include "run/finish.h"
#include "run/message.h"
#include "run/report.h"
#include "text/utf8.h"

namespace clippers {
namespace {

// Everything the run holds while the editor is open, and the views into it
// that the buffer and the approved content are.
class EditRun {
 public:
  EditRun(const Request& request, const Target* target, Pieces initial)
      : request_(request), target_(target), initial_(initial) {
    at_.file = target != nullptr ? &request.file.value() : nullptr;
    at_.timeout = request.timeout ? std::string_view(*request.timeout) : std::string_view();
    at_.check = request.check ? std::string_view(*request.check) : std::string_view();
  }

  int run() {
    auto chosen = resolve_editor();
    if (!chosen) return end(std::move(chosen).error());
    if (auto vetted = vet_editor(*chosen); !vetted) return end(std::move(vetted).error());

    // Beside FILE's real location in FILE mode, so that the final rename
    // stays on one file system; there, the draft takes FILE's own name, so
    // that the editor treats it as the kind of file it is.
    const std::string parent = target_ != nullptr ? target_->base_dir : system_temp_dir();
    std::string name = target_ != nullptr ? target_->name : std::string(DRAFT_FILE_NAME);
    if (request_.suffix) name += *request_.suffix;
    auto opened = DraftSession::open(signals_, parent, target_ != nullptr ? FILE_DRAFT_PREFIX : STDIN_DRAFT_PREFIX,
                                     std::move(name));
    if (!opened) return end(cannot_prepare(std::move(opened).error()));
    session_.emplace(std::move(opened).value());
    at_.draft = session_->dir().draft_file_path();
    report_signals();
    return end(edit_until_decided(chosen->command));
  }

  // The outcome of a run that stopped before its draft directory existed.
  int end(Outcome outcome) {
    return finish({.request = request_,
                   .outcome = std::move(outcome),
                   .at = at_,
                   .session = session_ ? &*session_ : nullptr,
                   .written = buffer_,
                   .elapsed_ms = elapsed_ms_,
                   .signals = &signals_});
  }

 private:
  // With --json, a signal that ends the tool in the handler still leaves the
  // JSON object: it is kept up to date with what the run knows.
  void report_signals() {
    if (!request_.json) return;
    report_signals_in_json(signals_, {.file = at_.file, .draft = at_.draft, .elapsed_ms = elapsed_ms_});
  }

  Outcome cannot_prepare(IoError error) const {
    if (target_ != nullptr) return RunError{run_error::CannotPrepare{target_->base_dir, std::move(error)}};
    return EditorError{editor_error::Io{std::move(error)}};
  }

  // Writes the buffer for `draft` into the draft file: the first time, and
  // again for each opening after a failed check, when the draft already
  // holds the user's text and is kept, and named, if the writing fails.
  Result<DraftFile, Outcome> write_draft(Pieces draft, bool again) {
    buffer_ = compose_buffer(draft, request_.context, notes_);
    const auto failed = [&](IoError error) -> Outcome {
      if (again) return EditorError{editor_error::Io{std::move(error), at_.draft}};
      return cannot_prepare(std::move(error));
    };
    auto written = write_draft_file(session_->dir(), buffer_, again);
    if (!written) return fail(failed(std::move(written).error()));
    // FILE mode: the draft is as private as FILE while the editor has it.
    if (target_ != nullptr) {
      if (auto copied = copy_identity(written->fd.get(), target_->status); !copied) {
        return fail(failed(std::move(copied).error()));
      }
    }
    return std::move(written).value();
  }

  // Opens the editor until the person decides (or a failure decides): an
  // approval that fails the check opens it again on the approved text.
  Outcome edit_until_decided(const EditorCommand& command) {
    notes_.require_save = request_.require_save;
    draft_ = initial_;
    for (bool again = false;; again = true) {
      auto written = write_draft(draft_, again);
      if (!written) return std::move(written).error();
      if (!again && target_ != nullptr) {
        print_message("editing " + printable_utf8(at_.draft));
        report_signals();
      }
      std::optional<std::uint64_t> ran;
      auto result = run_editor(command, session_->dir(), *written, draft_, buffer_, signals_, limits(), edited_, ran);
      if (ran) elapsed_ms_ = elapsed_ms_.value_or(0) + *ran;
      report_signals();
      if (!result) return std::move(result).error();
      if (std::optional<Outcome> decided = decide(*result)) return std::move(*decided);
    }
  }

  // The outcome of one opening of the editor, or nothing when the approved
  // content failed the check and the editor must open again on it.
  std::optional<Outcome> decide(const EditOutcome& result) {
    return std::visit(
        Overload{
            [&](const edit_outcome::Approved& e) { return checked(e.content); },
            [](const edit_outcome::Aborted&) -> std::optional<Outcome> { return outcome::Aborted{}; },
            [](const edit_outcome::NotSaved&) -> std::optional<Outcome> { return outcome::Aborted{.not_saved = true}; },
            [&](const edit_outcome::NeverOpened& e) -> std::optional<Outcome> {
              return EditorError{editor_error::NeverOpened{e.ms, at_.draft}};
            },
            [&](const edit_outcome::EditorExited& e) -> std::optional<Outcome> {
              return EditorError{editor_error::EditorExited{e.code, at_.draft}};
            },
            [](const edit_outcome::Interrupted& e) -> std::optional<Outcome> { return outcome::Interrupted{e.signal}; },
            [](const edit_outcome::TimedOut&) -> std::optional<Outcome> { return outcome::TimedOut{}; },
        },
        result);
  }

  // An approval that the check (if any) lets through is delivered; one it
  // refuses becomes the next draft, with the check's report below the cut.
  std::optional<Outcome> checked(std::string_view content) {
    if (!request_.check) return deliver(content);
    auto check = run_check(request_.check_command, Pieces(&content, 1), signals_);
    if (!check) return outcome::CheckNotRun{check.error()};
    if (signals_.received() != 0) return outcome::Interrupted{signals_.received()};
    if (check->code == 0) return deliver(content);
    // A copy: the next read back replaces what `content` views.
    next_draft_.assign(content);
    draft_view_ = next_draft_;
    draft_ = Pieces(&draft_view_, 1);
    report_ = check_report(check->code, check->output);
    notes_.report = report_;
    return std::nullopt;
  }

  EditorLimits limits() const {
    EditorLimits limits{.require_save = request_.require_save};
    if (request_.timeout_ms) {
      const std::uint64_t used = elapsed_ms_.value_or(0);
      limits.limit_ms = used < *request_.timeout_ms ? *request_.timeout_ms - used : 0;
    }
    return limits;
  }

  // An approval: FILE mode replaces FILE now; standard-input mode writes
  // the content when the run ends.
  Outcome deliver(std::string_view content) {
    if (target_ != nullptr) {
      if (auto replaced = replace_target(session_->dir(), *target_, content); !replaced) {
        return std::move(replaced).error();
      }
    }
    return outcome::Approved{{content}, !approves_as_is(content, initial_)};
  }

  const Request& request_;
  const Target* target_;
  Pieces initial_;
  Situation at_;
  EndSignals signals_;
  std::optional<DraftSession> session_;
  BufferNotes notes_;
  std::vector<std::string_view> buffer_;
  EditedText edited_;
  Pieces draft_;  // the draft of the current opening
  std::string next_draft_, report_;
  std::string_view draft_view_;
  std::optional<std::uint64_t> elapsed_ms_;
};

}  // namespace

int edit(const Request& request, const HeldText* input) {
  if (input != nullptr) return EditRun(request, nullptr, input->pieces()).run();
  auto opened = open_target(*request.file);
  if (!opened) {
    const Situation at{.file = &*request.file};
    return finish({.request = request, .outcome = std::move(opened).error(), .at = at});
  }
  const Target& target = *opened;
  return EditRun(request, &target, target.text.pieces()).run();
}

}  // namespace clippers
