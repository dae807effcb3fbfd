#include "editor/invoke.h"

#include <sys/wait.h>

#include <optional>
#include <string>

#include "editor/spawn.h"

namespace clippers {

Result<EditOutcome, EditorError> run_editor(const EditorCommand& command, const DraftDir& dir, const DraftFile& draft,
                                            Pieces initial_draft, Pieces written, EndSignals& signals) {
  if (command.empty()) return fail(EditorError{editor_error::NoEditor{}});
  const std::string draft_path = dir.draft_file_path();
  auto exited = spawn_and_wait(command, draft_path, signals);
  if (!exited) return fail(std::move(exited).error());
  signals.edited(draft_path);
  // The editor was given a path: if another directory now stands there, what
  // the user did went into that one, and nothing the tool holds is theirs to approve.
  if (!dir.at_path()) return fail(EditorError{editor_error::Replaced{dir.path(), dir.current_path()}});
  if (signals.received() != 0) return EditOutcome{edit_outcome::Interrupted{signals.received()}};
  const int status = exited->status;
  if (!WIFEXITED(status)) return EditOutcome{edit_outcome::EditorExited{-1}};
  if (WEXITSTATUS(status) != 0) return EditOutcome{edit_outcome::EditorExited{WEXITSTATUS(status)}};

  // Before the tool's own read moves the access time.
  const bool unread = unread_since(dir, draft.stamp);
  // By name, so an editor that wrote a new file under the same name is read
  // like any other.  Whatever is left there that cannot be read back is the
  // user's work all the same: it stays, and the message says where.
  auto edited = read_draft_file(dir);
  if (!edited) {
    std::optional<std::string> kept;
    if (draft_file_exists(dir)) kept = draft_path;
    return fail(EditorError{editor_error::Io{std::move(edited).error(), std::move(kept)}});
  }
  // A regular file is held in one piece; only one that grew while it was read
  // comes in several, and is then copied into one.
  std::shared_ptr<const void> storage;
  std::string_view text;
  if (const auto whole = edited->contiguous()) {
    text = *whole;
    storage = std::make_shared<HeldText>(std::move(edited).value());
  } else {
    auto flat = std::make_shared<std::string>(edited->str());
    text = *flat;
    storage = std::move(flat);
  }
  EditOutcome outcome = classify_edit(text, initial_draft, written, exited->elapsed_ms, unread);
  if (auto* approved = std::get_if<edit_outcome::Approved>(&outcome); approved && !approved->storage) {
    approved->storage = std::move(storage);
  }
  return outcome;
}

}  // namespace clippers
