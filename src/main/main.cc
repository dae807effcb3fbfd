// Entry point: parse the command line, run, exit with the run's status.
#include <csignal>

#include "cli/cli.h"
#include "run/run.h"

int main(int argc, char** argv) {
  // A closed pipe must come back as a write error the run can report, not end
  // the process silently; the editor gets the default action back when started.
  std::signal(SIGPIPE, SIG_IGN);
  const clippers::Cli cli = clippers::parse_command_line(argc, argv);
  return clippers::run(cli);
}
