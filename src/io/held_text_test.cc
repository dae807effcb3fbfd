#include "io/held_text.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/ioctl.h>
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

// Holds `input` from a pipe written whole or one byte per read of the reader.
Result<HeldText, IoError> hold_via_pipe(const std::string& input, bool byte_by_byte, std::size_t chunk) {
  int p[2];
  EXPECT_EQ(pipe(p), 0);
  std::thread writer([&] {
    for (std::size_t at = 0; at < input.size(); at += byte_by_byte ? 1 : input.size()) {
      EXPECT_GT(write(p[1], input.data() + at, byte_by_byte ? 1 : input.size()), 0);
      int queued = 1;
      while (byte_by_byte && ioctl(p[1], FIONREAD, &queued) == 0 && queued > 0) std::this_thread::yield();
    }
    close(p[1]);
  });
  auto held = hold_text(p[0], chunk);
  writer.join();
  close(p[0]);
  return held;
}

// Chunks of one to three bytes put every boundary inside a character or a CR LF.
TEST(HeldText, HoldsAndValidatesWhateverTheChunksAndTheDelivery) {
  const std::string cjk = "\xE4\xB8\xAD\xE6\x96\x87";
  const std::pair<std::string, bool> cases[] = {
      {"", true}, {cjk + "\xF0\x9F\x98\x80 " + cjk + "\r\n", true}, {"ab\xE4\xB8", false}, {"a\xED\xA0\x80z", false}};
  for (const auto& [input, valid] : cases) {
    for (const bool byte_by_byte : {false, true}) {
      for (const std::size_t chunk : {std::size_t{1}, std::size_t{2}, std::size_t{3}, DEFAULT_CHUNK_SIZE}) {
        SCOPED_TRACE(::testing::Message() << input << " chunk " << chunk << " bytewise " << byte_by_byte);
        auto held = hold_via_pipe(input, byte_by_byte, chunk);
        ASSERT_EQ(held.ok(), valid);
        if (!valid) continue;
        EXPECT_EQ(joined(held->pieces()), input);
      }
    }
  }
}

TEST(HeldText, TrimsComparesAndValidatesAcrossPieces) {
  const struct {
    std::vector<std::string_view> pieces;
    std::string trimmed;
    bool valid = true;
  } cases[] = {
      {{"a\n\n", "  ", "", "\t\n"}, "a"},
      {{"x\r", "\n"}, "x"},
      {{"x", "\xE3", "\x80", "\x80", "\n"}, "x"},         // U+3000 over three pieces
      {{"x\xE3\x80", "\x81\n"}, "x\xE3\x80\x81"},         // U+3001 is not white space
      {{"\xE2\x80", "\xA9", " ", "\xE3\x80\x80"}, ""},
      {{"\xF4\x90", "\x80\x80"}, "\xF4\x90\x80\x80", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(is_valid_utf8(c.pieces), c.valid) << joined(c.pieces);
    if (!c.valid) continue;
    EXPECT_EQ(joined(trim_end(c.pieces)), c.trimmed) << joined(c.pieces);
    EXPECT_EQ(is_blank(c.pieces), c.trimmed.empty());
    EXPECT_TRUE(equals(c.pieces, joined(c.pieces)) && !equals(c.pieces, joined(c.pieces) + "x"));
  }
}

extern "C" void on_alarm(int) {}

// More pieces than one writev takes, into a pipe read slowly while a timer
// interrupts the writer: writes come back short or with EINTR.
TEST(HeldText, WritesEveryPieceThroughInterruptionsAndPartialWrites) {
  std::vector<std::string> storage;
  for (std::size_t i = 0; i < 3000; ++i) storage.emplace_back(i % 1500, static_cast<char>('a' + i % 23));
  const std::vector<std::string_view> pieces(storage.begin(), storage.end());
  struct sigaction action {}, previous{};
  action.sa_handler = on_alarm;  // no SA_RESTART
  ASSERT_EQ(sigaction(SIGALRM, &action, &previous), 0);
  int p[2];
  ASSERT_EQ(pipe(p), 0);
  std::string received;
  std::thread reader([&] {
    sigset_t alarm;
    sigemptyset(&alarm);
    sigaddset(&alarm, SIGALRM);
    pthread_sigmask(SIG_BLOCK, &alarm, nullptr);
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
  ASSERT_TRUE(written.ok()) << render_io_error(written.error());
  EXPECT_TRUE(received == joined(pieces));
}

}  // namespace
}  // namespace clippers
