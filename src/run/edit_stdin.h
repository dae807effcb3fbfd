#pragma once
// The standard-input editing run: the draft read from standard input is
// edited in the user's editor and the approved content goes to standard output.

#include <optional>
#include <string>

#include "io/held_text.h"

namespace clippers {

// Returns the exit status: 0 approved, 1 aborted, 2 failure.
int edit_from_stdin(const HeldText& input, const std::optional<std::string>& context);

}  // namespace clippers
