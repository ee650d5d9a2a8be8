// TideQuery.__reduce__: the compiled pattern's pickled form.
#include "codec/pickled.hpp"
#include "lib/plumbing/errors.hpp"
#include "lib/plumbing/pickle_methods.hpp"
#include "lib/query/query_object.hpp"

namespace tide::py {

PyObject* reduce_query(PyObject* self, PyObject*) {
  return guarded([&] { return reduce_to(Class::TideQuery, pickle(query_pattern(self))); });
}

}  // namespace tide::py
