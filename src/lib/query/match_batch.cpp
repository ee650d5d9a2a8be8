// TideQuery.match_batch: the first match of every document of a pre-coded
// corpus, reading the NumPy arrays in place and never touching the interner.
#include <cmath>
#include <cstring>

#include "engine/engine.hpp"
#include "lib/plumbing/binder.hpp"
#include "lib/plumbing/cancel_check.hpp"
#include "lib/plumbing/convert.hpp"
#include "lib/plumbing/errors.hpp"
#include "lib/plumbing/messages.hpp"
#include "lib/plumbing/numpy_api.hpp"
#include "lib/plumbing/numpy_buffers.hpp"
#include "lib/plumbing/stream_input.hpp"
#include "lib/query/query_object.hpp"
#include "lib/query/query_signatures.hpp"

namespace tide::py {
namespace {

// A one-dimensional array of exactly the given dtype in native byte order.
bool to_array(Arg arg, int typenum, PyArrayObject** out) {
  PyObject* o = arg.obj;
  auto* a = reinterpret_cast<PyArrayObject*>(o);
  if (!PyArray_Check(o) || PyArray_NDIM(a) != 1 || !PyArray_EquivTypenums(PyArray_TYPE(a), typenum) ||
      !PyArray_ISNOTSWAPPED(a)) {
    raise_cannot_convert(o, msg::target::kArray);
    prefix_type_error(arg.name);
    return false;
  }
  *out = a;
  return true;
}

bool require_contiguous(PyArrayObject* a) {
  if (a == nullptr || PyArray_IS_C_CONTIGUOUS(a)) return true;
  PyErr_SetString(PyExc_TypeError, msg::kNotContiguous);
  return false;
}

// The elements of a contiguous array as a typed pointer. An array whose
// data is not aligned for T (a view at an odd byte offset) is copied into
// `copy` first, since reading it through a T pointer is undefined.
template <class T>
const T* data_of(PyArrayObject* a, std::vector<T>* copy) {
  if (a == nullptr) return nullptr;
  if (PyArray_ISALIGNED(a)) return static_cast<const T*>(PyArray_DATA(a));
  copy->resize(static_cast<size_t>(PyArray_DIM(a, 0)));
  std::memcpy(copy->data(), PyArray_DATA(a), copy->size() * sizeof(T));
  return copy->data();
}

// The value the "mid" column reports for a document's first match.
double mid_value(const MatchBuffer& buf) {
  if (!buf.mid_scalars.empty()) return buf.mid_scalars[0];
  if (!buf.mid_lists.empty()) return static_cast<double>(buf.mid_lists[0].size());
  return std::nan("");
}

}  // namespace

PyObject* match_batch(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return call_bound<sig::k_match_batch>(args, nargs, kwnames, [&](const Args<sig::k_match_batch>& a) -> PyObject* {
    PyArrayObject *tokens = nullptr, *times = nullptr, *offsets = nullptr, *values = nullptr;
    const Arg values_arg = a.arg<"values">();
    if (!to_array(a.arg<"token_ids">(), NPY_UINT32, &tokens) || !to_array(a.arg<"times">(), NPY_FLOAT64, &times) ||
        !to_array(a.arg<"offsets">(), NPY_INT64, &offsets) ||
        (values_arg.present() && !to_array(values_arg, NPY_FLOAT64, &values)))
      return nullptr;
    if (!require_contiguous(tokens) || !require_contiguous(times) || !require_contiguous(offsets) ||
        !require_contiguous(values))
      return nullptr;
    const size_t n_offsets = static_cast<size_t>(PyArray_DIM(offsets, 0));
    if (n_offsets == 0) return raise(value_error(msg::kOffsetsEmpty));
    const size_t total = static_cast<size_t>(PyArray_DIM(tokens, 0));
    if (!check_stream_lens(total, "token_ids", static_cast<size_t>(PyArray_DIM(times, 0)),
                           values ? std::optional<size_t>(PyArray_DIM(values, 0)) : std::nullopt))
      return nullptr;
    const Pattern& pattern = query_pattern(self);
    if (!check(check_element_count(pattern))) return nullptr;

    const Engine engine(pattern);
    std::vector<TokenId> token_copy;
    std::vector<double> time_copy, value_copy;
    std::vector<uint64_t> offset_copy;
    const StreamView corpus{data_of(tokens, &token_copy), data_of(times, &time_copy), data_of(values, &value_copy),
                            total};
    const uint64_t* offs = data_of(offsets, &offset_copy);  // read as unsigned: a negative offset is huge
    const size_t n_docs = n_offsets - 1;
    std::vector<int64_t> m_start(n_docs, -1), m_end(n_docs, -1);
    std::vector<double> mid(pattern.midstream ? n_docs : 0, std::nan(""));
    CancelCheck cancel = interrupt_check();
    MatchScratch scratch;  // one buffer and search memory for the corpus, reused per document
    const MatchBuffer& buf = scratch.buf;
    for (size_t k = 0; k < n_docs; ++k) {
      const uint64_t s = offs[k], e = offs[k + 1];
      if (!(s < e && e <= total)) continue;
      if (!check(match_stream_into(engine, corpus.slice(s, e), true, false, scratch, cancel))) return nullptr;
      if (buf.rows() == 0) continue;
      m_start[k] = static_cast<int64_t>(buf.m_start[0]);
      m_end[k] = static_cast<int64_t>(buf.m_end[0]);
      if (pattern.midstream) mid[k] = mid_value(buf);
    }
    Ref dict = Ref::steal(PyDict_New());
    if (!dict || !set_item(dict.get(), "m_start", array_from(std::move(m_start))) ||
        !set_item(dict.get(), "m_end", array_from(std::move(m_end))))
      return nullptr;
    if (pattern.midstream && !set_item(dict.get(), "mid", array_from(std::move(mid)))) return nullptr;
    return dict.release();
  });
}

}  // namespace tide::py
