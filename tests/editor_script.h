#pragma once
// Scripted editors for the end-to-end tests: small sh scripts that stand in
// for a person at an editor.  The draft file path is always their last argument.

#include <string>
#include <vector>

#include "process.h"

namespace clippers_test {

// Writes an executable script `name` into `dir` running `body` under /bin/sh;
// returns its path.
std::string make_editor(const TempDir& dir, const std::string& name, const std::string& body);

// The names in `dir` that start with `prefix`.
std::vector<std::string> entries_with_prefix(const std::string& dir, const std::string& prefix);

// The edit buffer as the tool composes it for `draft` (which must not end in a
// line feed) and an optional context footer.
std::string buffer_for(const std::string& draft, const char* context = nullptr);

}  // namespace clippers_test
