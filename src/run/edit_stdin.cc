#include "run/edit_stdin.h"

#include <unistd.h>

#include "buffer/buffer.h"
#include "draft/draft_dir.h"
#include "draft/draft_file.h"
#include "draft/temp_dir.h"
#include "editor/invoke.h"
#include "editor/resolve.h"
#include "editor/signals.h"
#include "editor/vet.h"
#include "io/fd.h"
#include "run/message.h"
#include "run/settle.h"
#include "text/utf8.h"

namespace clippers {
namespace {

int report(const EditorError& error) {
  print_message(render_with_draft(error));
  if (std::holds_alternative<editor_error::NoEditor>(error)) {
    [[maybe_unused]] auto ignored = write_all(STDERR_FILENO, HINT_LINE);
  }
  return 2;
}

int io_failure(IoError error) { return report(editor_error::Io{std::move(error)}); }

Ending edit(const DraftDir& dir, EndSignals& signals, const EditorCommand& command, const HeldText& input,
            Pieces buffer) {
  const std::string draft = dir.draft_file_path();
  auto written = write_draft_file(dir, buffer);
  if (!written) return {io_failure(std::move(written).error()), DraftFate::Discard};

  auto outcome = run_editor(command, dir, *written, input.pieces(), buffer, signals);
  if (!outcome) {
    const DraftFate fate = keeps_draft(outcome.error()) ? DraftFate::Keep : DraftFate::Discard;
    return {report(outcome.error()), fate};
  }
  // Every outcome but an approval keeps the draft and names it.
  return std::visit(
      Overload{
          [&](const edit_outcome::Approved& approved) -> Ending {
            // The draft goes only once the approved text is safely out: if
            // standard output fails, the user's edits are still on disk and
            // the message says where.
            if (auto out = write_stdout_line(approved.content); !out) {
              print_message("failed to write stdout: " + render_io_error(out.error()) + "; draft preserved at " +
                            printable_utf8(draft));
              return {2, DraftFate::Keep};
            }
            return {0, DraftFate::Remove};
          },
          [&](const edit_outcome::Interrupted& interrupted) -> Ending { signals.end_by(interrupted.signal); },
          [&](const edit_outcome::Aborted&) -> Ending {
            print_message("aborted; draft preserved at " + printable_utf8(draft));
            return {1, DraftFate::Keep};
          },
          [&](const edit_outcome::NeverOpened& never) -> Ending {
            return {report(editor_error::NeverOpened{never.ms, draft}), DraftFate::Keep};
          },
          [&](const edit_outcome::EditorExited& exited) -> Ending {
            return {report(editor_error::EditorExited{exited.code, draft}), DraftFate::Keep};
          },
      },
      *outcome);
}

}  // namespace

int edit_from_stdin(const HeldText& input, const std::optional<std::string>& context) {
  // The editor is resolved and vetted before anything touches the disk, so a
  // setting that cannot work leaves nothing behind.
  auto chosen = resolve_editor();
  if (!chosen) return report(chosen.error());
  if (auto vetted = vet_editor(*chosen); !vetted) return report(vetted.error());

  EndSignals signals;
  auto created = signals.make_draft_dir(system_temp_dir(), STDIN_DRAFT_PREFIX);
  if (!created) return io_failure(std::move(created).error());
  DraftDir dir = std::move(created).value();
  const std::optional<std::string_view> footer = context ? std::optional<std::string_view>(*context) : std::nullopt;
  const std::vector<std::string_view> buffer = compose_buffer(input.pieces(), footer);
  const Ending ending = edit(dir, signals, chosen->command, input, buffer);
  settle_draft(std::move(dir), ending.fate, buffer, signals);
  return ending.status;
}

}  // namespace clippers
