#include "run/run.h"

#include <unistd.h>

#include "cli/values.h"
#include "editor/check.h"
#include "io/held_text.h"
#include "run/edit.h"
#include "run/end_signals.h"
#include "run/finish.h"
#include "run/message.h"
#include "text/whitespace.h"

namespace clippers {
namespace {

// --yes: the input is approved as it is (standard input without its trailing
// white space; FILE only checked to hold text, never written), once the
// check, if there is one, lets it through.
int approve(const Request& request, const HeldText& input) {
  const Situation at{.file = request.file ? &*request.file : nullptr,
                     .check = request.check ? std::string_view(*request.check) : std::string_view()};
  const std::vector<std::string_view> content = trim_end(input.pieces());
  const auto end = [&](Outcome outcome) {
    return finish({.request = request, .outcome = std::move(outcome), .at = at});
  };
  if (request.file && is_blank(input.pieces())) return end(outcome::EmptyInput{});
  if (request.check) {
    // The check is a child like the editor: a request to end is passed on to it.
    EndSignals signals;
    auto check = run_check(request.check_command, content, signals);
    if (!check) return end(outcome::CheckNotRun{check.error()});
    if (signals.received() != 0)
      return finish(
          {.request = request, .outcome = outcome::Interrupted{signals.received()}, .at = at, .signals = &signals});
    if (check->code != 0) return end(outcome::CheckFailed{check->code, std::move(check->output)});
  }
  return end(outcome::Approved{content, false});
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

Request make_request(const Cli& cli) {
  Request request;
  if (cli.file && !is_stdin_path(*cli.file)) request.file = cli.file;
  request.context = cli.context;
  request.yes = cli.yes;
  request.json = cli.json;
  request.require_save = cli.require_save;
  request.timeout = cli.timeout;
  request.suffix = cli.suffix;
  request.check = cli.check;
  // Both were accepted by their checks when the command line was read.
  if (cli.timeout) request.timeout_ms = parse_duration_ms(*cli.timeout);
  if (cli.check) {
    if (auto words = split_command(*cli.check)) request.check_command = std::move(words).value();
  }
  return request;
}

int run(const Cli& cli) {
  const Request request = make_request(cli);
  if (request.file) {
    if (!request.yes) return edit(request, nullptr);
    // FILE with --yes: whatever FILE is, it is read as cat reads it and must
    // be UTF-8 and not blank.
    auto text = hold_text_file(*request.file);
    if (!text) {
      return finish({.request = request,
                     .outcome = RunError{run_error::CannotRead{*request.file, std::move(text).error()}},
                     .at = {.file = &*request.file}});
    }
    return approve(request, *text);
  }
  // Standard input is read whole before anything else, --yes or not.  Typed
  // at a terminal, that read would look like a hang without this line.
  if (isatty(STDIN_FILENO) == 1) print_message("reading the draft from standard input (end it with Ctrl-D)");
  auto input = hold_text(STDIN_FILENO);
  if (!input) return finish({.request = request, .outcome = outcome::InputFailed{std::move(input).error()}, .at = {}});
  if (request.yes) return approve(request, *input);
  return edit(request, &*input);
}

}  // namespace clippers
