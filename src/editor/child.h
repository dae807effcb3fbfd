#pragma once
// Starting a child process (the editor, the check) and waiting for it: no
// shell, the program looked up on PATH, default actions for the signals the
// tool ignores or catches, and a wait that a time limit or a request to end
// cannot leave waiting for ever.
//
// Calling sequence: start_child with the spawn's file actions already set,
// then wait_child once; `watch` is told of both.

#include <poll.h>
#include <spawn.h>
#include <sys/types.h>

#include <cerrno>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/result.h"

namespace clippers {

// How long a child may take to end once asked to (a request to end passed on
// to it, or its time limit), before it is killed.
constexpr std::uint64_t CHILD_KILL_GRACE_MS = 5000;

// What the code that starts a child tells the rest of the tool, and what it
// asks of it: a request to end the tool that comes while a child runs is
// passed on to the child, and wakes the wait.
class ChildWatch {
 public:
  // The child is about to be started; `started` once its pid is known (a
  // request that came meanwhile is passed on then), `not_started` when the
  // start failed (such a request then acts); `ended` once it is reaped.
  virtual void starting() = 0;
  virtual void started(pid_t pid) = 0;
  virtual void not_started() = 0;
  virtual void ended() = 0;
  // The request passed on to the child (a signal number), or 0.
  virtual int received() const = 0;
  // Readable when a child may have ended or a request came (-1: none to
  // wait on); drain() empties it.
  virtual int wake_fd() const = 0;
  virtual void drain() const = 0;

 protected:
  ~ChildWatch() = default;
};

// Descriptors served while the child runs, such as pipes to it.
class Pump {
 public:
  // Adds what it waits for to `fds`.
  virtual void want(std::vector<pollfd>& fds) = 0;
  // Serves the entries it added, from `fds[first]` on, as poll left them.
  virtual void serve(const std::vector<pollfd>& fds, std::size_t first) = 0;

 protected:
  ~Pump() = default;
};

// posix_spawn's file actions, destroyed on every path.
class SpawnActions {
 public:
  SpawnActions();
  ~SpawnActions();
  SpawnActions(const SpawnActions&) = delete;
  SpawnActions& operator=(const SpawnActions&) = delete;
  // ENOMEM when the actions could not be made, else 0.
  int failed() const { return made_ ? 0 : ENOMEM; }
  posix_spawn_file_actions_t& get() { return actions_; }
  // The child's descriptor `to` is a copy of the tool's `from`; the error number, or 0.
  int dup2(int from, int to) { return posix_spawn_file_actions_adddup2(&actions_, from, to); }

 private:
  posix_spawn_file_actions_t actions_{};
  bool made_;
};

// Starts `argv` (program first, looked up on PATH, no shell) with `actions`,
// SIGPIPE, SIGINT, SIGQUIT and SIGXFSZ at their default actions whatever the
// tool does with them, and the tool's environment.  Fails with the error
// number of the start (ENOENT: not found, or an empty program name).
Result<pid_t, int> start_child(const std::vector<std::string>& argv, const posix_spawn_file_actions_t& actions,
                               ChildWatch& watch);

struct Waited {
  int status;              // as waitpid gives it
  std::uint64_t ms;        // from the call to the end of the wait
  bool timed_out = false;  // the limit passed and the child was asked to end
};

// Waits for `pid`, serving `pump` meanwhile.  Past `limit_ms` the child gets
// SIGTERM; a child still running CHILD_KILL_GRACE_MS after that, or after a
// request to end was passed on to it, gets SIGKILL.  Fails with the error
// number of the wait.
Result<Waited, int> wait_child(pid_t pid, ChildWatch& watch, std::optional<std::uint64_t> limit_ms,
                               Pump* pump = nullptr);

// Whole milliseconds on the monotonic clock since an arbitrary start.
std::uint64_t monotonic_ms();

}  // namespace clippers
