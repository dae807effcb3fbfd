#include "editor/terminal.h"

#include <fcntl.h>
#include <unistd.h>

namespace clippers {

bool terminal_reachable() {
  return (isatty(STDIN_FILENO) != 0 && isatty(STDOUT_FILENO) != 0) || open_file("/dev/tty", O_RDWR | O_NOCTTY).ok();
}

Result<Fd, IoError> attach_terminal(posix_spawn_file_actions_t& actions) {
  const bool in_tty = isatty(STDIN_FILENO) != 0;
  const bool out_tty = isatty(STDOUT_FILENO) != 0;
  if (in_tty && out_tty) return Fd();
  const auto dup2_action = [&](int from, int to) -> Result<void, IoError> {
    if (const int rc = posix_spawn_file_actions_adddup2(&actions, from, to); rc != 0) {
      return fail(IoError::from_errno(rc));
    }
    return {};
  };
  auto opened = open_file("/dev/tty", O_RDWR | O_NOCTTY);
  if (!opened) {
    // A closed standard error has nothing to give; the editor's own then stays.
    if (!out_tty && ::fcntl(STDERR_FILENO, F_GETFD) != -1) {
      CLIPPERS_TRY(dup2_action(STDERR_FILENO, STDOUT_FILENO));
    }
    if (in_tty) return Fd();
    // Standard input is the caller's (a pipe it may still write, a file):
    // an editor with no terminal to read keys from reads nothing of it.
    auto null = open_file("/dev/null", O_RDONLY);
    if (!null) return fail(std::move(null).error());
    CLIPPERS_TRY(dup2_action(null->get(), STDIN_FILENO));
    return std::move(null).value();
  }
  Fd tty = std::move(opened).value();
  if (!in_tty) {
    CLIPPERS_TRY(dup2_action(tty.get(), STDIN_FILENO));
  }
  if (!out_tty) {
    CLIPPERS_TRY(dup2_action(tty.get(), STDOUT_FILENO));
  }
  return tty;
}

}  // namespace clippers
