#include "cli/values.h"

#include <utility>

#include "text/whitespace.h"

namespace clippers {
namespace {

constexpr std::uint64_t MAX_DURATION_S = std::uint64_t{7} * 24 * 60 * 60;
constexpr std::pair<char, std::uint64_t> UNITS[] = {{'s', 1}, {'m', 60}, {'h', 60 * 60}};

}  // namespace

std::optional<std::uint64_t> parse_duration_ms(std::string_view text) {
  std::uint64_t unit_s = 1;  // a bare number counts seconds
  for (const auto& [letter, seconds] : UNITS) {
    if (text.ends_with(letter)) {
      unit_s = seconds;
      text.remove_suffix(1);
      break;
    }
  }
  if (text.empty()) return std::nullopt;
  std::uint64_t count = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    // Stopping past the largest count any unit allows keeps the product
    // below 2^64, however many digits follow.
    count = count * 10 + static_cast<std::uint64_t>(c - '0');
    if (count > MAX_DURATION_S) return std::nullopt;
  }
  const std::uint64_t seconds = count * unit_s;
  if (seconds < 1 || seconds > MAX_DURATION_S) return std::nullopt;
  return seconds * 1000;
}

std::optional<std::string_view> check_duration(std::string_view value) {
  if (parse_duration_ms(value)) return std::nullopt;
  return "expected a whole number of seconds, or one followed by s, m or h, from 1 second to 7 days";
}

std::optional<std::string_view> check_suffix(std::string_view value) {
  if (!value.empty() && value.size() <= 32 && value.find('/') == std::string_view::npos) return std::nullopt;
  return "expected 1 to 32 bytes without '/'";
}

Result<std::vector<std::string>, ParseError> split_command(std::string_view command) {
  return split_words(trim(command));
}

std::optional<std::string_view> check_command(std::string_view value) {
  const auto words = split_command(value);
  if (!words) return PARSE_ERROR_MESSAGE;
  if (words->empty()) return "expected a command";
  return std::nullopt;
}

}  // namespace clippers
