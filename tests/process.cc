#include "process.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace clippers_test {
namespace {

void check(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}

}  // namespace

Outcome run_clippers(const Invocation& inv) {
  int in[2], out[2], err[2];
  check(pipe(in) == 0 && pipe(out) == 0 && pipe(err) == 0, "pipe");

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  if (inv.stdout_path.empty()) {
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  } else {
    posix_spawn_file_actions_addopen(&actions, 1, inv.stdout_path.c_str(), O_WRONLY, 0);
  }
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) {
    posix_spawn_file_actions_addclose(&actions, fd);
  }
  if (!inv.cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, inv.cwd.c_str());

  std::vector<std::string> args{inv.argv0};
  args.insert(args.end(), inv.args.begin(), inv.args.end());
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  std::vector<std::string> env;
  if (const char* path = std::getenv("PATH")) env.push_back(std::string("PATH=") + path);
  env.insert(env.end(), inv.env.begin(), inv.env.end());
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  pid_t pid;
  const int rc = posix_spawn(&pid, CLIPPERS_BINARY, &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(in[0]);
  close(out[1]);
  close(err[1]);
  if (rc != 0) throw std::runtime_error(std::string("spawn: ") + std::strerror(rc));
  if (inv.close_stdout) {
    close(out[0]);
    out[0] = -1;
  }

  // Feed standard input and drain both outputs together so no pipe fills up.
  signal(SIGPIPE, SIG_IGN);
  Outcome result;
  std::size_t written = 0;
  int in_fd = in[1];
  if (inv.input.empty()) {
    close(in_fd);
    in_fd = -1;
  } else {
    fcntl(in_fd, F_SETFL, O_NONBLOCK);
  }
  int out_fd = out[0], err_fd = err[0];
  char buffer[65536];
  while (in_fd >= 0 || out_fd >= 0 || err_fd >= 0) {
    pollfd fds[3] = {{in_fd, POLLOUT, 0}, {out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}};
    if (poll(fds, 3, -1) < 0) {
      if (errno == EINTR) continue;
      check(false, "poll");
    }
    if (in_fd >= 0 && fds[0].revents) {
      const ssize_t n = write(in_fd, inv.input.data() + written, inv.input.size() - written);
      if (n > 0) written += static_cast<std::size_t>(n);
      if (n < 0 && errno == EAGAIN) continue;
      if (n <= 0 || written == inv.input.size()) {
        close(in_fd);
        in_fd = -1;
      }
    }
    for (int k : {1, 2}) {
      int& fd = k == 1 ? out_fd : err_fd;
      if (fd < 0 || !fds[k].revents) continue;
      const ssize_t n = read(fd, buffer, sizeof buffer);
      if (n > 0) {
        (k == 1 ? result.out : result.err).append(buffer, static_cast<std::size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        close(fd);
        fd = -1;
      }
    }
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) check(errno == EINTR, "waitpid");
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/clippers-test-XXXXXX";
  check(mkdtemp(pattern.data()) != nullptr, "mkdtemp");
  // Resolve symbolic links so that paths compare equal to the tool's canonical ones.
  char resolved[PATH_MAX];
  check(realpath(pattern.c_str(), resolved) != nullptr, "realpath");
  path_ = resolved;
}

TempDir::~TempDir() {
  // Tests may leave read-only directories behind; make everything removable first.
  const std::string command = "chmod -R u+rwx '" + path_ + "' 2>/dev/null; rm -rf '" + path_ + "'";
  [[maybe_unused]] const int rc = std::system(command.c_str());
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void write_file(const std::string& path, const std::string& data, int mode) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  check(fd >= 0, "open");
  check(write(fd, data.data(), data.size()) == static_cast<ssize_t>(data.size()), "write");
  close(fd);
  check(chmod(path.c_str(), static_cast<mode_t>(mode)) == 0, "chmod");
}

std::vector<std::string> list_dir(const std::string& dir) {
  std::vector<std::string> names;
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) return names;
  while (dirent* entry = readdir(d)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  closedir(d);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace clippers_test
