#include "run/finish.h"

#include <string>
#include <utility>

#include "run/message.h"
#include "run/report.h"

namespace clippers {
namespace {

Summary summary_of(const Ending& e, const Verdict& verdict) {
  Summary s{.status = verdict.status, .reason = verdict.reason, .file = e.at.file, .elapsed_ms = e.elapsed_ms};
  if (const auto* approved = std::get_if<outcome::Approved>(&e.outcome)) s.changed = approved->changed;
  return s;
}

// Standard-input mode: the approved content, plain or inside the JSON
// object, is out before anything is removed.
std::optional<IoError> deliver(const Ending& e, const outcome::Approved& approved) {
  const Pieces content(approved.content);
  if (!e.request.json) {
    if (auto written = write_stdout_line(content); !written) return std::move(written).error();
    return std::nullopt;
  }
  Summary s = summary_of(e, Verdict{0, {}, DraftFate::RemoveAll, ""});
  s.content = content;
  if (auto written = write_json(s); !written) return std::move(written).error();
  return std::nullopt;
}

}  // namespace

int finish(Ending e) {
  bool delivered = false;
  // What the run writes on standard output now is the whole of it.
  if (e.signals != nullptr) e.signals->output_started();
  if (const auto* approved = std::get_if<outcome::Approved>(&e.outcome); approved && e.at.file == nullptr) {
    if (auto failed = deliver(e, *approved)) {
      e.outcome = outcome::StdoutFailed{std::move(*failed)};
    } else {
      delivered = true;
    }
  }
  const Verdict verdict = judge(e.outcome, e.at);
  if (const auto* interrupted = std::get_if<outcome::Interrupted>(&e.outcome); interrupted && e.signals != nullptr) {
    // The handler's own line: printed as the tool ends, by end_by.
    for (const std::string& line : verdict.lines) note_message(line);
    if (e.request.json) {
      Summary s = summary_of(e, verdict);
      s.draft = e.at.draft;
      [[maybe_unused]] auto ignored = write_json(s);
    }
    e.signals->end_by(interrupted->signal);
  }
  for (const std::string& line : verdict.lines) print_message(line);
  std::optional<std::string> kept;
  if (e.session != nullptr) kept = e.session->settle(verdict.fate, e.written);
  if (e.request.json && !delivered) {
    Summary s = summary_of(e, verdict);
    s.draft = std::move(kept);
    // Standard output failed already when this is the reason: nothing to add.
    if (!std::holds_alternative<outcome::StdoutFailed>(e.outcome)) [[maybe_unused]]
      auto ignored = write_json(s);
  }
  return verdict.status;
}

}  // namespace clippers
