// The fields of a module object as nested Python lists, in the order in
// which the pickled form walks them (codec/walk_*.hpp), so one walk serves
// pickling and reading an object's contents. tidemark_corpus.plain names the
// fields. Numbers become float, int or bool; enumerations their int value;
// tokens their texts (never this process's ids); an absent optional None,
// a present one the list of its fields; a list one list of fields per item;
// a map a list of [key fields, value fields] pairs; a variant a pair
// [alternative index, its fields].
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "lib/plumbing/py_ref.hpp"
#include "types/token_id.hpp"

namespace tide::py {

class FieldTree {
 public:
  static constexpr bool kDecoding = false;

  FieldTree();

  void num(uint64_t& x) { put(PyLong_FromUnsignedLongLong(x)); }
  void num(uint32_t& x) { put(PyLong_FromUnsignedLong(x)); }
  void num(int32_t& x) { put(PyLong_FromLong(x)); }
  void num(bool& x) { put(PyBool_FromLong(x)); }
  void num(double& x) { put(PyFloat_FromDouble(x)); }
  void text(std::string& s) { put(PyUnicode_FromStringAndSize(s.data(), static_cast<Py_ssize_t>(s.size()))); }
  void token(TokenId& id);
  void flags(std::vector<bool>& v) {
    nested([&] {
      for (bool b : v) num(b);
    });
  }
  template <class E>
  void tag(E& e, E last) {
    (void)last;
    put(PyLong_FromLong(static_cast<long>(e)));
  }
  template <class T, class F>
  void list(std::vector<T>& v, F each) {
    nested([&] {
      for (T& item : v) nested([&] { each(item); });
    });
  }
  template <class T, class F>
  void maybe(std::optional<T>& o, F each) {
    if (o)
      nested([&] { each(*o); });
    else
      put(Py_NewRef(Py_None));
  }
  template <class M, class FK, class FV>
  void map(M& m, FK each_key, FV each_value) {
    nested([&] {
      for (auto& [k, v] : m) {
        typename M::key_type key = k;
        nested([&] {
          nested([&] { each_key(key); });
          nested([&] { each_value(v); });
        });
      }
    });
  }
  template <class V, class F>
  void variant(V& v, F each) {
    nested([&] {
      put(PyLong_FromSize_t(v.index()));
      nested([&] { std::visit(each, v); });
    });
  }
  bool enter() { return true; }
  void leave() {}

  // The fields written, or null with the interpreter's exception set when
  // an object could not be made.
  PyObject* finish() &&;

 private:
  // Appends a new list to the current one and writes body's fields into it.
  template <class F>
  void nested(F body) {
    PyObject* inner = ok_ ? PyList_New(0) : nullptr;
    if (inner == nullptr || PyList_Append(frames_.back(), inner) < 0) {
      Py_XDECREF(inner);
      return fail();
    }
    Py_DECREF(inner);  // its parent holds it
    frames_.push_back(inner);
    body();
    frames_.pop_back();
  }
  // Appends `o` (a new reference, or null after a failed allocation).
  void put(PyObject* o);
  void fail() { ok_ = false; }

  Ref root_;
  std::vector<PyObject*> frames_;  // borrowed: each is held by its parent
  bool ok_ = true;
};

}  // namespace tide::py
