#include "editor/vet.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <span>
#include <string_view>
#include <utility>

#include "editor/terminal.h"
#include "io/fd.h"
#include "io/platform.h"

namespace clippers {
namespace {

using Flags = std::span<const std::string_view>;

// A program that returns before the file is closed unless one of `waits` is
// among its words; `add` is the flag to suggest (empty: the program has none
// and is always refused).
struct Launcher {
  std::string_view name;
  Flags waits;
  std::string_view add;
};

constexpr std::string_view kWaitW[] = {"--wait", "-w"};
// gedit's standalone instance also stays until its window closes.
constexpr std::string_view kGedit[] = {"--wait", "-w", "--standalone", "-s"};
// gvim and mvim wait in the foreground, in the terminal (-v), or as the
// client of a server told to wait.
constexpr std::string_view kGvim[] = {
    "-f", "--nofork", "-v", "--remote-wait", "--remote-wait-silent", "--remote-tab-wait", "--remote-tab-wait-silent"};
constexpr std::string_view kKate[] = {"-b", "--block"};
constexpr std::string_view kOpen[] = {"-W", "--wait-apps"};

constexpr Launcher kLaunchers[] = {
    {"code", kWaitW, "--wait"},     {"code-insiders", kWaitW, "--wait"},
    {"code-oss", kWaitW, "--wait"}, {"codium", kWaitW, "--wait"},
    {"vscodium", kWaitW, "--wait"}, {"cursor", kWaitW, "--wait"},
    {"windsurf", kWaitW, "--wait"}, {"subl", kWaitW, "--wait"},
    {"atom", kWaitW, "--wait"},     {"zed", kWaitW, "--wait"},
    {"mate", kWaitW, "--wait"},     {"bbedit", kWaitW, "--wait"},
    {"gvim", kGvim, "-f"},          {"mvim", kGvim, "-f"},
    {"kate", kKate, "--block"},     {"gedit", kGedit, "--wait"},
    {"open", kOpen, "-W"},          {"xdg-open", {}, ""},
};

// vim's options that hand the file to a server and return at once, each with
// its form that waits for the file to be closed.
constexpr std::pair<std::string_view, std::string_view> kRemote[] = {
    {"--remote", "--remote-wait"},
    {"--remote-silent", "--remote-wait-silent"},
    {"--remote-tab", "--remote-tab-wait"},
    {"--remote-tab-silent", "--remote-tab-wait-silent"}};
constexpr std::string_view kRemoteVims[] = {"vim", "gvim", "nvim", "mvim", "vimx"};

// Terminal editors: vim under the names it is installed as (a window only
// with -g), and the others.
constexpr std::string_view kVims[] = {"vi",      "vim",      "view",    "vim.basic", "vim.tiny",
                                      "vim.nox", "vim.gtk3", "vim.gtk", "vim.athena"};
constexpr std::string_view kTerminalEditors[] = {"nvim",  "nano",  "rnano", "pico", "micro", "mg",   "joe",
                                                 "jmacs", "jstar", "ne",    "kak",  "hx",    "helix"};
constexpr std::string_view kEmacsTerminal[] = {"-nw", "--no-window-system", "-t", "--terminal", "--tty"};
// vim under names that open a window.
constexpr std::string_view kWindowVims[] = {"gview", "evim", "eview", "rgvim", "rgview"};

// env's long options that take no value.
constexpr std::string_view kEnvFlags[] = {"--ignore-environment", "--null", "--debug"};

// emacsclient's short options that take a value: in a cluster of short
// options, the rest of the word is that value.
constexpr std::string_view kEmacsclientValued = "asfdFwT";

bool is_one_of(std::string_view word, Flags flags) {
  return std::find(flags.begin(), flags.end(), word) != flags.end();
}

bool has_any(std::span<const std::string> words, Flags flags) {
  return std::any_of(words.begin(), words.end(), [&](const std::string& word) { return is_one_of(word, flags); });
}

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

// The program a command comes down to: word `at`, judged as `name`.
struct Judged {
  std::size_t at;
  std::string name;
};

// How many more words env's option `word` takes (0 or 1); nullopt for -S,
// which splits a string into more words, and for options not known here.
std::optional<std::size_t> env_option(std::string_view word) {
  if (word.starts_with("--")) {
    const std::string_view name = word.substr(0, word.find('='));
    if (is_one_of(name, kEnvFlags)) return 0;
    if (name == "--unset" || name == "--chdir") return name.size() == word.size() ? 1 : 0;
    return std::nullopt;
  }
  // A cluster of short options ("-" alone is -i): -u and -C take the rest of
  // the word, or the next word.
  for (std::size_t k = 1; k < word.size(); ++k) {
    if (word[k] == 'u' || word[k] == 'C') return k + 1 == word.size() ? 1 : 0;
    if (word[k] != 'i' && word[k] != '0' && word[k] != 'v') return std::nullopt;
  }
  return 0;
}

// The word env runs, from word `i` on: past its options, "--" and the
// NAME=value words after them.  nullopt when nothing can be told.
std::optional<std::size_t> env_runs(const EditorCommand& words, std::size_t i) {
  for (bool options = true; i < words.size(); ++i) {
    const std::string_view word = words[i];
    if (options && word.starts_with('-')) {
      const std::optional<std::size_t> takes = word == "--" ? std::optional<std::size_t>(0) : env_option(word);
      if (!takes) return std::nullopt;
      options = word != "--";
      i += *takes;
      continue;
    }
    options = false;
    if (word.find('=') == std::string_view::npos) return i;
  }
  return std::nullopt;
}

// APP in `run [options] APP`, from word `i` on (options of the tool itself
// may come before "run").
std::optional<std::size_t> run_app(const EditorCommand& words, std::size_t i) {
  const auto option = [&] { return i < words.size() && words[i].starts_with('-'); };
  while (option()) ++i;
  if (i == words.size() || words[i] != "run") return std::nullopt;
  for (++i; option();) ++i;
  return i < words.size() ? std::optional(i) : std::nullopt;
}

// A flatpak application id (com.visualstudio.code, perhaps with /ARCH/BRANCH)
// names the program by its last part.
std::string flatpak_program(std::string_view id) {
  id = id.substr(0, id.find('/'));
  std::string name(id.substr(id.rfind('.') + 1));
  for (char& c : name) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  return name;
}

// nullopt when an env in front of the program leaves nothing to judge.
std::optional<Judged> judged_program(const EditorCommand& words) {
  for (std::size_t at = 0;;) {
    const std::string_view name = base_name(words[at]);
    if (name == "env") {
      const std::optional<std::size_t> runs = env_runs(words, at + 1);
      if (!runs) return std::nullopt;
      at = *runs;
      continue;
    }
    if (name == "flatpak" || name == "snap") {
      if (const std::optional<std::size_t> app = run_app(words, at + 1)) {
        const std::string_view id = words[*app];
        return Judged{*app, name == "flatpak" ? flatpak_program(id) : std::string(id.substr(0, id.find('.')))};
      }
    }
    return Judged{at, std::string(name)};
  }
}

std::span<const std::string> arguments(const EditorCommand& command, const Judged& judged) {
  return std::span(command).subspan(judged.at + 1);
}

// Where the short option `flag` stands in the emacsclient word `word`, a
// cluster of short options; npos when it is not there.  "-nw" is a long
// option (the terminal), not -n -w.
std::size_t in_cluster(std::string_view word, char flag) {
  if (word.size() < 2 || word[0] != '-' || word[1] == '-' || word == "-nw") return std::string_view::npos;
  for (std::size_t k = 1; k < word.size() && kEmacsclientValued.find(word[k]) == std::string_view::npos; ++k) {
    if (word[k] == flag) return k;
  }
  return std::string_view::npos;
}

// The emacsclient command without its no-wait options: --no-wait goes, and so
// does the n of each cluster, with the word when nothing else is left.
EditorCommand emacsclient_waiting(const EditorCommand& command, const Judged& judged) {
  EditorCommand fixed(command.begin(), command.begin() + static_cast<std::ptrdiff_t>(judged.at) + 1);
  for (const std::string& word : arguments(command, judged)) {
    std::string kept = word;
    for (std::size_t k = in_cluster(kept, 'n'); k != std::string_view::npos; k = in_cluster(kept, 'n'))
      kept.erase(k, 1);
    if (word != "--no-wait" && (kept != "-" || word == "-")) fixed.push_back(std::move(kept));
  }
  return fixed;
}

// A vim command with each --remote form that returns at once put in its
// waiting form; nvim has none, so the word goes.  nullopt when there is none.
std::optional<EditorCommand> vim_waiting(const EditorCommand& command, const Judged& judged) {
  if (!is_one_of(judged.name, kRemoteVims)) return std::nullopt;
  EditorCommand fixed(command.begin(), command.begin() + static_cast<std::ptrdiff_t>(judged.at) + 1);
  bool changed = false;
  for (const std::string& word : arguments(command, judged)) {
    const auto* remote =
        std::find_if(std::begin(kRemote), std::end(kRemote), [&](const auto& r) { return r.first == word; });
    if (remote == std::end(kRemote)) {
      fixed.push_back(word);
      continue;
    }
    changed = true;
    if (judged.name != "nvim") fixed.emplace_back(remote->second);
  }
  return changed ? std::optional(std::move(fixed)) : std::nullopt;
}

enum class Draws { Terminal, Window, Unknown };

bool display_set() {
  const auto set = [](const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
  };
  return set("DISPLAY") || set("WAYLAND_DISPLAY");
}

// Where the program `name` with the words `args` draws; Unknown when the
// name says nothing of it.
Draws draws_in(std::string_view name, std::span<const std::string> args) {
  const auto terminal_if = [](bool terminal) { return terminal ? Draws::Terminal : Draws::Window; };
  constexpr std::string_view kGuiFlag[] = {"-g"};
  if (is_one_of(name, kVims)) return terminal_if(!has_any(args, kGuiFlag));
  if (is_one_of(name, kTerminalEditors)) return Draws::Terminal;
  // emacs-nox is built without windows: it draws in a terminal whatever the display.
  if (name == "emacs-nox") return Draws::Terminal;
  if (name == "emacs") return terminal_if(has_any(args, kEmacsTerminal) || !display_set());
  if (name == "emacsclient") {
    return terminal_if(std::any_of(args.begin(), args.end(), [](const std::string& word) {
      return word == "-nw" || word == "--tty" || in_cluster(word, 't') != std::string_view::npos;
    }));
  }
  const bool launcher = std::any_of(std::begin(kLaunchers), std::end(kLaunchers),
                                    [&](const Launcher& known) { return known.name == name; });
  return launcher || is_one_of(name, kWindowVims) ? Draws::Window : Draws::Unknown;
}

}  // namespace

std::optional<editor_error::NoWait> missing_wait_flag(const EditorCommand& command) {
  const std::optional<Judged> judged = judged_program(command);
  if (!judged) return std::nullopt;
  const std::string& program = judged->name;
  if (program == "emacsclient") {
    const EditorCommand fixed = emacsclient_waiting(command, *judged);
    if (fixed == command) return std::nullopt;
    return editor_error::NoWait{program, joined(fixed)};
  }
  if (const auto fixed = vim_waiting(command, *judged)) return editor_error::NoWait{program, joined(*fixed)};
  for (const Launcher& launcher : kLaunchers) {
    if (launcher.name != program) continue;
    if (launcher.add.empty()) return editor_error::NoWait{program, std::nullopt};
    if (has_any(arguments(command, *judged), launcher.waits)) return std::nullopt;
    EditorCommand fixed = command;
    fixed.insert(fixed.begin() + static_cast<std::ptrdiff_t>(judged->at) + 1, std::string(launcher.add));
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

std::optional<std::string> terminal_editor(const EditorCommand& command, const FoundProgram& found) {
  const std::optional<Judged> judged = judged_program(command);
  if (!judged) return std::nullopt;
  const std::span<const std::string> args = arguments(command, *judged);
  const Draws draws = draws_in(judged->name, args);
  if (draws == Draws::Terminal) return judged->name;
  // A name such as `editor`, a link the system points at the editor it
  // chose, says nothing; the file it leads to does.
  char real[PATH_MAX];
  if (draws != Draws::Unknown || judged->at != 0 || ::realpath(found.path.c_str(), real) == nullptr) {
    return std::nullopt;
  }
  std::string name(base_name(real));
  if (draws_in(name, args) == Draws::Terminal) return name;
  return std::nullopt;
}

Result<void, EditorError> vet_editor(const ChosenEditor& chosen) {
  if (auto refused = missing_wait_flag(chosen.command)) return fail(EditorError{std::move(*refused)});
  // A program the spawn will not find is reported then, as missing.
  const std::optional<FoundProgram> found = find_program(chosen.command.front());
  if (!found) return {};
  const std::optional<struct stat> self = platform::running_executable();
  if (self && same_inode(found->st, *self)) return fail(EditorError{editor_error::Itself{chosen.variable}});
  if (auto program = terminal_editor(chosen.command, *found); program && !terminal_reachable()) {
    return fail(EditorError{editor_error::NoTerminal{std::move(*program)}});
  }
  return {};
}

}  // namespace clippers
