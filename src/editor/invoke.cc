#include "editor/invoke.h"

#include <sys/wait.h>

#include "editor/spawn.h"

namespace clippers {

Result<EditOutcome, EditorError> run_editor(const EditorCommand& command, const DraftDir& dir, const DraftFile& draft,
                                            Pieces initial_draft, Pieces written, ChildWatch& watch,
                                            const EditorLimits& limits, EditedText& edited,
                                            std::optional<std::uint64_t>& ran_ms) {
  if (command.empty()) return fail(EditorError{editor_error::NoEditor{}});
  const std::string draft_path = dir.draft_file_path();
  auto exited = run_editor_process(command, draft_path, watch, limits.limit_ms);
  if (!exited) return fail(std::move(exited).error());
  ran_ms = exited->elapsed_ms;
  // The editor was given a path: if another directory now stands there, what
  // the user did went into that one, and nothing the tool holds is theirs to approve.
  if (!dir.at_path()) return fail(EditorError{editor_error::Replaced{dir.path(), dir.current_path()}});
  if (watch.received() != 0) return EditOutcome{edit_outcome::Interrupted{watch.received()}};
  if (exited->timed_out) return EditOutcome{edit_outcome::TimedOut{}};
  const int status = exited->status;
  if (!WIFEXITED(status)) return EditOutcome{edit_outcome::EditorExited{-1}};
  if (WEXITSTATUS(status) != 0) return EditOutcome{edit_outcome::EditorExited{WEXITSTATUS(status)}};

  // Before the tool's own read moves the access time.
  EditorFacts facts{.elapsed_ms = exited->elapsed_ms, .unread = unread_since(dir, draft.stamp)};
  if (limits.require_save) facts.saved = saved_since(dir, draft.stamp);
  // By name, so an editor that wrote a new file under the same name is read
  // like any other.  Whatever is left there that cannot be read back is the
  // user's work all the same: it stays, and the message says where.
  auto text = read_draft_file(dir);
  if (!text) {
    std::optional<std::string> kept;
    if (draft_file_exists(dir)) kept = draft_path;
    return fail(EditorError{editor_error::Io{std::move(text).error(), std::move(kept)}});
  }
  edited.text = std::move(text).value();
  return classify_edit(edited.text.whole(edited.whole), initial_draft, written, facts, edited.joined);
}

}  // namespace clippers
