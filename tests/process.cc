#include "process.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <grp.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
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
  int master = -1;
  std::string slave;
  if (inv.controlling_terminal) {
    master = posix_openpt(O_RDWR | O_NOCTTY);
    check(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0, "posix_openpt");
    slave = ptsname(master);
  }

  // CLIPPERS_TEST_WRAPPER runs the tool under another program, e.g. valgrind.
  std::vector<std::string> wrapper;
  if (const char* words = std::getenv("CLIPPERS_TEST_WRAPPER")) {
    std::istringstream split(words);
    for (std::string word; split >> word;) wrapper.push_back(word);
  }
  std::vector<std::string> args{inv.argv0};
  args.insert(args.end(), inv.args.begin(), inv.args.end());
  if (!wrapper.empty()) {
    args.front() = CLIPPERS_BINARY;
    args.insert(args.begin(), wrapper.begin(), wrapper.end());
  }
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  std::vector<std::string> env;
  const bool own_path = std::any_of(inv.env.begin(), inv.env.end(),
                                    [](const std::string& e) { return e.rfind("PATH=", 0) == 0; });
  if (const char* path = std::getenv("PATH"); path != nullptr && !own_path) {
    env.push_back(std::string("PATH=") + path);
  }
  env.insert(env.end(), inv.env.begin(), inv.env.end());
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  const pid_t pid = fork();
  check(pid >= 0, "fork");
  if (pid == 0) {
    // Only async-signal-safe calls from here to exec.
    setsid();
    if (master >= 0) {
      const int tty = open(slave.c_str(), O_RDWR);  // the session's first terminal becomes its own
      if (tty < 0 || ioctl(tty, TIOCSCTTY, 0) < 0) _exit(126);
      close(tty);
      close(master);
    }
    if (inv.stdin_path.empty()) {
      dup2(in[0], 0);
    } else {
      const int fd = open(inv.stdin_path.c_str(), O_RDONLY);
      if (fd < 0) _exit(126);
      dup2(fd, 0);
    }
    if (inv.stdout_path.empty()) {
      dup2(out[1], 1);
    } else {
      const int fd = open(inv.stdout_path.c_str(), O_WRONLY);
      if (fd < 0) _exit(126);
      dup2(fd, 1);
    }
    dup2(err[1], 2);
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
    if (!inv.cwd.empty() && chdir(inv.cwd.c_str()) != 0) _exit(126);
    signal(SIGPIPE, SIG_DFL);
    if (inv.ignore_sigchld) signal(SIGCHLD, SIG_IGN);
    for (int i = 0; i < inv.open_fds; ++i) {
      if (open("/dev/null", O_RDONLY) < 0) _exit(126);
    }
    if (inv.file_size_limit != 0) {
      rlimit limit{};
      getrlimit(RLIMIT_FSIZE, &limit);
      limit.rlim_cur = inv.file_size_limit;
      if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(126);
    }
    if (inv.as_uid != 0 && geteuid() == 0) {
      if (setgroups(0, nullptr) != 0 || setgid(inv.as_uid) != 0 || setuid(inv.as_uid) != 0) _exit(126);
    }
    if (wrapper.empty()) {
      execve(CLIPPERS_BINARY, argv.data(), envp.data());
    } else {
      execvpe(argv[0], argv.data(), envp.data());
    }
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  close(err[1]);
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
  if (master >= 0) close(master);
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
