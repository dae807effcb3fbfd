#pragma once
// Refusing, before anything is written, editor commands that would approve a
// draft nobody saw: a launcher that hands the file to a window and returns at
// once, and a setting that starts this tool on its own draft.
//
// Calling sequence: resolve_editor, then vet_editor; the run goes on to make
// the draft directory only when vet_editor succeeds.

#include <sys/stat.h>

#include <optional>
#include <string>

#include "base/result.h"
#include "editor/resolve.h"
#include "failure/failure.h"

namespace clippers {

// NoWait when the command's program (by its base name) is a known launcher
// used without the flag that makes it wait; `fix` is the command with that
// flag, or nullopt where the program has none (xdg-open).
std::optional<editor_error::NoWait> missing_wait_flag(const EditorCommand& command);

// The file the spawn runs for `program`: `program` itself when it holds "/",
// else the first executable file of that name in PATH's directories.  Only a
// regular file counts; nullopt when there is none.
struct FoundProgram {
  std::string path;
  struct stat st;
};
std::optional<FoundProgram> find_program(const std::string& program);

// Both checks: NoWait, or Itself naming the chosen variable.
Result<void, EditorError> vet_editor(const ChosenEditor& chosen);

}  // namespace clippers
