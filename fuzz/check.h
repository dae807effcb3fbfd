#pragma once
// Shared by the fuzz targets: a broken property stops the run at once, so
// libFuzzer reports the input that broke it.

#include <cstddef>
#include <cstdint>
#include <string_view>

#define CHECK(cond)                \
  do {                             \
    if (!(cond)) __builtin_trap(); \
  } while (0)

inline std::string_view as_text(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}
