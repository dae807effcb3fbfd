#include "io/held_text.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <new>
#include <utility>

#include "io/fd.h"
#include "io/platform.h"
#include "text/utf8.h"

namespace clippers {

// Memory for one piece of text, never zero-filled or moved by the program: a
// full chunk is simply followed by the next.  Anonymous mappings, large ones
// on huge pages, where the system has them.
class HeldText::Chunk {
 public:
  static Result<Chunk, IoError> allocate(std::size_t size);
  Chunk(Chunk&& other) noexcept
      : used(other.used), data_(std::exchange(other.data_, nullptr)), capacity_(other.capacity_) {}
  Chunk& operator=(Chunk&&) = delete;
  ~Chunk();

  char* data() const { return data_; }
  std::size_t capacity() const { return capacity_; }
  std::size_t used = 0;

 private:
  Chunk(char* data, std::size_t capacity) : data_(data), capacity_(capacity) {}
  char* data_;
  std::size_t capacity_;
};

namespace {

// The chunks a pipe is read into after the first.
constexpr std::size_t kChunk = std::size_t{8} << 20;
// A pipe's first chunk, so that small inputs, the usual case, never touch a
// huge page (peak memory 3.6 -> 1.6 MiB on 4 KiB of lines, CPU the same,
// bench/run yes-pipe-lines4k, 2026-12-07).
constexpr std::size_t kFirstChunk = std::size_t{64} << 10;

}  // namespace

#if defined(MAP_ANONYMOUS)

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::size_t round_up(std::size_t n, std::size_t to) { return (n + to - 1) / to * to; }

}  // namespace

// Huge pages cut the page faults of reading a large input by a factor of 512
// (CPU 1.41 s -> 72 ms median, slowest of 20 runs 1.65 s -> 0.68 s, on a
// 256 MiB file; 1.23 s -> 189 ms, slowest 1.61 s -> 0.35 s, on 256 MiB piped;
// bench/run yes-FILE-lines256 and yes-pipe-lines256, 2026-12-07).  Their
// slow runs are system time clearing fresh memory (the kernel counted no
// compaction stall); small pages' slowest runs were slower still.
Result<HeldText::Chunk, IoError> HeldText::Chunk::allocate(std::size_t size) {
  if (size < kHugePage) {
    void* p = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) return fail(IoError::from_errno(errno));
    return Chunk(static_cast<char*>(p), size);
  }
  // Huge pages need 2 MiB alignment: map one huge page more than needed and
  // give back what lies outside the aligned range (CPU, slowest of 20 runs,
  // 690 -> 676 ms on a 256 MiB file and 506 -> 349 ms piped; the medians
  // move both ways from one series to the next; bench/run, 2026-12-07).
  const std::size_t length = round_up(size, kHugePage);
  void* p = ::mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
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
  return Chunk(aligned, length);
}

HeldText::Chunk::~Chunk() {
  if (data_ != nullptr) ::munmap(data_, capacity_);
}

#else  // no anonymous mappings: the heap, still never zero-filled

Result<HeldText::Chunk, IoError> HeldText::Chunk::allocate(std::size_t size) {
  char* p = new (std::nothrow) char[size];
  if (p == nullptr) return fail(IoError::from_errno(ENOMEM));
  return Chunk(p, size);
}

HeldText::Chunk::~Chunk() { delete[] data_; }

#endif

HeldText::HeldText() = default;
HeldText::HeldText(HeldText&&) noexcept = default;
HeldText& HeldText::operator=(HeldText&&) noexcept = default;
HeldText::~HeldText() = default;

std::string_view HeldText::whole(std::string& storage) const {
  if (pieces_.size() <= 1) return pieces_.empty() ? std::string_view() : pieces_.front();
  storage.clear();
  storage.reserve(size_);
  for (std::string_view piece : pieces_) storage += piece;
  return storage;
}

class HeldTextReader {
 public:
  explicit HeldTextReader(int fd) : fd_(fd) {}

  Result<HeldText, IoError> read() {
    std::size_t next = first_chunk_size();
    for (;;) {
      if (chunk_ == nullptr || chunk_->used == chunk_->capacity()) {
        auto fresh = HeldText::Chunk::allocate(next);
        if (!fresh) return fail(std::move(fresh).error());
        chunk_ = &text_.chunks_.emplace_back(std::move(fresh).value());
        next = kChunk;
      }
      auto got = read_some();
      if (!got) return fail(std::move(got).error());
      if (*got == 0) break;
    }
    if (!validator_.complete()) return fail(IoError::not_utf8());
    if (text_.chunks_.back().used == 0) text_.chunks_.pop_back();
    for (const HeldText::Chunk& c : text_.chunks_) {
      text_.pieces_.emplace_back(c.data(), c.used);
      text_.size_ += c.used;
    }
    return std::move(text_);
  }

 private:
  std::size_t first_chunk_size() const {
    struct stat st;
    if (::fstat(fd_, &st) == 0) {
      // One byte more than a regular file holds: reaching its end then takes
      // one read that returns nothing, and a file that grew meanwhile goes on
      // into further chunks.
      if (S_ISREG(st.st_mode) && st.st_size > 0) return static_cast<std::size_t>(st.st_size) + 1;
      // CPU 138 -> 113 ms median, slowest of 20 runs 436 -> 270 ms, and
      // 163 -> 121 ms elapsed, on 256 MiB piped (bench/run
      // yes-pipe-lines256, 2026-12-07).
      if (S_ISFIFO(st.st_mode)) platform::widen_pipe(fd_);
    }
    return kFirstChunk;
  }

  // One read into the current chunk, which has room, retrying EINTR and
  // waiting on a non-blocking descriptor that has nothing yet: the bytes
  // read, 0 at the end.  Validation runs on each read's bytes as they come.
  Result<std::size_t, IoError> read_some() {
    char* const at = chunk_->data() + chunk_->used;
    const std::size_t room = chunk_->capacity() - chunk_->used;
    for (;;) {
      const ssize_t n = ::read(fd_, at, room);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && platform::would_block(errno)) {
        CLIPPERS_TRY(wait_ready(fd_, POLLIN));
        continue;
      }
      if (n < 0) return fail(IoError::from_errno(errno));
      const auto count = static_cast<std::size_t>(n);
      // Input that can no longer be UTF-8 is refused at once: reading on
      // would only hold more of it (an endless device, forever).
      if (!validator_.feed({at, count})) return fail(IoError::not_utf8());
      chunk_->used += count;
      return count;
    }
  }

  int fd_;
  HeldText text_;
  HeldText::Chunk* chunk_ = nullptr;
  Utf8Validator validator_;
};

Result<HeldText, IoError> hold_text(int fd) { return HeldTextReader(fd).read(); }

Result<HeldText, IoError> hold_text_file(const std::string& path) {
  auto fd = open_file(path, O_RDONLY);
  if (!fd) return fail(std::move(fd).error());
  return hold_text(fd->get());
}

}  // namespace clippers
