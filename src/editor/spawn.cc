#include "editor/spawn.h"

#include "editor/terminal.h"

namespace clippers {

Result<EditorExit, EditorError> run_editor_process(const EditorCommand& command, const std::string& draft_path,
                                                   ChildWatch& watch, std::optional<std::uint64_t> limit_ms) {
  // The clock starts before the child is prepared: a slow start is still the editor's time.
  const std::uint64_t start = monotonic_ms();
  const auto io_failure = [](int code) { return fail(EditorError{editor_error::Io{IoError::from_errno(code)}}); };
  EditorCommand argv = command;
  argv.push_back(draft_path);
  SpawnActions actions;
  if (const int rc = actions.failed(); rc != 0) return io_failure(rc);
  auto tty = attach_terminal(actions.get());
  if (!tty) return fail(EditorError{editor_error::Io{std::move(tty).error()}});
  auto pid = start_child(argv, actions.get(), watch);
  if (!pid) {
    if (pid.error() == ENOENT) return fail(EditorError{editor_error::NoEditor{}});
    return io_failure(pid.error());
  }
  auto waited = wait_child(*pid, watch, limit_ms);
  if (!waited) return io_failure(waited.error());
  return EditorExit{waited->status, monotonic_ms() - start, waited->timed_out};
}

}  // namespace clippers
