#include "lib/binder.hpp"
#include "lib/convert.hpp"
#include "lib/errors.hpp"
#include "lib/method_def.hpp"
#include "lib/pattern_docs.hpp"
#include "lib/pattern_object.hpp"
#include "lib/pickling.hpp"

namespace tide::py {
namespace {

constexpr const char* kNewParams[] = {"min_dt", "max_dt", "min_at", "max_at", "ordered", "collector"};
constexpr Signature kNew{"Pattern.__new__", kNewParams, 0};

PyObject* pattern_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
  return guarded([&]() -> PyObject* {
    Bound<6> a;
    if (!bind(kNew, args, kwargs, a)) return nullptr;
    Pattern p;
    std::string collector = "none";
    if (!optional_arg(a[0], &p.min_dt, "min_dt", to_double) || !optional_arg(a[1], &p.max_dt, "max_dt", to_double) ||
        !optional_arg(a[2], &p.min_at, "min_at", to_double) || !optional_arg(a[3], &p.max_at, "max_at", to_double) ||
        !optional_arg(a[4], &p.ordered, "ordered", to_bool) || !optional_arg(a[5], &collector, "collector", to_string))
      return nullptr;
    auto strategy = parse_collector(collector);
    if (!strategy) return raise(value_error(unknown_collector_message(collector)));
    p.collector = *strategy;
    return box_new<PatternHolder>(type, PatternHolder{std::move(p)});
  });
}

PyObject* pattern_repr(PyObject* self) {
  return guarded([&] { return PyUnicode_FromString(pattern_repr(pattern_holder(self).pattern).c_str()); });
}

PyMethodDef kMethods[] = {
    TIDE_FASTCALL(add_event),
    TIDE_FASTCALL(add_event_set),
    TIDE_FASTCALL(add_event_seq),
    TIDE_FASTCALL(add_time_event),
    TIDE_FASTCALL(add_dynamic_time_event),
    TIDE_FASTCALL(add_dynamic_event),
    TIDE_FASTCALL(add_dynamic_event_set),
    TIDE_FASTCALL(add_mapped_event),
    TIDE_FASTCALL(add_midstream_collector),
    TIDE_PICKLE_METHODS(reduce_pattern, copy_pattern),
    TIDE_END_METHODS,
};

PyType_Slot kSlots[] = {
    {Py_tp_new, reinterpret_cast<void*>(pattern_new)},
    {Py_tp_dealloc, reinterpret_cast<void*>(box_dealloc<PatternHolder>)},
    {Py_tp_repr, reinterpret_cast<void*>(pattern_repr)},
    {Py_tp_methods, kMethods},
    {Py_tp_doc, const_cast<char*>(doc::kPatternClass)},
    {0, nullptr},
};

PyType_Spec kSpec{"builtins.Pattern", sizeof(Box<PatternHolder>), 0, kClassFlags, kSlots};

}  // namespace

PyType_Spec& pattern_spec() { return kSpec; }

BuilderAccess::BuilderAccess(PyObject* self) {
  PatternHolder& h = pattern_holder(self);
  if (h.busy) {
    PyErr_Format(PyExc_RuntimeError, msg::kReentrant, "Pattern");
    return;
  }
  h.busy = true;
  holder_ = &h;
}

BuilderAccess::~BuilderAccess() {
  if (holder_ != nullptr) holder_->busy = false;
}

}  // namespace tide::py
