#include "cli/usage_error.h"

#include <algorithm>
#include <utility>

#include "cli/help.h"
#include "text/utf8.h"

namespace clippers {
namespace {

Span plain(std::string text) { return {Style::Plain, std::move(text)}; }
Span literal(std::string text) { return {Style::Literal, std::move(text)}; }
Span valid(std::string text) { return {Style::Valid, std::move(text)}; }
Span invalid(std::string text) { return {Style::Invalid, std::move(text)}; }

// "--context <CONTEXT>" or "--yes": how an option is named in messages.
std::string display_name(const Option& option) {
  std::string out = "--";
  out += option.long_name;
  if (!option.value_name.empty()) {
    out += ' ';
    out += option.value_name;
  }
  return out;
}

// The "-- {token}" tip for an option-like token the user may have meant as a value.
Spans pass_as_value_tip(const std::string& shown) {
  return {plain("to pass '"), invalid(shown), plain("' as a value, use '"), valid("-- " + shown), plain("'")};
}

UsageError unexpected_argument(const std::string& shown, std::vector<Spans> tips, UsageForm usage,
                               Recognised recognised) {
  return {{plain("unexpected argument '"), invalid(shown), plain("' found")},
          std::move(tips),
          usage,
          std::move(recognised)};
}

void add_once(std::vector<const Option*>& options, const Option& option) {
  if (std::find(options.begin(), options.end(), &option) == options.end()) {
    options.push_back(&option);
  }
}

void append_usage(std::string& out, const UsageError& error, std::string_view prog, bool styled) {
  const Recognised& seen = error.recognised;
  if (error.usage == UsageForm::Generic || (seen.options.empty() && !seen.file)) {
    out += generic_usage(prog, styled);
    return;
  }
  append_span(out, Style::Literal, prog, styled);
  for (const Option* option : seen.options) {
    out += ' ';
    append_span(out, Style::Literal, "--" + std::string(option->long_name), styled);
    if (!option->value_name.empty()) {
      out += ' ';
      out += option->value_name;
    }
  }
  if (seen.file) out += " <FILE>";
}

}  // namespace

UsageError unknown_long_option(std::string_view name, const Option* suggestion, Recognised recognised) {
  const std::string shown = "--" + printable_utf8(name);
  Spans tip;
  if (suggestion != nullptr) {
    tip = {plain("a similar argument exists: '"), valid("--" + std::string(suggestion->long_name)), plain("'")};
    add_once(recognised.options, *suggestion);
  } else {
    tip = pass_as_value_tip(shown);
  }
  return unexpected_argument(shown, {std::move(tip)}, UsageForm::Recognised, std::move(recognised));
}

UsageError unknown_short_option(std::string_view c) {
  std::string shown = "-";
  shown += printable_utf8(c);
  return unexpected_argument(shown, {pass_as_value_tip(shown)}, UsageForm::Generic, {});
}

UsageError unexpected_positional(std::string_view token) {
  return unexpected_argument(printable_utf8(token), {}, UsageForm::Generic, {});
}

UsageError missing_value(const Option& option) {
  return {{plain("a value is required for '"), literal(display_name(option)), plain("' but none was supplied")},
          {},
          UsageForm::None,
          {}};
}

UsageError empty_file() {
  return {{plain("a value is required for '"), literal("[FILE]"), plain("' but none was supplied")},
          {},
          UsageForm::None,
          {}};
}

UsageError unexpected_value(const Option& option, std::string_view value, Recognised recognised) {
  add_once(recognised.options, option);
  return {{plain("unexpected value '"), invalid(printable_utf8(value)), plain("' for '"), literal(display_name(option)),
           plain("' found; no more were expected")},
          {},
          UsageForm::Recognised,
          std::move(recognised)};
}

UsageError repeated_option(const Option& option) {
  return {{plain("the argument '"), invalid(display_name(option)), plain("' cannot be used multiple times")},
          {},
          UsageForm::Generic,
          {}};
}

UsageError invalid_value(const Option& option, std::string_view value, std::string_view reason) {
  return {{plain("invalid value '"), invalid(printable_utf8(value)), plain("' for '"), literal(display_name(option)),
           plain("': "), plain(std::string(reason))},
          {},
          UsageForm::Generic,
          {}};
}

UsageError invalid_utf8_argument() {
  return {{plain("invalid UTF-8 was detected in one or more arguments")}, {}, UsageForm::Generic, {}};
}

std::string render_usage_error(const UsageError& error, std::string_view prog, bool styled) {
  std::string out;
  append_span(out, Style::Error, "error:", styled);
  out += ' ';
  append_spans(out, error.message, styled);
  out += '\n';
  if (!error.tips.empty()) {
    out += '\n';
    for (const Spans& tip : error.tips) {
      out += "  ";
      append_span(out, Style::Valid, "tip:", styled);
      out += ' ';
      append_spans(out, tip, styled);
      out += '\n';
    }
  }
  if (error.usage != UsageForm::None) {
    out += '\n';
    append_span(out, Style::Heading, "Usage:", styled);
    out += ' ';
    append_usage(out, error, prog, styled);
    out += '\n';
  }
  out += "\nFor more information, try '";
  append_span(out, Style::Literal, "--help", styled);
  out += "'.\n";
  return out;
}

}  // namespace clippers
