#include "editor/vet.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <iterator>
#include <span>
#include <string_view>

#include "io/fd.h"
#include "io/platform.h"

namespace clippers {
namespace {

// A program that returns before the file is closed unless one of `waits` is
// among its words; `add` is the flag to suggest (empty: the program has none
// and is always refused).
struct Launcher {
  std::string_view name;
  std::array<std::string_view, 4> waits;
  std::string_view add;
};

constexpr std::array<std::string_view, 4> kWaitW = {"--wait", "-w"};
// gedit's standalone instance also stays until its window closes.
constexpr std::array<std::string_view, 4> kGedit = {"--wait", "-w", "--standalone", "-s"};

constexpr Launcher kLaunchers[] = {
    {"code", kWaitW, "--wait"},
    {"code-insiders", kWaitW, "--wait"},
    {"codium", kWaitW, "--wait"},
    {"subl", kWaitW, "--wait"},
    {"atom", kWaitW, "--wait"},
    {"zed", kWaitW, "--wait"},
    {"mate", kWaitW, "--wait"},
    {"bbedit", kWaitW, "--wait"},
    {"gvim", {"-f", "--nofork"}, "-f"},
    {"mvim", {"-f", "--nofork"}, "-f"},
    {"kate", {"-b", "--block"}, "--block"},
    {"gedit", kGedit, "--wait"},
    {"open", {"-W", "--wait-apps"}, "-W"},
    {"xdg-open", {}, ""},
};

std::string_view base_name(std::string_view program) {
  const std::size_t slash = program.rfind('/');
  return slash == std::string_view::npos ? program : program.substr(slash + 1);
}

// A word as it would be written in VISUAL: bare when it holds nothing the
// word splitter treats specially, else in single quotes.
std::string quoted_word(const std::string& word) {
  const bool plain = !word.empty() && std::all_of(word.begin(), word.end(), [](char c) {
    return std::string_view("\t\n '\"\\#").find(c) == std::string_view::npos;
  });
  if (plain) return word;
  std::string out = "'";
  for (const char c : word) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string joined(const EditorCommand& words) {
  std::string out;
  for (const std::string& word : words) {
    if (!out.empty()) out += ' ';
    out += quoted_word(word);
  }
  return out;
}

bool has_any(const EditorCommand& command, std::span<const std::string_view> flags) {
  return std::any_of(command.begin() + 1, command.end(), [&](const std::string& word) {
    return std::find(flags.begin(), flags.end(), word) != flags.end() && !word.empty();
  });
}

}  // namespace

std::optional<editor_error::NoWait> missing_wait_flag(const EditorCommand& command) {
  const std::string program(base_name(command.front()));
  if (program == "emacsclient") {
    constexpr std::string_view kNoWait[] = {"-n", "--no-wait"};
    if (!has_any(command, kNoWait)) return std::nullopt;
    EditorCommand fixed;
    std::copy_if(command.begin(), command.end(), std::back_inserter(fixed), [&](const std::string& word) {
      return &word == &command.front() || std::find(std::begin(kNoWait), std::end(kNoWait), word) == std::end(kNoWait);
    });
    return editor_error::NoWait{program, joined(fixed)};
  }
  for (const Launcher& launcher : kLaunchers) {
    if (launcher.name != program) continue;
    if (launcher.add.empty()) return editor_error::NoWait{program, std::nullopt};
    if (has_any(command, launcher.waits)) return std::nullopt;
    EditorCommand fixed = command;
    fixed.insert(fixed.begin() + 1, std::string(launcher.add));
    return editor_error::NoWait{program, joined(fixed)};
  }
  return std::nullopt;
}

std::optional<FoundProgram> find_program(const std::string& program) {
  const auto regular = [](std::string path) -> std::optional<FoundProgram> {
    struct stat st = {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return FoundProgram{std::move(path), st};
  };
  if (program.empty()) return std::nullopt;
  if (program.find('/') != std::string::npos) return regular(program);
  // The first executable file of that name on PATH is the one the spawn runs.
  const char* path = std::getenv("PATH");
  std::string_view dirs = path != nullptr ? path : "/bin:/usr/bin";
  for (;;) {
    const std::size_t colon = dirs.find(':');
    const std::string_view dir = dirs.substr(0, colon);
    std::string candidate = (dir.empty() ? std::string(".") : std::string(dir)) + "/" + program;
    if (::access(candidate.c_str(), X_OK) == 0) {
      if (auto found = regular(std::move(candidate))) return found;
    }
    if (colon == std::string_view::npos) return std::nullopt;
    dirs.remove_prefix(colon + 1);
  }
}

Result<void, EditorError> vet_editor(const ChosenEditor& chosen) {
  if (auto refused = missing_wait_flag(chosen.command)) return fail(EditorError{std::move(*refused)});
  const std::optional<FoundProgram> found = find_program(chosen.command.front());
  const std::optional<struct stat> self = platform::running_executable();
  if (found && self && same_inode(found->st, *self)) return fail(EditorError{editor_error::Itself{chosen.variable}});
  return {};
}

}  // namespace clippers
