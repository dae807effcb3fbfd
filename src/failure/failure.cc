#include "failure/failure.h"

#include "base/result.h"
#include "text/utf8.h"

namespace clippers {

const char* const HINT_LINE =
    "clippers: hint: in a non-interactive environment, pass --yes to approve without editing\n";

namespace {

constexpr std::string_view kNoEditor = "no editor available ($VISUAL, $EDITOR unset and editor not found)";

std::string never_opened(std::uint32_t ms) {
  return "editor returned in " + std::to_string(ms) +
         "ms without changes; it likely never opened. Causes: $EDITOR missing a wait flag "
         "(e.g. `code --wait`), a sandbox blocking the editor's IPC, or the binary not on PATH";
}

// From a whole string: built in place, the text's first 16 bytes landed in
// the binary right before another message's, and the package check read the
// two as one misspelt word ("withe").
std::string exited(std::int32_t code) { return std::string("editor exited with code ") + std::to_string(code); }

std::string io(const IoError& error, const std::optional<std::string>& kept_draft,
               const std::optional<PathError>& left = std::nullopt) {
  std::string text = "io error: " + render_io_error(error);
  if (kept_draft) text += "; your edited draft is kept at " + printable_utf8(*kept_draft);
  if (left) {
    text += "; an unfinished copy could not be removed from there (" + render_io_error(left->err) +
            "): " + printable_utf8(left->path);
  }
  return text;
}

std::string draft_at(const std::string& draft) { return "; draft at " + printable_utf8(draft); }

std::string no_wait(const run_error::NoWait& e) {
  return printable_utf8(e.program) + " returns before the file is closed; " +
         (e.fix ? "use \"" + printable_utf8(*e.fix) + "\"" : "set an editor that waits, such as \"code --wait\"");
}

std::string itself(const run_error::Itself& e) {
  return (e.variable.empty() ? std::string("the default editor " CLIPPERS_FALLBACK_EDITOR) : "$" + e.variable) +
         " names clippers itself; set CLIPPERS_EDITOR to the editor to open (CLIPPERS_EDITOR=vim)";
}

std::string replaced(const run_error::Replaced& e) {
  std::string text = printable_utf8(e.dir) + " was replaced while the editor ran; nothing approved";
  if (e.now_at) text += "; the draft directory is now at " + printable_utf8(*e.now_at);
  return text;
}

std::string no_terminal(const run_error::NoTerminal& e) {
  constexpr std::string_view kNeeds =
      " needs a terminal and there is none; run clippers from a terminal, or set CLIPPERS_EDITOR to a graphical "
      "editor with its wait flag (CLIPPERS_EDITOR=\"gvim -f\")";
  return printable_utf8(e.program).append(kNeeds);
}

std::string acl_not_copied(const run_error::AclNotCopied& e) {
  return printable_utf8(e.path) +
         " was not replaced: its access control list could not be carried over: " + render_io_error(e.error) +
         "; your edited draft is kept at " + printable_utf8(e.draft);
}

}  // namespace

bool keeps_draft(const EditorError& error) {
  const auto* io = std::get_if<editor_error::Io>(&error);
  return (io != nullptr && io->kept_draft) || std::holds_alternative<editor_error::Replaced>(error);
}

RunError to_run_error(EditorError error) {
  return std::visit(Overload{
                        [](editor_error::NoEditor) -> RunError { return run_error::NoEditor{}; },
                        [](editor_error::EditorExited& e) -> RunError {
                          if (e.code == -1) return run_error::EditorExited{e.code, std::move(e.draft)};
                          return run_error::EditorExited{e.code};
                        },
                        [](editor_error::NeverOpened& e) -> RunError { return run_error::NeverOpened{e.ms}; },
                        [](editor_error::Io& e) -> RunError {
                          return run_error::Io{std::move(e.error), std::move(e.kept_draft)};
                        },
                        [](editor_error::NoWait& e) -> RunError { return std::move(e); },
                        [](editor_error::Itself& e) -> RunError { return std::move(e); },
                        [](editor_error::Replaced& e) -> RunError { return std::move(e); },
                        [](editor_error::NoTerminal& e) -> RunError { return std::move(e); },
                    },
                    error);
}

std::string render_long(const RunError& error) {
  using namespace run_error;
  return std::visit(
      Overload{
          [](const NoEditor&) { return std::string(kNoEditor); },
          [](const CannotRead& e) { return "cannot read " + printable_utf8(e.path) + ": " + render_io_error(e.error); },
          [](const ContainsClippersLine& e) {
            return printable_utf8(e.path) + " already contains the clippers line (line " + std::to_string(e.line) +
                   "); refusing to edit it in place to avoid discarding content below it";
          },
          [](const CannotPrepare& e) {
            return "cannot prepare the edit buffer in " + printable_utf8(e.path) + ": " + render_io_error(e.error);
          },
          [](const EditorExited& e) { return exited(e.code) + (e.draft ? draft_at(*e.draft) : ""); },
          [](const NeverOpened& e) { return never_opened(e.ms); },
          [](const ReplaceFailed& e) {
            return "failed to replace " + printable_utf8(e.target) + ": " + render_io_error(e.error) +
                   "; your edited draft is kept at " + printable_utf8(e.draft);
          },
          [](const Io& e) { return io(e.error, e.kept_draft, e.left); },
          [](const Changed& e) {
            return printable_utf8(e.path) + " changed while it was being edited; your edited draft is kept at " +
                   printable_utf8(e.draft);
          },
          [](const AclNotCopied& e) { return acl_not_copied(e); },
          [](const NoWait& e) { return no_wait(e); },
          [](const Itself& e) { return itself(e); },
          [](const Replaced& e) { return replaced(e); },
          [](const NoTerminal& e) { return no_terminal(e); },
      },
      error);
}

std::string render_with_draft(const EditorError& error) {
  using namespace editor_error;
  return std::visit(Overload{
                        [](const NoEditor&) { return std::string(kNoEditor); },
                        [](const EditorExited& e) { return exited(e.code) + draft_at(e.draft); },
                        [](const NeverOpened& e) { return never_opened(e.ms) + draft_at(e.draft); },
                        [](const Io& e) { return io(e.error, e.kept_draft); },
                        [](const NoWait& e) { return no_wait(e); },
                        [](const Itself& e) { return itself(e); },
                        [](const Replaced& e) { return replaced(e); },
                        [](const NoTerminal& e) { return no_terminal(e); },
                    },
                    error);
}

}  // namespace clippers
