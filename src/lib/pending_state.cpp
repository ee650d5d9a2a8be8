#include "lib/pending.hpp"

#include "lib/boxed.hpp"
#include "lib/classes.hpp"
#include "lib/functions.hpp"

// Placeholder for the StateMachine and StateSpan classes and state_spans.
namespace tide::py {

PyObject* state_spans(PyObject* s, PyObject* const* a, Py_ssize_t n, PyObject* k) { return not_implemented(s, a, n, k); }

namespace {

#define PENDING(name, sig, flags) \
  {name, reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(not_implemented)), flags, sig "\n--\n\n"}
constexpr int kMethod = METH_FASTCALL | METH_KEYWORDS;

PyMethodDef kMachineMethods[] = {
    PENDING("add_state", "add_state($self, name, max_gap=..., gap_anchor=\"sustain\", sustain=None, self_transition=\"refresh\", min_duration=0.0, min_events=1, require=None, drop_unclosed=True, timeout_to=None)", kMethod),
    PENDING("add_entry", "add_entry($self, state, trigger, from_states=None, anchor=\"end\")", kMethod),
    PENDING("add_exit", "add_exit($self, state, trigger, inclusive=True, anchor=\"end\")", kMethod),
    PENDING("span", "span($self, state, valid_only=True)", kMethod),
    PENDING("state_id", "state_id($self, name)", kMethod),
    {nullptr, nullptr, 0, nullptr}};

#undef PENDING

struct Empty {};

PyType_Slot kMachineSlots[] = {{Py_tp_new, reinterpret_cast<void*>(not_implemented_new)},
                               {Py_tp_dealloc, reinterpret_cast<void*>(box_dealloc<Empty>)},
                               {Py_tp_methods, kMachineMethods},
                               {Py_tp_doc, const_cast<char*>("StateMachine(out_name=\"out\")\n--\n\n")},
                               {0, nullptr}};
PyType_Slot kSpanSlots[] = {{Py_tp_new, reinterpret_cast<void*>(no_constructor)},
                            {Py_tp_dealloc, reinterpret_cast<void*>(box_dealloc<Empty>)},
                            {Py_tp_doc, const_cast<char*>("A snapshot of one state's occupancy, used as a span source.")},
                            {0, nullptr}};

PyType_Spec kMachine{"builtins.StateMachine", sizeof(Box<Empty>), 0, kClassFlags, kMachineSlots};
PyType_Spec kSpan{"builtins.StateSpan", sizeof(Box<Empty>), 0, kClassFlags, kSpanSlots};

}  // namespace

PyType_Spec& state_machine_spec() { return kMachine; }
PyType_Spec& state_span_spec() { return kSpan; }

}  // namespace tide::py
