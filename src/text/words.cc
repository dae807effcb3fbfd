#include "text/words.h"

#include <utility>

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

// The splitter's words so far and the one being built; each state's row of
// the table is one function that takes the next byte and gives the next state.
class Splitter {
 public:
  State step(State state, char c) {
    switch (state) {
      case State::Delimiter: return delimiter(c);
      case State::Backslash:
        // An escaped LF between words is a line continuation and starts no word.
        return c == '\n' ? State::Delimiter : push(c, State::Unquoted);
      case State::Unquoted: return unquoted(c);
      case State::UnquotedBackslash: return c == '\n' ? State::Unquoted : push(c, State::Unquoted);
      case State::SingleQuoted:
        // Nothing is special inside single quotes but the closing quote.
        return c == '\'' ? State::Unquoted : push(c, State::SingleQuoted);
      case State::DoubleQuoted: return double_quoted(c);
      case State::DoubleQuotedBackslash: return double_quoted_backslash(c);
      case State::Comment: return c == '\n' ? State::Delimiter : State::Comment;
    }
    return state;
  }

  // The words at the end of the text, or ParseError inside quotes.
  Result<std::vector<std::string>, ParseError> finish(State state) {
    switch (state) {
      case State::Delimiter:
      case State::Comment: break;
      case State::Unquoted: end_word(); break;
      case State::Backslash:
      case State::UnquotedBackslash:
        // Nothing left to escape: the backslash is an ordinary character.
        word_.push_back('\\');
        end_word();
        break;
      case State::SingleQuoted:
      case State::DoubleQuoted:
      case State::DoubleQuotedBackslash: return fail(ParseError{});
    }
    return std::move(words_);
  }

 private:
  State push(char c, State next) {
    word_.push_back(c);
    return next;
  }

  void end_word() {
    words_.push_back(std::move(word_));
    word_.clear();
  }

  State delimiter(char c) {
    if (is_blank_char(c)) return State::Delimiter;
    if (c == '\'') return State::SingleQuoted;
    if (c == '"') return State::DoubleQuoted;
    if (c == '\\') return State::Backslash;
    if (c == '#') return State::Comment;
    return push(c, State::Unquoted);
  }

  State unquoted(char c) {
    if (is_blank_char(c)) {
      end_word();
      return State::Delimiter;
    }
    if (c == '\'') return State::SingleQuoted;
    if (c == '"') return State::DoubleQuoted;
    if (c == '\\') return State::UnquotedBackslash;
    return push(c, State::Unquoted);  // "#" inside a word is an ordinary character
  }

  State double_quoted(char c) {
    if (c == '"') return State::Unquoted;
    if (c == '\\') return State::DoubleQuotedBackslash;
    return push(c, State::DoubleQuoted);
  }

  State double_quoted_backslash(char c) {
    if (c == '"' || c == '$' || c == '`' || c == '\\') return push(c, State::DoubleQuoted);
    if (c == '\n') return State::DoubleQuoted;  // a line continuation
    // Any other escape is not one: the backslash stays as written.
    word_.push_back('\\');
    return push(c, State::DoubleQuoted);
  }

  std::vector<std::string> words_;
  std::string word_;
};

}  // namespace

// The splitter works on bytes although it is defined over characters: every
// character that changes state is ASCII, and no byte of a multi-byte UTF-8
// sequence is ASCII, so such bytes only ever take the "any other" row, and
// they all take it in the same state one after another.  Pushing them one by
// one is pushing the character.
Result<std::vector<std::string>, ParseError> split_words(std::string_view text) {
  Splitter splitter;
  State state = State::Delimiter;
  for (const char c : text) state = splitter.step(state, c);
  return splitter.finish(state);
}

}  // namespace clippers
