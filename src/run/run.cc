#include "run/run.h"

#include <unistd.h>

#include "failure/failure.h"
#include "io/held_text.h"
#include "run/edit_in_place.h"
#include "run/edit_stdin.h"
#include "run/message.h"
#include "text/utf8.h"
#include "text/whitespace.h"

namespace clippers {
namespace {

int approve_stdin(const HeldText& input) {
  if (auto written = write_stdout_line(trim_end(input.pieces())); !written) {
    print_message("failed to write stdout: " + render_io_error(written.error()));
    return 2;
  }
  return 0;
}

// FILE with --yes: whatever FILE is, it is read as cat reads it and must be
// UTF-8 and not blank; it is never written.
int approve_file(const std::string& file) {
  auto text = hold_text_file(file);
  if (!text) {
    print_message(render_long(run_error::CannotRead{file, std::move(text).error()}));
    return 2;
  }
  if (is_blank(text->pieces())) {
    print_message(printable_utf8(file) + " is empty; nothing to approve");
    return 1;
  }
  return 0;
}

}  // namespace

bool is_stdin_path(std::string_view file) {
  if (file.empty() || file.front() == '/') return false;
  bool first = true;
  bool seen_dash = false;
  while (!file.empty()) {
    const std::size_t slash = file.find('/');
    const std::string_view part = file.substr(0, slash);
    file = slash == std::string_view::npos ? std::string_view() : file.substr(slash + 1);
    if (part.empty() || (part == "." && !first)) continue;
    first = false;
    if (part != "-" || seen_dash) return false;
    seen_dash = true;
  }
  return seen_dash;
}

int run(const Cli& cli) {
  if (cli.file && !is_stdin_path(*cli.file)) {
    return cli.yes ? approve_file(*cli.file) : edit_in_place(*cli.file, cli.context);
  }
  // Standard input is read whole before anything else, --yes or not.  Typed
  // at a terminal, that read would look like a hang without this line.
  if (isatty(STDIN_FILENO) == 1) print_message("reading the draft from standard input (end it with Ctrl-D)");
  auto input = hold_text(STDIN_FILENO);
  if (!input) {
    print_message("failed to read stdin: " + render_io_error(input.error()));
    return 2;
  }
  if (cli.yes) return approve_stdin(*input);
  return edit_from_stdin(*input, cli.context);
}

}  // namespace clippers
