#include "run/end_signals.h"

#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <iterator>
#include <vector>

#include "io/fd.h"
#include "text/utf8.h"

namespace clippers {
namespace {

constexpr std::string_view kInterrupted = "clippers: interrupted by signal ";

// Every signal whose default action ends the process and that a handler may
// catch, but those that report a fault of the tool's own (SIGSEGV, SIGBUS,
// SIGFPE, SIGILL, SIGABRT, SIGTRAP, SIGSYS): a handler would run on a state
// that can no longer be trusted, and would hide the fault from a debugger or
// a sanitizer.  SIGPIPE and SIGXFSZ are ignored from the start (main.cc).
// Real-time signals end a process too; their range is known only at run time.
constexpr int kFixedSignals[] = {
    SIGTERM,   SIGHUP, SIGINT, SIGQUIT, SIGALRM, SIGUSR1, SIGUSR2, SIGVTALRM, SIGPROF, SIGXCPU,
#if defined(SIGPOLL)
    SIGPOLL,
#endif
#if defined(SIGPWR)
    SIGPWR,
#endif
#if defined(SIGSTKFLT)
    SIGSTKFLT,
#endif
#if defined(SIGLOST) && (!defined(SIGPWR) || SIGLOST != SIGPWR)
    SIGLOST,
#endif
};

std::vector<int> end_signals() {
  std::vector<int> all(std::begin(kFixedSignals), std::end(kFixedSignals));
#if defined(SIGRTMIN) && defined(SIGRTMAX)
  for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal) all.push_back(signal);
#endif
  return all;
}

// What a signal does now: nothing registered (end the tool), a directory
// prepared (remove it, end the tool), a child running (pass the signal on),
// a draft to name (name it, end the tool).
enum Phase : int { kIdle, kPrepared, kChild, kNamed };

// What the handler reads.  The strings belong to the one EndSignals alive and
// are in place before the phase that uses them is published.
volatile sig_atomic_t g_phase = kIdle;
volatile sig_atomic_t g_child_pid = 0;
volatile sig_atomic_t g_received = 0;
volatile sig_atomic_t g_dir_fd = -1;
// The write end of the wake pipe: a byte there wakes the wait for a child.
volatile sig_atomic_t g_wake_fd = -1;
const char* volatile g_dir_path = nullptr;
const char* volatile g_draft_name = nullptr;
const char* volatile g_tail = nullptr;
volatile std::size_t g_tail_size = 0;
// With --json: the pieces of the object the handler writes (see Report).
const EndSignals::Report* volatile g_json_prepared = nullptr;
const EndSignals::Report* volatile g_json_named = nullptr;

void set_phase(Phase phase) {
  std::atomic_signal_fence(std::memory_order_seq_cst);
  g_phase = phase;
  std::atomic_signal_fence(std::memory_order_seq_cst);
}

// Everything below runs inside the handler: system calls only.

// A number in decimal, written backwards into `digits`: returns its piece.
iovec decimal(unsigned value, char (&digits)[12]) {
  std::size_t n = sizeof digits;
  for (unsigned v = value; n == sizeof digits || v != 0; v /= 10) digits[--n] = static_cast<char>('0' + v % 10);
  return {digits + n, sizeof digits - n};
}

iovec piece(const std::string& text) { return {const_cast<char*>(text.data()), text.size()}; }

void write_interrupted(int signal) {
  char digits[12];
  iovec parts[3] = {{const_cast<char*>(kInterrupted.data()), kInterrupted.size()},
                    decimal(static_cast<unsigned>(signal), digits),
                    {const_cast<char*>(g_tail), g_tail_size}};
  [[maybe_unused]] const ssize_t ignored = ::writev(STDERR_FILENO, parts, 3);
}

// The JSON object of a run ended by `signal`, when there is one to write
// and standard output takes it now: a handler must never wait on a reader.
void write_json(const EndSignals::Report* report, int signal, bool named) {
  if (report == nullptr) return;
  pollfd out = {STDOUT_FILENO, POLLOUT, 0};
  const std::size_t size = report->before_status.size() + report->rest.size() + report->after.size() + 24;
  if (::poll(&out, 1, 0) != 1 || (out.revents & POLLOUT) == 0 || size > PIPE_BUF) return;
  char status[12], number[12];
  iovec parts[5] = {piece(report->before_status), decimal(128 + static_cast<unsigned>(signal), status),
                    piece(report->rest), decimal(static_cast<unsigned>(signal), number), piece(report->after)};
  [[maybe_unused]] const ssize_t ignored = ::writev(STDOUT_FILENO, parts, named ? 5 : 3);
}

void wake() {
  const int fd = g_wake_fd;
  if (fd >= 0) [[maybe_unused]]
    const ssize_t ignored = ::write(fd, "", 1);
}

// Ends the process by `signal` with its default action.  Where that action
// does not end it (the tool runs as process 1 of a PID namespace, where the
// kernel drops such a signal) it exits with the status a shell would show.
[[noreturn]] void die_by(int signal) {
  struct sigaction default_action = {};
  default_action.sa_handler = SIG_DFL;
  sigemptyset(&default_action.sa_mask);
  ::sigaction(signal, &default_action, nullptr);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, signal);
  ::sigprocmask(SIG_UNBLOCK, &only, nullptr);
  ::raise(signal);
  ::_exit(128 + signal);
}

