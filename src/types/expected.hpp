// A result or an error message: how core routines report user errors
// without throwing.
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace tide {

// Which exception the boundary raises for an error.
enum class ErrorKind { Value, Type, Overflow, Cancelled };

struct Error {
  ErrorKind kind = ErrorKind::Value;
  std::string message;
};

inline Error value_error(std::string message) { return {ErrorKind::Value, std::move(message)}; }
inline Error cancelled() { return {ErrorKind::Cancelled, {}}; }

template <class T>
class Expected {
 public:
  Expected(T value) : v_(std::move(value)) {}
  Expected(Error error) : v_(std::move(error)) {}

  bool ok() const { return v_.index() == 0; }
  explicit operator bool() const { return ok(); }
  T& value() { return std::get<0>(v_); }
  const T& value() const { return std::get<0>(v_); }
  T& operator*() { return value(); }
  const T& operator*() const { return value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  const Error& error() const { return std::get<1>(v_); }

 private:
  std::variant<T, Error> v_;
};

// For routines that produce nothing but may fail.
struct Unit {};
using Status = Expected<Unit>;
inline Status ok_status() { return Unit{}; }

}  // namespace tide
