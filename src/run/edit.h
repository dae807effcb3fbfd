#pragma once
// The editing run, one skeleton for both modes: the editor is resolved and
// vetted, the draft directory made, the buffer written, the editor opened
// (again, while the approved content fails the check), and the approved
// content delivered.  What differs by mode is only reading and replacing
// FILE, and writing standard output (run/finish.h).

#include "io/held_text.h"
#include "run/request.h"

namespace clippers {

// Standard-input mode with `input`, the draft read from standard input;
// FILE mode (request.file) without.  Returns the exit status: 0 approved,
// 1 aborted, 2 failure, 128 + N ended by signal N.
int edit(const Request& request, const HeldText* input);

}  // namespace clippers
