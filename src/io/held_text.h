#pragma once
// Text held in memory: read whole from a file descriptor and kept as a
// sequence of pieces, so that whoever uses it does not care whether it came
// from a pipe or a file.  Memory is taken in large chunks that are never
// regrown, moved or zero-filled by the program, and only what is read into
// them is touched.  A regular file is read into one chunk sized from its
// length, never mapped (a truncation by another process would end the run
// with SIGBUS).
//
// The operations after the class take any sequence of views (`Pieces`), so a
// text made of held pieces and constants, such as an edit buffer, is
// validated, trimmed, compared and written the same way.

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/io_error.h"
#include "base/result.h"

namespace clippers {

// A text as consecutive views, in order.
using Pieces = std::span<const std::string_view>;

// The size of the chunks a pipe is read into after the first, smaller one.
inline constexpr std::size_t DEFAULT_CHUNK_SIZE = std::size_t{8} << 20;

class HeldText {
 public:
  HeldText();  // empty
  HeldText(HeldText&&) noexcept;
  HeldText& operator=(HeldText&&) noexcept;
  HeldText(const HeldText&) = delete;
  HeldText& operator=(const HeldText&) = delete;
  ~HeldText();

  // The text; no piece is empty.  The views live as long as this object.
  Pieces pieces() const { return pieces_; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  // The text as one view when it lies in one piece, as a regular file does
  // unless it grew while being read.
  std::optional<std::string_view> contiguous() const;
  // A copy in one string, for code that still wants one.
  std::string str() const;

 private:
  class Chunk;
  friend class HeldTextReader;
  std::vector<Chunk> chunks_;
  std::vector<std::string_view> pieces_;
  std::size_t size_ = 0;
};

// Reads `fd` to end of file, retrying EINTR.  A pipe is read into a first
// chunk of 64 KiB (or `chunk_size`, if smaller) and then chunks of
// `chunk_size` bytes; its buffer, shared with the writer, is widened to
// 1 MiB where the system allows.
Result<HeldText, IoError> hold_all(int fd, std::size_t chunk_size = DEFAULT_CHUNK_SIZE);

// Like hold_all, and checks as it reads that the bytes are UTF-8 ("stream did
// not contain valid UTF-8" otherwise).  Reading stops at the read that brings
// the first byte that cannot be part of valid UTF-8.
Result<HeldText, IoError> hold_text(int fd, std::size_t chunk_size = DEFAULT_CHUNK_SIZE);

// Opens `path` for reading and holds it as UTF-8 text, whatever it is: a
// FIFO waits for a writer and a device is read until it ends, as cat reads
// them.  A directory fails with the system's error from the read.
Result<HeldText, IoError> hold_text_file(const std::string& path);

std::size_t total_size(Pieces text);

// UTF-8 validity of the whole text; a character may straddle pieces.
bool is_valid_utf8(Pieces text);

// The text without its trailing White_Space, as views into the same memory.
// A white-space character may straddle pieces.  Expects valid UTF-8.
std::vector<std::string_view> trim_end(Pieces text);

// True when the text is empty or holds White_Space only.
bool is_blank(Pieces text);

// Byte-for-byte equality, wherever the pieces break.
bool equals(Pieces text, std::string_view other);

// Writes every piece, in order, with as few writev calls as the system allows
// (at most IOV_MAX pieces each), going on after partial writes and EINTR; a
// write that accepts nothing fails with "failed to write whole buffer".
Result<void, IoError> write_all(int fd, Pieces text);

}  // namespace clippers
