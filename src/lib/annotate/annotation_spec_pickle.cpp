// AnnotationSpec.__reduce__: the column name and kind's pickled form.
#include "codec/pickled.hpp"
#include "lib/annotate/annotation_spec_object.hpp"
#include "lib/plumbing/errors.hpp"
#include "lib/plumbing/pickle_methods.hpp"

namespace tide::py {

PyObject* reduce_annotation_spec(PyObject* self, PyObject*) {
  return guarded([&] {
    const AnnotationSpecHolder& h = annotation_spec(self);
    return reduce_to(Class::AnnotationSpec, pickle(h.name, h.kind));
  });
}

}  // namespace tide::py
