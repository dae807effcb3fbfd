#include "editor/terminal.h"

#include <fcntl.h>
#include <unistd.h>

#include <utility>
#include <vector>

namespace clippers {

bool terminal_reachable() {
  return (isatty(STDIN_FILENO) != 0 && isatty(STDOUT_FILENO) != 0) || open_file("/dev/tty", O_RDWR | O_NOCTTY).ok();
}

Result<Fd, IoError> attach_terminal(posix_spawn_file_actions_t& actions) {
  const bool in_tty = isatty(STDIN_FILENO) != 0;
  const bool out_tty = isatty(STDOUT_FILENO) != 0;
  if (in_tty && out_tty) return Fd();
  Fd held;                                  // what the editor's streams are copied from
  std::vector<std::pair<int, int>> copies;  // (from, to)
  if (auto tty = open_file("/dev/tty", O_RDWR | O_NOCTTY)) {
    held = std::move(tty).value();
    if (!in_tty) copies.emplace_back(held.get(), STDIN_FILENO);
    if (!out_tty) copies.emplace_back(held.get(), STDOUT_FILENO);
  } else {
    // A closed standard error has nothing to give; the editor's own then stays.
    if (!out_tty && ::fcntl(STDERR_FILENO, F_GETFD) != -1) copies.emplace_back(STDERR_FILENO, STDOUT_FILENO);
    if (!in_tty) {
      // Standard input is the caller's (a pipe it may still write, a file):
      // an editor with no terminal to read keys from reads nothing of it.
      auto null = open_file("/dev/null", O_RDONLY);
      if (!null) return fail(std::move(null).error());
      held = std::move(null).value();
      copies.emplace_back(held.get(), STDIN_FILENO);
    }
  }
  for (const auto& [from, to] : copies) {
    if (const int rc = posix_spawn_file_actions_adddup2(&actions, from, to); rc != 0) {
      return fail(IoError::from_errno(rc));
    }
  }
  return held;
}

}  // namespace clippers
