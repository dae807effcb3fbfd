#include "editor/check.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "io/fd.h"

namespace clippers {
namespace {

// A pipe with both ends closed on exec; the tool's own end does not block.
Result<std::pair<Fd, Fd>, int> make_pipe(bool nonblocking_read, bool nonblocking_write) {
  int fds[2];
  if (::pipe(fds) != 0) return fail(errno);
  Fd read_end(fds[0]), write_end(fds[1]);
  for (const int fd : fds) {
    if (::fcntl(fd, F_SETFD, FD_CLOEXEC) != 0) return fail(errno);
  }
  if (nonblocking_read && ::fcntl(fds[0], F_SETFL, O_NONBLOCK) != 0) return fail(errno);
  if (nonblocking_write && ::fcntl(fds[1], F_SETFL, O_NONBLOCK) != 0) return fail(errno);
  return std::pair{std::move(read_end), std::move(write_end)};
}

// Feeds the content to the check and gathers what it writes, as each pipe is
// ready: a check that writes much before it reads cannot hold the tool up.
class CheckPump final : public Pump {
 public:
  CheckPump(Fd input, Fd output, Pieces content)
      : input_(std::move(input)), output_(std::move(output)), content_(content) {}

  void want(std::vector<pollfd>& fds) override {
    if (input_.valid()) fds.push_back({input_.get(), POLLOUT, 0});
    if (output_.valid()) fds.push_back({output_.get(), POLLIN, 0});
  }

  void serve(const std::vector<pollfd>& fds, std::size_t first) override {
    for (std::size_t i = first; i < fds.size(); ++i) {
      if (fds[i].revents == 0) continue;
      if (fds[i].fd == input_.get()) feed();
      if (fds[i].fd == output_.get()) gather();
    }
  }

  std::string take_output() { return std::move(kept_); }

 private:
  // Writes what the pipe takes; a check that ended or closed its input (EPIPE)
  // simply gets no more.
  void feed() {
    while (input_.valid()) {
      std::string_view rest = piece_ < content_.size() ? content_[piece_].substr(offset_) : std::string_view("\n");
      if (piece_ < content_.size() && rest.empty()) {
        ++piece_;
        offset_ = 0;
        continue;
      }
      const ssize_t n = ::write(input_.get(), rest.data(), rest.size());
      if (n < 0) {
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) input_ = Fd();
        return;
      }
      if (piece_ < content_.size()) {
        offset_ += static_cast<std::size_t>(n);
      } else {
        input_ = Fd();  // the line feed went: the check sees the end of its input
      }
    }
  }

  void gather() {
    char buffer[16384];
    for (;;) {
      const ssize_t n = ::read(output_.get(), buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) output_ = Fd();
        return;
      }
      const std::size_t room = CHECK_OUTPUT_KEPT - kept_.size();
      kept_.append(buffer, std::min(room, static_cast<std::size_t>(n)));
    }
  }

  Fd input_, output_;
  Pieces content_;
  std::size_t piece_ = 0, offset_ = 0;
  std::string kept_;
};

}  // namespace

Result<CheckRun, int> run_check(const std::vector<std::string>& command, Pieces content, ChildWatch& watch) {
  auto input = make_pipe(false, true);
  if (!input) return fail(input.error());
  auto output = make_pipe(true, false);
  if (!output) return fail(output.error());
  SpawnActions actions;
  if (const int rc = actions.failed(); rc != 0) return fail(rc);
  for (const auto& [from, to] : {std::pair{input->first.get(), STDIN_FILENO},
                                 {output->second.get(), STDOUT_FILENO},
                                 {output->second.get(), STDERR_FILENO}}) {
    if (const int rc = actions.dup2(from, to); rc != 0) return fail(rc);
  }
  auto pid = start_child(command, actions.get(), watch);
  if (!pid) return fail(pid.error());
  // The child's ends are its own now: closing them here lets the check see
  // the end of its input, and the tool the end of its output.
  input->first = Fd();
  output->second = Fd();
  CheckPump pump(std::move(input->second), std::move(output->first), content);
  auto waited = wait_child(*pid, watch, std::nullopt, &pump);
  if (!waited) return fail(waited.error());
  const int status = waited->status;
  const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return CheckRun{code, pump.take_output()};
}

}  // namespace clippers
