#pragma once
// Result<T, E>: a value or a failure, never both.  Failures travel as values
// between modules; nothing here throws.
//
//   Result<Fd, IoError> opened = open_file(path, O_RDONLY);
//   if (!opened) return fail(std::move(opened).error());
//   CLIPPERS_TRY(write_all(fd, text));   // the same, for a result whose value is not needed

#include <cstddef>
#include <cstdlib>
#include <optional>
#include <type_traits>
#include <utility>
#include <variant>

namespace clippers {

// Wraps a failure so that Result's constructors can tell it from a value.
template <typename E>
struct Failure {
  E error;
};

template <typename E>
Failure<std::decay_t<E>> fail(E&& error) {
  return {std::forward<E>(error)};
}

template <typename T, typename E>
class [[nodiscard]] Result {
 public:
  Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
  template <typename F>
  Result(Failure<F> failure) : state_(std::in_place_index<1>, std::move(failure.error)) {}

  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }

  // The value.  Precondition: ok().
  T& value() & { return *value_if(); }
  const T& value() const& { return *value_if(); }
  T&& value() && { return std::move(*value_if()); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }

  // The failure.  Precondition: !ok().
  E& error() & { return *error_if(); }
  const E& error() const& { return *error_if(); }
  E&& error() && { return std::move(*error_if()); }

 private:
  // Breaking a precondition ends the process here, never as an exception.
  template <std::size_t I, typename V>
  static auto* alternative(V& state) {
    auto* held = std::get_if<I>(&state);
    if (held == nullptr) [[unlikely]]
      std::abort();
    return held;
  }
  T* value_if() { return alternative<0>(state_); }
  const T* value_if() const { return alternative<0>(state_); }
  E* error_if() { return alternative<1>(state_); }
  const E* error_if() const { return alternative<1>(state_); }

  std::variant<T, E> state_;
};

// Success without a value.
template <typename E>
class [[nodiscard]] Result<void, E> {
 public:
  Result() = default;
  template <typename F>
  Result(Failure<F> failure) : error_(std::move(failure.error)) {}

  bool ok() const { return !error_.has_value(); }
  explicit operator bool() const { return ok(); }

  // The failure.  Precondition: !ok().
  E& error() & { return *failure(); }
  const E& error() const& { return *failure(); }
  E&& error() && { return std::move(*failure()); }

 private:
  // Breaking the precondition ends the process here, never as an exception.
  E* failure() {
    if (!error_) [[unlikely]]
      std::abort();
    return &*error_;
  }
  const E* failure() const {
    if (!error_) [[unlikely]]
      std::abort();
    return &*error_;
  }

  std::optional<E> error_;
};

// Passes the failure of `expr`, a Result, on to the caller: the calling
// function returns it, as a Result of its own whose failure type can be made
// from it.  Otherwise goes on.
#define CLIPPERS_TRY(expr)                                         \
  do {                                                             \
    if (auto clippers_tried_ = (expr); !clippers_tried_) {         \
      return ::clippers::fail(std::move(clippers_tried_).error()); \
    }                                                              \
  } while (false)

// Lambdas joined into one visitor for std::visit.
template <typename... Fs>
struct Overload : Fs... {
  using Fs::operator()...;
};
template <typename... Fs>
Overload(Fs...) -> Overload<Fs...>;

}  // namespace clippers
