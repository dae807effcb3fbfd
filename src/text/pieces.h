#pragma once
// Pieces: a text given as consecutive views, in order, such as a text read in
// chunks followed by constants.  A contiguous text is one piece.  The text
// algorithms (text/utf8.h, text/whitespace.h) take either form.

#include <cstddef>
#include <span>
#include <string_view>

namespace clippers {

using Pieces = std::span<const std::string_view>;

// The bytes of all pieces together.
std::size_t total_size(Pieces text);

// Byte-for-byte equality, wherever the pieces break.
bool equals(Pieces text, std::string_view other);

}  // namespace clippers
