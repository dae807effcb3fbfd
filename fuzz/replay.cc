// A fuzz target run over the files of the corpus directories named on its
// command line, without libFuzzer: ctest replays the committed corpora this
// way, so a broken property (a trap) fails an ordinary test run too.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  int replayed = 0;
  for (int i = 1; i < argc; ++i) {
    for (const auto& entry : std::filesystem::directory_iterator(argv[i])) {
      std::ostringstream read;
      read << std::ifstream(entry.path(), std::ios::binary).rdbuf();
      const std::string input = read.str();
      LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
      ++replayed;
    }
  }
  return replayed > 0 ? 0 : 1;  // a corpus that is missing or empty checks nothing
}
