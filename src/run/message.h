#pragma once
// The run's only ways to speak: messages on standard error and approved content
// on standard output.

#include <string_view>

#include "base/io_error.h"
#include "base/result.h"
#include "io/held_text.h"

namespace clippers {

// Writes "clippers: ", `text` and a line feed to standard error as one write, so
// the line is never split by other output.  A failure to write it is ignored:
// there is nowhere left to report it.
void print_message(std::string_view text);

// Writes `content` and one line feed to standard output, unbuffered, the
// line feed in the same write as the end of the content.
Result<void, IoError> write_stdout_line(Pieces content);
Result<void, IoError> write_stdout_line(std::string_view content);

}  // namespace clippers
