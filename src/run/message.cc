#include "run/message.h"

#include <unistd.h>

#include <string>
#include <vector>

#include "io/fd.h"
#include "text/utf8.h"

namespace clippers {
namespace {

// One run per process: its messages, for the JSON outcome.
std::vector<std::string>& kept_messages() {
  static std::vector<std::string> kept;
  return kept;
}

}  // namespace

void note_message(std::string_view text) { kept_messages().emplace_back(text); }

const std::vector<std::string>& messages() { return kept_messages(); }

void print_message(std::string_view text) {
  note_message(text);
  std::string line;
  line.reserve(text.size() + 11);
  line += "clippers: ";
  line += text;
  line += '\n';
  [[maybe_unused]] auto ignored = write_all(STDERR_FILENO, line);
}

Result<void, IoError> write_stdout_line(Pieces content) {
  // The line feed is one more piece rather than appended to the text:
  // approved texts can be as large as the input, and growing or copying them
  // for one byte would double the tool's peak memory.
  std::vector<std::string_view> line(content.begin(), content.end());
  line.emplace_back("\n");
  return write_all(STDOUT_FILENO, line);
}

Result<void, IoError> write_stdout_line(std::string_view content) { return write_stdout_line(Pieces(&content, 1)); }

}  // namespace clippers
