#include "editor/invoke.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
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

// posix_spawn's attribute and file-action objects, destroyed on every path.
struct SpawnSetup {
  posix_spawnattr_t attr;
  posix_spawn_file_actions_t actions;
  int failed = 0;  // the error of an initialisation that failed
  SpawnSetup() : attr_made(posix_spawnattr_init(&attr) == 0), actions_made(posix_spawn_file_actions_init(&actions) == 0) {
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

// When the draft came through a pipe, or the approved text is going into one,
// the editor still needs the user's terminal: hand it the controlling terminal
// for whichever of its standard input and output is not one.  Without a
// controlling terminal the editor's screen must still never land among the
// approved text: its standard output is then the tool's standard error.
Result<Fd, IoError> attach_terminal(posix_spawn_file_actions_t& actions) {
  const bool in_tty = isatty(STDIN_FILENO) != 0;
  const bool out_tty = isatty(STDOUT_FILENO) != 0;
  if (in_tty && out_tty) return Fd();
  const auto dup2_action = [&](int from, int to) -> Result<void, IoError> {
    if (const int rc = posix_spawn_file_actions_adddup2(&actions, from, to); rc != 0) {
      return fail(IoError::from_errno(rc));
    }
    return {};
  };
  auto opened = open_file("/dev/tty", O_RDWR | O_NOCTTY);
  if (!opened) {
    // A closed standard error has nothing to give; the editor's own then stays.
    if (!out_tty && ::fcntl(STDERR_FILENO, F_GETFD) != -1) {
      if (auto r = dup2_action(STDERR_FILENO, STDOUT_FILENO); !r) return fail(std::move(r).error());
    }
    return Fd();
  }
  Fd tty = std::move(opened).value();
  if (!in_tty) {
    if (auto r = dup2_action(tty.get(), STDIN_FILENO); !r) return fail(std::move(r).error());
  }
  if (!out_tty) {
    if (auto r = dup2_action(tty.get(), STDOUT_FILENO); !r) return fail(std::move(r).error());
  }
  return tty;
}

struct Exit {
  int status;
  timespec end;
};

Result<Exit, EditorError> spawn_and_wait(const std::vector<std::string>& command,
                                         const std::string& draft_path, EndSignals& signals) {
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
  const int rc = command.front().empty()
                     ? ENOENT
                     : posix_spawnp(&pid, argv[0], &setup.actions, &setup.attr, argv.data(), environ);
  if (rc != 0) {
    signals.editor_not_started();
    if (rc == ENOENT) return fail(EditorError{editor_error::NoEditor{}});
    return io_failure(rc);
  }
  signals.editor_started(pid);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return io_failure(errno);
  }
  return Exit{status, monotonic_now()};
}

}  // namespace

EditOutcome classify_edit(std::string_view edited, Pieces initial_draft, Pieces written,
                          std::uint64_t elapsed, bool unread) {
  auto joined = std::make_shared<std::string>();
  const std::optional<std::string_view> content = extract_content(edited, *joined);
  if (!content) return edit_outcome::Aborted{};
  const auto ms = static_cast<std::uint32_t>(std::min<std::uint64_t>(elapsed, UINT32_MAX));
  // Untouched bytes are untouched whatever extraction makes of them: a draft
  // with CR LF line ends, or a context holding a cut line, must not pass for
  // an approval that nobody saw.  A draft nobody even read was never shown,
  // however long the editor took (a launcher that handed it to a slow window).
  const bool untouched = equals(written, edited);
  if (unread && untouched) return edit_outcome::NeverOpened{ms};
  if (elapsed < NEVER_OPENED_THRESHOLD_MS && (untouched || equals(trim_end(initial_draft), *content))) {
    return edit_outcome::NeverOpened{ms};
  }
  if (joined->empty()) return edit_outcome::Approved{*content};
  return edit_outcome::Approved{*content, std::move(joined)};
}

Result<EditOutcome, EditorError> run_editor(const EditorCommand& command, const DraftDir& dir,
                                            const DraftFile& draft, Pieces initial_draft, Pieces written,
                                            EndSignals& signals) {
  if (command.empty()) return fail(EditorError{editor_error::NoEditor{}});
  const std::string draft_path = dir.draft_file_path();
  // The clock starts before the child is prepared: a slow start is still the editor's time.
  const timespec start = monotonic_now();
  auto exited = spawn_and_wait(command, draft_path, signals);
  if (!exited) return fail(std::move(exited).error());
  signals.edited(draft_path);
  // The editor was given a path: if another directory now stands there, what
  // the user did went into that one, and nothing the tool holds is theirs to approve.
  if (!dir.at_path()) return fail(EditorError{editor_error::Replaced{dir.path(), dir.current_path()}});
  if (signals.received() != 0) return EditOutcome{edit_outcome::Interrupted{signals.received()}};
  const int status = exited->status;
  if (!WIFEXITED(status)) return EditOutcome{edit_outcome::EditorExited{-1}};
  if (WEXITSTATUS(status) != 0) return EditOutcome{edit_outcome::EditorExited{WEXITSTATUS(status)}};

  // Before the tool's own read moves the access time.
  const bool unread = unread_since(dir, draft.stamp);
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
  EditOutcome outcome = classify_edit(text, initial_draft, written, elapsed_ms(start, exited->end), unread);
  if (auto* approved = std::get_if<edit_outcome::Approved>(&outcome); approved && !approved->storage) {
    approved->storage = std::move(storage);
  }
  return outcome;
}

}  // namespace clippers
