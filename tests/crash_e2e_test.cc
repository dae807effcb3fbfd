// FILE mode killed at random moments: a reader polling FILE throughout, and
// FILE afterwards, only ever see the old or the new text.  CLIPPERS_LONG=1
// runs the long version.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <thread>

#include "process.h"

namespace clippers_test {
namespace {

std::string text_of(char fill) {
  std::string text;
  while (text.size() < (16u << 20)) text.append(79, fill) += '\n';
  return text;
}

TEST(CrashE2e, FileIsOldOrNewWhateverMomentTheToolDies) {
  const int runs = std::getenv("CLIPPERS_LONG") != nullptr ? 200 : 12;
  TempDir work, tools;
  const std::string file = work.file("notes.txt");
  const std::string old_text = text_of('o'), new_text = text_of('n');
  write_file(tools.file("new"), new_text);
  // The edit is a change, so it is approved at once, whatever the timing.
  write_file(tools.file("ed"), "#!/bin/sh\ncp '" + tools.file("new") + "' \"$1\"\n", 0755);

  std::atomic<bool> watching{false}, done{false};
  std::atomic<int> torn{0}, reads{0};
  std::thread reader([&] {
    while (!done) {
      if (!watching) continue;
      const std::string seen = read_file(file);
      if (!watching) continue;  // the file may have been reset meanwhile
      ++reads;
      if (seen != old_text && seen != new_text) ++torn;
    }
  });

  std::mt19937 random(12345);
  double work_ms = 0;  // from the announcement of the draft to the end of a whole run
  int mid_work = 0;    // runs killed after the draft was announced and before they ended
  for (int run = 0; run < runs; ++run) {
    write_file(file, old_text);
    watching = true;
    // The first run measures how long the work after the announcement takes
    // (the editor, reading its edit back, writing and replacing); the others
    // die at a random moment of it, timed from their own announcement.
    Invocation inv{
        .argv = {"clippers", file},
        .env = {"VISUAL=" + tools.file("ed")},
        .cwd = work.path(),
        .start = {.kill_after_ms = run == 0 ? 1e9 : std::uniform_real_distribution<double>(0, work_ms)(random),
                  .kill_after_output = true}};
    const auto start = std::chrono::steady_clock::now();
    const Outcome outcome = run_clippers(inv);
    ASSERT_TRUE(run > 0 || outcome.status == 0) << outcome.err;
    if (outcome.status == 0) {  // a run that ended before its kill measures the work again
      const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() -
                        outcome.first_output_ms;
      work_ms = run == 0 ? ms : std::min(work_ms, ms);
    }
    watching = false;
    mid_work += outcome.status == 128 + 9;
    const std::string after = read_file(file);
    EXPECT_TRUE(after == old_text || after == new_text) << "run " << run << ": " << after.size() << " bytes";
  }
  done = true;
  reader.join();
  EXPECT_EQ(torn, 0) << "of " << reads << " reads";
  // A kill before the tool has read anything, or after it is done, proves nothing.
  EXPECT_GE(mid_work, runs / 2) << "of " << runs - 1 << " runs meant to be killed at work";
  // Only the draft directories of killed runs stay behind.
  for (const std::string& name : list_dir(work.path())) {
    EXPECT_TRUE(name == "notes.txt" || name.rfind(".clippers-", 0) == 0) << name;
  }
}

}  // namespace
}  // namespace clippers_test
