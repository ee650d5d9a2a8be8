#include "lib/annotate/label_columns.hpp"

#include "lib/plumbing/classes.hpp"
#include "lib/plumbing/convert.hpp"
#include "lib/plumbing/messages.hpp"
#include "lib/plumbing/numpy_buffers.hpp"

namespace tide::py {

bool to_specs(PyObject* o, std::vector<Ref>* out, const char* arg) {
  if (!to_object_list(o, out, arg)) return false;
  for (const Ref& item : *out) {
    if (is_instance(item.get(), Class::AnnotationSpec)) continue;
    raise_cannot_convert(item.get(), msg::target::kAnnotationSpec);
    prefix_type_error(arg);
    return false;
  }
  return true;
}

bool store_column(PyObject* dict, const AnnotationSpecHolder& spec, LabelColumn&& column) {
  Ref array = Ref::steal(std::visit([](auto& v) { return array_from(std::move(v)); }, column));
  if (!array) return false;
  Ref key = Ref::steal(PyUnicode_FromStringAndSize(spec.name.data(), static_cast<Py_ssize_t>(spec.name.size())));
  return key && PyDict_SetItem(dict, key.get(), array.get()) == 0;
}

}  // namespace tide::py
