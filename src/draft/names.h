#pragma once
// Random names for draft directories and the files made beside the draft:
// a prefix and six characters from a 62-letter alphabet, drawn from wyrand, a
// small non-cryptographic generator.  Names only need to differ most of the
// time: every name is taken by an exclusive create, and a clash draws again.
//
// Calling sequence: make_unique_dir(base, prefix, fresh_generator(), mkdir-like,
// entropy) for a directory; random_name(prefix) for a one-off file name.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "base/io_error.h"
#include "base/result.h"

namespace clippers {

// The random part of a name: this many characters from NAME_ALPHABET.
constexpr std::size_t RANDOM_NAME_LENGTH = 6;
constexpr std::string_view NAME_ALPHABET = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
// At most this many names are tried for one directory.
constexpr std::uint32_t MAX_NAME_ATTEMPTS = 65536;

// wyrand: 64 bits of state.
struct Wyrand {
  std::uint64_t state = 0;
  std::uint64_t next();
};

// A generator seeded from this thread's own, which is seeded once from the
// monotonic clock, the thread and the process.
Wyrand fresh_generator();

// The prefix followed by RANDOM_NAME_LENGTH characters from a fresh generator.
std::string random_name(std::string_view prefix);

// Makes a new directory named `prefix` and random characters under `base`
// (absolute) through `make_dir`, which returns 0 or an errno value: a name
// that exists (EEXIST, EADDRINUSE) draws the next, up to MAX_NAME_ATTEMPTS;
// the fourth attempt reseeds `generator` from `entropy` (nullopt: keep it).
// Returns the path made.  Fails with a PathError (as IoError) naming the
// candidate for any other failure, or naming `base` with "too many temporary
// files exist" when every name clashed.
using MakeDirFn = std::function<int(const std::string& path)>;
using EntropyFn = std::function<std::optional<std::uint64_t>()>;
Result<std::string, IoError> make_unique_dir(const std::string& base, std::string_view prefix, Wyrand generator,
                                             const MakeDirFn& make_dir, const EntropyFn& entropy);

namespace detail {
// The mapping of one generator output onto a position in NAME_ALPHABET
// without bias (r * 62 as a 128-bit product, high half); nullopt when the
// output must be discarded (the product's low half is below 2^64 mod 62 = 16).
std::optional<std::size_t> alphabet_index(std::uint64_t r);
// The prefix and RANDOM_NAME_LENGTH characters drawn from `generator`.
std::string random_name(std::string_view prefix, Wyrand& generator);
}  // namespace detail

}  // namespace clippers
