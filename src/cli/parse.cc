#include "cli/parse.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>
#include <utility>

#include "cli/similar.h"
#include "text/utf8.h"

namespace clippers {
namespace {

// A token that is taken as an option rather than as a value: "-" alone is the
// conventional name of standard input, so it stays a value.
bool looks_like_option(std::string_view token) {
  return token.size() > 1 && token[0] == '-';
}

std::optional<ArgId> find_long_option(std::string_view name) {
  for (ArgId id : LONG_OPTIONS) {
    if (long_name(id) == name) return id;
  }
  return std::nullopt;
}

std::optional<ArgId> suggest_long_option(std::string_view name) {
  std::array<std::string_view, LONG_OPTIONS.size()> names{};
  for (std::size_t i = 0; i < LONG_OPTIONS.size(); ++i) names[i] = long_name(LONG_OPTIONS[i]);
  const std::optional<std::size_t> index = most_similar(lossy_utf8(name), names);
  if (!index) return std::nullopt;
  return LONG_OPTIONS[*index];
}

// Length of the UTF-8 character, or invalid sequence, starting `text`.
std::size_t first_char_length(std::string_view text) { return decode_utf8(text, 0).length; }

class Parser {
 public:
  explicit Parser(const std::vector<std::string>& args) : args_(args) {}

  ParseResult run() {
    while (next_ < args_.size()) {
      const std::string& token = args_[next_++];
      std::optional<ParseResult> done;
      if (only_positionals_) {
        done = positional(token);
      } else if (token == "--") {
        if (context_pending_) return missing_context_value();
        only_positionals_ = true;
      } else if (token.starts_with("--")) {
        done = long_option(std::string_view(token).substr(2));
      } else if (looks_like_option(token)) {
        done = short_cluster(std::string_view(token).substr(1));
      } else {
        done = positional(token);
      }
      if (done) return std::move(*done);
    }
    if (context_pending_) return missing_context_value();
    return cli_;
  }

 private:
  // Each step returns nullopt to go on, or the result that ends parsing.
  std::optional<ParseResult> long_option(std::string_view body) {
    const std::size_t eq = body.find('=');
    const std::string_view name = body.substr(0, eq);
    std::optional<std::string_view> attached;
    if (eq != std::string_view::npos) attached = body.substr(eq + 1);

    const std::optional<ArgId> id = find_long_option(name);
    if (!id) return unknown_long_option(name, suggest_long_option(name), seen_);
    // A known option where `--context` expected its value means the value is
    // missing, not that the option was meant as the value.
    if (context_pending_) return missing_context_value();

    switch (*id) {
      case ArgId::Context:
        if (attached) return take_context(*attached);
        if (next_ < args_.size() && !looks_like_option(args_[next_])) {
          return take_context(args_[next_++]);
        }
        context_pending_ = true;
        return std::nullopt;
      case ArgId::Yes:
        if (attached) return unexpected_value(ArgId::Yes, *attached, seen_);
        if (cli_.yes) return repeated_option(ArgId::Yes);
        cli_.yes = true;
        seen_.options.push_back(ArgId::Yes);
        return std::nullopt;
      case ArgId::Help:
        if (attached) return unexpected_value(ArgId::Help, *attached, seen_);
        return HelpRequest{true};
      case ArgId::Version:
        if (attached) return unexpected_value(ArgId::Version, *attached, seen_);
        return VersionRequest{};
    }
    return std::nullopt;
  }

  // The only short options, `-h` and `-V`, both end parsing, so the first
  // character of a cluster always decides it.
  std::optional<ParseResult> short_cluster(std::string_view body) {
    const std::string text = lossy_utf8(body);
    const std::string_view first = std::string_view(text).substr(0, first_char_length(text));
    if (first == "h" || first == "V") {
      if (context_pending_) return missing_context_value();
      if (first == "h") return HelpRequest{false};
      return VersionRequest{};
    }
    return unknown_short_option(first);
  }

  std::optional<ParseResult> take_context(std::string_view value) {
    if (cli_.context) return repeated_option(ArgId::Context);
    if (!is_valid_utf8(value)) return invalid_utf8_argument();
    cli_.context = std::string(value);
    seen_.options.push_back(ArgId::Context);
    return std::nullopt;
  }

  std::optional<ParseResult> positional(const std::string& token) {
    if (cli_.file) return unexpected_positional(token);
    if (token.empty()) return empty_file();
    cli_.file = token;
    seen_.file = true;
    return std::nullopt;
  }

  const std::vector<std::string>& args_;
  std::size_t next_ = 0;
  Cli cli_;
  Recognised seen_;
  // `--context` was given last and the next token could not be its value.
  bool context_pending_ = false;
  bool only_positionals_ = false;  // after `--`
};

}  // namespace

ParseResult parse_arguments(const std::vector<std::string>& args) { return Parser(args).run(); }

}  // namespace clippers
