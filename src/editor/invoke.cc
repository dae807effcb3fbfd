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

// SIGTERM and SIGHUP ask the tool to end, but the editor holds the user's
// unsaved work: while it runs they are passed on to it, and the run, once the
// editor is gone, says where the draft is before ending by the same signal.
volatile sig_atomic_t g_editor_pid = 0;
volatile sig_atomic_t g_received = 0;

extern "C" void forward_to_editor(int signal) {
  g_received = signal;
  if (g_editor_pid > 0) kill(static_cast<pid_t>(g_editor_pid), signal);
}

class ForwardEndSignals {
 public:
  ForwardEndSignals() {
    g_editor_pid = 0;
    g_received = 0;
    struct sigaction forward {};
    forward.sa_handler = forward_to_editor;
    sigemptyset(&forward.sa_mask);
    for (std::size_t i = 0; i < kCount; ++i) {
      sigaction(kSignals[i], nullptr, &saved_[i]);
      // A signal the caller chose to ignore (nohup) stays ignored.
      if (saved_[i].sa_handler != SIG_IGN) sigaction(kSignals[i], &forward, nullptr);
    }
  }
  ~ForwardEndSignals() {
    for (std::size_t i = 0; i < kCount; ++i) sigaction(kSignals[i], &saved_[i], nullptr);
    g_editor_pid = 0;
  }
  ForwardEndSignals(const ForwardEndSignals&) = delete;
  ForwardEndSignals& operator=(const ForwardEndSignals&) = delete;

  // Called once the editor's pid is known; a signal that came before is sent now.
  static void editor_started(pid_t pid) {
    g_editor_pid = pid;
    if (g_received != 0) kill(pid, g_received);
  }
  static int received() { return g_received; }

 private:
  static constexpr int kSignals[] = {SIGTERM, SIGHUP};
  static constexpr std::size_t kCount = sizeof kSignals / sizeof kSignals[0];
  struct sigaction saved_[kCount] = {};
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
  int interrupted_by;  // 0, or the ending signal passed on to the editor
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
  // Ignored here so a failed write reports EFBIG instead of killing the tool;
  // the editor gets the ordinary behaviour.
  sigaddset(&defaults, SIGXFSZ);
  posix_spawnattr_setsigdefault(&setup.attr, &defaults);
  posix_spawnattr_setflags(&setup.attr, POSIX_SPAWN_SETSIGDEF);
  const Fd tty = attach_terminal(setup.actions);

  const IgnoreInterrupts ignore;
  const ForwardEndSignals forward;
  pid_t pid = 0;
  // An empty program name can name no file; execvp would say the same.
  const int rc = command.front().empty()
                     ? ENOENT
                     : posix_spawnp(&pid, argv[0], &setup.actions, &setup.attr, argv.data(), environ);
  if (rc != 0) {
    if (rc == ENOENT) return fail(EditorError{editor_error::NoEditor{}});
    return fail(EditorError{editor_error::Io{IoError::from_errno(rc)}});
  }
  ForwardEndSignals::editor_started(pid);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return fail(EditorError{editor_error::Io{IoError::from_errno(errno)}});
  }
  return Exit{status, monotonic_now(), ForwardEndSignals::received()};
}

}  // namespace

EditOutcome classify_edit(std::string_view edited, Pieces initial_draft, Pieces written,
                          std::uint64_t elapsed) {
  auto joined = std::make_shared<std::string>();
  const std::optional<std::string_view> content = extract_content(edited, *joined);
  if (!content) return edit_outcome::Aborted{};
  // Untouched bytes are untouched whatever extraction makes of them: a draft
  // with CR LF line ends, or a context holding a cut line, must not pass for
  // an approval that nobody saw.  Only a fast editor is compared at all.
  if (elapsed < NEVER_OPENED_THRESHOLD_MS &&
      (equals(written, edited) || equals(trim_end(initial_draft), *content))) {
    return edit_outcome::NeverOpened{static_cast<std::uint32_t>(elapsed)};
  }
  if (joined->empty()) return edit_outcome::Approved{*content};
  return edit_outcome::Approved{*content, std::move(joined)};
}

Result<EditOutcome, EditorError> run_editor(const std::vector<std::string>& command,
                                            const DraftDir& dir, Pieces initial_draft, Pieces written) {
  if (command.empty()) return fail(EditorError{editor_error::NoEditor{}});
  const std::string draft_path = dir.draft_file_path();
  // The clock starts before the child is prepared: a slow start is still the editor's time.
  const timespec start = monotonic_now();
  auto exited = spawn_and_wait(command, draft_path);
  if (!exited) return fail(std::move(exited).error());
  if (exited->interrupted_by != 0) return EditOutcome{edit_outcome::Interrupted{exited->interrupted_by}};
  const int status = exited->status;
  if (!WIFEXITED(status)) return EditOutcome{edit_outcome::EditorExited{-1}};
  if (WEXITSTATUS(status) != 0) return EditOutcome{edit_outcome::EditorExited{WEXITSTATUS(status)}};

  // By name, so an editor that wrote a new file under the same name is read
  // like any other.  Whatever is left there that cannot be read back is the
  // user's work all the same: it stays, and the message says where.
  auto edited = read_draft_file(dir);
  if (!edited) {
    std::optional<std::string> kept;
    if (draft_file_exists(dir)) kept = draft_path;
    return fail(EditorError{editor_error::Io{std::move(edited).error(), std::move(kept)}});
  }
  // A regular file is held in one piece; only one that grew while it was read
  // comes in several, and is then copied into one.
  std::shared_ptr<const void> storage;
  std::string_view text;
  if (const auto whole = edited->contiguous()) {
    text = *whole;
    storage = std::make_shared<HeldText>(std::move(edited).value());
  } else {
    auto flat = std::make_shared<std::string>(edited->str());
    text = *flat;
    storage = std::move(flat);
  }
  EditOutcome outcome = classify_edit(text, initial_draft, written, elapsed_ms(start, exited->end));
  if (auto* approved = std::get_if<edit_outcome::Approved>(&outcome); approved && !approved->storage) {
    approved->storage = std::move(storage);
  }
  return outcome;
}

}  // namespace clippers
