// An end signal at the moments of a draft directory's life that a run of the
// tool cannot be made to hit on time: while the draft is written, and after
// the editor, while it is read back.
#include "editor/signals.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "draft/draft_file.h"

namespace clippers {
namespace {

TEST(EndSignals, RemoveTheDraftBeforeTheEditorAndNameItAfter) {
  GTEST_FLAG_SET(death_test_style, "fast");  // the child must see this parent directory
  const struct {
    int signal;
    bool edited;
  } cases[] = {{SIGTERM, false}, {SIGINT, false}, {SIGHUP, true}, {SIGINT, true}, {SIGQUIT, true}};
  for (const auto& [signal, edited] : cases) {
    std::string parent = std::filesystem::temp_directory_path() / "clippers-signals-XXXXXX";
    ASSERT_NE(::mkdtemp(parent.data()), nullptr);
    EXPECT_EXIT(
        {
          EndSignals signals;
          auto dir = signals.make_draft_dir(parent, STDIN_DRAFT_PREFIX);
          const std::string_view text = "draft";
          if (!dir || !write_draft_file(*dir, Pieces(&text, 1))) std::exit(3);
          if (edited) signals.edited(dir->draft_file_path());
          ::raise(signal);
        },
        testing::KilledBySignal(signal),
        edited ? testing::MatchesRegex("clippers: interrupted by signal " + std::to_string(signal) + "; draft at " +
                                       parent + "/clippers-[A-Za-z0-9]{6}/COMMIT_EDITMSG\n")
               : testing::MatchesRegex(""));
    const auto left = std::distance(std::filesystem::directory_iterator(parent), {});
    EXPECT_EQ(left, edited ? 1 : 0) << "signal " << signal;
    std::filesystem::remove_all(parent);
  }
}

}  // namespace
}  // namespace clippers
