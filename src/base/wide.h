#pragma once
// The full 128-bit product of two 64-bit numbers, from 32-bit halves so that
// no compiler extension is needed.  Used by the draft-name generator and by
// the exact comparison of similarity scores.

#include <cstdint>

namespace clippers {

struct Wide {
  std::uint64_t high;
  std::uint64_t low;

  friend constexpr bool operator==(const Wide&, const Wide&) = default;
  friend constexpr bool operator>(const Wide& a, const Wide& b) {
    return a.high != b.high ? a.high > b.high : a.low > b.low;
  }
};

constexpr Wide multiply_wide(std::uint64_t a, std::uint64_t b) {
  constexpr std::uint64_t kLow32 = 0xffffffffu;
  const std::uint64_t a_lo = a & kLow32, a_hi = a >> 32;
  const std::uint64_t b_lo = b & kLow32, b_hi = b >> 32;
  const std::uint64_t lo_lo = a_lo * b_lo;
  const std::uint64_t lo_hi = a_lo * b_hi;
  const std::uint64_t hi_lo = a_hi * b_lo;
  const std::uint64_t hi_hi = a_hi * b_hi;
  const std::uint64_t middle = (lo_lo >> 32) + (lo_hi & kLow32) + (hi_lo & kLow32);
  return Wide{hi_hi + (lo_hi >> 32) + (hi_lo >> 32) + (middle >> 32), (middle << 32) | (lo_lo & kLow32)};
}

}  // namespace clippers
