#pragma once
// Where draft directories go: the system temporary directory for
// standard-input drafts, and any parent made absolute.
//
// Calling sequence: absolute_dir(system_temp_dir()) or absolute_dir(FILE's
// directory), then make the draft directory under the result.

#include <string>

#include "base/io_error.h"
#include "base/result.h"

namespace clippers {

// TMPDIR when set (even empty), else the per-user temporary directory where
// the platform has one, else "/tmp".
std::string system_temp_dir();

// `parent` when it starts with "/"; otherwise the current directory, "/"
// and `parent` (an empty parent is the current directory).  Fails only when
// the current directory cannot be determined, with that failure.
Result<std::string, IoError> absolute_dir(const std::string& parent);

}  // namespace clippers
