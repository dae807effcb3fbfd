#pragma once
// The two failure types of a run and the texts they print as.  RunError is the
// failure of a FILE-mode run; EditorError that of the editor and draft-file
// steps, and of a standard-input run.  Each is printed once, by the run.

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "base/io_error.h"

namespace clippers {

namespace run_error {
struct NoEditor {};
struct CannotRead {
  std::string path;
  IoError error;
};
struct ContainsClippersLine {
  std::string path;
  std::uint64_t line;
};
struct CannotPrepare {
  std::string path;
  IoError error;
};
// draft: set when the editor was ended by a signal, whose recovery files
// the user may still want; a deliberate non-zero exit leaves nothing behind.
struct EditorExited {
  std::int32_t code;
  std::optional<std::string> draft = std::nullopt;
};
struct NeverOpened {
  std::uint32_t ms;
};
struct ReplaceFailed {
  std::string target;
  IoError error;
  std::string draft;
};
// FILE's access control list could not be given to its replacement, so FILE
// was not replaced; `draft` holds the approved content instead.
struct AclNotCopied {
  std::string path;
  IoError error;
  std::string draft;
};
// FILE was changed or replaced by someone else while the editor was open;
// `draft` holds the approved content instead.
struct Changed {
  std::string path;
  std::string draft;
};
// kept_draft: set when the failure left the user's edited draft on disk, so
// the message can say where it is.
struct Io {
  IoError error;
  std::optional<std::string> kept_draft = std::nullopt;
  // A file of the tool's own it could not remove from the kept draft
  // directory (an unfinished copy of the approved text), and why.
  std::optional<PathError> left = std::nullopt;
};
// The editor command is one that hands the file to a window and returns at
// once; `fix` is the command with its wait flag, when it has one.
struct NoWait {
  std::string program;
  std::optional<std::string> fix;
};
// The editor command runs `program`, an editor that draws in a terminal, and
// no terminal can be reached.
struct NoTerminal {
  std::string program;
};
// The editor setting in `variable` ("" for the build's fallback editor) starts this tool itself.
struct Itself {
  std::string variable;
};
// Someone put another directory at the draft directory's path while the
// editor ran; `now_at` is where the tool's own directory went, when known.
struct Replaced {
  std::string dir;
  std::optional<std::string> now_at;
};
}  // namespace run_error

using RunError = std::variant<run_error::NoEditor, run_error::CannotRead, run_error::ContainsClippersLine,
                              run_error::CannotPrepare, run_error::EditorExited, run_error::NeverOpened,
                              run_error::ReplaceFailed, run_error::Io, run_error::Changed, run_error::AclNotCopied,
                              run_error::NoWait, run_error::Itself, run_error::Replaced, run_error::NoTerminal>;

namespace editor_error {
struct NoEditor {};
struct EditorExited {
  std::int32_t code;
  std::string draft;
};
struct NeverOpened {
  std::uint32_t ms;
  std::string draft;
};
// kept_draft: set when the edited draft could not be read back but is still
// on disk, kept for the user.
struct Io {
  IoError error;
  std::optional<std::string> kept_draft = std::nullopt;
};
using run_error::Itself;
using run_error::NoTerminal;
using run_error::NoWait;
using run_error::Replaced;
}  // namespace editor_error

using EditorError =
    std::variant<editor_error::NoEditor, editor_error::EditorExited, editor_error::NeverOpened, editor_error::Io,
                 editor_error::NoWait, editor_error::Itself, editor_error::Replaced, editor_error::NoTerminal>;

// Whether the run must keep its draft directory after this failure: a draft
// that could not be read back is still the user's work, and so is the
// directory the tool made when another was put in its place.
bool keeps_draft(const EditorError& error);

// The RunError case of the same name; the draft path of NeverOpened, and of
// EditorExited unless a signal ended the editor, is dropped; an io failure
// moves over unchanged with the draft it keeps; the refusals of the editor
// and a replaced draft directory are the same in both.
RunError to_run_error(EditorError error);

// The text of an io failure: the system's description and " (os error N)",
// or the failure's own message; a PathError adds " at path " and the quoted path.
std::string render_io_error(const IoError& error);

// The text of a RunError, without prefix or line feed.
std::string render_long(const RunError& error);

// The text of an EditorError, without prefix or line feed.
std::string render_with_draft(const EditorError& error);

// Printed after an EditorError NoEditor in standard-input mode.
extern const char* const HINT_LINE;

}  // namespace clippers
