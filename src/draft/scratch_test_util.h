#pragma once
// Test helpers for the draft module: a fresh directory per test, removed
// afterwards, and small file-system probes.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <string>

#include "io/fd.h"

namespace clippers::testing {

class ScratchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/clippers-draft-test-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
    ASSERT_NE(::getcwd(old_cwd_, sizeof old_cwd_), nullptr);
  }
  void TearDown() override {
    EXPECT_EQ(::chdir(old_cwd_), 0);
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  std::string at(const std::string& name) const { return dir_ + "/" + name; }
  const std::string& dir() const { return dir_; }

 private:
  std::string dir_;
  char old_cwd_[PATH_MAX] = {};
};

inline bool exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}
inline mode_t mode_of(const std::string& path) {
  struct stat st = {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return st.st_mode & 07777;
}
inline std::string contents_of(const std::string& path) {
  auto text = read_text_file(path);
  return text ? *text : "<unreadable>";
}
// Replaces whatever is at `path` by a file holding `data` with exactly `mode`.
inline void put_file(const std::string& path, const std::string& data, mode_t mode = 0644) {
  ::unlink(path.c_str());
  ASSERT_TRUE(write_file(path, data)) << path;
  ASSERT_EQ(::chmod(path.c_str(), mode), 0) << path;
}
inline std::string real(const std::string& path) {
  char buf[PATH_MAX];
  return ::realpath(path.c_str(), buf) ? buf : "<unresolved " + path + ">";
}
inline std::string errno_text(int code) {
  return std::string(std::strerror(code)) + " (os error " + std::to_string(code) + ")";
}

}  // namespace clippers::testing
