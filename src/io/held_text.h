#pragma once
// Text held in memory: read whole from a file descriptor and kept as a
// sequence of pieces, so that whoever uses it does not care whether it came
// from a pipe or a file.  Memory is taken in large chunks that are never
// regrown, moved or zero-filled by the program, and only what is read into
// them is touched.  A regular file is read into one chunk sized from its
// length, never mapped (a truncation by another process would end the run
// with SIGBUS).
//   auto text = hold_text(fd);  then text->pieces() to the text algorithms
//   (text/utf8.h, text/whitespace.h) and to write_all (io/fd.h).

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/io_error.h"
#include "base/result.h"
#include "text/pieces.h"

namespace clippers {

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
  bool empty() const { return size_ == 0; }
  // The text as one view: the one piece it lies in (as a regular file does
  // unless it grew while being read), or else a copy of it joined into
  // `storage`.  The view lives as long as this object and `storage`.
  std::string_view whole(std::string& storage) const;

 private:
  class Chunk;
  friend class HeldTextReader;
  std::vector<Chunk> chunks_;
  std::vector<std::string_view> pieces_;
  std::size_t size_ = 0;
};

// Reads `fd` to end of file, retrying EINTR and waiting on a non-blocking
// descriptor that has nothing yet, and checks as it reads that the
// bytes are UTF-8 ("stream did not contain valid UTF-8" otherwise).  Reading
// stops at the read that brings the first byte that cannot be part of valid
// UTF-8.  A regular file is read into one chunk; a pipe into a first chunk of
// 64 KiB and then chunks of 8 MiB, and its buffer, shared with the writer, is
// widened to 1 MiB where the system allows.
Result<HeldText, IoError> hold_text(int fd);

// Opens `path` for reading and holds it as UTF-8 text, whatever it is: a
// FIFO waits for a writer and a device is read until it ends, as cat reads
// them.  A directory fails with the system's error from the read.
Result<HeldText, IoError> hold_text_file(const std::string& path);

}  // namespace clippers
