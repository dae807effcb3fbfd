#include "editor_script.h"

namespace clippers_test {

std::string make_editor(const TempDir& dir, const std::string& name, const std::string& body) {
  const std::string path = dir.file(name);
  write_file(path, "#!/bin/sh\n" + body + "\n", 0755);
  return path;
}

std::vector<std::string> entries_with_prefix(const std::string& dir, const std::string& prefix) {
  std::vector<std::string> found;
  for (const std::string& name : list_dir(dir)) {
    if (name.rfind(prefix, 0) == 0) found.push_back(name);
  }
  return found;
}

std::string buffer_for(const std::string& draft, const char* context) {
  std::string buffer = draft +
                       "\n\n# ------------------------ >8 ------------------------\n"
                       "# Do not modify or remove the line above.\n"
                       "# Everything below is context and will be stripped from the final content.\n"
                       "# Save and close the editor when done.\n"
                       "# Empty all content above this line to abort without submitting.\n";
  if (context != nullptr) buffer += std::string("#\n# Context: ") + context + "\n";
  return buffer;
}

}  // namespace clippers_test
