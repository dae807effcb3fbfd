#include "io/held_text.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <new>
#include <utility>

#include "io/fd.h"
#include "io/platform.h"
#include "text/utf8.h"
#include "text/whitespace.h"

namespace clippers {

// Memory for one piece of text.  Anonymous mappings rather than the heap: they
// come straight from the system untouched (no zero-filling by the program, no
// copying when the text grows, since a full chunk is simply followed by the
// next), pages that are never read into cost nothing, and large ones can be
// backed by huge pages, which cuts the page faults of reading a large input
// by a factor of 512.
class HeldText::Chunk {
 public:
  static Result<Chunk, IoError> allocate(std::size_t size);
  Chunk(Chunk&& other) noexcept
      : used(other.used), base_(std::exchange(other.base_, nullptr)), mapped_(other.mapped_),
        data_(other.data_), capacity_(other.capacity_) {}
  Chunk& operator=(Chunk&&) = delete;
  ~Chunk();

  char* data() const { return data_; }
  std::size_t capacity() const { return capacity_; }
  std::size_t used = 0;

 private:
  Chunk(char* base, std::size_t mapped, char* data, std::size_t capacity)
      : base_(base), mapped_(mapped), data_(data), capacity_(capacity) {}
  char* base_;           // what to release
  std::size_t mapped_;   // its length
  char* data_;           // where the text goes
  std::size_t capacity_;
};

namespace {

// A pipe's first chunk: small inputs, the usual case, never touch a huge page.
constexpr std::size_t kFirstChunk = std::size_t{64} << 10;
// The most one read asks for, even when a file's whole chunk is waiting: the
// bytes are then validated while still in the cache, which made reading a
// 256 MiB file about a fifth cheaper than one read of it all.
constexpr std::size_t kReadSlice = std::size_t{1} << 20;

}  // namespace

#if defined(MAP_ANONYMOUS)

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::size_t round_up(std::size_t n, std::size_t to) { return (n + to - 1) / to * to; }

}  // namespace

Result<HeldText::Chunk, IoError> HeldText::Chunk::allocate(std::size_t size) {
  if (size < kHugePage) {
    void* p = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) return fail(IoError::from_errno(errno));
    auto* base = static_cast<char*>(p);
    return Chunk(base, size, base, size);
  }
  // Huge pages need 2 MiB alignment: map one huge page more than needed and
  // give back what lies outside the aligned range.
  const std::size_t length = round_up(size, kHugePage);
  void* p = ::mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return fail(IoError::from_errno(errno));
  char* const start = static_cast<char*>(p);
  const auto address = reinterpret_cast<std::uintptr_t>(start);
  char* const aligned = start + (round_up(address, kHugePage) - address);
  if (aligned != start) ::munmap(start, static_cast<std::size_t>(aligned - start));
  char* const tail = aligned + length;
  if (tail != start + length + kHugePage) {
    ::munmap(tail, static_cast<std::size_t>(start + length + kHugePage - tail));
  }
  // Only advice: where huge pages are off, the chunk simply uses small ones.
  platform::advise_huge_pages(aligned, length);
  return Chunk(aligned, length, aligned, length);
}

HeldText::Chunk::~Chunk() {
  if (base_ != nullptr) ::munmap(base_, mapped_);
}

#else  // no anonymous mappings: the heap, still never zero-filled

Result<HeldText::Chunk, IoError> HeldText::Chunk::allocate(std::size_t size) {
  char* p = new (std::nothrow) char[size];
  if (p == nullptr) return fail(IoError::from_errno(ENOMEM));
  return Chunk(p, size, p, size);
}

HeldText::Chunk::~Chunk() { delete[] base_; }

#endif

HeldText::HeldText() = default;
HeldText::HeldText(HeldText&&) noexcept = default;
HeldText& HeldText::operator=(HeldText&&) noexcept = default;
HeldText::~HeldText() = default;

std::optional<std::string_view> HeldText::contiguous() const {
  if (pieces_.size() > 1) return std::nullopt;
  return pieces_.empty() ? std::string_view() : pieces_.front();
}

std::string HeldText::str() const {
  std::string joined;
  joined.reserve(size_);
  for (std::string_view piece : pieces_) joined += piece;
  return joined;
}

class HeldTextReader {
 public:
  // Validation, when asked for, runs on each read's bytes while they are
  // still in the cache, rather than as a second pass over the whole text.
  static Result<HeldText, IoError> read(int fd, std::size_t chunk_size, Utf8Validator* validator) {
    HeldText text;
    chunk_size = std::max<std::size_t>(chunk_size, 1);
    std::size_t next = std::min(kFirstChunk, chunk_size);
    struct stat st;
    if (::fstat(fd, &st) == 0) {
      if (S_ISREG(st.st_mode) && st.st_size > 0) {
        // One byte more than the file holds: reaching its end then takes one
        // read that returns nothing, and a file that grew meanwhile goes on
        // into further chunks.
        next = static_cast<std::size_t>(st.st_size) + 1;
      } else if (S_ISFIFO(st.st_mode)) {
        platform::widen_pipe(fd);
      }
    }
    HeldText::Chunk* chunk = nullptr;
    for (;;) {
      if (chunk == nullptr || chunk->used == chunk->capacity()) {
        auto fresh = HeldText::Chunk::allocate(next);
        if (!fresh) return fail(std::move(fresh).error());
        chunk = &text.chunks_.emplace_back(std::move(fresh).value());
        next = chunk_size;
      }
      const std::size_t room = std::min(kReadSlice, chunk->capacity() - chunk->used);
      const ssize_t n = ::read(fd, chunk->data() + chunk->used, room);
      if (n < 0) {
        if (errno == EINTR) continue;
        return fail(IoError::from_errno(errno));
      }
      if (n == 0) break;
      const auto count = static_cast<std::size_t>(n);
      // Input that can no longer be UTF-8 is refused at once: reading on
      // would only hold more of it (an endless device, forever).
      if (validator != nullptr && !validator->feed({chunk->data() + chunk->used, count})) {
        return fail(IoError::with_message(std::string(INVALID_UTF8_MESSAGE)));
      }
      chunk->used += count;
    }
    if (validator != nullptr && !validator->complete()) {
      return fail(IoError::with_message(std::string(INVALID_UTF8_MESSAGE)));
    }
    if (text.chunks_.back().used == 0) text.chunks_.pop_back();
    for (const HeldText::Chunk& c : text.chunks_) {
      text.pieces_.emplace_back(c.data(), c.used);
      text.size_ += c.used;
    }
    return text;
  }
};