// Before the editor runs the directory holds only the draft file the tool
// wrote; the name is removed only while it still names the directory held.
void remove_prepared() {
  const int dir = g_dir_fd;
  ::unlinkat(dir, g_draft_name, 0);
  struct stat held = {}, named = {};
  if (::fstat(dir, &held) == 0 && ::lstat(g_dir_path, &named) == 0 && same_inode(held, named)) {
    ::rmdir(g_dir_path);
  }
}

extern "C" void on_end_signal(int signal) {
  const int saved = errno;
  switch (g_phase) {
    case kPrepared:
      remove_prepared();
      write_json(g_json_prepared, signal, false);
      die_by(signal);
    case kChild:
      // The terminal sends SIGINT and SIGQUIT to the editor too: they are its
      // keys.  Any other request to end is passed on, and the wait for the
      // child is woken to hold it to a time limit; the run ends once the
      // child has.
      if (signal != SIGINT && signal != SIGQUIT) {
        g_received = signal;
        if (g_child_pid > 0) ::kill(static_cast<pid_t>(g_child_pid), signal);
        wake();
      }
      break;
    case kNamed:
      write_interrupted(signal);
      write_json(g_json_named, signal, true);
      die_by(signal);
    default: die_by(signal);
  }
  errno = saved;
}

extern "C" void on_child(int) {
  const int saved = errno;
  wake();
  errno = saved;
}

sigset_t end_signal_set() {
  sigset_t set;
  sigemptyset(&set);
  for (const int signal : end_signals()) sigaddset(&set, signal);
  return set;
}

void block_end_signals(sigset_t* saved) {
  static const sigset_t set = end_signal_set();
  ::sigprocmask(SIG_BLOCK, &set, saved);
}

// A pipe whose ends neither block nor pass to the editor.
bool make_wake_pipe(int fds[2]) {
  if (::pipe(fds) != 0) return false;
  for (int i = 0; i < 2; ++i) {
    if (::fcntl(fds[i], F_SETFD, FD_CLOEXEC) != 0 || ::fcntl(fds[i], F_SETFL, O_NONBLOCK) != 0) {
      ::close(fds[0]);
      ::close(fds[1]);
      return false;
    }
  }
  return true;
}

}  // namespace

