#include "run/edit_in_place.h"

#include "buffer/buffer.h"
#include "draft/draft_dir.h"
#include "draft/target.h"
#include "editor/invoke.h"
#include "editor/resolve.h"
#include "run/message.h"
#include "text/utf8.h"

namespace clippers {
namespace {

int report(const RunError& error) {
  print_message(render_long(error));
  return 2;
}

}  // namespace

int edit_in_place(const std::string& file, const std::optional<std::string>& context) {
  auto opened = open_target(file);
  if (!opened) return report(opened.error());
  const Target& target = *opened;

  auto command = resolve_editor();
  if (!command) return report(to_run_error(std::move(command).error()));

  const auto cannot_prepare = [&](IoError error) {
    return report(run_error::CannotPrepare{target.base_dir, std::move(error)});
  };
  // Beside FILE's real location, so the final rename stays on one file system.
  auto created = create_draft_dir(target.base_dir, FILE_DRAFT_PREFIX);
  if (!created) return cannot_prepare(std::move(created).error());
  DraftDir dir = std::move(created).value();
  const std::string draft = dir.draft_file_path();

  const std::optional<std::string_view> footer =
      context ? std::optional<std::string_view>(*context) : std::nullopt;
  const std::vector<std::string_view> buffer = compose_buffer(target.text.pieces(), footer);
  {
    auto written = write_draft_file(dir, buffer);
    if (!written) return cannot_prepare(std::move(written).error());  // `dir` removes the directory
    if (auto copied = copy_identity(written->get(), target.status); !copied) {
      return cannot_prepare(std::move(copied).error());
    }
  }

  print_message("editing " + lossy_utf8(draft));
  auto outcome = run_editor(*command, dir, target.text.pieces(), buffer);
  if (!outcome) {
    RunError error = to_run_error(std::move(outcome).error());
    // A draft that could not be read back is still the user's work.
    if (const auto* io = std::get_if<run_error::Io>(&error); io && io->kept_draft) std::move(dir).keep();
    return report(error);
  }

  if (auto* approved = std::get_if<edit_outcome::Approved>(&*outcome)) {
    auto replaced = replace_target(std::move(dir), target, approved->content);
    return replaced ? 0 : report(replaced.error());
  }
  if (auto* interrupted = std::get_if<edit_outcome::Interrupted>(&*outcome)) {
    std::move(dir).keep();
    return end_by_signal(interrupted->signal, draft);
  }
  if (auto* exited = std::get_if<edit_outcome::EditorExited>(&*outcome); exited && exited->code == -1) {
    // An editor killed mid-edit may have left recovery files beside the draft.
    std::move(dir).keep();
    return report(run_error::EditorExited{-1, draft});
  }
  // Nothing was approved: FILE stays as it was and the draft goes with `dir`.
  if (std::holds_alternative<edit_outcome::Aborted>(*outcome)) {
    print_message("aborted; " + lossy_utf8(file) + " left unchanged");
    return 1;
  }
  if (auto* never = std::get_if<edit_outcome::NeverOpened>(&*outcome)) {
    return report(run_error::NeverOpened{never->ms});
  }
  return report(run_error::EditorExited{std::get<edit_outcome::EditorExited>(*outcome).code});
}

}  // namespace clippers
