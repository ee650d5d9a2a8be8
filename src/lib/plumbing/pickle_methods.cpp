#include "lib/plumbing/pickle_methods.hpp"

namespace tide::py {

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

PyObject* copy_frozen(PyObject* self, PyObject*) { return Py_NewRef(self); }

}  // namespace tide::py
