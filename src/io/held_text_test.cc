#include "io/held_text.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <thread>

namespace clippers {
namespace {

// Holds `input` as it comes from a pipe, in chunks of `chunk` bytes.
Result<HeldText, IoError> hold_via_pipe(const std::string& input, std::size_t chunk) {
  int p[2];
  EXPECT_EQ(pipe(p), 0);
  std::thread writer([&] {
    EXPECT_EQ(write(p[1], input.data(), input.size()), static_cast<ssize_t>(input.size()));
    close(p[1]);
  });
  auto held = detail::hold_text(p[0], chunk);
  writer.join();
  close(p[0]);
  return held;
}

// Chunks of one to three bytes put every chunk boundary inside a character.
TEST(HeldText, HoldsAndValidatesWhereverTheChunksBreak) {
  const struct {
    std::string input;
    bool valid;
  } cases[] = {
      {"", true},
      {"\xE4\xB8\xAD\xF0\x9F\x98\x80 \xC3\xA9\r\n", true},
      {"ab\xE4\xB8", false},
      {"a\xED\xA0\x80z", false},
  };
  for (const auto& c : cases) {
    for (const std::size_t chunk : {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{1} << 20}) {
      SCOPED_TRACE(::testing::Message() << c.input << " chunk " << chunk);
      const auto held = hold_via_pipe(c.input, chunk);
      ASSERT_EQ(held.ok(), c.valid);
      if (held) {
        EXPECT_EQ(held->str(), c.input);
      }
    }
  }
}

}  // namespace
}  // namespace clippers
