#include "run/edit_in_place.h"

#include "buffer/buffer.h"
#include "draft/draft_dir.h"
#include "draft/draft_file.h"
#include "draft/identity.h"
#include "draft/target.h"
#include "editor/invoke.h"
#include "editor/resolve.h"
#include "editor/signals.h"
#include "editor/vet.h"
#include "run/message.h"
#include "run/settle.h"
#include "text/utf8.h"

namespace clippers {
namespace {

int report(const RunError& error) {
  print_message(render_long(error));
  return 2;
}

Ending edit(const DraftDir& dir, EndSignals& signals, const EditorCommand& command, const Target& target,
            Pieces buffer) {
  const std::string draft = dir.draft_file_path();
  const auto cannot_prepare = [&](IoError error) -> Ending {
    return {report(run_error::CannotPrepare{target.base_dir, std::move(error)}), DraftFate::Discard};
  };
  auto written = write_draft_file(dir, buffer);
  if (!written) return cannot_prepare(std::move(written).error());
  if (auto copied = copy_identity(written->fd.get(), target.status); !copied) {
    return cannot_prepare(std::move(copied).error());
  }

  print_message("editing " + printable_utf8(draft));
  auto outcome = run_editor(command, dir, *written, target.text.pieces(), buffer, signals);
  if (!outcome) {
    const DraftFate fate = keeps_draft(outcome.error()) ? DraftFate::Keep : DraftFate::Discard;
    return {report(to_run_error(std::move(outcome).error())), fate};
  }
  // FILE stays as it was unless the approved content replaced it; every
  // failure of the replacement names the draft.
  return std::visit(
      Overload{
          [&](const edit_outcome::Approved& approved) -> Ending {
            auto replaced = replace_target(dir, target, approved.content);
            return replaced ? Ending{0, DraftFate::Remove} : Ending{report(replaced.error()), DraftFate::Keep};
          },
          [&](const edit_outcome::Interrupted& interrupted) -> Ending { signals.end_by(interrupted.signal); },
          [&](const edit_outcome::Aborted&) -> Ending {
            print_message("aborted; " + printable_utf8(target.path) + " left unchanged");
            return {1, DraftFate::Discard};
          },
          [&](const edit_outcome::NeverOpened& never) -> Ending {
            return {report(to_run_error(editor_error::NeverOpened{never.ms, draft})), DraftFate::Discard};
          },
          [&](const edit_outcome::EditorExited& exited) -> Ending {
            // The same failure as in standard-input mode; only an editor
            // killed mid-edit keeps its draft here (recovery files may be
            // beside it), and the message names it then.
            const int status = report(to_run_error(editor_error::EditorExited{exited.code, draft}));
            return {status, exited.code == -1 ? DraftFate::Keep : DraftFate::Discard};
          },
      },
      *outcome);
}

}  // namespace

int edit_in_place(const std::string& file, const std::optional<std::string>& context) {
  auto opened = open_target(file);
  if (!opened) return report(opened.error());
  const Target& target = *opened;

  auto chosen = resolve_editor();
  if (!chosen) return report(to_run_error(std::move(chosen).error()));
  if (auto vetted = vet_editor(*chosen); !vetted) return report(to_run_error(std::move(vetted).error()));

  EndSignals signals;
  // Beside FILE's real location, so the final rename stays on one file system.
  auto created = signals.make_draft_dir(target.base_dir, FILE_DRAFT_PREFIX);
  if (!created) return report(run_error::CannotPrepare{target.base_dir, std::move(created).error()});
  DraftDir dir = std::move(created).value();
  const std::optional<std::string_view> footer = context ? std::optional<std::string_view>(*context) : std::nullopt;
  const std::vector<std::string_view> buffer = compose_buffer(target.text.pieces(), footer);
  const Ending ending = edit(dir, signals, chosen->command, target, buffer);
  settle_draft(std::move(dir), ending.fate, buffer, signals);
  return ending.status;
}

}  // namespace clippers
