#pragma once
// Refusing, before anything is written, editor commands that would approve a
// draft nobody saw or that cannot show it: a launcher that hands the file to
// a window and returns at once, a setting that starts this tool on its own
// draft, and an editor that draws in a terminal when there is none.
//
// A command is judged by the program it comes down to: the base name of its
// first word; behind `env` (its options, NAME=value words and "--"), the word
// env runs; behind `flatpak run [options] APP`, the last dot-separated part of
// APP, lower-cased; behind `snap run [options] APP`, APP up to any ".".
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

// NoWait when the command's program is a known launcher used without the flag
// that makes it wait, emacsclient told not to wait, or a vim told to hand the
// file to a server and return; `fix` is the command as it would wait (the
// flag right after the program, the waiting form in place of the other), or
// nullopt where the program cannot wait (xdg-open).
std::optional<editor_error::NoWait> missing_wait_flag(const EditorCommand& command);

// The file the spawn runs for `program`: `program` itself when it holds "/",
// else the first executable file of that name in PATH's directories.  Only a
// regular file counts; nullopt when there is none.
struct FoundProgram {
  std::string path;
  struct stat st;
};
std::optional<FoundProgram> find_program(const std::string& program);

// The name of the terminal editor that `command` runs, judged by its program
// and options (vim without -g, nano, emacs with -nw or with no display, ...);
// when the name of the first word says nothing (`editor`), by the base name
// of `found` with every link resolved.  nullopt for any other program.
std::optional<std::string> terminal_editor(const EditorCommand& command, const FoundProgram& found);

// In order: NoWait; Itself naming the chosen variable; NoTerminal when the
// program is found, is a terminal editor and no terminal can be reached.
Result<void, EditorError> vet_editor(const ChosenEditor& chosen);

}  // namespace clippers
