// Throughput of the text paths every run takes, and the cost of starting the
// tool.  Run by hand (see the README); nothing here is asserted.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <string>

#include "buffer/buffer.h"
#include "buffer/extract.h"
#include "editor/resolve.h"
#include "text/utf8.h"
#include "text/whitespace.h"

extern char** environ;

namespace {

// A draft of `bytes` bytes: 72-character lines of mixed ASCII and UTF-8.
std::string make_draft(std::size_t bytes) {
  const std::string line = "The quick brown fox \xE2\x80\x94 jumps over the lazy dog; caf\xC3\xA9 na\xC3\xAFve r\xC3\xA9sum\xC3\xA9s.\n";
  std::string draft;
  draft.reserve(bytes + line.size());
  while (draft.size() < bytes) draft += line;
  return draft;
}

void count_bytes(benchmark::State& state, const std::string& input) {
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(input.size()));
}

void BM_ValidateUtf8(benchmark::State& state) {
  const std::string draft = make_draft(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(clippers::is_valid_utf8(draft));
  count_bytes(state, draft);
}

void BM_ComposeBuffer(benchmark::State& state) {
  const std::string draft = make_draft(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(clippers::compose_buffer(draft, "context"));
  count_bytes(state, draft);
}

void BM_ExtractContent(benchmark::State& state) {
  const std::string edited =
      clippers::compose_buffer(make_draft(static_cast<std::size_t>(state.range(0))), "context");
  for (auto _ : state) benchmark::DoNotOptimize(clippers::extract_content(edited));
  count_bytes(state, edited);
}

void BM_FindClippersLine(benchmark::State& state) {
  const std::string text = make_draft(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(clippers::find_clippers_line(text));
  count_bytes(state, text);
}

void BM_TrimEnd(benchmark::State& state) {
  // The worst case: a text that is white space from end to start.
  const std::string blank(static_cast<std::size_t>(state.range(0)), ' ');
  for (auto _ : state) benchmark::DoNotOptimize(clippers::trim_end(blank));
  count_bytes(state, blank);
}

void BM_SplitWords(benchmark::State& state) {
  const std::string setting = "\"/opt/My Editor/bin/edit\" --wait -n 'two words' # comment";
  for (auto _ : state) benchmark::DoNotOptimize(clippers::split_words(setting));
}

// A whole --yes run on a small draft: process start, parse, read, write, exit.
void BM_StartupYes(benchmark::State& state) {
  for (auto _ : state) {
    pid_t pid = 0;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    char arg0[] = "clippers";
    char arg1[] = "--yes";
    char* argv[] = {arg0, arg1, nullptr};
    if (posix_spawn(&pid, CLIPPERS_BINARY, &actions, nullptr, argv, environ) != 0) {
      state.SkipWithError("cannot start the binary");
      break;
    }
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    waitpid(pid, &status, 0);
  }
}

constexpr std::int64_t kKiB = 1024, kMiB = 1024 * 1024;

}  // namespace

BENCHMARK(BM_ValidateUtf8)->Arg(64 * kKiB)->Arg(64 * kMiB);
BENCHMARK(BM_ComposeBuffer)->Arg(64 * kKiB)->Arg(64 * kMiB);
BENCHMARK(BM_ExtractContent)->Arg(64 * kKiB)->Arg(64 * kMiB);
BENCHMARK(BM_FindClippersLine)->Arg(64 * kKiB)->Arg(64 * kMiB);
BENCHMARK(BM_TrimEnd)->Arg(64 * kMiB);
BENCHMARK(BM_SplitWords);
BENCHMARK(BM_StartupYes)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
