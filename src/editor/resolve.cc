#include "editor/resolve.h"

#include <cstdlib>

#include "text/utf8.h"
#include "text/whitespace.h"

namespace clippers {
namespace {

enum class State {
  Delimiter,
  Backslash,
  Unquoted,
  UnquotedBackslash,
  SingleQuoted,
  DoubleQuoted,
  DoubleQuotedBackslash,
  Comment,
};

bool is_blank_char(char c) { return c == ' ' || c == '\t' || c == '\n'; }

}  // namespace

// The splitter works on bytes although it is defined over characters: every
// character that changes state is ASCII, and no byte of a multi-byte UTF-8
// sequence is ASCII, so such bytes only ever take the "any other" row, and
// they all take it in the same state one after another.  Pushing them one by
// one is pushing the character.
Result<std::vector<std::string>, ParseError> split_words(std::string_view text) {
  std::vector<std::string> words;
  std::string word;
  const auto finish = [&] {
    words.push_back(std::move(word));
    word.clear();
  };

  State state = State::Delimiter;
  for (const char c : text) {
    switch (state) {
      case State::Delimiter:
        if (is_blank_char(c)) {
        } else if (c == '\'') {
          state = State::SingleQuoted;
        } else if (c == '"') {
          state = State::DoubleQuoted;
        } else if (c == '\\') {
          state = State::Backslash;
        } else if (c == '#') {
          state = State::Comment;
        } else {
          word.push_back(c);
          state = State::Unquoted;
        }
        break;
      case State::Backslash:
        // An escaped LF between words is a line continuation and starts no word.
        if (c == '\n') {
          state = State::Delimiter;
        } else {
          word.push_back(c);
          state = State::Unquoted;
        }
        break;
      case State::Unquoted:
        if (is_blank_char(c)) {
          finish();
          state = State::Delimiter;
        } else if (c == '\'') {
          state = State::SingleQuoted;
        } else if (c == '"') {
          state = State::DoubleQuoted;
        } else if (c == '\\') {
          state = State::UnquotedBackslash;
        } else {
          word.push_back(c);  // "#" inside a word is an ordinary character
        }
        break;
      case State::UnquotedBackslash:
        if (c != '\n') word.push_back(c);
        state = State::Unquoted;
        break;
      case State::SingleQuoted:
        // Nothing is special inside single quotes but the closing quote.
        if (c == '\'') {
          state = State::Unquoted;
        } else {
          word.push_back(c);
        }
        break;
      case State::DoubleQuoted:
        if (c == '"') {
          state = State::Unquoted;
        } else if (c == '\\') {
          state = State::DoubleQuotedBackslash;
        } else {
          word.push_back(c);
        }
        break;
      case State::DoubleQuotedBackslash:
        if (c == '"' || c == '$' || c == '`' || c == '\\') {
          word.push_back(c);
        } else if (c != '\n') {
          // Any other escape is not one: the backslash stays as written.
          word.push_back('\\');
          word.push_back(c);
        }
        state = State::DoubleQuoted;
        break;
      case State::Comment:
        if (c == '\n') state = State::Delimiter;
        break;
    }
  }

  switch (state) {
    case State::Delimiter:
    case State::Comment:
      break;
    case State::Unquoted:
      finish();
      break;
    case State::Backslash:
    case State::UnquotedBackslash:
      // Nothing left to escape: the backslash is an ordinary character.
      word.push_back('\\');
      finish();
      break;
    case State::SingleQuoted:
    case State::DoubleQuoted:
    case State::DoubleQuotedBackslash:
      return fail(ParseError{});
  }
  return words;
}

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
  return ChosenEditor{EditorCommand{"vi"}, ""};
}

Result<ChosenEditor, EditorError> resolve_editor() {
  return resolve_editor([](const char* name) -> const char* { return std::getenv(name); });
}

}  // namespace clippers
