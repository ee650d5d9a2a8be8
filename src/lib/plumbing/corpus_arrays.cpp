#include "lib/plumbing/corpus_arrays.hpp"

#include <optional>

#include "lib/plumbing/errors.hpp"
#include "lib/plumbing/flat_arrays.hpp"
#include "lib/plumbing/messages.hpp"
#include "lib/plumbing/stream_input.hpp"

namespace tide::py {

bool CorpusArrays::read(PyObject* token_ids, PyObject* times, PyObject* offsets, PyObject* values) {
  PyArrayObject *t = nullptr, *ti = nullptr, *o = nullptr, *v = nullptr;
  if (!to_array(token_ids, NPY_UINT32, &t, "token_ids") || !to_array(times, NPY_FLOAT64, &ti, "times") ||
      !to_array(offsets, NPY_INT64, &o, "offsets") ||
      (values != nullptr && values != Py_None && !to_array(values, NPY_FLOAT64, &v, "values")))
    return false;
  if (!require_contiguous(t) || !require_contiguous(ti) || !require_contiguous(o) || !require_contiguous(v))
    return false;
  const size_t n_offsets = static_cast<size_t>(PyArray_DIM(o, 0));
  if (n_offsets == 0) return fail(value_error(msg::kOffsetsEmpty));
  const size_t total = static_cast<size_t>(PyArray_DIM(t, 0));
  if (!check_stream_lens(total, "token_ids", static_cast<size_t>(PyArray_DIM(ti, 0)),
                         v ? std::optional<size_t>(PyArray_DIM(v, 0)) : std::nullopt))
    return false;
  rows_ = {data_of(t, &token_copy_), data_of(ti, &time_copy_), data_of(v, &value_copy_), total};
  offsets_ = {data_of(o, &offset_copy_), n_offsets};
  return true;
}

bool CorpusArrays::corpus(CorpusView* out) const {
  if (!check(check_offsets(offsets_, rows_.len))) return false;
  *out = {rows_, offsets_};
  return true;
}

}  // namespace tide::py
