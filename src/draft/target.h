#pragma once
// The file edited in place: opening it before the editor runs, and replacing
// its contents by one rename of the draft file after approval.

#include <string>
#include <string_view>

#include "draft/draft_dir.h"
#include "failure/failure.h"
#include "text/result.h"

namespace clippers {

struct Target {
  // FILE exactly as passed; the failures of open_target show this form.
  std::string path;
  // FILE's absolute path with every symbolic link, "." and ".." resolved;
  // everything after opening (read, permission copy, rename) goes through it.
  std::string canonical;
  // FILE's whole content, unchanged.
  std::string text;
  // `canonical` without its last component ("." only for the root directory):
  // where the draft directory is made, so the rename stays on one file system.
  std::string base_dir;
};

// Resolves and reads FILE.  Fails with CannotRead (resolution, reading, or
// bytes that are not UTF-8) or ContainsClippersLine (the first such line,
// counted from 1).  Creates nothing.
Result<Target, RunError> open_target(const std::string& file);

// Writes `content` (nothing added) into the existing draft file at
// `draft_path`, flushes it to disk and renames it over `target.canonical`,
// then flushes the target's directory (a failure of that last flush is
// ignored).  Takes over `dir`: removes it on success; keeps it when writing or
// flushing fails (Io naming the kept draft) or when the rename fails
// (ReplaceFailed).
Result<void, RunError> replace_target(DraftDir dir, const std::string& draft_path,
                                      const Target& target, std::string_view content);

}  // namespace clippers
