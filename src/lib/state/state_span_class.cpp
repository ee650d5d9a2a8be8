#include "lib/plumbing/classes.hpp"
#include "lib/plumbing/errors.hpp"
#include "lib/state/state_machine_object.hpp"
#include "types/quote.hpp"

namespace tide::py {
namespace {

PyObject* state_span_repr(PyObject* self) {
  return guarded([&] {
    const StateSpanHolder& h = state_span(self);
    const std::string text = "StateSpan(state=" + quoted(h.snapshot->state_names[h.state]) +
                             ", valid_only=" + (h.valid_only ? "true" : "false") + ")";
    return PyUnicode_FromString(text.c_str());
  });
}

PyType_Slot kSlots[] = {
    {Py_tp_new, reinterpret_cast<void*>(no_constructor)},
    {Py_tp_dealloc, reinterpret_cast<void*>(box_dealloc<StateSpanHolder>)},
    {Py_tp_repr, reinterpret_cast<void*>(state_span_repr)},
    {Py_tp_doc, const_cast<char*>("A snapshot of one state's occupancy, used as a span source.")},
    {0, nullptr},
};

PyType_Spec kSpec{"builtins.StateSpan", sizeof(Box<StateSpanHolder>), 0, kClassFlags, kSlots};

}  // namespace

PyType_Spec& state_span_spec() { return kSpec; }

PyObject* new_state_span(Snapshot snapshot, StateId state, bool valid_only) {
  PyTypeObject* type = class_type(Class::StateSpan);
  if (type == nullptr) return nullptr;
  return box_new<StateSpanHolder>(type, StateSpanHolder{std::move(snapshot), state, valid_only});
}

}  // namespace tide::py
