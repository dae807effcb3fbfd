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

Result<void, IoError> write_stdout_line(std::string_view content) {
  // One buffer, one write: large approved texts should not cost a second
  // system call for the final line feed, and a reader sees it whole or not at all.
  std::string out;
  out.reserve(content.size() + 1);
  out += content;
  out += '\n';
  return write_all(STDOUT_FILENO, out);
}

}  // namespace clippers