Result<HeldText, IoError> hold_all(int fd, std::size_t chunk_size) {
  return HeldTextReader::read(fd, chunk_size, nullptr);
}

Result<HeldText, IoError> hold_text(int fd, std::size_t chunk_size) {
  Utf8Validator validator;
  return HeldTextReader::read(fd, chunk_size, &validator);
}

Result<HeldText, IoError> hold_text_file(const std::string& path) {
  auto fd = open_file(path, O_RDONLY);
  if (!fd) return fail(std::move(fd).error());
  return hold_text(fd->get());
}

std::size_t total_size(Pieces text) {
  std::size_t size = 0;
  for (std::string_view piece : text) size += piece.size();
  return size;
}

bool is_valid_utf8(Pieces text) {
  Utf8Validator validator;
  for (std::string_view piece : text) {
    if (!validator.feed(piece)) return false;
  }
  return validator.complete();
}

namespace {

// Drops `count` bytes from the end of the pieces.
void drop_last_bytes(std::vector<std::string_view>& pieces, std::size_t count) {
  while (count > 0) {
    std::string_view& last = pieces.back();
    const std::size_t k = std::min(count, last.size());
    last.remove_suffix(k);
    count -= k;
    if (last.empty()) pieces.pop_back();
  }
}

}  // namespace

std::vector<std::string_view> trim_end(Pieces text) {
  std::vector<std::string_view> out(text.begin(), text.end());
  for (;;) {
    while (!out.empty() && out.back().empty()) out.pop_back();
    if (out.empty()) break;
    std::string_view& last = out.back();
    const std::string_view trimmed = clippers::trim_end(last);
    if (trimmed.size() < last.size()) {
      last = trimmed;
      continue;  // the piece may now be empty, and the one before end in white space
    }
    // Nothing to trim inside the last piece.  White space is three bytes at
    // most, so a character split across pieces can only be missed when the
    // last piece is shorter than that: look at the last bytes of the text.
    if (last.size() >= 3) break;
    std::array<char, 3> window{};
    std::size_t filled = 0;
    for (auto piece = out.rbegin(); piece != out.rend() && filled < window.size(); ++piece) {
      for (auto byte = piece->rbegin(); byte != piece->rend() && filled < window.size(); ++byte) {
        window[window.size() - 1 - filled++] = *byte;
      }
    }
    const std::size_t k = trailing_space_length(
        std::string_view(window.data() + window.size() - filled, filled));
    if (k == 0) break;
    drop_last_bytes(out, k);
  }
  return out;
}

bool is_blank(Pieces text) { return trim_end(text).empty(); }

bool equals(Pieces text, std::string_view other) {
  if (total_size(text) != other.size()) return false;
  for (std::string_view piece : text) {
    if (other.compare(0, piece.size(), piece) != 0) return false;
    other.remove_prefix(piece.size());
  }
  return true;
}

namespace {

int max_pieces_per_write() {
#if defined(IOV_MAX)
  return IOV_MAX;
#else
  const long limit = ::sysconf(_SC_IOV_MAX);
  return limit > 0 ? static_cast<int>(std::min<long>(limit, INT_MAX)) : 16;
#endif
}

}  // namespace

Result<void, IoError> write_all(int fd, Pieces text) {
  std::vector<iovec> left;
  left.reserve(text.size());
  for (std::string_view piece : text) {
    if (!piece.empty()) left.push_back({const_cast<char*>(piece.data()), piece.size()});
  }
  const int batch = max_pieces_per_write();
  std::size_t next = 0;
  while (next < left.size()) {
    const int count = static_cast<int>(std::min<std::size_t>(left.size() - next, static_cast<std::size_t>(batch)));
    const ssize_t n = ::writev(fd, &left[next], count);
    if (n < 0) {
      if (errno == EINTR) continue;
      return fail(IoError::from_errno(errno));
    }
    if (n == 0) return fail(IoError::with_message("failed to write whole buffer"));
    // Skip what was written; a piece written in part goes on from where the write stopped.
    auto written = static_cast<std::size_t>(n);
    while (next < left.size() && written >= left[next].iov_len) written -= left[next++].iov_len;
    if (written > 0) {
      left[next].iov_base = static_cast<char*>(left[next].iov_base) + written;
      left[next].iov_len -= written;
    }
  }
  return {};
}

}  // namespace clippers
