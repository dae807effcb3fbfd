#pragma once
// The run's only ways to speak: messages on standard error and approved content
// on standard output.  The messages of a run are also kept, for --json.

#include <string>
#include <string_view>
#include <vector>

#include "base/io_error.h"
#include "base/result.h"
#include "io/held_text.h"

namespace clippers {

// Writes "clippers: ", `text` and a line feed to standard error as one write, so
// the line is never split by other output, and keeps `text` among the run's
// messages.  A failure to write it is ignored: there is nowhere left to report it.
void print_message(std::string_view text);

// Keeps `text` among the run's messages without printing it: a line the
// tool prints another way (the one a signal handler writes).
void note_message(std::string_view text);

// The texts of the messages printed so far, in order.
const std::vector<std::string>& messages();

// Writes `content` and one line feed to standard output, unbuffered, the
// line feed in the same write as the end of the content.
Result<void, IoError> write_stdout_line(Pieces content);
Result<void, IoError> write_stdout_line(std::string_view content);

}  // namespace clippers
