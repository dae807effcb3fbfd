#include "editor/resolve.h"

#include <cstdlib>

#include "text/utf8.h"
#include "text/whitespace.h"
#include "text/words.h"

namespace clippers {

Result<ChosenEditor, EditorError> resolve_editor(const EnvLookup& lookup) {
  for (const char* name : EDITOR_VARIABLES) {
    const char* raw = lookup(name);
    if (raw == nullptr) continue;
    const std::string_view value(raw);
    if (!is_valid_utf8(value)) continue;
    const std::string_view trimmed = trim(value);
    if (trimmed.empty()) continue;
    auto words = split_words(trimmed);
    // A malformed setting is the user's mistake to fix, not a reason to open
    // some other editor: stop here rather than try the next variable.
    if (!words.ok()) {
      return fail(editor_error::Io{IoError::with_message(std::string(PARSE_ERROR_MESSAGE))});
    }
    // A value that is only a comment names no editor; the next source may.
    if (!words->empty()) return ChosenEditor{std::move(words).value(), name};
  }
  return ChosenEditor{EditorCommand{CLIPPERS_FALLBACK_EDITOR}, ""};
}

Result<ChosenEditor, EditorError> resolve_editor() {
  return resolve_editor([](const char* name) -> const char* { return std::getenv(name); });
}

}  // namespace clippers
