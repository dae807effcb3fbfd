#pragma once
// The long options the parser knows, in definition order.  The order matters:
// similar-name suggestions prefer the later of two equally close names.

#include <array>
#include <string_view>

namespace clippers {

enum class ArgId { Context, Yes, Help, Version };

inline constexpr std::array<ArgId, 4> LONG_OPTIONS = {ArgId::Context, ArgId::Yes, ArgId::Help,
                                                      ArgId::Version};

// The name without dashes: "context", "yes", "help", "version".
constexpr std::string_view long_name(ArgId id) {
  switch (id) {
    case ArgId::Context: return "context";
    case ArgId::Yes: return "yes";
    case ArgId::Help: return "help";
    case ArgId::Version: return "version";
  }
  return "";
}

// The value placeholder shown after the name ("<CONTEXT>"), empty for flags.
constexpr std::string_view value_name(ArgId id) {
  return id == ArgId::Context ? "<CONTEXT>" : "";
}

}  // namespace clippers
