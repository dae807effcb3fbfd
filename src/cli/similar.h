#pragma once
// Closeness of a mistyped option name to the known ones.
//
//   std::optional<std::size_t> i = most_similar(name, candidate_names);

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

namespace clippers {

// Index of the candidate most similar to `name` by Jaro similarity (counted in
// Unicode characters, an invalid UTF-8 sequence as one character; no prefix
// bonus), among those scoring strictly above 0.7; on equal scores the later
// candidate wins.  nullopt when none qualifies.  Linear in the length of
// `name` times that of each candidate.
std::optional<std::size_t> most_similar(std::string_view name, std::span<const std::string_view> candidates);

}  // namespace clippers
