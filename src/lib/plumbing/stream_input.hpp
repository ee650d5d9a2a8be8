// The stream arguments shared by every entry point that takes a stream:
// tokens (a sequence of str), times and optional values (sequences of numbers).
#pragma once

#include <optional>
#include <vector>

#include "lib/plumbing/convert.hpp"
#include "lib/plumbing/interned_stream.hpp"

namespace tide::py {

// The ids are filled by intern().
struct StreamInput : InternedStream {
  StringItems tokens;

  // Converts in the order tokens, times, values; TypeErrors name the argument.
  bool convert(PyObject* tokens_arg, PyObject* times_arg, PyObject* values_arg);
  // After the last conversion: settles the times and values arrays read in
  // place, then applies the length rule: times first, then values, against
  // the tokens' length.
  bool check_lens();
  // Interns the tokens under one interner lock, then lets go of their texts.
  bool intern();
};

// "times has length {} but {first} has length {}", then the same for values.
bool check_stream_lens(size_t n, const char* first_name, size_t times_len, const std::optional<size_t>& values_len);

}  // namespace tide::py
