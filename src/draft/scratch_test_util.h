#pragma once
// Test helpers for the draft module: a fresh directory per test (its resolved
// path, so it compares equal to canonical paths), removed afterwards.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

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
    dir_ = std::filesystem::canonical(pattern);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string at(const std::string& name) const { return dir_ + "/" + name; }
  // Writes `data` into `name` and gives it exactly `mode`.
  void put_file(const std::string& name, const std::string& data, mode_t mode = 0644) const {
    ASSERT_TRUE(write_file(at(name), data));
    ASSERT_EQ(::chmod(at(name).c_str(), mode), 0);
  }
  std::string dir_;
};

inline std::string errno_text(int code) {
  return std::string(std::strerror(code)) + " (os error " + std::to_string(code) + ")";
}

}  // namespace clippers::testing
