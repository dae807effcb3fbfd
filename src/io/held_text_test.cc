#include "io/held_text.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdlib>
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

enum class Delivery { Whole, OneByteAtATime, RegularFile };

// Holds `input` as it arrives through a pipe (written whole, or one byte per
// read of the reader: each byte waits until the last one was taken) or from
// a regular file.
Result<HeldText, IoError> hold_via(const std::string& input, Delivery how, std::size_t chunk) {
  if (how == Delivery::RegularFile) {
    char path[] = "/tmp/held-text-test-XXXXXX";
    const int fd = mkstemp(path);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(write(fd, input.data(), input.size()), static_cast<ssize_t>(input.size()));
    lseek(fd, 0, SEEK_SET);
    unlink(path);
    auto held = hold_text(fd, chunk);
    close(fd);
    return held;
  }
  int p[2];
  EXPECT_EQ(pipe(p), 0);
  std::thread writer([&] {
    if (how == Delivery::Whole) {
      EXPECT_EQ(write(p[1], input.data(), input.size()), static_cast<ssize_t>(input.size()));
    } else {
      for (char c : input) {
        EXPECT_EQ(write(p[1], &c, 1), 1);
        int queued = 1;
        while (ioctl(p[1], FIONREAD, &queued) == 0 && queued > 0) std::this_thread::yield();
      }
    }
    close(p[1]);
  });
  auto held = hold_text(p[0], chunk);
  writer.join();
  close(p[0]);
  return held;
}

TEST(HeldText, HoldsTheInputWhateverTheChunksAndTheDelivery) {
  const std::string cjk = "\xE4\xB8\xAD\xE6\x96\x87";  // two 3-byte characters
  const struct {
    std::string input;
    bool valid;
  } cases[] = {
      {"", true},
      {"plain ascii line\n", true},
      {cjk + "\xF0\x9F\x98\x80 " + cjk + "\r\n", true},
      {std::string(70000, 'a') + cjk, true},     // past the first chunk of a pipe
      {"ab\xE4\xB8", false},                     // truncated at the end
      {"a\xED\xA0\x80z", false},                 // a surrogate, split by small chunks
      {"\xF0\x9F\x98" + std::string(9, 'x'), false},
  };
  for (const auto& c : cases) {
    for (Delivery how : {Delivery::Whole, Delivery::OneByteAtATime, Delivery::RegularFile}) {
      for (std::size_t chunk : {std::size_t{1}, std::size_t{2}, std::size_t{3}, DEFAULT_CHUNK_SIZE}) {
        // Byte by byte, a long input would only take long.
        if ((chunk < 4 || how == Delivery::OneByteAtATime) && c.input.size() > 100) continue;
        SCOPED_TRACE(::testing::Message() << c.input.substr(0, 20) << " via " << static_cast<int>(how)
                                          << " in chunks of " << chunk);
        auto held = hold_via(c.input, how, chunk);
        ASSERT_EQ(held.ok(), c.valid);
        if (!c.valid) {
          EXPECT_EQ(render_io_error(held.error()), INVALID_UTF8_MESSAGE);
          continue;
        }
        EXPECT_EQ(held->size(), c.input.size());
        EXPECT_EQ(joined(held->pieces()), c.input);
        for (std::string_view piece : held->pieces()) EXPECT_FALSE(piece.empty());
        // A regular file lands in one piece; a pipe in pieces of the chunk size.
        if (how == Delivery::RegularFile) {
          EXPECT_TRUE(held->contiguous());
        } else if (chunk < 4) {
          EXPECT_EQ(held->pieces().size(), (c.input.size() + chunk - 1) / chunk);
        }
      }
    }
  }
}

