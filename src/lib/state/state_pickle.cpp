// StateMachine and StateSpan: __reduce__, and the machine's copies (a copy
// of the declaration so far).
#include "codec/pickled.hpp"
#include "lib/plumbing/errors.hpp"
#include "lib/plumbing/pickle_methods.hpp"
#include "lib/state/state_machine_object.hpp"

namespace tide::py {

PyObject* reduce_machine(PyObject* self, PyObject*) {
  return guarded([&] { return reduce_to(Class::StateMachine, pickle(machine_decl(self))); });
}

PyObject* copy_machine(PyObject* self, PyObject*) {
  return guarded([&] { return box_new<MachineHolder>(Py_TYPE(self), MachineHolder{machine_decl(self)}); });
}

PyObject* reduce_state_span(PyObject* self, PyObject*) {
  return guarded([&] {
    const StateSpanHolder& h = state_span(self);
    return reduce_to(Class::StateSpan, pickle(StateSpanParts{h.snapshot, h.state, h.valid_only}));
  });
}

}  // namespace tide::py
