// state_spans: the state instances of one run as a dict of NumPy arrays.
#include "lib/functions.hpp"
#include "lib/module_signatures.hpp"
#include "lib/plumbing/binder.hpp"
#include "lib/plumbing/cancel_check.hpp"
#include "lib/plumbing/classes.hpp"
#include "lib/plumbing/errors.hpp"
#include "lib/plumbing/numpy_api.hpp"
#include "lib/plumbing/stream_input.hpp"
#include "lib/state/machine_arg.hpp"
#include "lib/state/state_machine_object.hpp"
#include "state/run.hpp"

namespace tide::py {
namespace {

// One column: a new one-dimensional array of `n` items of C type T, filled
// in place with field(instance) for each kept instance.
template <class T, class F>
bool add_column(PyObject* dict, const char* key, int typenum, const std::vector<const StateInstance*>& kept, F field) {
  npy_intp n = static_cast<npy_intp>(kept.size());
  Ref array = Ref::steal(PyArray_SimpleNew(1, &n, typenum));
  if (!array) return false;
  T* data = static_cast<T*>(PyArray_DATA(reinterpret_cast<PyArrayObject*>(array.get())));
  for (size_t i = 0; i < kept.size(); ++i) data[i] = static_cast<T>(field(*kept[i]));
  return PyDict_SetItemString(dict, key, array.get()) == 0;
}

PyObject* spans_dict(const std::vector<const StateInstance*>& kept) {
  Ref d = Ref::steal(PyDict_New());
  if (!d) return nullptr;
  using I = const StateInstance&;
  PyObject* o = d.get();
  const bool ok = add_column<int32_t>(o, "state", NPY_INT32, kept, [](I s) { return s.state; }) &&
                  add_column<int64_t>(o, "start_pos", NPY_INT64, kept, [](I s) { return s.start_pos; }) &&
                  add_column<int64_t>(o, "end_pos", NPY_INT64, kept, [](I s) { return s.end_pos; }) &&
                  add_column<double>(o, "t_start", NPY_FLOAT64, kept, [](I s) { return s.t_start; }) &&
                  add_column<double>(o, "t_end", NPY_FLOAT64, kept, [](I s) { return s.t_end; }) &&
                  add_column<int64_t>(o, "n_events", NPY_INT64, kept, [](I s) { return s.n_events; }) &&
                  add_column<int8_t>(o, "close_reason", NPY_INT8, kept, [](I s) { return s.close_reason; }) &&
                  add_column<int8_t>(o, "reject_reason", NPY_INT8, kept, [](I s) { return s.reject_reason; }) &&
                  add_column<int8_t>(o, "valid", NPY_INT8, kept, [](I s) { return s.valid; }) &&
                  add_column<int8_t>(o, "timeout_entered", NPY_INT8, kept, [](I s) { return s.timeout_entered; });
  return ok ? d.release() : nullptr;
}

}  // namespace

PyObject* state_spans(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return call_bound<sig::k_state_spans>(args, nargs, kwnames, [&](const Args<sig::k_state_spans>& a) -> PyObject* {
    StreamInput in;
    bool include_invalid = true;
    // Converted in signature order: the machine comes between times and values.
    if (!in.convert(a.get<"tokens">(), a.get<"times">(), nullptr) || !to_machine(a.get<"machine">(), "machine"))
      return nullptr;
    if (a.arg<"values">().present() && !in.values.emplace().convert(a.get<"values">(), "values")) return nullptr;
    if (!optional_arg(a.arg<"include_invalid">(), &include_invalid, to_bool)) return nullptr;
    if (!in.check_lens() || !in.intern()) return nullptr;
    auto snapshot = finalize(machine_decl(a.get<"machine">()));
    if (!check(snapshot)) return nullptr;
    CancelCheck cancel = interrupt_check();
    auto instances = run_machine(**snapshot, in.view(), cancel);
    if (!check(instances)) return nullptr;
    std::vector<const StateInstance*> kept;
    kept.reserve(instances->size());
    for (const StateInstance& s : *instances)
      if (include_invalid || s.valid) kept.push_back(&s);
    return spans_dict(kept);
  });
}

}  // namespace tide::py
