// vocab_ids: the interner's ids for a vocabulary, for pre-coding a corpus.
#include "lib/functions.hpp"
#include "lib/module_signatures.hpp"
#include "lib/plumbing/binder.hpp"
#include "lib/plumbing/convert.hpp"
#include "lib/plumbing/errors.hpp"

namespace tide::py {
PyObject* vocab_ids(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return call_bound<sig::k_vocab_ids>(args, nargs, kwnames, [&](const Args<sig::k_vocab_ids>& a) -> PyObject* {
    StringItems tokens;
    if (!tokens.convert(a.get<"tokens">(), "tokens")) return nullptr;
    auto ids = tokens.intern();
    if (!check(ids)) return nullptr;
    Ref list = Ref::steal(PyList_New(static_cast<Py_ssize_t>(ids->size())));
    if (!list) return nullptr;
    for (size_t i = 0; i < ids->size(); ++i) {
      PyObject* v = PyLong_FromUnsignedLong((*ids)[i]);
      if (v == nullptr) return nullptr;
      PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), v);
    }
    return list.release();
  });
}

}  // namespace tide::py
