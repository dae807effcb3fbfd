#include "run/outcome.h"

#include "base/result.h"
#include "text/utf8.h"

namespace clippers {
namespace {

// HINT_LINE's text, as a message.
std::string hint() {
  std::string_view line = HINT_LINE;
  line.remove_prefix(std::string_view("clippers: ").size());
  line.remove_suffix(1);
  return std::string(line);
}

std::string_view reason_of(const IoError& error) { return error.invalid_utf8 ? "invalid-utf8" : "io"; }

std::string_view reason_of(const RunError& error) {
  return std::visit(
      Overload{
          [](const run_error::CannotRead& e) {
            return e.error.invalid_utf8 ? std::string_view("invalid-utf8") : std::string_view("cannot-read");
          },
          [](const run_error::ContainsClippersLine&) { return std::string_view("contains-clippers-line"); },
          [](const run_error::Changed&) { return std::string_view("file-changed"); },
          [](const run_error::NoEditor&) { return std::string_view("no-editor"); },
          [](const run_error::EditorExited&) { return std::string_view("editor-exited"); },
          [](const run_error::NeverOpened&) { return std::string_view("never-opened"); },
          [](const run_error::NoWait&) { return std::string_view("launcher"); },
          [](const run_error::Itself&) { return std::string_view("self-reference"); },
          [](const run_error::NoTerminal&) { return std::string_view("no-terminal"); },
          [](const auto&) { return std::string_view("io"); },
      },
      error);
}

// The editor's failures have the same words as their FILE-mode cases.
std::string_view reason_of(const EditorError& error) { return reason_of(to_run_error(error)); }

// A failure of the editor steps: standard-input mode names the draft in
// every failure that keeps it; FILE mode keeps it only where the user's edit
// may be in it (an editor killed mid-edit, a draft that could not be read
// back, a directory put in its place).
Verdict editor_failure(const EditorError& error, const Situation& at) {
  const std::string_view reason = reason_of(error);
  if (at.file == nullptr) {
    std::vector<std::string> lines = {render_with_draft(error)};
    if (std::holds_alternative<editor_error::NoEditor>(error)) lines.push_back(hint());
    const bool keeps = keeps_draft(error) || std::holds_alternative<editor_error::NeverOpened>(error) ||
                       std::holds_alternative<editor_error::EditorExited>(error);
    return {2, std::move(lines), keeps ? DraftFate::Keep : DraftFate::RemoveUnlessLeft, reason};
  }
  const auto* exited = std::get_if<editor_error::EditorExited>(&error);
  const bool keeps = keeps_draft(error) || (exited != nullptr && exited->code == -1);
  return {2, {render_long(to_run_error(error))}, keeps ? DraftFate::Keep : DraftFate::RemoveUnlessLeft, reason};
}

// A failure of FILE's own steps: before the draft exists (reading FILE,
// making the directory) nothing is kept; a replacement that did not happen
// keeps the draft, which holds the approved content.
Verdict file_failure(const RunError& error) {
  const bool keeps = std::holds_alternative<run_error::Changed>(error) ||
                     std::holds_alternative<run_error::ReplaceFailed>(error) ||
                     std::holds_alternative<run_error::AclNotCopied>(error) ||
                     (std::holds_alternative<run_error::Io>(error) && std::get<run_error::Io>(error).kept_draft);
  return {2, {render_long(error)}, keeps ? DraftFate::Keep : DraftFate::RemoveUnlessLeft, reason_of(error)};
}

}  // namespace

Verdict judge(const Outcome& outcome, const Situation& at) {
  const bool file_mode = at.file != nullptr;
  const std::string file = file_mode ? printable_utf8(*at.file) : std::string();
  const std::string draft = printable_utf8(at.draft);
  // Where nothing of the user's can be lost but a draft exists, it is named.
  const std::string preserved = at.draft.empty() ? "" : "; draft preserved at " + draft;
  return std::visit(
      Overload{
          [&](const outcome::Approved&) -> Verdict {
            return {0, {}, DraftFate::RemoveAll, ""};
          },
          [&](const outcome::Aborted& a) -> Verdict {
            const std::string why = a.not_saved ? "aborted: the draft was not saved" : "aborted";
            // In FILE mode the draft holds nothing FILE does not: it goes.
            if (file_mode && a.not_saved) return {1, {why}, DraftFate::RemoveUnlessLeft, "not-saved"};
            if (file_mode) return {1, {why + "; " + file + " left unchanged"}, DraftFate::RemoveUnlessLeft, "emptied"};
            return {1, {why + preserved}, DraftFate::Keep, a.not_saved ? "not-saved" : "emptied"};
          },
          [&](const outcome::Interrupted& i) -> Verdict {
            std::string line = "interrupted by signal " + std::to_string(i.signal);
            if (!at.draft.empty()) line += "; draft at " + draft;
            return {128 + i.signal, {std::move(line)}, DraftFate::Keep, "interrupted"};
          },
          [&](const outcome::TimedOut&) -> Verdict {
            return {2, {"no decision within " + std::string(at.timeout) + preserved}, DraftFate::Keep, "timeout"};
          },
          [&](const outcome::EmptyInput&) -> Verdict {
            return {1, {file + " is empty; nothing to approve"}, DraftFate::RemoveUnlessLeft, "empty-input"};
          },
          [&](const outcome::CheckFailed& c) -> Verdict {
            std::string line = "check failed (exit " + std::to_string(c.code) + ")";
            const std::string_view output = c.output;
            if (const std::string_view first = output.substr(0, output.find('\n')); !first.empty()) {
              line += ": " + printable_utf8(first);
            }
            return {2, {std::move(line)}, DraftFate::RemoveUnlessLeft, "check-failed"};
          },
          [&](const outcome::CheckNotRun& c) -> Verdict {
            return {2,
                    {"cannot run the check \"" + printable_utf8(at.check) +
                     "\": " + render_io_error(IoError::from_errno(c.error)) + preserved},
                    at.draft.empty() ? DraftFate::RemoveUnlessLeft : DraftFate::Keep,
                    "check-failed"};
          },
          [&](const outcome::InputFailed& f) -> Verdict {
            return {2,
                    {"failed to read stdin: " + render_io_error(f.error)},
                    DraftFate::RemoveUnlessLeft,
                    reason_of(f.error)};
          },
          [&](const outcome::StdoutFailed& f) -> Verdict {
            return {2, {"failed to write stdout: " + render_io_error(f.error) + preserved}, DraftFate::Keep, "io"};
          },
          [&](const EditorError& e) -> Verdict { return editor_failure(e, at); },
          [&](const RunError& e) -> Verdict { return file_failure(e); },
      },
      outcome);
}

}  // namespace clippers
