#include "io/held_text.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/time.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

namespace clippers {
namespace {

std::string joined(Pieces pieces) {
  std::string out;
  for (std::string_view p : pieces) out += p;
  return out;
}

// Holds `input` as it comes from a pipe, in chunks of `chunk` bytes.
template <typename Hold>
auto hold_via_pipe(Hold hold, const std::string& input, std::size_t chunk) {
  int p[2];
  EXPECT_EQ(pipe(p), 0);
  std::thread writer([&] {
    EXPECT_EQ(write(p[1], input.data(), input.size()), static_cast<ssize_t>(input.size()));
    close(p[1]);
  });
  auto held = hold(p[0], chunk);
  writer.join();
  close(p[0]);
  return held;
}

// Chunks of one to three bytes put every boundary inside a character, a CR LF
// or a run of white space: validation, trimming and comparison see through them.
TEST(HeldText, HoldsValidatesTrimsAndComparesWhereverTheChunksBreak) {
  const std::string cjk = "\xE4\xB8\xAD\xE6\x96\x87";
  const struct {
    std::string input;
    std::string trimmed;  // "-" when the input is not UTF-8
  } cases[] = {
      {"", ""},
      {cjk + "\xF0\x9F\x98\x80 " + cjk + "\r\n", cjk + "\xF0\x9F\x98\x80 " + cjk},
      {"a\n\n  \t\n", "a"},
      {"x\xE3\x80\x80\n", "x"},                  // U+3000 is white space
      {"x\xE3\x80\x81\n", "x\xE3\x80\x81"},      // U+3001 is not
      {"\xE2\x80\xA9 \xE3\x80\x80", ""},
      {"ab\xE4\xB8", "-"},
      {"a\xED\xA0\x80z", "-"},
      {"\xF4\x90\x80\x80", "-"},
  };
  for (const auto& c : cases) {
    const bool valid = c.trimmed != "-";
    for (const std::size_t chunk : {std::size_t{1}, std::size_t{2}, std::size_t{3}, DEFAULT_CHUNK_SIZE}) {
      SCOPED_TRACE(::testing::Message() << c.input << " chunk " << chunk);
      EXPECT_EQ(hold_via_pipe(hold_text, c.input, chunk).ok(), valid);
      const auto held = hold_via_pipe(hold_all, c.input, chunk);
      ASSERT_TRUE(held.ok());
      const Pieces pieces = held->pieces();
      EXPECT_EQ(joined(pieces), c.input);
      EXPECT_EQ(is_valid_utf8(pieces), valid);
      if (!valid) continue;
      EXPECT_EQ(joined(trim_end(pieces)), c.trimmed);
      EXPECT_EQ(is_blank(pieces), c.trimmed.empty());
      EXPECT_TRUE(equals(pieces, c.input) && !equals(pieces, c.input + "x") && (c.input.empty() || !equals(pieces, c.input.substr(1))));
    }
  }
}

extern "C" void on_alarm(int) {}

// More pieces than one writev takes, into a pipe read slowly while a timer
// interrupts the writer: writes come back short or with EINTR.
TEST(HeldText, WritesEveryPieceThroughInterruptionsAndPartialWrites) {
  // Pieces of 0 to 1,499 bytes of one text, so that a piece's head never passes for its tail.
  std::string text(2'250'000, '\0');
  for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + i % 23);
  std::vector<std::string_view> pieces;
  for (std::size_t at = 0, i = 0; at < text.size(); at += pieces.back().size()) pieces.push_back(std::string_view(text).substr(at, i++ % 1500));
  struct sigaction action {}, previous{};
  action.sa_handler = on_alarm;  // no SA_RESTART
  ASSERT_EQ(sigaction(SIGALRM, &action, &previous), 0);
  int p[2];
  ASSERT_EQ(pipe(p), 0);
  std::string received;
  std::thread reader([&] {
    char buffer[4096];
    for (ssize_t n; (n = read(p[0], buffer, sizeof buffer)) != 0; usleep(50)) {
      if (n > 0) received.append(buffer, static_cast<std::size_t>(n));
    }
  });
  itimerval every{{0, 200}, {0, 200}}, off{};
  ASSERT_EQ(setitimer(ITIMER_REAL, &every, nullptr), 0);
  const auto written = write_all(p[1], pieces);
  setitimer(ITIMER_REAL, &off, nullptr);
  close(p[1]);
  reader.join();
  close(p[0]);
  sigaction(SIGALRM, &previous, nullptr);
  ASSERT_TRUE(written.ok()) << "os error " << written.error().os_code;
  EXPECT_TRUE(received == text);
}

}  // namespace
}  // namespace clippers
