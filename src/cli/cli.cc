#include "cli/cli.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "base/result.h"
#include "cli/help.h"
#include "cli/parse.h"
#include "cli/style.h"
#include "io/fd.h"
#include "text/utf8.h"

namespace clippers {
namespace {

std::string program_name(const char* argv0) {
  if (argv0 == nullptr) return std::string(COMMAND_NAME);
  const std::string_view path(argv0);
  // Last component, skipping empty ones (from repeated or trailing `/`) and
  // `.`, which names the directory before it rather than a file.
  std::string_view last;
  std::size_t end = path.size();
  while (end > 0) {
    const std::size_t slash = path.rfind('/', end - 1);
    const std::size_t begin = slash == std::string_view::npos ? 0 : slash + 1;
    const std::string_view component = path.substr(begin, end - begin);
    if (!component.empty() && component != ".") {
      last = component;
      break;
    }
    if (slash == std::string_view::npos) break;
    end = slash;
  }
  if (last.empty() || last == ".." || !is_valid_utf8(last)) return std::string(COMMAND_NAME);
  return printable_utf8(last);
}

[[noreturn]] void answer_and_exit(const ParseResult& result, std::string_view prog) {
  const bool is_error = std::holds_alternative<UsageError>(result);
  const int fd = is_error ? STDERR_FILENO : STDOUT_FILENO;
  const bool styled = use_styling(style_env_from_process(), ::isatty(fd) == 1);

  const std::string text =
      std::visit(Overload{
                     [&](const HelpRequest& help) {
                       return help.long_help ? render_long_help(prog, styled) : render_short_help(prog, styled);
                     },
                     [](const VersionRequest&) { return render_version(); },
                     [&](const UsageError& error) { return render_usage_error(error, prog, styled); },
                     // Never answered here: parse_command_line returns it.
                     [](const Cli&) { return std::string(); },
                 },
                 result);

  // A closed or full stream is not this command's concern once it has decided
  // to answer and exit (the entry point ignores SIGPIPE, so it is an error here).
  [[maybe_unused]] auto ignored = write_all(fd, text);
  std::fflush(stdout);
  std::fflush(stderr);
  std::exit(is_error ? 2 : 0);
}

}  // namespace

Cli parse_command_line(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  ParseResult result = parse_arguments(args);
  if (auto* cli = std::get_if<Cli>(&result)) return std::move(*cli);
  answer_and_exit(result, program_name(argc > 0 ? argv[0] : nullptr));
}

}  // namespace clippers
