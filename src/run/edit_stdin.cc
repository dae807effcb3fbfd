#include "run/edit_stdin.h"

#include <unistd.h>

#include "buffer/buffer.h"
#include "draft/draft_dir.h"
#include "editor/invoke.h"
#include "editor/resolve.h"
#include "io/fd.h"
#include "run/message.h"
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

}  // namespace

int edit_from_stdin(const HeldText& input, const std::optional<std::string>& context) {
  // The editor is resolved before anything touches the disk, so a malformed
  // setting leaves nothing behind.
  auto command = resolve_editor();
  if (!command) return report(command.error());

  auto created = create_draft_dir(system_temp_dir(), STDIN_DRAFT_PREFIX);
  if (!created) return io_failure(std::move(created).error());
  DraftDir dir = std::move(created).value();
  const std::string draft = dir.draft_file_path();

  const std::optional<std::string_view> footer =
      context ? std::optional<std::string_view>(*context) : std::nullopt;
  const std::vector<std::string_view> buffer = compose_buffer(input.pieces(), footer);
  if (auto written = write_draft_file(dir, buffer); !written) {
    return io_failure(std::move(written).error());  // `dir` removes the directory
  }

  auto outcome = run_editor(*command, dir, input.pieces(), buffer);
  if (!outcome) {
    // A draft that could not be read back is still the user's work.
    if (const auto* io = std::get_if<editor_error::Io>(&outcome.error()); io && io->kept_draft) {
      std::move(dir).keep();
    }
    return report(outcome.error());
  }

  if (auto* approved = std::get_if<edit_outcome::Approved>(&*outcome)) {
    // The draft goes only once the approved text is safely out: if standard
    // output fails, the user's edits are still on disk and the message says where.
    if (auto written = write_stdout_line(approved->content); !written) {
      std::move(dir).keep();
      print_message("failed to write stdout: " + render_io_error(written.error()) +
                    "; draft preserved at " + lossy_utf8(draft));
      return 2;
    }
    return 0;
  }
  // Every other outcome keeps the draft and names it.
  std::move(dir).keep();
  if (auto* interrupted = std::get_if<edit_outcome::Interrupted>(&*outcome)) {
    return end_by_signal(interrupted->signal, draft);
  }
  if (std::holds_alternative<edit_outcome::Aborted>(*outcome)) {
    print_message("aborted; draft preserved at " + lossy_utf8(draft));
    return 1;
  }
  if (auto* never = std::get_if<edit_outcome::NeverOpened>(&*outcome)) {
    return report(editor_error::NeverOpened{never->ms, draft});
  }
  return report(editor_error::EditorExited{std::get<edit_outcome::EditorExited>(*outcome).code, draft});
}

}  // namespace clippers
