#include <optional>

#include "lib/plumbing/binder.hpp"
#include "lib/plumbing/classes.hpp"
#include "lib/plumbing/convert.hpp"
#include "lib/plumbing/errors.hpp"
#include "lib/plumbing/exclusive.hpp"
#include "lib/plumbing/method_def.hpp"
#include "lib/plumbing/pickle_methods.hpp"
#include "lib/refs/token_ref_convert.hpp"
#include "lib/state/state_machine_object.hpp"
#include "lib/state/state_machine_signatures.hpp"
#include "state/builder.hpp"

namespace tide::py {
namespace {

MachineHolder& holder(PyObject* self) { return unbox<MachineHolder>(self); }

// Exclusive access to the declaration for one builder call.
struct Access : Exclusive<MachineHolder> {
  explicit Access(PyObject* self) : Exclusive(holder(self), "StateMachine") {}
};

bool to_optional_string(PyObject* o, std::optional<std::string>* out, const char* arg) {
  return to_string(o, &out->emplace(), arg);
}

bool parse_token_refs(const std::vector<Ref>& items, std::vector<TokenRef>* out) {
  out->resize(items.size());
  for (size_t i = 0; i < items.size(); ++i)
    if (!parse_token_ref(items[i].get(), &(*out)[i])) return false;
  return true;
}

// The second half of add_entry and add_exit: after the rule's checks, the
// trigger is parsed and the rule committed.
template <class Draft, class Commit>
PyObject* commit_rule(Access& access, Expected<Draft> draft, PyObject* trigger_arg, Commit commit) {
  if (!check(draft)) return nullptr;
  TokenRef trigger;
  if (!parse_token_ref(trigger_arg, &trigger)) return nullptr;
  commit(access->decl, std::move(*draft), std::move(trigger));
  Py_RETURN_NONE;
}

PyObject* machine_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
  return guarded([&]() -> PyObject* {
    Args<sig::kStateMachineClass> a;
    if (!bind(args, kwargs, a)) return nullptr;
    std::string out_name = "out";
    if (!optional_arg(a.arg<"out_name">(), &out_name, to_string)) return nullptr;
    return box_new<MachineHolder>(type, MachineHolder{StateMachineDecl(std::move(out_name))});
  });
}

PyObject* add_state(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return call_bound<sig::k_add_state>(args, nargs, kwnames, [&](const Args<sig::k_add_state>& a) -> PyObject* {
    Access access(self);
    if (!access) return nullptr;
    StateOptions opts;
    std::vector<Ref> require_items;
    size_t min_events = opts.min_events;
    if (!convert_arg(a.arg<"name">(), &opts.name, to_string) ||
        !optional_arg(a.arg<"max_gap">(), &opts.max_gap, to_double) ||
        !optional_arg(a.arg<"gap_anchor">(), &opts.gap_anchor, to_string) ||
        !optional_arg(a.arg<"self_transition">(), &opts.self_transition, to_string) ||
        !optional_arg(a.arg<"min_duration">(), &opts.min_duration, to_double) ||
        !optional_arg(a.arg<"min_events">(), &min_events, to_size) ||
        !optional_arg(a.arg<"require">(), &require_items, to_object_list, true) ||
        !optional_arg(a.arg<"drop_unclosed">(), &opts.drop_unclosed, to_bool) ||
        !optional_arg(a.arg<"timeout_to">(), &opts.timeout_to, to_optional_string, true))
      return nullptr;
    opts.min_events = min_events;
    auto draft = check_state(access->decl, opts);
    if (!check(draft)) return nullptr;
    std::optional<TokenRef> sustain;
    if (a.arg<"sustain">().present() && !parse_token_ref(a.get<"sustain">(), &sustain.emplace())) return nullptr;
    std::vector<TokenRef> require;
    if (!parse_token_refs(require_items, &require)) return nullptr;
    tide::add_state(access->decl, std::move(*draft), std::move(sustain), std::move(require));
    Py_RETURN_NONE;
  });
}

PyObject* add_entry(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return call_bound<sig::k_add_entry>(args, nargs, kwnames, [&](const Args<sig::k_add_entry>& a) -> PyObject* {
    Access access(self);
    if (!access) return nullptr;
    std::string state, anchor = "end";
    std::vector<std::string> from_states;
    if (!convert_arg(a.arg<"state">(), &state, to_string) ||
        !optional_arg(a.arg<"from_states">(), &from_states, to_string_list, true) ||
        !optional_arg(a.arg<"anchor">(), &anchor, to_string))
      return nullptr;
    return commit_rule(access, check_entry(access->decl, state, from_states, anchor), a.get<"trigger">(),
                       tide::add_entry);
  });
}

PyObject* add_exit(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return call_bound<sig::k_add_exit>(args, nargs, kwnames, [&](const Args<sig::k_add_exit>& a) -> PyObject* {
    Access access(self);
    if (!access) return nullptr;
    std::string state, anchor = "end";
    bool inclusive = true;
    if (!convert_arg(a.arg<"state">(), &state, to_string) || !optional_arg(a.arg<"inclusive">(), &inclusive, to_bool) ||
        !optional_arg(a.arg<"anchor">(), &anchor, to_string))
      return nullptr;
    return commit_rule(access, check_exit(access->decl, state, inclusive, anchor), a.get<"trigger">(), tide::add_exit);
  });
}

PyObject* span(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return call_bound<sig::k_span>(args, nargs, kwnames, [&](const Args<sig::k_span>& a) -> PyObject* {
    std::string state;
    bool valid_only = true;
    if (!convert_arg(a.arg<"state">(), &state, to_string) || !optional_arg(a.arg<"valid_only">(), &valid_only, to_bool))
      return nullptr;
    auto id = find_span_state(holder(self).decl, state);
    if (!check(id)) return nullptr;
    auto snapshot = finalize(holder(self).decl);
    if (!check(snapshot)) return nullptr;
    return new_state_span(std::move(*snapshot), *id, valid_only);
  });
}

PyObject* state_id(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return call_bound<sig::k_state_id>(args, nargs, kwnames, [&](const Args<sig::k_state_id>& a) -> PyObject* {
    std::string name;
    if (!convert_arg(a.arg<"name">(), &name, to_string)) return nullptr;
    auto id = find_state(holder(self).decl, name);
    if (!check(id)) return nullptr;
    return PyLong_FromUnsignedLong(*id);
  });
}

PyObject* state_names(PyObject* self, void*) {
  return guarded([&]() -> PyObject* {
    const auto& names = holder(self).decl.state_names;
    Ref list = Ref::steal(PyList_New(static_cast<Py_ssize_t>(names.size())));
    if (!list) return nullptr;
    for (size_t i = 0; i < names.size(); ++i) {
      PyObject* s = PyUnicode_FromStringAndSize(names[i].data(), static_cast<Py_ssize_t>(names[i].size()));
      if (s == nullptr) return nullptr;
      PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), s);
    }
    return list.release();
  });
}

