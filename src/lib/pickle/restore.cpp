// tidemark._restore: an object of the module back from its pickled form.

#include <string_view>

#include "codec/pickled.hpp"
#include "lib/annotate/annotation_spec_object.hpp"
#include "lib/pattern/pattern_object.hpp"
#include "lib/plumbing/binder.hpp"
#include "lib/plumbing/classes.hpp"
#include "lib/plumbing/convert.hpp"
#include "lib/plumbing/errors.hpp"
#include "lib/private_functions.hpp"
#include "lib/private_signatures.hpp"
#include "lib/query/query_object.hpp"
#include "lib/state/state_machine_object.hpp"

namespace tide::py {
namespace {

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

PyObject* _restore(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return call_bound<sig::k__restore>(args, nargs, kwnames, [&](const Args<sig::k__restore>& a) -> PyObject* {
    std::string kind;
    Pickled p;
    if (!convert_arg(a.arg<"kind">(), &kind, to_string)) return nullptr;
    char* data = nullptr;
    Py_ssize_t len = 0;
    if (PyBytes_AsStringAndSize(a.get<"data">(), &data, &len) < 0) {
      prefix_type_error("data");
      return nullptr;
    }
    p.bytes.assign(data, static_cast<size_t>(len));
    if (!convert_arg(a.arg<"texts">(), &p.texts, to_string_list)) return nullptr;
    return restore(kind, p);
  });
}

}  // namespace tide::py
