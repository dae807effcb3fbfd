#include "cli/help.h"

#include <algorithm>
#include <string>

#include "cli/options.h"
#include "cli/style.h"
#include "text/whitespace.h"

namespace clippers {
namespace {

constexpr std::string_view VERSION = CLIPPERS_VERSION;  // project() in CMakeLists.txt

constexpr std::string_view ABOUT = "Editor-based content approval, git-commit style";
constexpr std::string_view LONG_ABOUT =
    "Editor-based content approval, git-commit style.\n\n"
    "With a FILE argument, edits it in place. Without it (or with `-`), reads the draft from "
    "stdin and prints the approved content (everything above the clippers line) to stdout.";

constexpr std::string_view FILE_ENTRY = "[FILE]";
constexpr std::string_view FILE_HELP =
    "File to edit in place. The caller owns it: clippers never creates or deletes it. Use `-` "
    "(or omit) to read the draft from stdin instead";

constexpr std::string_view ENTRY_INDENT = "  ";
constexpr std::string_view LONG_HELP_INDENT = "          ";

// Width of the entry as printed without styles; columns are aligned on it.
std::size_t entry_width(const Option& o) {
  std::size_t width = 6 + o.long_name.size();  // "-h, " or four spaces, then "--"
  if (!o.value_name.empty()) width += 1 + o.value_name.size();
  return width;
}

void append_entry(std::string& out, const Option& o, bool styled) {
  out += ENTRY_INDENT;
  if (o.short_name == '\0') {
    out += "    ";
  } else {
    const char short_form[] = {'-', o.short_name};
    append_span(out, Style::Literal, std::string_view(short_form, 2), styled);
    out += ", ";
  }
  append_span(out, Style::Literal, "--" + std::string(o.long_name), styled);
  if (!o.value_name.empty()) {
    out += ' ';
    out += o.value_name;
  }
}

void append_heading(std::string& out, std::string_view heading, bool styled) {
  append_span(out, Style::Heading, heading, styled);
  out += '\n';
}

void append_usage_line(std::string& out, std::string_view prog, bool styled) {
  append_span(out, Style::Heading, "Usage:", styled);
  out += ' ';
  out += generic_usage(prog, styled);
  out += '\n';
}

// Both helps open alike: the description, the usage line and the Arguments
// section up to the FILE entry, whose help text each places its own way.
std::string help_head(std::string_view about, std::string_view prog, bool styled) {
  std::string out(about);
  out += "\n\n";
  append_usage_line(out, prog, styled);
  out += '\n';
  append_heading(out, "Arguments:", styled);
  out += ENTRY_INDENT;
  out += FILE_ENTRY;
  return out;
}

// The long help leaves trailing white space behind its last entry; the text
// always ends in exactly one LF.
std::string finish(const std::string& text) {
  std::string out(trim_end(text));
  out += '\n';
  return out;
}

}  // namespace

std::string generic_usage(std::string_view prog, bool styled) {
  std::string out;
  append_span(out, Style::Literal, prog, styled);
  out += " [OPTIONS] [FILE]";
  return out;
}

std::string render_short_help(std::string_view prog, bool styled) {
  std::size_t width = 0;
  for (const Option& o : OPTIONS) width = std::max(width, entry_width(o));

  // Lines are never wrapped: with these entries every help text fits beside
  // its entry, two spaces after the widest one of its section.
  std::string out = help_head(ABOUT, prog, styled);
  out += "  ";
  out += FILE_HELP;
  out += "\n\n";
  append_heading(out, "Options:", styled);
  for (const Option& o : OPTIONS) {
    append_entry(out, o, styled);
    out.append(width - entry_width(o) + 2, ' ');
    out += o.help;
    out += '\n';
  }
  return finish(out);
}

std::string render_long_help(std::string_view prog, bool styled) {
  std::string out = help_head(LONG_ABOUT, prog, styled);
  out += '\n';
  out += LONG_HELP_INDENT;
  out += FILE_HELP;
  out += "\n\n";
  append_heading(out, "Options:", styled);
  for (const Option& o : OPTIONS) {
    append_entry(out, o, styled);
    out += '\n';
    out += LONG_HELP_INDENT;
    out += o.long_help.empty() ? o.help : o.long_help;
    out += "\n\n";
  }
  return finish(out);
}

std::string render_version() {
  std::string out(COMMAND_NAME);
  out += ' ';
  out += VERSION;
  out += '\n';
  return out;
}

}  // namespace clippers
