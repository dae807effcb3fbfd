// Entry point: parse the command line, run, exit with the run's status.
#include <fcntl.h>

#include <cerrno>
#include <csignal>

#include "cli/cli.h"
#include "run/run.h"

int main(int argc, char** argv) {
  // A standard descriptor the caller closed would be the number the next
  // open takes: the draft or FILE's replacement would then receive the
  // messages, the approved text and the editor's output.  Each closed one is
  // opened on /dev/null first (in order, so each open lands on its number),
  // read-only, so that a write there still fails (EBADF) as it would have.
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF) ::open("/dev/null", O_RDONLY);
  }
  // A closed pipe must come back as a write error the run can report, not end
  // the process silently; the editor gets the default action back when started.
  std::signal(SIGPIPE, SIG_IGN);
  // A write past the file-size limit must fail with EFBIG, which the run can
  // report with the draft kept, not end the process with the edits in limbo.
  std::signal(SIGXFSZ, SIG_IGN);
  // An inherited "ignore SIGCHLD" would make the kernel reap the editor
  // itself, and the wait for it would fail.
  std::signal(SIGCHLD, SIG_DFL);
  const clippers::Cli cli = clippers::parse_command_line(argc, argv);
  return clippers::run(cli);
}
