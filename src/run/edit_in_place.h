#pragma once
// The in-place editing run: FILE is edited through the edit buffer and, on
// approval, replaced by the approved content with one rename.

#include <optional>
#include <string>

namespace clippers {

// `file` is FILE exactly as passed.  Returns the exit status: 0 approved, 1 aborted, 2 failure.
int edit_in_place(const std::string& file, const std::optional<std::string>& context);

}  // namespace clippers
