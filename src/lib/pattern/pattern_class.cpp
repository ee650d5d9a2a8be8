#include "lib/pattern/builder_args.hpp"
#include "lib/pattern/pattern_object.hpp"
#include "lib/pattern/pattern_signatures.hpp"
#include "lib/plumbing/binder.hpp"
#include "lib/plumbing/convert.hpp"
#include "lib/plumbing/errors.hpp"
#include "lib/plumbing/method_def.hpp"
#include "lib/plumbing/pickle_methods.hpp"

namespace tide::py {
namespace {

PyObject* pattern_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
  return guarded([&]() -> PyObject* {
    Args<sig::kPatternClass> a;
    if (!bind(args, kwargs, a)) return nullptr;
    Pattern p;
    std::string collector = "none";
    if (!optional_arg(a.arg<"min_dt">(), &p.min_dt, to_double) ||
        !optional_arg(a.arg<"max_dt">(), &p.max_dt, to_double) ||
        !optional_arg(a.arg<"min_at">(), &p.min_at, to_double) ||
        !optional_arg(a.arg<"max_at">(), &p.max_at, to_double) ||
        !optional_arg(a.arg<"ordered">(), &p.ordered, to_bool) ||
        !optional_arg(a.arg<"collector">(), &collector, to_string))
      return nullptr;
    if (!take(parse_collector(collector), &p.collector)) return nullptr;
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
    {Py_tp_doc, const_cast<char*>(signed_doc<sig::kPatternClass>())},
    {0, nullptr},
};

PyType_Spec kSpec{"builtins.Pattern", sizeof(Box<PatternHolder>), 0, kClassFlags, kSlots};

}  // namespace

PyType_Spec& pattern_spec() { return kSpec; }

}  // namespace tide::py
