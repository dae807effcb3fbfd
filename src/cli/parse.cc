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
bool looks_like_option(std::string_view token) { return token.size() > 1 && token[0] == '-'; }

const Option* find_long_option(std::string_view name) {
  for (const Option& option : OPTIONS) {
    if (option.long_name == name) return &option;
  }
  return nullptr;
}

const Option* find_short_option(Utf8Char c) {
  if (!c.valid) return nullptr;
  for (const Option& option : OPTIONS) {
    if (option.short_name != '\0' && c.code == static_cast<unsigned char>(option.short_name)) {
      return &option;
    }
  }
  return nullptr;
}

constexpr std::array<std::string_view, OPTIONS.size()> LONG_NAMES = [] {
  std::array<std::string_view, OPTIONS.size()> names{};
  for (std::size_t i = 0; i < OPTIONS.size(); ++i) names[i] = OPTIONS[i].long_name;
  return names;
}();

const Option* suggest_long_option(std::string_view name) {
  const std::optional<std::size_t> index = most_similar(name, LONG_NAMES);
  return index ? &OPTIONS[*index] : nullptr;
}

class Parser {
 public:
  explicit Parser(const std::vector<std::string>& args) : args_(args) {}

  ParseResult run() {
    while (next_ < args_.size()) {
      if (std::optional<ParseResult> done = step(args_[next_++])) return std::move(*done);
    }
    if (pending_ != nullptr) return missing_value(*pending_);
    return cli_;
  }

 private:
  // Each step returns nullopt to go on, or the result that ends parsing.
  std::optional<ParseResult> step(std::string_view token) {
    if (only_positionals_) return positional(token);
    if (token == "--") {
      if (pending_ != nullptr) return missing_value(*pending_);
      only_positionals_ = true;
      return std::nullopt;
    }
    if (token.starts_with("--")) return long_option(token.substr(2));
    if (looks_like_option(token)) return short_cluster(token.substr(1));
    return positional(token);
  }

  std::optional<ParseResult> long_option(std::string_view body) {
    const std::size_t eq = body.find('=');
    const std::string_view name = body.substr(0, eq);
    std::optional<std::string_view> attached;
    if (eq != std::string_view::npos) attached = body.substr(eq + 1);

    const Option* option = find_long_option(name);
    if (option == nullptr) return unknown_long_option(name, suggest_long_option(name), seen_);
    return give(*option, attached, true);
  }

  // Character by character, up to the first that is no short option.
  std::optional<ParseResult> short_cluster(std::string_view body) {
    for (std::size_t at = 0; at < body.size();) {
      const Utf8Char c = decode_utf8(body, at);
      const Option* option = find_short_option(c);
      if (option == nullptr) return unknown_short_option(body.substr(at, c.length));
      if (std::optional<ParseResult> done = give(*option, std::nullopt, false)) return done;
      at += c.length;
    }
    return std::nullopt;
  }

  // `attached` is the text after `=` in `--name=text`.
  std::optional<ParseResult> give(const Option& option, std::optional<std::string_view> attached, bool long_form) {
    // A known option where a value was expected means the value is missing,
    // not that the option was meant as the value.
    if (pending_ != nullptr) return missing_value(*pending_);
    if (attached && option.action != Action::Value) {
      return unexpected_value(option, *attached, seen_);
    }
    switch (option.action) {
      case Action::Help: return HelpRequest{long_form};
      case Action::Version: return VersionRequest{};
      case Action::Flag:
        if (given(option)) return repeated_option(option);
        cli_.*option.flag = true;
        add_seen(option);
        return std::nullopt;
      case Action::Value:
        if (attached) return take_value(option, *attached);
        if (next_ < args_.size() && !looks_like_option(args_[next_])) {
          return take_value(option, args_[next_++]);
        }
        pending_ = &option;
        return std::nullopt;
    }
    return std::nullopt;
  }

  // Checked when the value comes: `--context a --context` lacks a value
  // rather than repeating the option.
  std::optional<ParseResult> take_value(const Option& option, std::string_view value) {
    if (given(option)) return repeated_option(option);
    if (!is_valid_utf8(value)) return invalid_utf8_argument();
    if (option.check != nullptr) {
      if (const std::optional<std::string_view> reason = option.check(value)) {
        return invalid_value(option, value, *reason);
      }
    }
    cli_.*option.value = std::string(value);
    add_seen(option);
    return std::nullopt;
  }

  std::optional<ParseResult> positional(std::string_view token) {
    if (cli_.file) return unexpected_positional(token);
    if (token.empty()) return empty_file();
    cli_.file = std::string(token);
    seen_.file = true;
    return std::nullopt;
  }

  bool given(const Option& option) const {
    return std::find(seen_.options.begin(), seen_.options.end(), &option) != seen_.options.end();
  }
  void add_seen(const Option& option) {
    if (!given(option)) seen_.options.push_back(&option);
  }

  const std::vector<std::string>& args_;
  std::size_t next_ = 0;
  Cli cli_;
  Recognised seen_;
  const Option* pending_ = nullptr;  // a value option given last, whose value has not come
  bool only_positionals_ = false;    // after `--`
};

}  // namespace

ParseResult parse_arguments(const std::vector<std::string>& args) { return Parser(args).run(); }

}  // namespace clippers