EndSignals::EndSignals() : tail_("\n"), signals_(end_signals()), saved_(signals_.size()) {
  g_received = 0;
  g_child_pid = 0;
  // With no draft yet (a check run with --yes), the line ends after the number.
  g_tail = tail_.data();
  g_tail_size = tail_.size();
  set_phase(kIdle);
  int fds[2];
  if (make_wake_pipe(fds)) {
    wake_read_ = Fd(fds[0]);
    wake_write_ = Fd(fds[1]);
    g_wake_fd = fds[1];
  }
  struct sigaction action = {};
  action.sa_handler = on_end_signal;
  action.sa_flags = SA_RESTART;
  action.sa_mask = end_signal_set();
  for (std::size_t i = 0; i < signals_.size(); ++i) {
    // A signal the system keeps for itself (a debugger's, valgrind's) stays as it is.
    if (::sigaction(signals_[i], nullptr, &saved_[i]) != 0) continue;
    if (saved_[i].sa_handler != SIG_IGN) ::sigaction(signals_[i], &action, nullptr);
  }
}

EndSignals::~EndSignals() {
  sigset_t saved;
  block_end_signals(&saved);
  set_phase(kIdle);
  for (std::size_t i = 0; i < signals_.size(); ++i) ::sigaction(signals_[i], &saved_[i], nullptr);
  g_dir_path = nullptr;
  g_draft_name = nullptr;
  g_tail = nullptr;
  g_json_prepared = nullptr;
  g_json_named = nullptr;
  g_wake_fd = -1;
  restore_child();
  ::sigprocmask(SIG_SETMASK, &saved, nullptr);
}

void EndSignals::prepared(const DraftDir& dir) {
  dir_path_ = dir.path();
  draft_name_ = dir.draft_name();
  tail_ = "; draft at " + printable_utf8(dir.draft_file_path()) + "\n";
  g_dir_path = dir_path_.c_str();
  g_draft_name = draft_name_.c_str();
  g_dir_fd = dir.fd();
  g_tail = tail_.data();
  g_tail_size = tail_.size();
  set_phase(kPrepared);
}

void EndSignals::settled() { set_phase(kIdle); }

void EndSignals::output_started() {
  g_json_prepared = nullptr;
  g_json_named = nullptr;
}

void EndSignals::report_json(Report prepared, Report named) {
  const Held held;
  prepared_json_ = std::move(prepared);
  named_json_ = std::move(named);
  g_json_prepared = &prepared_json_;
  g_json_named = &named_json_;
}

void EndSignals::starting() {
  g_received = 0;
  g_child_pid = 0;
  // A child that ends wakes the wait as a signal passed on does, so that the
  // wait can sleep until either happens, or until a time limit.
  struct sigaction action = {};
  action.sa_handler = on_child;
  action.sa_flags = SA_RESTART | SA_NOCLDSTOP;
  sigemptyset(&action.sa_mask);
  child_handled_ = ::sigaction(SIGCHLD, &action, &saved_child_) == 0;
  phase_before_child_ = g_phase;
  set_phase(kChild);
}

void EndSignals::started(pid_t pid) {
  g_child_pid = pid;
  if (g_received != 0) ::kill(pid, g_received);
}

void EndSignals::not_started() {
  restore_child();
  set_phase(static_cast<Phase>(phase_before_child_));
  if (g_received != 0) ::raise(g_received);
}

void EndSignals::ended() {
  const Held held;
  restore_child();
  g_child_pid = 0;
  // Once a child has run on it, the draft may hold the user's work.
  set_phase(g_dir_path != nullptr ? kNamed : kIdle);
}

void EndSignals::restore_child() {
  if (child_handled_) ::sigaction(SIGCHLD, &saved_child_, nullptr);
  child_handled_ = false;
}

int EndSignals::received() const { return g_received; }

int EndSignals::wake_fd() const { return wake_read_.get(); }

void EndSignals::drain() const {
  char drained[64];
  while (wake_read_.valid() && ::read(wake_read_.get(), drained, sizeof drained) > 0) {
  }
}

EndSignals::Held::Held() { block_end_signals(&saved_); }
EndSignals::Held::~Held() { ::sigprocmask(SIG_SETMASK, &saved_, nullptr); }

void EndSignals::end_by(int signal) const {
  write_interrupted(signal);
  die_by(signal);
}

}  // namespace clippers
