// Pattern.__reduce__ and its copies (a copy of the declaration so far).
#include "codec/pickled.hpp"
#include "lib/pattern/pattern_object.hpp"
#include "lib/plumbing/pickle_methods.hpp"

namespace tide::py {

PyObject* reduce_pattern(PyObject* self, PyObject*) {
  return guarded([&] { return reduce_to(Class::Pattern, pickle(pattern_holder(self).pattern)); });
}

PyObject* copy_pattern(PyObject* self, PyObject*) {
  return guarded([&] { return box_new<PatternHolder>(Py_TYPE(self), PatternHolder{pattern_holder(self).pattern}); });
}

}  // namespace tide::py
