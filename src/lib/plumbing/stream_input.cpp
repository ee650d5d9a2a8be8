#include "lib/plumbing/stream_input.hpp"

#include <string>

#include "lib/plumbing/errors.hpp"

namespace tide::py {

bool StreamInput::convert(PyObject* tokens_arg, PyObject* times_arg, PyObject* values_arg) {
  if (!tokens.convert(tokens_arg, "tokens") || !times.convert(times_arg, "times")) return false;
  if (values_arg != nullptr && values_arg != Py_None) return values.emplace().convert(values_arg, "values");
  return true;
}

bool check_stream_lens(size_t n, const char* first_name, size_t times_len, const std::optional<size_t>& values_len) {
  auto mismatch = [&](const char* what, size_t len) {
    raise(value_error(std::string(what) + " has length " + std::to_string(len) + " but " + first_name + " has length " +
                      std::to_string(n)));
    return false;
  };
  if (times_len != n) return mismatch("times", times_len);
  if (values_len && *values_len != n) return mismatch("values", *values_len);
  return true;
}

bool StreamInput::check_lens() {
  if (!times.settle("times") || (values && !values->settle("values"))) return false;
  return check_stream_lens(tokens.size(), "tokens", times.size(),
                           values ? std::optional<size_t>(values->size()) : std::nullopt);
}

bool StreamInput::intern() {
  auto r = tokens.intern();
  if (!check(r)) return false;
  ids = std::move(*r);
  tokens = StringItems();  // the tuple of a long stream's texts is not kept through the run
  return true;
}

}  // namespace tide::py
