// _timestamp_runs and _locate_runs: per-timestamp collapsing and searches on
// the timestamp axis of a whole corpus, over int64 arrays read in place.
#include "lib/window/window_functions.hpp"

#include "lib/plumbing/binder.hpp"
#include "lib/plumbing/cancel_check.hpp"
#include "lib/plumbing/errors.hpp"
#include "lib/plumbing/numpy_api.hpp"
#include "lib/plumbing/numpy_buffers.hpp"
#include "lib/window/window_signatures.hpp"
#include "window/timestamp_runs.hpp"

namespace tide::py {
namespace {

// An int64 view of a one-dimensional array argument (converted only when its
// dtype or layout differs), its error prefixed with the argument name.
struct Int64Array {
  Ref array;
  const int64_t* data = nullptr;
  size_t size = 0;

  bool read(PyObject* o, const char* arg) {
    array = Ref::steal(PyArray_FROMANY(o, NPY_INT64, 1, 1, NPY_ARRAY_IN_ARRAY | NPY_ARRAY_FORCECAST));
    if (!array) {
      PyErr_Format(PyExc_TypeError, "%s: expected a one-dimensional integer array", arg);
      return false;
    }
    auto* a = reinterpret_cast<PyArrayObject*>(array.get());
    data = static_cast<const int64_t*>(PyArray_DATA(a));
    size = static_cast<size_t>(PyArray_SIZE(a));
    return true;
  }
};

bool read_offsets(PyObject* o, Int64Array* out) {
  if (!out->read(o, "offsets")) return false;
  if (out->size != 0) return true;
  PyErr_SetString(PyExc_ValueError, "offsets: expected at least one entry (0)");
  return false;
}

}  // namespace

PyObject* _timestamp_runs(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  using A = Args<sig::k__timestamp_runs>;
  return call_bound<sig::k__timestamp_runs>(args, nargs, kwnames, [&](const A& a) -> PyObject* {
    Int64Array times, offsets;
    if (!times.read(a.get<"times">(), "times") || !read_offsets(a.get<"offsets">(), &offsets)) return nullptr;
    CancelCheck cancel = interrupt_check();
    auto runs = window::timestamp_runs(times.data, times.size, offsets.data, offsets.size - 1, cancel);
    if (!check(runs)) return nullptr;
    Ref starts = Ref::steal(array_from(std::move(runs->starts)));
    Ref doc_offsets = Ref::steal(array_from(std::move(runs->doc_offsets)));
    if (!starts || !doc_offsets) return nullptr;
    return PyTuple_Pack(2, starts.get(), doc_offsets.get());
  });
}

PyObject* _locate_runs(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  using A = Args<sig::k__locate_runs>;
  return call_bound<sig::k__locate_runs>(args, nargs, kwnames, [&](const A& a) -> PyObject* {
    Int64Array run_times, doc_offsets, doc, at;
    if (!run_times.read(a.get<"run_times">(), "run_times") ||
        !doc_offsets.read(a.get<"doc_offsets">(), "doc_offsets") || !doc.read(a.get<"doc">(), "doc") ||
        !at.read(a.get<"at">(), "at"))
      return nullptr;
    const int after = a.arg<"after">().present() ? PyObject_IsTrue(a.get<"after">()) : 0;
    if (after < 0) return nullptr;
    if (doc_offsets.size == 0 || doc.size != at.size ||
        doc_offsets.data[doc_offsets.size - 1] != static_cast<int64_t>(run_times.size)) {
      PyErr_SetString(PyExc_ValueError,
                      "doc and at must be equal in length, doc_offsets must end at the number of run_times");
      return nullptr;
    }
    std::vector<int64_t> out(doc.size);
    CancelCheck cancel = interrupt_check();
    auto status = window::locate_runs(run_times.data, doc_offsets.data, doc_offsets.size - 1, doc.data, at.data,
                                      doc.size, after != 0, out.data(), cancel);
    if (!check(status)) return nullptr;
    return array_from(std::move(out));
  });
}

}  // namespace tide::py
