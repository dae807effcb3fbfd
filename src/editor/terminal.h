#pragma once
// The terminal the editor draws on.  The tool's standard input may be the
// draft's pipe and its standard output the approved text's: the editor must
// still reach the user's terminal, and its screen must never land among the
// approved text.
//
// Calling sequence: terminal_reachable while vetting the editor, if needed;
// attach_terminal on the spawn's file actions; keep the returned handle open
// until the editor has been started.

#include <spawn.h>

#include "base/io_error.h"
#include "base/result.h"
#include "io/fd.h"

namespace clippers {

// Whether attach_terminal can give the editor a terminal: standard input and
// output are both terminals, or the controlling terminal (/dev/tty) opens.
bool terminal_reachable();

// Adds to `actions` what gives the editor the controlling terminal for
// whichever of its standard input and output is not a terminal.  Without a
// controlling terminal, when standard output is not a terminal, the editor's
// standard output is the tool's standard error, and when standard input is
// not a terminal, the editor's standard input is /dev/null.  Returns the
// handle to keep open until the spawn (the terminal, /dev/null, or none);
// fails when that cannot be opened or an action cannot be added.
Result<Fd, IoError> attach_terminal(posix_spawn_file_actions_t& actions);

}  // namespace clippers
