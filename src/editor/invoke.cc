#include "editor/invoke.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

#include "buffer/extract.h"
#include "io/fd.h"
#include "text/whitespace.h"

extern char** environ;

namespace clippers {
namespace {

timespec monotonic_now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t;
}

std::uint64_t elapsed_ms(const timespec& start, const timespec& end) {
  // Whole milliseconds between the readings; a clock that reads earlier than
  // the start gives zero, and a span too long for 64 bits saturates.
  std::int64_t sec = static_cast<std::int64_t>(end.tv_sec) - static_cast<std::int64_t>(start.tv_sec);
  std::int64_t nsec = static_cast<std::int64_t>(end.tv_nsec) - static_cast<std::int64_t>(start.tv_nsec);
  if (nsec < 0) {
    nsec += 1'000'000'000;
    sec -= 1;
  }
  if (sec < 0) return 0;
  const auto whole = static_cast<std::uint64_t>(sec);
  if (whole > UINT64_MAX / 1000 - 1) return UINT64_MAX;
  return whole * 1000 + static_cast<std::uint64_t>(nsec) / 1'000'000;
}

// While the editor owns the terminal an interrupt is meant for it alone: the tool
// ignores SIGINT and SIGQUIT until the wait is over, then puts back what it had.
class IgnoreInterrupts {
 public:
  IgnoreInterrupts() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGINT, &ignore, &saved_int_);
    sigaction(SIGQUIT, &ignore, &saved_quit_);
  }
  ~IgnoreInterrupts() {
    sigaction(SIGINT, &saved_int_, nullptr);
    sigaction(SIGQUIT, &saved_quit_, nullptr);
  }
  IgnoreInterrupts(const IgnoreInterrupts&) = delete;
  IgnoreInterrupts& operator=(const IgnoreInterrupts&) = delete;

 private:
  struct sigaction saved_int_ {};
  struct sigaction saved_quit_ {};
};

// posix_spawn's attribute and file-action objects, destroyed on every path.
struct SpawnSetup {
  posix_spawnattr_t attr;
  posix_spawn_file_actions_t actions;
  SpawnSetup() {
    posix_spawnattr_init(&attr);
    posix_spawn_file_actions_init(&actions);
  }
  ~SpawnSetup() {
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;
};

// When the draft came through a pipe, or the approved text is going into one,
// the editor still needs the user's terminal: hand it the controlling terminal
// for whichever of its standard input and output is not one.  Without a
// controlling terminal the streams are inherited as they are.
Fd attach_terminal(posix_spawn_file_actions_t& actions) {
  const bool in_tty = isatty(STDIN_FILENO) != 0;
  const bool out_tty = isatty(STDOUT_FILENO) != 0;
  if (in_tty && out_tty) return Fd();
  Fd tty;
  if (auto opened = open_file("/dev/tty", O_RDWR | O_NOCTTY)) tty = std::move(opened).value();
  if (!tty.valid()) return tty;
  if (!in_tty) posix_spawn_file_actions_adddup2(&actions, tty.get(), STDIN_FILENO);
  if (!out_tty) posix_spawn_file_actions_adddup2(&actions, tty.get(), STDOUT_FILENO);
  return tty;
}

struct Exit {
  int status;
  timespec end;
};

Result<Exit, EditorError> spawn_and_wait(const std::vector<std::string>& command,
                                         const std::string& draft_path) {
  std::vector<char*> argv;
  argv.reserve(command.size() + 2);
  for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(const_cast<char*>(draft_path.c_str()));
  argv.push_back(nullptr);

  SpawnSetup setup;
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGQUIT);
  posix_spawnattr_setsigdefault(&setup.attr, &defaults);
  posix_spawnattr_setflags(&setup.attr, POSIX_SPAWN_SETSIGDEF);
  const Fd tty = attach_terminal(setup.actions);

  const IgnoreInterrupts ignore;
  pid_t pid = 0;
  // An empty program name can name no file; execvp would say the same.
  const int rc = command.front().empty()
                     ? ENOENT
                     : posix_spawnp(&pid, argv[0], &setup.actions, &setup.attr, argv.data(), environ);
  if (rc != 0) {
    if (rc == ENOENT) return fail(EditorError{editor_error::NoEditor{}});
    return fail(EditorError{editor_error::Io{IoError::from_errno(rc)}});
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return fail(EditorError{editor_error::Io{IoError::from_errno(errno)}});
  }
  return Exit{status, monotonic_now()};
}

}  // namespace

EditOutcome classify_edit(std::string_view edited, std::string_view initial_draft,
                          std::uint64_t elapsed) {
  std::optional<std::string> content = extract_content(edited);
  if (!content) return edit_outcome::Aborted{};
  if (elapsed < NEVER_OPENED_THRESHOLD_MS && *content == trim_end(initial_draft)) {
    return edit_outcome::NeverOpened{static_cast<std::uint32_t>(elapsed)};
  }
  return edit_outcome::Approved{std::move(*content)};
}

Result<EditOutcome, EditorError> run_editor(const std::vector<std::string>& command,
                                            const std::string& draft_path,
                                            std::string_view initial_draft) {
  if (command.empty()) return fail(EditorError{editor_error::NoEditor{}});
  // The clock starts before the child is prepared: a slow start is still the editor's time.
  const timespec start = monotonic_now();
  auto exited = spawn_and_wait(command, draft_path);
  if (!exited) return fail(std::move(exited).error());
  const int status = exited->status;
  if (!WIFEXITED(status)) return EditOutcome{edit_outcome::EditorExited{-1}};
  if (WEXITSTATUS(status) != 0) return EditOutcome{edit_outcome::EditorExited{WEXITSTATUS(status)}};

  // By path, so an editor that wrote a new file under the same name is read like any other.
  auto edited = read_text_file(draft_path);
  if (!edited) return fail(EditorError{editor_error::Io{std::move(edited).error()}});
  return classify_edit(*edited, initial_draft, elapsed_ms(start, exited->end));
}

}  // namespace clippers
