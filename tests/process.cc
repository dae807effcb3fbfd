#include "process.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace clippers_test {
static void check(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}

Outcome run_clippers(const Invocation& inv) {
  const Start& s = inv.start;
  // Standard input and output are pipes, each served by a thread so that
  // neither a large input nor a large output can block the run; standard
  // error goes to a file, read once the tool is gone.
  int in[2], out[2];
  check(pipe(in) == 0 && pipe(out) == 0, "pipe");
  FILE* err = std::tmpfile();
  check(err != nullptr, "tmpfile");
  const int err_fd = fileno(err);
  int master = -1;
  std::string slave;
  if (s.controlling_terminal) {
    master = posix_openpt(O_RDWR | O_NOCTTY);
    check(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0, "posix_openpt");
    slave = ptsname(master);
  }

  // CLIPPERS_TEST_WRAPPER runs the tool under another program, e.g. valgrind.
  std::vector<std::string> args = inv.argv;
  const char* binary = inv.binary.c_str();
  const char* env_wrapper = std::getenv("CLIPPERS_TEST_WRAPPER");
  const bool wrapper = env_wrapper != nullptr || !s.wrapper.empty();
  if (wrapper) {
    std::istringstream split(env_wrapper != nullptr ? env_wrapper : "");
    args.front() = binary;
    args.insert(args.begin(), std::istream_iterator<std::string>(split), {});
    args.insert(args.begin(), s.wrapper.begin(), s.wrapper.end());
  }
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  // The first of two settings wins, so a PATH of the invocation's own beats the inherited one.
  std::vector<std::string> env = inv.env;
  if (const char* path = std::getenv("PATH")) env.push_back(std::string("PATH=") + path);
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  const pid_t pid = fork();
  check(pid >= 0, "fork");
  if (pid == 0) {
    // Only async-signal-safe calls from here to exec.
    setsid();
    if (master >= 0) {
      // The session's first terminal becomes its own; as standard input, it takes the pipe's place.
      const int tty = open(slave.c_str(), O_RDWR);
      if (tty < 0 || ioctl(tty, TIOCSCTTY, 0) < 0 || (s.stdin_terminal && dup2(tty, in[0]) < 0)) _exit(126);
      close(tty);
      close(master);
    }
    if (dup2(in[0], 0) < 0 || dup2(out[1], 1) < 0 || dup2(err_fd, 2) < 0) _exit(126);
    for (int fd : {in[0], in[1], out[0], out[1], err_fd}) close(fd);
    if (!inv.cwd.empty() && chdir(inv.cwd.c_str()) != 0) _exit(126);
    // The tool starts with the default actions whatever the test inherited
    // (nohup ignores SIGHUP, the test itself SIGPIPE).
    for (int sig : {SIGPIPE, SIGHUP, SIGTERM, SIGINT, SIGQUIT}) signal(sig, SIG_DFL);
    if (s.as_uid != 0 && geteuid() == 0) {
      const gid_t also = s.also_in_group;
      if (setgroups(also != 0 ? 1 : 0, &also) != 0 || setgid(s.as_uid) != 0 || setuid(s.as_uid) != 0) _exit(126);
    }
    if (!wrapper) execve(binary, argv.data(), envp.data());
    execvpe(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  signal(SIGPIPE, SIG_IGN);  // a tool that stops reading ends the feeding, not the test
  std::string stdout_text;
  std::thread drain([&] {
    char buffer[65536];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) != 0;) {
      if (n > 0) stdout_text.append(buffer, static_cast<std::size_t>(n));
      if (n < 0 && errno != EINTR) break;
    }
    close(out[0]);
  });
  std::thread feed([&] {
    const int to = s.stdin_terminal ? master : in[1];
    const std::string typed = s.stdin_terminal ? inv.input + "\x04" : inv.input;  // Ctrl-D at a line's start: the end
    for (std::size_t done = 0; done < typed.size();) {
      const ssize_t n = write(to, typed.data() + done, typed.size() - done);
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    close(in[1]);
  });
  int status = 0;
  const auto start = std::chrono::steady_clock::now();
  const auto after = std::chrono::duration<double, std::milli>(s.kill_after_ms);
  auto deadline = start + after;
  const auto give_up = start + std::chrono::duration<double, std::milli>(s.give_up_after_ms);
  double first_output_ms = -1;
  for (bool sent = s.kill_after_ms <= 0;;) {
    const bool guarded = s.give_up_after_ms > 0;
    const pid_t done = waitpid(pid, &status, sent && !guarded ? 0 : WNOHANG);
    if (done == pid) break;
    check(done == 0 || errno == EINTR, "waitpid");
    const auto now = std::chrono::steady_clock::now();
    if (guarded && now >= give_up) kill(pid, SIGKILL);
    if (sent) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      continue;
    }
    struct stat err_stat = {};
    if (s.kill_after_output && first_output_ms < 0 && fstat(err_fd, &err_stat) == 0 && err_stat.st_size > 0) {
      first_output_ms = std::chrono::duration<double, std::milli>(now - start).count();
      deadline = now + after;
    }
    if ((!s.kill_after_output || first_output_ms >= 0) && now >= deadline) {
      kill(pid, s.kill_signal);
      sent = true;
    } else {
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  }
  feed.join();
  drain.join();
  if (master >= 0) close(master);
  std::string stderr_text = read_file("/proc/self/fd/" + std::to_string(err_fd));
  std::fclose(err);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), first_output_ms, stdout_text, stderr_text};
}

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/clippers-test-XXXXXX";
  check(mkdtemp(pattern.data()) != nullptr, "mkdtemp");
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
  std::ostringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

void write_file(const std::string& path, const std::string& data, int mode) {
  check(bool(std::ofstream(path, std::ios::binary | std::ios::trunc) << data), "write");
  check(chmod(path.c_str(), static_cast<mode_t>(mode)) == 0, "chmod");
}

std::vector<std::string> list_dir(const std::string& dir) {
  std::vector<std::string> names;
  std::error_code missing;
  for (const auto& entry : std::filesystem::directory_iterator(dir, missing)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace clippers_test
