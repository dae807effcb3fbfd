// Arbitrary argument vectors: the input holds the arguments, each ended by a
// NUL (a last piece without one counts when it is not empty).
#include <algorithm>
#include <variant>

#include "check.h"
#include "cli/parse.h"
#include "cli/values.h"
#include "text/utf8.h"

using namespace clippers;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view in = as_text(data, size);
  std::vector<std::string> args;
  while (!in.empty()) {
    const std::size_t nul = std::min(in.find('\0'), in.size());
    args.emplace_back(in.substr(0, nul));
    in.remove_prefix(std::min(nul + 1, in.size()));
  }
  const ParseResult result = parse_arguments(args);
  if (const Cli* cli = std::get_if<Cli>(&result)) {
    CHECK(!cli->file || !cli->file->empty());
    CHECK(!cli->context || is_valid_utf8(*cli->context));
    CHECK(!cli->yes || std::find(args.begin(), args.end(), "--yes") != args.end());
    // A stored value is one its parser reads.
    CHECK(!cli->timeout || parse_duration_ms(*cli->timeout));
    if (cli->check) {
      const auto words = split_command(*cli->check);
      CHECK(words && !words->empty());
    }
  } else if (const UsageError* error = std::get_if<UsageError>(&result)) {
    // Raw tokens end up in the message: it must still be text.
    CHECK(is_valid_utf8(render_usage_error(*error, "clippers", true)));
  }
  return 0;
}
