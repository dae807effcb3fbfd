#pragma once
// Choosing the editor: CLIPPERS_EDITOR, then VISUAL, then EDITOR, then the
// fallback this build was configured with (CLIPPERS_FALLBACK_EDITOR, "vi" by
// default), each setting split into words by split_words (text/words.h: quotes,
// backslashes, comments; nothing is expanded and no shell is run).
// The file system is never consulted.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "failure/failure.h"

namespace clippers {

// The program (a bare name looked up on PATH, or a path when it holds "/")
// followed by its leading arguments.  Never empty; words may be empty.
using EditorCommand = std::vector<std::string>;

// Reads one environment variable: its value, or nullptr when unset.
using EnvLookup = std::function<const char*(const char*)>;

// The variables read, in order.  CLIPPERS_EDITOR comes first so that the tool
// can itself be VISUAL for other programs and still open a real editor.
inline constexpr const char* EDITOR_VARIABLES[] = {"CLIPPERS_EDITOR", "VISUAL", "EDITOR"};

// The command and the variable it came from ("" for the fallback).
struct ChosenEditor {
  EditorCommand command;
  std::string variable;
};

// The editor command from EDITOR_VARIABLES, read through `lookup`.  A
// variable that is unset, not valid UTF-8, blank after trimming or holds no
// words passes on to the next; when none yields words the command is the
// fallback alone.
// A value the splitter rejects stops resolution with EditorError Io whose text
// is "missing closing quote", without looking at the next variable.
Result<ChosenEditor, EditorError> resolve_editor(const EnvLookup& lookup);

// The same over the process environment.
Result<ChosenEditor, EditorError> resolve_editor();

}  // namespace clippers
