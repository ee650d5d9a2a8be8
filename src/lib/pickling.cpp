#include "lib/pickling.hpp"

#include <string_view>

#include "codec/pickled.hpp"
#include "lib/annotation_spec_object.hpp"
#include "lib/binder.hpp"
#include "lib/classes.hpp"
#include "lib/convert.hpp"
#include "lib/errors.hpp"
#include "lib/pattern_object.hpp"
#include "lib/query_object.hpp"
#include "lib/state_machine_object.hpp"

namespace tide::py {
namespace {

constexpr const char* kParams[] = {"kind", "data", "texts"};
constexpr Signature kSig{"_restore", kParams, 3};

// (tidemark._restore, (kind, data, texts)).
PyObject* reduce_to(Class c, Pickled&& p) {
  Ref module = Ref::steal(PyImport_ImportModule("tidemark"));
  if (!module) return nullptr;
  Ref restore = Ref::steal(PyObject_GetAttrString(module.get(), "_restore"));
  if (!restore) return nullptr;
  Ref texts = Ref::steal(PyTuple_New(static_cast<Py_ssize_t>(p.texts.size())));
  if (!texts) return nullptr;
  for (size_t i = 0; i < p.texts.size(); ++i) {
    PyObject* s = PyUnicode_FromStringAndSize(p.texts[i].data(), static_cast<Py_ssize_t>(p.texts[i].size()));
    if (s == nullptr) return nullptr;
    PyTuple_SET_ITEM(texts.get(), static_cast<Py_ssize_t>(i), s);
  }
  return Py_BuildValue("(O(sy#O))", restore.get(), class_name(c), p.bytes.data(),
                       static_cast<Py_ssize_t>(p.bytes.size()), texts.get());
}

// A new instance of class c holding T, built from the unpickled value.
template <class T, class U, class F>
PyObject* restored(Class c, Expected<U>&& value, F make) {
  if (!check(value)) return nullptr;
  PyTypeObject* type = class_type(c);
  if (type == nullptr) return nullptr;
  return box_new<T>(type, make(std::move(*value)));
}

PyObject* restore(std::string_view kind, const Pickled& p) {
  if (kind == class_name(Class::Pattern))
    return restored<PatternHolder>(Class::Pattern, unpickle_pattern(p), [](Pattern x) { return PatternHolder{x}; });
  if (kind == class_name(Class::TideQuery))
    return restored<Pattern>(Class::TideQuery, unpickle_pattern(p), [](Pattern x) { return x; });
  if (kind == class_name(Class::AnnotationSpec))
    return restored<AnnotationSpecHolder>(Class::AnnotationSpec, unpickle_annotation(p), [](NamedKind x) {
      return AnnotationSpecHolder{std::move(x.name), std::move(x.kind)};
    });
  if (kind == class_name(Class::StateMachine))
    return restored<MachineHolder>(Class::StateMachine, unpickle_machine(p),
                                   [](StateMachineDecl x) { return MachineHolder{std::move(x)}; });
  if (kind == class_name(Class::StateSpan)) {
    auto parts = unpickle_state_span(p);
    if (!check(parts)) return nullptr;
    return new_state_span(std::move(parts->snapshot), parts->state, parts->valid_only);
  }
  return raise(value_error("cannot restore a tidemark object of kind '" + std::string(kind) + "'"));
}

}  // namespace

PyObject* reduce_pattern(PyObject* self, PyObject*) {
  return guarded([&] { return reduce_to(Class::Pattern, pickle(pattern_holder(self).pattern)); });
}
PyObject* reduce_query(PyObject* self, PyObject*) {
  return guarded([&] { return reduce_to(Class::TideQuery, pickle(query_pattern(self))); });
}
PyObject* reduce_annotation_spec(PyObject* self, PyObject*) {
  return guarded([&] {
    const AnnotationSpecHolder& h = annotation_spec(self);
    return reduce_to(Class::AnnotationSpec, pickle(NamedKind{h.name, h.kind}));
  });
}
PyObject* reduce_machine(PyObject* self, PyObject*) {
  return guarded([&] { return reduce_to(Class::StateMachine, pickle(machine_decl(self))); });
}
PyObject* reduce_state_span(PyObject* self, PyObject*) {
  return guarded([&] {
    const StateSpanHolder& h = state_span(self);
    return reduce_to(Class::StateSpan, pickle(StateSpanParts{h.snapshot, h.state, h.valid_only}));
  });
}

PyObject* copy_pattern(PyObject* self, PyObject*) {
  return guarded([&] { return box_new<PatternHolder>(Py_TYPE(self), PatternHolder{pattern_holder(self).pattern}); });
}
PyObject* copy_machine(PyObject* self, PyObject*) {
  return guarded([&] { return box_new<MachineHolder>(Py_TYPE(self), MachineHolder{machine_decl(self)}); });
}
PyObject* copy_frozen(PyObject* self, PyObject*) { return Py_NewRef(self); }

PyObject* _restore(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return call_bound<3>(kSig, args, nargs, kwnames, [&](const Bound<3>& a) -> PyObject* {
    std::string kind;
    Pickled p;
    if (!to_string(a[0], &kind, "kind")) return nullptr;
    char* data = nullptr;
    Py_ssize_t len = 0;
    if (PyBytes_AsStringAndSize(a[1], &data, &len) < 0) {
      prefix_type_error("data");
      return nullptr;
    }
    p.bytes.assign(data, static_cast<size_t>(len));
    if (!to_string_list(a[2], &p.texts, "texts")) return nullptr;
    return restore(kind, p);
  });
}

}  // namespace tide::py