PyObject* machine_repr(PyObject* self) {
  return guarded([&] { return PyUnicode_FromString(tide::machine_repr(holder(self).decl).c_str()); });
}

PyMethodDef kMethods[] = {
    TIDE_FASTCALL(add_state), TIDE_FASTCALL(add_entry), TIDE_FASTCALL(add_exit),
    TIDE_FASTCALL(span),      TIDE_FASTCALL(state_id),  TIDE_PICKLE_METHODS(reduce_machine, copy_machine),
    TIDE_END_METHODS,
};

PyGetSetDef kGetSet[] = {
    {"state_names", state_names, nullptr, sig::kStateNames, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyType_Slot kSlots[] = {
    {Py_tp_new, reinterpret_cast<void*>(machine_new)},
    {Py_tp_dealloc, reinterpret_cast<void*>(box_dealloc<MachineHolder>)},
    {Py_tp_repr, reinterpret_cast<void*>(machine_repr)},
    {Py_tp_methods, kMethods},
    {Py_tp_getset, kGetSet},
    {Py_tp_doc, const_cast<char*>(signed_doc<sig::kStateMachineClass>())},
    {0, nullptr},
};

PyType_Spec kSpec{"builtins.StateMachine", sizeof(Box<MachineHolder>), 0, kClassFlags, kSlots};

}  // namespace

PyType_Spec& state_machine_spec() { return kSpec; }

}  // namespace tide::py
