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

namespace {

// The deadlines of one wait: when the child is asked to end (its time limit)
// and when, asked to end by any means, it is killed.
class Deadlines {
 public:
  Deadlines(std::uint64_t start, std::optional<std::uint64_t> limit_ms) {
    if (limit_ms) ask_at_ = start + *limit_ms;
  }

  // Acts on what is due at `now`; `received`: a request to end was passed on.
  void act(pid_t pid, std::uint64_t now, bool received) {
    if (ask_at_ && now >= *ask_at_) {
      ::kill(pid, SIGTERM);
      timed_out_ = true;
      ask_at_.reset();
      if (!kill_at_) kill_at_ = now + CHILD_KILL_GRACE_MS;
    }
    if (!kill_at_ && received) kill_at_ = now + CHILD_KILL_GRACE_MS;
    if (kill_at_ && !killed_ && now >= *kill_at_) {
      ::kill(pid, SIGKILL);
      killed_ = true;
    }
  }

  // The next moment something is due, or none.
  std::optional<std::uint64_t> next() const {
    std::optional<std::uint64_t> until = killed_ ? std::nullopt : kill_at_;
    if (ask_at_ && (!until || *ask_at_ < *until)) until = ask_at_;
    return until;
  }

  bool timed_out() const { return timed_out_; }

 private:
  std::optional<std::uint64_t> ask_at_, kill_at_;
  bool timed_out_ = false, killed_ = false;
};

// What the child wrote before it ended is still to be read.
void drain(Pump* pump) {
  if (pump == nullptr) return;
  std::vector<pollfd> fds;
  pump->want(fds);
  for (pollfd& fd : fds) fd.revents = fd.events;
  pump->serve(fds, 0);
}

}  // namespace

Result<Waited, int> wait_child(pid_t pid, ChildWatch& watch, std::optional<std::uint64_t> limit_ms, Pump* pump) {
  const std::uint64_t start = monotonic_ms();
  Deadlines deadlines(start, limit_ms);
  std::vector<pollfd> fds;
  for (;;) {
    int status = 0;
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid || (done < 0 && errno != EINTR)) {
      const int err = errno;
      watch.ended();
      if (done != pid) return fail(err);
      drain(pump);
      return Waited{status, monotonic_ms() - start, deadlines.timed_out()};
    }
    deadlines.act(pid, monotonic_ms(), watch.received() != 0);
    // Sleeps until the child ends, a request comes, a pipe is ready or the next deadline.
    fds.assign(1, pollfd{watch.wake_fd(), POLLIN, 0});
    if (pump != nullptr) pump->want(fds);
    const int ready = ::poll(fds.data(), fds.size(), poll_timeout(deadlines.next(), watch.wake_fd() >= 0));
    if (ready > 0 && pump != nullptr) pump->serve(fds, 1);
    watch.drain();
  }
}

}  // namespace clippers
