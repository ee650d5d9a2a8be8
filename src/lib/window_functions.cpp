// _timestamp_runs and _locate_runs: per-timestamp collapsing and searches on
// the timestamp axis of a whole corpus, over int64 arrays read in place.
#include "lib/window_functions.hpp"

#include "lib/binder.hpp"
#include "lib/cancel_check.hpp"
#include "lib/errors.hpp"
#include "lib/numpy_api.hpp"
#include "lib/numpy_buffers.hpp"
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

constexpr const char* kRunsParams[] = {"times", "offsets"};
constexpr Signature kRunsSig{"_timestamp_runs", kRunsParams, 2};

PyObject* _timestamp_runs(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return call_bound<2>(kRunsSig, args, nargs, kwnames, [&](const Bound<2>& a) -> PyObject* {
    Int64Array times, offsets;
    if (!times.read(a[0], "times") || !read_offsets(a[1], &offsets)) return nullptr;
    CancelCheck cancel = interrupt_check();
    auto runs = window::timestamp_runs(times.data, times.size, offsets.data, offsets.size - 1, cancel);
    if (!check(runs)) return nullptr;
    Ref starts = Ref::steal(array_from(std::move(runs->starts)));
    Ref doc_offsets = Ref::steal(array_from(std::move(runs->doc_offsets)));
    if (!starts || !doc_offsets) return nullptr;
    return PyTuple_Pack(2, starts.get(), doc_offsets.get());
  });
}

constexpr const char* kLocateParams[] = {"run_times", "doc_offsets", "doc", "at", "after"};
constexpr Signature kLocateSig{"_locate_runs", kLocateParams, 4};

PyObject* _locate_runs(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return call_bound<5>(kLocateSig, args, nargs, kwnames, [&](const Bound<5>& a) -> PyObject* {
    Int64Array run_times, doc_offsets, doc, at;
    if (!run_times.read(a[0], "run_times") || !doc_offsets.read(a[1], "doc_offsets") || !doc.read(a[2], "doc") ||
        !at.read(a[3], "at"))
      return nullptr;
    const int after = a.present(4) ? PyObject_IsTrue(a[4]) : 0;
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

PyMethodDef kWindowFunctions[] = {
    {"_timestamp_runs", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(_timestamp_runs)),
     METH_FASTCALL | METH_KEYWORDS,
     "_timestamp_runs(times, offsets)\n--\n\nThe first row of every run of equal int64 times within each document, "
     "and where each document's runs start (n_docs + 1)."},
    {"_locate_runs", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(_locate_runs)),
     METH_FASTCALL | METH_KEYWORDS,
     "_locate_runs(run_times, doc_offsets, doc, at, after=False)\n--\n\nFor each (doc, at): the first run of the "
     "document at or after the time (strictly after with after), or the document's end."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

PyMethodDef* window_functions() { return kWindowFunctions; }

}  // namespace tide::py
