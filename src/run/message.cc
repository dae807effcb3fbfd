#include "run/message.h"

#include <unistd.h>

#include <string>

#include "io/fd.h"

namespace clippers {

void print_message(std::string_view text) {
  std::string line;
  line.reserve(text.size() + 11);
  line += "clippers: ";
  line += text;
  line += '\n';
  [[maybe_unused]] auto ignored = write_all(STDERR_FILENO, line);
}

Result<void, IoError> write_stdout_line(std::string content) {
  // Appending in place: approved texts can be as large as the input, and a
  // second copy of them would double the tool's peak memory.
  content += '\n';
  return write_all(STDOUT_FILENO, content);
}

}  // namespace clippers
