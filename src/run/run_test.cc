#include "run/run.h"

#include <gtest/gtest.h>

namespace clippers {
namespace {

TEST(IsStdinPath, SelectsStandardInputOnlyForALoneDashComponent) {
  const struct {
    const char* file;
    bool stdin_mode;
  } cases[] = {
      {"-", true},    {"-/", true},    {"-//", true},   {"-/.", true},  {"-/./", true},
      {"./-", false}, {"/-", false},   {"-/-", false},  {"--", false},  {"-x", false},
      {"a", false},   {"-/a", false},  {".", false},    {"./", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(is_stdin_path(c.file), c.stdin_mode) << c.file;
  }
}

}  // namespace
}  // namespace clippers
