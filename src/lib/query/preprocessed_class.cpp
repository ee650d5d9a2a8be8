#include <string>

#include "lib/plumbing/boxed.hpp"
#include "lib/plumbing/errors.hpp"
#include "lib/plumbing/interned_stream.hpp"
#include "lib/query/query_object.hpp"

namespace tide::py {
namespace {

Py_ssize_t preprocessed_len(PyObject* self) { return static_cast<Py_ssize_t>(unbox<InternedStream>(self).ids.size()); }

PyObject* preprocessed_repr(PyObject* self) {
  return guarded([&] {
    const std::string s = "PreprocessedStream(len=" + std::to_string(unbox<InternedStream>(self).ids.size()) + ")";
    return PyUnicode_FromString(s.c_str());
  });
}

PyType_Slot kSlots[] = {
    {Py_tp_new, reinterpret_cast<void*>(no_constructor)},
    {Py_tp_dealloc, reinterpret_cast<void*>(box_dealloc<InternedStream>)},
    {Py_tp_doc, const_cast<char*>("")},
    {Py_sq_length, reinterpret_cast<void*>(preprocessed_len)},
    {Py_tp_repr, reinterpret_cast<void*>(preprocessed_repr)},
    {0, nullptr},
};

PyType_Spec kSpec{"builtins.PreprocessedStream", sizeof(Box<InternedStream>), 0, kClassFlags, kSlots};

}  // namespace

PyType_Spec& preprocessed_spec() { return kSpec; }

}  // namespace tide::py
