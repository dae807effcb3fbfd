#include "editor/child.h"

#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

namespace clippers {
namespace {

// posix_spawn's attributes, destroyed on every path.
class SpawnAttributes {
 public:
  SpawnAttributes() : made_(posix_spawnattr_init(&attr_) == 0) {}
  ~SpawnAttributes() {
    if (made_) posix_spawnattr_destroy(&attr_);
  }
  SpawnAttributes(const SpawnAttributes&) = delete;
  SpawnAttributes& operator=(const SpawnAttributes&) = delete;

  // Default actions for `signals` in the child; the error number, or 0.
  int set_defaults(std::initializer_list<int> signals) {
    if (!made_) return ENOMEM;
    sigset_t defaults;
    sigemptyset(&defaults);
    for (const int signal : signals) sigaddset(&defaults, signal);
    if (const int rc = posix_spawnattr_setsigdefault(&attr_, &defaults); rc != 0) return rc;
    return posix_spawnattr_setflags(&attr_, POSIX_SPAWN_SETSIGDEF);
  }
  const posix_spawnattr_t* get() const { return &attr_; }

 private:
  posix_spawnattr_t attr_{};
  bool made_;
};

// The longest a poll may sleep, in milliseconds, for a wait that ends at
// `until` (none: no end).  Without a wake pipe, a short nap stands in.
int poll_timeout(std::optional<std::uint64_t> until, bool can_be_woken) {
  const int cap = can_be_woken ? -1 : 50;
  if (!until) return cap;
  const std::uint64_t now = monotonic_ms();
  const std::uint64_t left = *until > now ? *until - now : 0;
  const int ms = left > 60'000 ? 60'000 : static_cast<int>(left);
  return cap < 0 || ms < cap ? ms : cap;
}

}  // namespace

SpawnActions::SpawnActions() : made_(posix_spawn_file_actions_init(&actions_) == 0) {}
SpawnActions::~SpawnActions() {
  if (made_) posix_spawn_file_actions_destroy(&actions_);
}

std::uint64_t monotonic_ms() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<std::uint64_t>(t.tv_sec) * 1000 + static_cast<std::uint64_t>(t.tv_nsec) / 1'000'000;
}

Result<pid_t, int> start_child(const std::vector<std::string>& argv, const posix_spawn_file_actions_t& actions,
                               ChildWatch& watch) {
  SpawnAttributes attributes;
  // The tool ignores SIGPIPE and SIGXFSZ so that failed writes come back as
  // errors; a caller may have left SIGINT and SIGQUIT ignored.  The child
  // gets the ordinary behaviour, whatever the tool does (handlers go by
  // themselves at the exec).
  if (const int rc = attributes.set_defaults({SIGPIPE, SIGINT, SIGQUIT, SIGXFSZ}); rc != 0) return fail(rc);
  std::vector<char*> words;
  words.reserve(argv.size() + 1);
  for (const std::string& word : argv) words.push_back(const_cast<char*>(word.c_str()));
  words.push_back(nullptr);
  watch.starting();
  pid_t pid = 0;
  // An empty program name can name no file; execvp would say the same.
  const int rc =
      argv.front().empty() ? ENOENT : posix_spawnp(&pid, words[0], &actions, attributes.get(), words.data(), environ);
  if (rc != 0) {
    watch.not_started();
    return fail(rc);
  }
  watch.started(pid);
  return pid;
}

Result<Waited, int> wait_child(pid_t pid, ChildWatch& watch, std::optional<std::uint64_t> limit_ms, Pump* pump) {
  const std::uint64_t start = monotonic_ms();
  std::optional<std::uint64_t> ask_at;  // when the limit asks the child to end
  if (limit_ms) ask_at = start + *limit_ms;
  std::optional<std::uint64_t> kill_at;  // when a child asked to end is killed
  bool timed_out = false, killed = false;
  std::vector<pollfd> fds;
  for (;;) {
    int status = 0;
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) {
      watch.ended();
      if (pump != nullptr) {
        // What the child wrote before it ended is still to be read.
        fds.clear();
        pump->want(fds);
        for (pollfd& fd : fds) fd.revents = fd.events;
        pump->serve(fds, 0);
      }
      return Waited{status, monotonic_ms() - start, timed_out};
    }
    if (done < 0 && errno != EINTR) {
      const int err = errno;
      watch.ended();
      return fail(err);
    }
    const std::uint64_t now = monotonic_ms();
    if (ask_at && now >= *ask_at) {
      ::kill(pid, SIGTERM);
      timed_out = true;
      ask_at.reset();
      if (!kill_at) kill_at = now + CHILD_KILL_GRACE_MS;
    }
    if (!kill_at && watch.received() != 0) kill_at = now + CHILD_KILL_GRACE_MS;
    if (kill_at && !killed && now >= *kill_at) {
      ::kill(pid, SIGKILL);
      killed = true;
    }
    std::optional<std::uint64_t> until = killed ? std::nullopt : kill_at;
    if (ask_at && (!until || *ask_at < *until)) until = ask_at;
    fds.assign(1, pollfd{watch.wake_fd(), POLLIN, 0});
    if (pump != nullptr) pump->want(fds);
    const int ready = ::poll(fds.data(), fds.size(), poll_timeout(until, watch.wake_fd() >= 0));
    if (ready > 0 && pump != nullptr) pump->serve(fds, 1);
    watch.drain();
  }
}

}  // namespace clippers
