#include "cli/cli.h"

#include <gtest/gtest.h>

namespace clippers {
namespace {

TEST(ProgramName, LastPathComponentOrCommandName) {
  const std::pair<const char*, const char*> cases[] = {
      {"/usr/local/bin/clippers", "clippers"},
      {"cl", "cl"},
      {"./bin/cl/", "cl"},
      {"bin//cl//", "cl"},
      {"bin/cl/.", "cl"},
      {"/", "clippers"},
      {"", "clippers"},
      {".", "clippers"},
      {"..", "clippers"},
      {"bin/..", "clippers"},
      {"bin/\xff", "clippers"},
      {"bin/c\xc3\xa9", "c\xc3\xa9"},
  };
  for (const auto& [argv0, expected] : cases) {
    EXPECT_EQ(program_name(argv0), expected) << argv0;
  }
  EXPECT_EQ(program_name(nullptr), "clippers");
}

}  // namespace
}  // namespace clippers
