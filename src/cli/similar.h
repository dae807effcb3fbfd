#pragma once
// Closeness of a mistyped option name to the known ones.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace clippers {

// A Jaro similarity as an exact fraction, so that the threshold and ties
// between candidates are decided without rounding.
struct JaroScore {
  std::uint64_t numerator = 0;
  std::uint64_t denominator = 1;
  double value() const;
};

// Jaro similarity of two UTF-8 texts, counted in Unicode characters, without
// any prefix bonus: 1 for two empty texts, 0 when exactly one is empty or
// nothing matches.  Linear in the longer text times the shorter.
JaroScore jaro_similarity(std::string_view a, std::string_view b);

// Index of the candidate most similar to `name`, among those scoring strictly
// above 0.7; on equal scores the later candidate wins.  nullopt when none
// qualifies.
std::optional<std::size_t> most_similar(std::string_view name,
                                        std::span<const std::string_view> candidates);

}  // namespace clippers