TEST(HeldText, TrimsWhiteSpaceThatStraddlesPieces) {
  const struct {
    std::vector<std::string_view> pieces;
    std::string trimmed;
  } cases[] = {
      {{}, ""},
      {{"a\n\n", "  ", "", "\t\n"}, "a"},
      {{"x\r", "\n"}, "x"},                                 // CR LF split
      {{"x\xE3", "\x80\x80"}, "x"},                         // U+3000 over two pieces
      {{"x", "\xE3", "\x80", "\x80", "\n"}, "x"},           // over three
      {{"x\xC2", "\xA0 "}, "x"},                            // U+00A0
      {{"x\xE3\x80", "\x81\n"}, "x\xE3\x80\x81"},           // U+3001 is not white space
      {{"ab\xE2\x80", "\x8B"}, "ab\xE2\x80\x8B"},           // nor U+200B
      {{"\xE2\x80", "\xA9", " ", "\xE3\x80\x80"}, ""},      // blank
      {{"keep ", "this", "\xE2\x80\x83"}, "keep this"},
  };
  for (const auto& c : cases) {
    const std::vector<std::string_view> trimmed = trim_end(c.pieces);
    EXPECT_EQ(joined(trimmed), c.trimmed) << joined(c.pieces);
    EXPECT_EQ(is_blank(c.pieces), c.trimmed.empty()) << joined(c.pieces);
    for (std::string_view piece : trimmed) EXPECT_FALSE(piece.empty());
  }
}

TEST(HeldText, ValidationAndEqualityIgnoreWherePiecesBreak) {
  const struct {
    std::vector<std::string_view> pieces;
    std::string other;
    bool valid;
    bool equal;
  } cases[] = {
      {{"ab", "c"}, "abc", true, true},
      {{"a", "", "bc"}, "abd", true, false},
      {{"\xE4", "\xB8\xAD"}, "\xE4\xB8\xAD", true, true},
      {{"\xE4\xB8", "\xAD\xE4"}, "\xE4\xB8\xAD\xE4", false, true},
      {{"\xF4\x90", "\x80\x80"}, "x", false, false},
      {{"abc"}, "ab", true, false},
      {{"ab"}, "abc", true, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(is_valid_utf8(c.pieces), c.valid) << joined(c.pieces);
    EXPECT_EQ(equals(c.pieces, c.other), c.equal) << joined(c.pieces);
  }
}

extern "C" void on_alarm(int) {}

TEST(HeldText, WritesEveryPieceThroughInterruptionsAndPartialWrites) {
  // More pieces than one writev takes, into a pipe that is read slowly while
  // a timer interrupts the writer: writes come back short or with EINTR.
  std::vector<std::string> storage;
  std::size_t at = 0;
  for (std::size_t i = 0; i < 3000; ++i) {
    std::string& piece = storage.emplace_back();
    for (std::size_t k = 0; k < i % 1500; ++k) piece += static_cast<char>('a' + at++ % 23);
  }
  std::vector<std::string_view> pieces(storage.begin(), storage.end());
  pieces.emplace_back("\n");
  const std::string expected = joined(pieces);

  struct sigaction action {};
  action.sa_handler = on_alarm;  // no SA_RESTART: blocked writes return early
  struct sigaction previous {};
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
    for (ssize_t n; (n = read(p[0], buffer, sizeof buffer)) != 0;) {
      if (n > 0) received.append(buffer, static_cast<std::size_t>(n));
      usleep(50);
    }
  });
  itimerval every{{0, 200}, {0, 200}};
  ASSERT_EQ(setitimer(ITIMER_REAL, &every, nullptr), 0);
  const auto written = write_all(p[1], pieces);
  itimerval off{};
  setitimer(ITIMER_REAL, &off, nullptr);
  close(p[1]);
  reader.join();
  close(p[0]);
  sigaction(SIGALRM, &previous, nullptr);
  ASSERT_TRUE(written.ok()) << render_io_error(written.error());
  EXPECT_EQ(received.size(), expected.size());
  EXPECT_TRUE(received == expected);
}

}  // namespace
}  // namespace clippers
