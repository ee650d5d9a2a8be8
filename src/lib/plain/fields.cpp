// tidemark._fields: what a built object holds, for its plain form.

#include "codec/walk_parts.hpp"
#include "lib/annotate/annotation_spec_object.hpp"
#include "lib/pattern/pattern_object.hpp"
#include "lib/plain/field_tree.hpp"
#include "lib/plumbing/binder.hpp"
#include "lib/plumbing/classes.hpp"
#include "lib/plumbing/errors.hpp"
#include "lib/private_functions.hpp"
#include "lib/private_signatures.hpp"
#include "lib/query/query_object.hpp"
#include "lib/state/state_machine_object.hpp"

namespace tide::py {
namespace {

template <class T>
PyObject* fields_of(const T& value) {
  FieldTree tree;
  codec::walk(tree, const_cast<T&>(value));  // the tree only reads
  return std::move(tree).finish();
}

PyObject* fields(PyObject* o) {
  if (is_instance(o, Class::Pattern)) return fields_of(pattern_holder(o).pattern);
  if (is_instance(o, Class::TideQuery)) return fields_of(query_pattern(o));
  if (is_instance(o, Class::StateMachine)) return fields_of(machine_decl(o));
  if (is_instance(o, Class::AnnotationSpec)) {
    const AnnotationSpecHolder& h = annotation_spec(o);
    return fields_of(NamedKind{h.name, h.kind});
  }
  if (is_instance(o, Class::StateSpan)) {
    const StateSpanHolder& h = state_span(o);
    return fields_of(StateSpanParts{h.snapshot, h.state, h.valid_only});
  }
  PyErr_Format(PyExc_TypeError,
               "_fields: expected a Pattern, TideQuery, AnnotationSpec, StateMachine or StateSpan, got %s",
               Py_TYPE(o)->tp_name);
  return nullptr;
}

}  // namespace

PyObject* _fields(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return call_bound<sig::k__fields>(args, nargs, kwnames, [&](const Args<sig::k__fields>& a) -> PyObject* {
    return guarded([&] { return fields(a.get<"obj">()); });
  });
}

}  // namespace tide::py
