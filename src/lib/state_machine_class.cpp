#include <optional>

#include "lib/binder.hpp"
#include "lib/classes.hpp"
#include "lib/convert.hpp"
#include "lib/errors.hpp"
#include "lib/method_def.hpp"
#include "lib/pickling.hpp"
#include "lib/state_machine_docs.hpp"
#include "lib/state_machine_object.hpp"
#include "lib/token_ref_convert.hpp"
#include "state/builder.hpp"

namespace tide::py {
namespace {

MachineHolder& holder(PyObject* self) { return unbox<MachineHolder>(self); }

// Exclusive access to the declaration for one builder call: user code run
// by a conversion cannot change it between the checks and the commit.
class Access {
 public:
  explicit Access(PyObject* self) : h_(&holder(self)) {
    if (h_->busy) {
      PyErr_Format(PyExc_RuntimeError, msg::kReentrant, "StateMachine");
      h_ = nullptr;
      return;
    }
    h_->busy = true;
  }
  ~Access() {
    if (h_ != nullptr) h_->busy = false;
  }
  Access(const Access&) = delete;
  Access& operator=(const Access&) = delete;

  explicit operator bool() const { return h_ != nullptr; }
  StateMachineDecl& decl() { return h_->decl; }

 private:
  MachineHolder* h_;
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
  commit(access.decl(), std::move(*draft), std::move(trigger));
  Py_RETURN_NONE;
}

constexpr const char* kNewParams[] = {"out_name"};
constexpr Signature kNew{"StateMachine.__new__", kNewParams, 0};

PyObject* machine_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
  return guarded([&]() -> PyObject* {
    Bound<1> a;
    if (!bind(kNew, args, kwargs, a)) return nullptr;
    std::string out_name = "out";
    if (!optional_arg(a[0], &out_name, "out_name", to_string)) return nullptr;
    return box_new<MachineHolder>(type, MachineHolder{StateMachineDecl(std::move(out_name))});
  });
}

constexpr const char* kAddStateParams[] = {
    "name",         "max_gap",    "gap_anchor", "sustain",       "self_transition",
    "min_duration", "min_events", "require",    "drop_unclosed", "timeout_to"};
constexpr Signature kAddState{"StateMachine.add_state", kAddStateParams, 1};

PyObject* add_state(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return call_bound<10>(kAddState, args, nargs, kwnames, [&](const Bound<10>& a) -> PyObject* {
    Access access(self);
    if (!access) return nullptr;
    StateOptions opts;
    std::vector<Ref> require_items;
    size_t min_events = opts.min_events;
    if (!to_string(a[0], &opts.name, "name") || !optional_arg(a[1], &opts.max_gap, "max_gap", to_double) ||
        !optional_arg(a[2], &opts.gap_anchor, "gap_anchor", to_string) ||
        !optional_arg(a[4], &opts.self_transition, "self_transition", to_string) ||
        !optional_arg(a[5], &opts.min_duration, "min_duration", to_double) ||
        !optional_arg(a[6], &min_events, "min_events", to_size) ||
        !optional_arg(a[7], &require_items, "require", to_object_list, true) ||
        !optional_arg(a[8], &opts.drop_unclosed, "drop_unclosed", to_bool) ||
        !optional_arg(a[9], &opts.timeout_to, "timeout_to", to_optional_string, true))
      return nullptr;
    opts.min_events = min_events;
    auto draft = check_state(access.decl(), opts);
    if (!check(draft)) return nullptr;
    std::optional<TokenRef> sustain;
    if (a.present(3) && !parse_token_ref(a[3], &sustain.emplace())) return nullptr;
    std::vector<TokenRef> require;
    if (!parse_token_refs(require_items, &require)) return nullptr;
    tide::add_state(access.decl(), std::move(*draft), std::move(sustain), std::move(require));
    Py_RETURN_NONE;
  });
}

constexpr const char* kAddEntryParams[] = {"state", "trigger", "from_states", "anchor"};
constexpr Signature kAddEntry{"StateMachine.add_entry", kAddEntryParams, 2};

PyObject* add_entry(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return call_bound<4>(kAddEntry, args, nargs, kwnames, [&](const Bound<4>& a) -> PyObject* {
    Access access(self);
    if (!access) return nullptr;
    std::string state, anchor = "end";
    std::vector<std::string> from_states;
    if (!to_string(a[0], &state, "state") || !optional_arg(a[2], &from_states, "from_states", to_string_list, true) ||
        !optional_arg(a[3], &anchor, "anchor", to_string))
      return nullptr;
    return commit_rule(access, check_entry(access.decl(), state, from_states, anchor), a[1], tide::add_entry);
  });
}

constexpr const char* kAddExitParams[] = {"state", "trigger", "inclusive", "anchor"};
constexpr Signature kAddExit{"StateMachine.add_exit", kAddExitParams, 2};

PyObject* add_exit(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return call_bound<4>(kAddExit, args, nargs, kwnames, [&](const Bound<4>& a) -> PyObject* {
    Access access(self);
    if (!access) return nullptr;
    std::string state, anchor = "end";
    bool inclusive = true;
    if (!to_string(a[0], &state, "state") || !optional_arg(a[2], &inclusive, "inclusive", to_bool) ||
        !optional_arg(a[3], &anchor, "anchor", to_string))
      return nullptr;
    return commit_rule(access, check_exit(access.decl(), state, inclusive, anchor), a[1], tide::add_exit);
  });
}

constexpr const char* kSpanParams[] = {"state", "valid_only"};
constexpr Signature kSpan{"StateMachine.span", kSpanParams, 1};

PyObject* span(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return call_bound<2>(kSpan, args, nargs, kwnames, [&](const Bound<2>& a) -> PyObject* {
    std::string state;
    bool valid_only = true;
    if (!to_string(a[0], &state, "state") || !optional_arg(a[1], &valid_only, "valid_only", to_bool)) return nullptr;
    auto id = find_span_state(holder(self).decl, state);
    if (!check(id)) return nullptr;
    auto snapshot = finalize(holder(self).decl);
    if (!check(snapshot)) return nullptr;
    return new_state_span(std::move(*snapshot), *id, valid_only);
  });
}

constexpr const char* kStateIdParams[] = {"name"};
constexpr Signature kStateId{"StateMachine.state_id", kStateIdParams, 1};

PyObject* state_id(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return call_bound<1>(kStateId, args, nargs, kwnames, [&](const Bound<1>& a) -> PyObject* {
    std::string name;
    if (!to_string(a[0], &name, "name")) return nullptr;
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
    {"state_names", state_names, nullptr, doc::kStateNames, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyType_Slot kSlots[] = {
    {Py_tp_new, reinterpret_cast<void*>(machine_new)},
    {Py_tp_dealloc, reinterpret_cast<void*>(box_dealloc<MachineHolder>)},
    {Py_tp_repr, reinterpret_cast<void*>(machine_repr)},
    {Py_tp_methods, kMethods},
    {Py_tp_getset, kGetSet},
    {Py_tp_doc, const_cast<char*>(doc::kStateMachineClass)},
    {0, nullptr},
};

PyType_Spec kSpec{"builtins.StateMachine", sizeof(Box<MachineHolder>), 0, kClassFlags, kSlots};

}  // namespace

PyType_Spec& state_machine_spec() { return kSpec; }

}  // namespace tide::py
