#include "run/message.h"

#include <signal.h>
#include <unistd.h>

#include <string>

#include "io/fd.h"
#include "text/utf8.h"

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

int end_by_signal(int signal, const std::string& draft) {
  print_message("interrupted by signal " + std::to_string(signal) + "; draft at " + lossy_utf8(draft));
  struct sigaction default_action {};
  default_action.sa_handler = SIG_DFL;
  sigemptyset(&default_action.sa_mask);
  sigaction(signal, &default_action, nullptr);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, signal);
  sigprocmask(SIG_UNBLOCK, &only, nullptr);
  raise(signal);
  return 128 + signal;
}

}  // namespace clippers
