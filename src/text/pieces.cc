#include "text/pieces.h"

namespace clippers {

std::size_t total_size(Pieces text) {
  std::size_t size = 0;
  for (std::string_view piece : text) size += piece.size();
  return size;
}

bool equals(Pieces text, std::string_view other) {
  if (total_size(text) != other.size()) return false;
  for (std::string_view piece : text) {
    if (!other.starts_with(piece)) return false;
    other.remove_prefix(piece.size());
  }
  return true;
}

}  // namespace clippers
