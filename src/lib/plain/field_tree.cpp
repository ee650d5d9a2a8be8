#include "lib/plain/field_tree.hpp"

#include <span>

#include "intern/interner.hpp"

namespace tide::py {

FieldTree::FieldTree() : root_(Ref::steal(PyList_New(0))) {
  if (!root_) fail();
  frames_.push_back(root_.get());
}

void FieldTree::token(TokenId& id) {
  const std::string t = global_interner().resolve_batch(std::span<const TokenId>(&id, 1)).front();
  put(PyUnicode_FromStringAndSize(t.data(), static_cast<Py_ssize_t>(t.size())));
}

void FieldTree::put(PyObject* o) {
  if (o == nullptr) return fail();
  if (!ok_ || PyList_Append(frames_.back(), o) < 0) fail();
  Py_DECREF(o);
}

PyObject* FieldTree::finish() && { return ok_ ? root_.release() : nullptr; }

}  // namespace tide::py
