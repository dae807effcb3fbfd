#include "row.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace clippers_test {
namespace {

void check(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}

std::string read_file(const std::string& path) {
  std::ostringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

void write_file(const std::string& path, const std::string& data, int mode = 0644) {
  check(bool(std::ofstream(path, std::ios::binary | std::ios::trunc) << data), "write");
  check(chmod(path.c_str(), static_cast<mode_t>(mode)) == 0, "chmod");
}

// A fresh directory under the system temporary directory (its resolved path),
// removed with everything in it, read-only or not, when the object goes away.
class TempDir {
 public:
  TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/clippers-test-XXXXXX";
    check(mkdtemp(pattern.data()) != nullptr, "mkdtemp");
    path_ = std::filesystem::canonical(pattern);
    chmod(path_.c_str(), 0777);
  }
  ~TempDir() {
    [[maybe_unused]] const int rc =
        std::system(("chmod -R u+rwx '" + path_ + "' 2>/dev/null; rm -rf '" + path_ + "'").c_str());
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

struct Outcome {
  int status = -1;  // exit status, or 128 + signal number
  std::string out, err;
};

// Runs `program` (the tool, or a wrapper looked up on PATH) with `argv` under
// `s`, in `cwd`, with `env` and only PATH inherited, `input` on standard input.
Outcome run(const std::string& program, std::vector<std::string> argv, std::vector<std::string> env,
            const std::string& input, const std::string& cwd, const Start& s) {
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
  std::vector<char*> args, envp;
  for (auto& a : argv) args.push_back(a.data());
  args.push_back(nullptr);
  // The first of two settings wins, so a PATH of the row's own beats the inherited one.
  if (const char* path = std::getenv("PATH")) env.push_back(std::string("PATH=") + path);
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
    if (dup2(in[0], 0) < 0 || dup2(out[1], 1) < 0 || dup2(err_fd, 2) < 0 || chdir(cwd.c_str()) != 0) _exit(126);
    for (int fd : {in[0], in[1], out[0], out[1], err_fd}) close(fd);
    // The default actions, whatever the test inherited (nohup ignores SIGHUP, the test SIGPIPE).
    for (int sig : {SIGPIPE, SIGHUP, SIGTERM, SIGINT, SIGQUIT}) signal(sig, SIG_DFL);
    if (s.as_uid != 0 && geteuid() == 0) {
      const gid_t also = s.also_in_group;
      if (setgroups(also != 0 ? 1 : 0, &also) != 0 || setgid(s.as_uid) != 0 || setuid(s.as_uid) != 0) _exit(126);
    }
    execvpe(program.c_str(), args.data(), envp.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  signal(SIGPIPE, SIG_IGN);  // a tool that stops reading ends the feeding, not the test
  Outcome outcome;
  // Threads feed standard input and drain standard output, so that neither can block the run.
  std::thread drain([&] {
    char buffer[65536];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) != 0 && (n > 0 || errno == EINTR);) {
      if (n > 0) outcome.out.append(buffer, static_cast<std::size_t>(n));
    }
    close(out[0]);
  });
  std::thread feed([&] {
    const std::string typed = s.stdin_terminal ? input + "\x04" : input;  // Ctrl-D at a line's start: the end
    for (std::size_t done = 0; done < typed.size();) {
      const ssize_t n = write(s.stdin_terminal ? master : in[1], typed.data() + done, typed.size() - done);
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    close(in[1]);
  });
  using Ms = std::chrono::duration<double, std::milli>;
  const auto start = std::chrono::steady_clock::now();
  auto kill_at = start + Ms(s.kill_after_ms);
  bool sent = s.kill_after_ms <= 0, output_seen = false;
  for (int status = 0;;) {
    const pid_t done = waitpid(pid, &status, sent && s.give_up_after_ms <= 0 ? 0 : WNOHANG);
    if (done == pid) {
      outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      break;
    }
    check(done == 0 || errno == EINTR, "waitpid");
    const auto now = std::chrono::steady_clock::now();
    if (s.give_up_after_ms > 0 && now >= start + Ms(s.give_up_after_ms)) kill(pid, SIGKILL);
    struct stat err_stat = {};
    if (!sent && s.kill_after_output && !output_seen && fstat(err_fd, &err_stat) == 0 && err_stat.st_size > 0) {
      output_seen = true;
      kill_at = now + Ms(s.kill_after_ms);
    }
    if (!sent && (!s.kill_after_output || output_seen) && now >= kill_at) {
      kill(pid, s.kill_signal);
      sent = true;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(sent ? 1000 : 200));
  }
  feed.join();
  drain.join();
  if (master >= 0) close(master);
  outcome.err = read_file("/proc/self/fd/" + std::to_string(err_fd));
  std::fclose(err);
  return outcome;
}

using Vars = std::vector<std::pair<std::string, std::string>>;

std::string replace_all(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
    text.replace(at, from.size(), to);
  return text;
}

std::string fill(std::string text, const Vars& vars) {
  for (const auto& [name, value] : vars) text = replace_all(text, name, value);
  return text;
}

bool matches(const std::string& actual, std::string expected, const Vars& vars) {
  expected = fill(expected, vars);
  if (expected.find('{') == std::string::npos) return actual == expected;
  // A long literal head is compared as it is: std::regex recurses per character.
  const std::size_t head = expected.find('{');
  if (actual.compare(0, head, expected, 0, head) != 0) return false;
  const std::string rest = actual.substr(std::min(head, actual.size()));
  expected.erase(0, head);
  std::string re = std::regex_replace(expected, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)");
  for (const auto& [hole, with] : Vars{{"ms", "[0-9]+"},
                                       {"rand", "[A-Za-z0-9]{6}"},
                                       {"line", "[^\\n\\x1b]*"},
                                       {"plain", "[^\\x1b]*"},
                                       {"any", "[\\s\\S]*"},
                                       {"notes", "(# [^\\n]*\\n){4}"}}) {
    re = replace_all(re, "\\{" + hole + "\\}", with);
  }
  return std::regex_match(rest, std::regex(re));
}

int sh(const std::string& script, const std::string& dir, const std::string& draft = "") {
  const std::string command = "cd '" + dir + "' && D='" + draft + "' && " + script;
  return std::system(("/bin/sh -c '" + replace_all(command, "'", "'\\''") + "'").c_str());
}

// The draft directories on disk: in the work directory, one level below it, and in TMPDIR.
std::vector<std::string> drafts_left(const TempDir& work, const TempDir& tmp) {
  namespace fs = std::filesystem;
  std::vector<std::string> found, dirs = {work.path(), tmp.path()};
  std::error_code gone;
  for (const auto& entry : fs::directory_iterator(work.path(), gone)) dirs.push_back(entry.path());
  for (const std::string& dir : dirs) {
    for (const auto& entry : fs::directory_iterator(dir, gone)) {
      const std::string name = entry.path().filename();
      if (name.rfind(".clippers-", 0) == 0 || name.rfind("clippers-", 0) == 0) found.push_back(entry.path());
    }
  }
  std::sort(found.begin(), found.end());
  return found;
}

// Long outputs shown in part.
std::string shown(const std::string& text) { return text.size() <= 2000 ? text : text.substr(0, 2000) + "..."; }

// JSON rows parse the output with Python, and some rows start the tool through it.
bool needs_python(const Row& row) {
  return !row.json.empty() ||
         std::find(row.start.wrapper.begin(), row.start.wrapper.end(), "/usr/bin/python3") != row.start.wrapper.end();
}

void run_row(const Row& row) {
  SCOPED_TRACE(row.name + " " + testing::PrintToString(row.args));
  const bool root = geteuid() == 0;
  const char* skip = row.root_only && !root ? "needs root to own files of another user"
                     : row.unwrapped_only && std::getenv("CLIPPERS_TEST_WRAPPER") ? "not under a wrapper"
                     : needs_python(row) && access("/usr/bin/python3", X_OK) != 0 ? "needs /usr/bin/python3"
                                                                                  : nullptr;
  TempDir tools, work, tmp;
  Vars vars = {{"{tools}", tools.path()}, {"{work}", work.path()}, {"{tmp}", tmp.path()}};
  vars.push_back({"{clippers}", CLIPPERS_BINARY});
  for (const int code : {EPERM, ENOENT, EBADF, EACCES, EISDIR, EFBIG, ENOSPC, EPIPE, EBUSY}) {
    vars.push_back(
        {"{os:" + std::to_string(code) + "}", std::strerror(code) + (" (os error " + std::to_string(code) + ")")});
  }
  write_file(tools.file("ed"),
             "#!/bin/sh\nC='" + kCut + "'\nfor a; do last=$a; done\nprintf %s \"$last\" > '" + tools.file("arg") +
                 "'\n" + (row.unread ? "" : "cp \"$last\" '" + tools.file("seen") + "' 2>/dev/null\n") + row.editor +
                 "\n",
             0755);
  write_file(work.file("notes.txt"), row.file);
  std::string binary = CLIPPERS_BINARY;
  if (row.start.as_uid != 0 && root) {
    for (const std::string& path : {work.path(), tmp.path(), work.file("notes.txt")}) {
      ASSERT_EQ(chown(path.c_str(), row.start.as_uid, row.start.as_uid), 0);
    }
    // The build tree may sit where only its owner can enter (a clone in `mktemp -d`).
    binary = tools.file("clippers");
    std::filesystem::copy_file(CLIPPERS_BINARY, binary);
  }
  const int set_up = skip || row.setup.empty() ? 0 : sh(fill(row.setup, vars), work.path());
  if (WIFEXITED(set_up) && WEXITSTATUS(set_up) == 77) skip = "this machine cannot set it up";
  if (skip) GTEST_SKIP() << skip;
  ASSERT_EQ(set_up, 0) << row.setup;
  const std::vector<std::string> before = drafts_left(work, tmp);
  // The row's wrapper, then CLIPPERS_TEST_WRAPPER's (valgrind, say), then the tool.
  std::vector<std::string> argv, env;
  for (const std::string& word : row.start.wrapper) argv.push_back(fill(word, vars));
  std::istringstream wrapper(std::getenv("CLIPPERS_TEST_WRAPPER") ? std::getenv("CLIPPERS_TEST_WRAPPER") : "");
  argv.insert(argv.end(), std::istream_iterator<std::string>(wrapper), {});
  const std::string program = argv.empty() ? binary : argv.front();
  argv.push_back(argv.empty() ? row.argv0 : binary);
  for (const std::string& arg : row.args) argv.push_back(fill(arg, vars));
  // The row's own variables come first: the first of two settings wins.
  for (const std::string& var : row.env) env.push_back(fill(var, vars));
  env.push_back("TMPDIR=" + tmp.path());
  const Outcome r = run(program, argv, env, row.input, work.path(), row.start);

  const std::string draft = read_file(tools.file("arg"));
  const std::string draft_dir = draft.substr(0, draft.rfind('/'));
  vars.push_back({"{draft}", draft});
  vars.push_back({"{dir}", draft_dir});
  EXPECT_EQ(r.status, row.status);
  // A JSON row's standard output is checked by parsing it.
  EXPECT_TRUE((!row.json.empty() && row.out.empty()) || matches(r.out, row.out, vars)) << "stdout: " << shown(r.out);
  EXPECT_TRUE(matches(r.err, row.err, vars)) << "stderr: " << shown(r.err);
  const std::string seen = read_file(tools.file("seen"));
  EXPECT_TRUE(row.seen.empty() || matches(seen, row.seen, vars)) << "the editor got: " << seen;
  EXPECT_EQ(read_file(work.file("notes.txt")), row.file_after.value_or(row.file));
  // A draft directory stays exactly when a message names it ("editing" only announces it).
  bool named = false;
  std::istringstream lines(r.err);
  for (std::string line; !draft.empty() && std::getline(lines, line);) {
    named = named || (line.find(draft_dir) != std::string::npos && line.rfind("clippers: editing ", 0) != 0);
  }
  if (!row.attacked) {
    std::vector<std::string> expected = before;
    if (named) expected.push_back(draft_dir);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(drafts_left(work, tmp), expected);
  }
  EXPECT_EQ(row.draft_after ? read_file(draft) : "", row.draft_after.value_or(""));
  EXPECT_TRUE(row.check.empty() || sh(fill(row.check, vars), work.path(), draft) == 0) << row.check;
  if (!row.json.empty()) {
    // One line, one object, every member; `has(name=value, ...)` compares some.
    write_file(work.file("out.json"), r.out);
    const std::string parse =
        "python3 -c 'import json, sys\nt = open(\"out.json\").read()\nd = json.loads(t)\n"
        "keys = {\"outcome\", \"status\", \"content\", \"changed\", \"file\", \"draft\", \"reason\", \"message\", "
        "\"elapsed_ms\"}\ndef has(**want): return all(d[k] == v for k, v in want.items())\n"
        "sys.exit(0 if t.count(chr(10)) == 1 and t.endswith(chr(10)) and set(d) == keys and (" +
        fill(row.json, vars) + ") else 1)'";
    EXPECT_EQ(sh(parse, work.path(), draft), 0) << row.json << "\nstdout: " << shown(r.out);
  }
}

}  // namespace

std::vector<std::string> py_start(const std::string& code, std::vector<std::string> under) {
  under.insert(under.end(),
               {"/usr/bin/python3", "-c",
                "import fcntl, os, signal, sys, time\ntool = sys.argv[1:]\n"
                "for s in signal.SIGPIPE, signal.SIGXFSZ: signal.signal(s, signal.SIG_DFL)  # Python ignores them\n" +
                    code + "\nos.execvp(tool[0], tool)"});
  return under;
}

std::string test_name(const testing::TestParamInfo<Row>& row) {
  // The names of one table are made in order, from its first row on.
  static std::map<std::string, int> seen;
  if (row.index == 0) seen.clear();
  // Each run of other characters becomes one underscore, and the ends lose theirs.
  std::string name = std::regex_replace(" " + row.param.name + " ", std::regex("[^A-Za-z0-9]+"), "_");
  name = name.size() > 2 ? name.substr(1, name.size() - 2) : "row";
  const int count = ++seen[name];
  return count == 1 ? name : name + "_" + std::to_string(count);
}

TEST_P(E2e, Row) { run_row(GetParam()); }

}  // namespace clippers_test
