#include "editor/signals.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "io/fd.h"
#include "text/utf8.h"

namespace clippers {
namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT, SIGQUIT};
constexpr std::string_view kInterrupted = "clippers: interrupted by signal ";

enum Phase : int { kIdle, kPreparing, kEditing, kEdited };

// What the handler reads.  The strings belong to the one EndSignals alive and
// are in place before the phase that uses them is published.
volatile sig_atomic_t g_phase = kIdle;
volatile sig_atomic_t g_editor_pid = 0;
volatile sig_atomic_t g_received = 0;
volatile sig_atomic_t g_dir_fd = -1;
const char* volatile g_dir_path = nullptr;
const char* volatile g_tail = nullptr;
volatile std::size_t g_tail_size = 0;

void set_phase(Phase phase) {
  std::atomic_signal_fence(std::memory_order_seq_cst);
  g_phase = phase;
  std::atomic_signal_fence(std::memory_order_seq_cst);
}

// Everything below runs inside the handler: system calls only.

void write_interrupted(int signal) {
  char digits[12];
  std::size_t n = sizeof digits;
  for (unsigned v = static_cast<unsigned>(signal); n == sizeof digits || v != 0; v /= 10) {
    digits[--n] = static_cast<char>('0' + v % 10);
  }
  iovec parts[3] = {{const_cast<char*>(kInterrupted.data()), kInterrupted.size()},
                    {digits + n, sizeof digits - n},
                    {const_cast<char*>(g_tail), g_tail_size}};
  [[maybe_unused]] const ssize_t ignored = ::writev(STDERR_FILENO, parts, 3);
}

void die_by(int signal) {
  struct sigaction default_action = {};
  default_action.sa_handler = SIG_DFL;
  sigemptyset(&default_action.sa_mask);
  ::sigaction(signal, &default_action, nullptr);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, signal);
  ::sigprocmask(SIG_UNBLOCK, &only, nullptr);
  ::raise(signal);
}

// Before the editor runs the directory holds only the draft file the tool
// wrote; the name is removed only while it still names the directory held.
void remove_prepared() {
  const int dir = g_dir_fd;
  ::unlinkat(dir, DRAFT_FILE_NAME.data(), 0);
  struct stat held = {}, named = {};
  if (::fstat(dir, &held) == 0 && ::lstat(g_dir_path, &named) == 0 && same_inode(held, named)) {
    ::rmdir(g_dir_path);
  }
}

extern "C" void on_end_signal(int signal) {
  const int saved = errno;
  switch (g_phase) {
    case kPreparing:
      remove_prepared();
      die_by(signal);
      break;
    case kEditing:
      // The terminal sends SIGINT and SIGQUIT to the editor too: they are its
      // keys.  A request to end is passed on; the run ends once the editor has.
      if (signal == SIGTERM || signal == SIGHUP) {
        g_received = signal;
        if (g_editor_pid > 0) ::kill(static_cast<pid_t>(g_editor_pid), signal);
      }
      break;
    case kEdited:
      write_interrupted(signal);
      die_by(signal);
      break;
    default: die_by(signal);
  }
  errno = saved;
}

void block_end_signals(sigset_t* saved) {
  sigset_t set;
  sigemptyset(&set);
  for (const int signal : kSignals) sigaddset(&set, signal);
  ::sigprocmask(SIG_BLOCK, &set, saved);
}

}  // namespace

EndSignals::EndSignals() {
  g_received = 0;
  g_editor_pid = 0;
  set_phase(kIdle);
  struct sigaction action = {};
  action.sa_handler = on_end_signal;
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  for (const int signal : kSignals) sigaddset(&action.sa_mask, signal);
  for (std::size_t i = 0; i < std::size(kSignals); ++i) {
    ::sigaction(kSignals[i], nullptr, &saved_[i]);
    if (saved_[i].sa_handler != SIG_IGN) ::sigaction(kSignals[i], &action, nullptr);
  }
}

EndSignals::~EndSignals() {
  sigset_t saved;
  block_end_signals(&saved);
  set_phase(kIdle);
  for (std::size_t i = 0; i < std::size(kSignals); ++i) ::sigaction(kSignals[i], &saved_[i], nullptr);
  g_dir_path = nullptr;
  g_tail = nullptr;
  ::sigprocmask(SIG_SETMASK, &saved, nullptr);
}

Result<DraftDir, IoError> EndSignals::make_draft_dir(const std::string& parent, std::string_view prefix) {
  const Held held;
  auto created = create_draft_dir(parent, prefix);
  if (!created) return created;
  dir_path_ = created->path();
  g_dir_path = dir_path_.c_str();
  g_dir_fd = created->fd();
  set_phase(kPreparing);
  return created;
}

void EndSignals::editing() {
  g_received = 0;
  g_editor_pid = 0;
  set_phase(kEditing);
}

void EndSignals::editor_started(pid_t pid) {
  g_editor_pid = pid;
  if (g_received != 0) ::kill(pid, g_received);
}

void EndSignals::editor_not_started() {
  set_phase(kPreparing);
  if (g_received != 0) ::raise(g_received);
}

int EndSignals::received() const { return g_received; }

void EndSignals::edited(const std::string& draft) {
  const Held held;
  tail_ = "; draft at " + printable_utf8(draft) + "\n";
  g_tail = tail_.data();
  g_tail_size = tail_.size();
  set_phase(kEdited);
}

void EndSignals::done() { set_phase(kIdle); }

EndSignals::Held::Held() { block_end_signals(&saved_); }
EndSignals::Held::~Held() { ::sigprocmask(SIG_SETMASK, &saved_, nullptr); }

int EndSignals::end_by(int signal) const {
  write_interrupted(signal);
  die_by(signal);
  return 128 + signal;
}

}  // namespace clippers
