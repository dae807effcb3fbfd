#include "editor/spawn.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <vector>

#include "editor/terminal.h"

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

// Waits for the editor.  A signal passed on to it is a request to end: an
// editor that has not ended EDITOR_KILL_GRACE_MS later (it ignores the
// signal, or is stuck) is killed, so that a caller's cancel always ends the
// run.
Result<int, int> wait_for_editor(pid_t pid, const EndSignals& signals) {
  std::optional<timespec> passed_on;
  bool killed = false;
  for (;;) {
    int status = 0;
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) return status;
    if (done < 0 && errno != EINTR) return fail(errno);
    int timeout = -1;
    if (!killed && signals.received() != 0) {
      const timespec now = monotonic_now();
      if (!passed_on) passed_on = now;
      const std::uint64_t waited = elapsed_ms(*passed_on, now);
      if (waited >= EDITOR_KILL_GRACE_MS) {
        ::kill(pid, SIGKILL);
        killed = true;
      } else {
        timeout = static_cast<int>(EDITOR_KILL_GRACE_MS - waited);
      }
    }
    signals.sleep(timeout);
  }
}

// posix_spawn's attribute and file-action objects, destroyed on every path.
struct SpawnSetup {
  posix_spawnattr_t attr;
  posix_spawn_file_actions_t actions;
  int failed = 0;  // the error of an initialisation that failed
  SpawnSetup()
      : attr_made(posix_spawnattr_init(&attr) == 0), actions_made(posix_spawn_file_actions_init(&actions) == 0) {
    if (!attr_made || !actions_made) failed = ENOMEM;
  }
  ~SpawnSetup() {
    if (actions_made) posix_spawn_file_actions_destroy(&actions);
    if (attr_made) posix_spawnattr_destroy(&attr);
  }
  bool attr_made, actions_made;
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;
};

}  // namespace

Result<EditorExit, EditorError> spawn_and_wait(const EditorCommand& command, const std::string& draft_path,
                                               EndSignals& signals) {
  // The clock starts before the child is prepared: a slow start is still the editor's time.
  const timespec start = monotonic_now();
  const auto io_failure = [](int code) { return fail(EditorError{editor_error::Io{IoError::from_errno(code)}}); };
  std::vector<char*> argv;
  argv.reserve(command.size() + 2);
  for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(const_cast<char*>(draft_path.c_str()));
  argv.push_back(nullptr);

  SpawnSetup setup;
  if (setup.failed != 0) return io_failure(setup.failed);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGQUIT);
  // Ignored here so a failed write reports EFBIG instead of killing the tool;
  // the editor gets the ordinary behaviour.
  sigaddset(&defaults, SIGXFSZ);
  if (const int rc = posix_spawnattr_setsigdefault(&setup.attr, &defaults); rc != 0) return io_failure(rc);
  if (const int rc = posix_spawnattr_setflags(&setup.attr, POSIX_SPAWN_SETSIGDEF); rc != 0) return io_failure(rc);
  auto tty = attach_terminal(setup.actions);
  if (!tty) return fail(EditorError{editor_error::Io{std::move(tty).error()}});

  signals.editing();
  pid_t pid = 0;
  // An empty program name can name no file; execvp would say the same.
  const int rc =
      command.front().empty() ? ENOENT : posix_spawnp(&pid, argv[0], &setup.actions, &setup.attr, argv.data(), environ);
  if (rc != 0) {
    signals.editor_not_started();
    if (rc == ENOENT) return fail(EditorError{editor_error::NoEditor{}});
    return io_failure(rc);
  }
  signals.editor_started(pid);
  auto status = wait_for_editor(pid, signals);
  if (!status) return io_failure(status.error());
  return EditorExit{*status, elapsed_ms(start, monotonic_now())};
}

}  // namespace clippers
