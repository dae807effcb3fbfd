#include "io/fd.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/time.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace clippers {
namespace {

extern "C" void on_alarm(int) {}

// Reads the pipe slowly to its end, so that the writer's writes come back short.
void read_slowly(int fd, std::string& received) {
  char buffer[4096];
  for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) != 0; usleep(50)) {
    if (n > 0) received.append(buffer, static_cast<std::size_t>(n));
  }
}

// More pieces than one writev takes, into a pipe read slowly while a timer
// interrupts the writer: writes come back short or with EINTR.
TEST(Fd, WritesEveryPieceThroughInterruptionsAndPartialWrites) {
  // Pieces of 0 to 1,499 bytes of one text, so that a piece's head never passes for its tail.
  std::string text(2'250'000, '\0');
  for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + i % 23);
  std::vector<std::string_view> pieces;
  for (std::size_t at = 0, i = 0; at < text.size(); at += pieces.back().size()) {
    pieces.push_back(std::string_view(text).substr(at, i++ % 1500));
  }
  struct sigaction action {
  }, previous{};
  action.sa_handler = on_alarm;  // no SA_RESTART
  ASSERT_EQ(sigaction(SIGALRM, &action, &previous), 0);
  int p[2];
  ASSERT_EQ(pipe(p), 0);
  std::string received;
  std::thread reader(read_slowly, p[0], std::ref(received));
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
