#pragma once
// Finding the clippers line in a text and cutting the approved content out of
// an edited buffer.  Inputs are expected to be valid UTF-8; lines are views
// into the input, never copies.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace clippers {

// The lines of `text`: cut after every LF; the LF is not part of the line, nor
// is one CR directly before it.  A final piece after the last LF is a line only
// when it is not empty; a CR not followed by LF stays in its line.
std::vector<std::string_view> split_lines(std::string_view text);

// True when `line` without its trailing White_Space equals CLIPPERS_LINE.
// Leading white space is never ignored.
bool is_clippers_line(std::string_view line);

// The approved content of an edited buffer: the lines above the last clippers
// line (all lines when there is none), joined with LF, trimmed of White_Space
// at the end.  No content when that is empty or white space only.  Leading
// white space stays.  Linear in the text.
std::optional<std::string> extract_content(std::string_view edited);

// The same content as a view: into `edited` itself when no kept line ended
// in CR LF (the usual case: nothing is copied), otherwise into `joined`,
// which receives the lines joined with LF.
std::optional<std::string_view> extract_content(std::string_view edited, std::string& joined);

// True when `content` is what extracting the untouched buffer of `draft`
// gives: the draft's lines joined with LF (a CR LF line end becomes LF),
// trimmed of White_Space at the end.  Linear, without a copy.
bool approves_as_is(std::string_view content, std::span<const std::string_view> draft);

// The number (from 1) of the first clippers line of `text`, or none.
std::optional<std::uint64_t> find_clippers_line(std::string_view text);

}  // namespace clippers
