#include "row.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>

namespace clippers_test {
namespace {

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
  std::vector<std::string> found, dirs = {work.path(), tmp.path()};
  for (const std::string& name : list_dir(work.path())) dirs.push_back(work.file(name));
  for (const std::string& dir : dirs) {
    for (const std::string& name : list_dir(dir)) {
      if (name.rfind(".clippers-", 0) == 0 || name.rfind("clippers-", 0) == 0) found.push_back(dir + "/" + name);
    }
  }
  std::sort(found.begin(), found.end());
  return found;
}

}  // namespace

void run_row(const Row& row) {
  SCOPED_TRACE(row.name + " " + testing::PrintToString(row.args));
  const bool root = geteuid() == 0;
  const char* skip = row.root_only && !root ? "needs root to own files of another user"
                     : row.unwrapped_only && std::getenv("CLIPPERS_TEST_WRAPPER") ? "not under a wrapper"
                                                                                  : nullptr;
  TempDir tools, work, tmp;
  Vars vars = {{"{tools}", tools.path()}, {"{work}", work.path()}, {"{tmp}", tmp.path()}};
  vars.push_back({"{clippers}", CLIPPERS_BINARY});
  for (const int code : {ENOENT, EBADF, EACCES, EISDIR, EFBIG, ENOSPC, EPIPE, EBUSY}) {
    vars.push_back(
        {"{os:" + std::to_string(code) + "}", std::strerror(code) + (" (os error " + std::to_string(code) + ")")});
  }
  for (const TempDir* dir : {&tools, &work, &tmp}) chmod(dir->path().c_str(), 0777);
  write_file(tools.file("ed"),
             "#!/bin/sh\nC='" + kCut + "'\nfor a; do last=$a; done\nprintf %s \"$last\" > '" + tools.file("arg") +
                 "'\n" + (row.unread ? "" : "cp \"$last\" '" + tools.file("seen") + "' 2>/dev/null\n") + row.editor +
                 "\n",
             0755);
  write_file(work.file("notes.txt"), row.file);
  Invocation inv{.argv = {row.argv0}, .input = row.input, .cwd = work.path(), .start = row.start};
  if (row.start.as_uid != 0 && root) {
    for (const std::string& path : {work.path(), tmp.path(), work.file("notes.txt")}) {
      ASSERT_EQ(chown(path.c_str(), row.start.as_uid, row.start.as_uid), 0);
    }
    // The build tree may sit where only its owner can enter (a clone in `mktemp -d`).
    inv.binary = tools.file("clippers");
    std::filesystem::copy_file(CLIPPERS_BINARY, inv.binary);
  }
  const int set_up = skip || row.setup.empty() ? 0 : sh(fill(row.setup, vars), work.path());
  if (WIFEXITED(set_up) && WEXITSTATUS(set_up) == 77) skip = "this machine cannot set it up";
  if (skip) GTEST_SKIP() << skip;
  ASSERT_EQ(set_up, 0) << row.setup;
  const std::vector<std::string> before = drafts_left(work, tmp);
  for (std::string& word : inv.start.wrapper) word = fill(word, vars);
  for (const std::string& arg : row.args) inv.argv.push_back(fill(arg, vars));
  // The row's own variables come first: the first of two settings wins.
  for (const std::string& var : row.env) inv.env.push_back(fill(var, vars));
  inv.env.push_back("TMPDIR=" + tmp.path());
  const Outcome r = run_clippers(inv);

  const std::string draft = read_file(tools.file("arg"));
  const std::string draft_dir = draft.substr(0, draft.rfind('/'));
  vars.push_back({"{draft}", draft});
  vars.push_back({"{dir}", draft_dir});
  EXPECT_EQ(r.status, row.status);
  // A JSON row's standard output is checked by parsing it.
  EXPECT_TRUE((!row.json.empty() && row.out.empty()) || matches(r.out, row.out, vars)) << "stdout: " << r.out;
  EXPECT_TRUE(matches(r.err, row.err, vars)) << "stderr: " << r.err;
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
    EXPECT_EQ(sh(parse, work.path(), draft), 0) << row.json << "\nstdout: " << r.out;
  }
}

std::vector<std::string> py_start(const std::string& code, std::vector<std::string> under) {
  under.insert(under.end(),
               {"/usr/bin/python3", "-c",
                "import fcntl, os, signal, sys\ntool = sys.argv[1:]\n"
                "for s in signal.SIGPIPE, signal.SIGXFSZ: signal.signal(s, signal.SIG_DFL)  # Python ignores them\n" +
                    code + "\nos.execvp(tool[0], tool)"});
  return under;
}

std::string test_name(const testing::TestParamInfo<Row>& row) {
  // The names of one table are made in order, from its first row on.
  static std::map<std::string, int> seen;
  if (row.index == 0) seen.clear();
  std::string name;
  for (const char c : row.param.name) {
    if (std::isalnum(static_cast<unsigned char>(c)) != 0) {
      name += c;
    } else if (!name.empty() && name.back() != '_') {
      name += '_';
    }
  }
  while (!name.empty() && name.back() == '_') name.pop_back();
  if (name.empty()) name = "row";
  const int count = ++seen[name];
  return count == 1 ? name : name + "_" + std::to_string(count);
}

TEST_P(E2e, Row) { run_row(GetParam()); }

}  // namespace clippers_test
