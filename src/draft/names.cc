#include "draft/names.h"

#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "base/wide.h"

namespace clippers {
namespace {

void append_random_chars(std::string& out, Wyrand& generator) {
  for (std::size_t i = 0; i < RANDOM_NAME_LENGTH; ++i) {
    std::optional<std::size_t> index;
    while (!(index = detail::alphabet_index(generator.next()))) {
    }
    out += NAME_ALPHABET[*index];
  }
}

// Seeds the per-thread generator once: the monotonic clock, the thread and the
// process mixed through one generator step.  Names only need to differ most of
// the time; clashes are caught by the exclusive mkdir.
std::uint64_t initial_seed() {
  struct timespec now = {};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  const std::uint64_t nanos =
      static_cast<std::uint64_t>(now.tv_sec) * 1000000000u + static_cast<std::uint64_t>(now.tv_nsec);
  const std::uint64_t thread = std::hash<std::thread::id>{}(std::this_thread::get_id());
  const std::uint64_t process = static_cast<std::uint64_t>(::getpid());
  Wyrand mixer{nanos ^ (thread << 17) ^ (thread >> 47) ^ (process << 40)};
  return mixer.next();
}

}  // namespace

std::uint64_t Wyrand::next() {
  state += 0x2d358dccaa6c78a5u;
  const Wide product = multiply_wide(state, state ^ 0x8bb84b93962eacc9u);
  return product.high ^ product.low;
}

Wyrand fresh_generator() {
  thread_local Wyrand per_thread{initial_seed()};
  return Wyrand{per_thread.next()};
}

std::optional<std::size_t> detail::alphabet_index(std::uint64_t r) {
  // 2^64 mod 62: outputs whose product falls into this sliver of the low half
  // would make the first 16 positions slightly more likely.
  constexpr std::uint64_t kRejectBelow = 16;
  const Wide product = multiply_wide(r, NAME_ALPHABET.size());
  if (product.low < kRejectBelow) return std::nullopt;
  return static_cast<std::size_t>(product.high);
}

std::string detail::random_name(std::string_view prefix, Wyrand& generator) {
  std::string name(prefix);
  append_random_chars(name, generator);
  return name;
}

std::string random_name(std::string_view prefix) {
  Wyrand generator = fresh_generator();
  return detail::random_name(prefix, generator);
}

Result<std::string, IoError> make_unique_dir(const std::string& base, std::string_view prefix, Wyrand generator,
                                             const MakeDirFn& make_dir, const EntropyFn& entropy) {
  std::string candidate = base;
  if (candidate.empty() || candidate.back() != '/') candidate += '/';
  candidate += prefix;
  const std::size_t stem = candidate.size();
  for (std::uint32_t attempt = 0; attempt < MAX_NAME_ATTEMPTS; ++attempt) {
    // A few clashes in a row hint that another process draws the same
    // sequence; fresh entropy breaks the lockstep.
    if (attempt == 3) {
      if (const auto seed = entropy()) generator.state = *seed;
    }
    candidate.resize(stem);
    append_random_chars(candidate, generator);
    const int err = make_dir(candidate);
    if (err == 0) return candidate;
    if (err == EEXIST || err == EADDRINUSE) continue;
    return fail(PathError{std::move(candidate), IoError::from_errno(err)}.into_io_error());
  }
  return fail(PathError{base, IoError::with_message("too many temporary files exist")}.into_io_error());
}

}  // namespace clippers
