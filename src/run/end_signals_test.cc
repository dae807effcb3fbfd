// An end signal at the moments of a draft directory's life that a run of the
// tool cannot be made to hit on time: while the draft is written, and after
// the editor, while it is read back.
#include "run/end_signals.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "draft/draft_file.h"
#include "run/draft_session.h"

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
          auto session = DraftSession::open(signals, parent, STDIN_DRAFT_PREFIX, std::string(DRAFT_FILE_NAME));
          const std::string_view text = "draft";
          if (!session || !write_draft_file(session->dir(), Pieces(&text, 1))) std::exit(3);
          if (edited) {  // as once the editor has run
            signals.starting();
            signals.ended();
          }
          // With --json the handler also writes the object, around the numbers it knows.
          signals.report_json({"{", ",prepared}\n", ""}, {"{", ",named=", "}\n"});
          if (::freopen((parent + "/out").c_str(), "w", stdout) == nullptr) std::exit(3);
          ::raise(signal);
        },
        testing::KilledBySignal(signal),
        edited ? testing::MatchesRegex("clippers: interrupted by signal " + std::to_string(signal) + "; draft at " +
                                       parent + "/clippers-[A-Za-z0-9]{6}/COMMIT_EDITMSG\n")
               : testing::MatchesRegex(""));
    std::ostringstream out;
    out << std::ifstream(parent + "/out").rdbuf();
    const std::string json = out.str();
    const std::string status = std::to_string(128 + signal);
    EXPECT_EQ(json, edited ? "{" + status + ",named=" + std::to_string(signal) + "}\n" : "{" + status + ",prepared}\n");
    const auto left = std::distance(std::filesystem::directory_iterator(parent), {});
    EXPECT_EQ(left, edited ? 2 : 1) << "signal " << signal;
    std::filesystem::remove_all(parent);
  }
}

}  // namespace
}  // namespace clippers
