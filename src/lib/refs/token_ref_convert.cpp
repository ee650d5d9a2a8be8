#include "lib/refs/token_ref_convert.hpp"

#include "intern/seq_trie.hpp"
#include "lib/pattern/pattern_object.hpp"
#include "lib/plumbing/classes.hpp"
#include "lib/plumbing/convert.hpp"
#include "lib/plumbing/errors.hpp"
#include "lib/plumbing/messages.hpp"

namespace tide::py {
namespace {

bool type_error(const char* message) {
  PyErr_SetString(PyExc_TypeError, message);
  return false;
}

// 1: list or tuple (or a subclass), 0: neither nor an abstract Sequence,
// -1: the isinstance test itself raised.
int is_sequence(PyObject* o) {
  if (PyList_Check(o) || PyTuple_Check(o)) return 1;
  Ref abc = Ref::steal(PyImport_ImportModule("collections.abc"));
  if (!abc) return -1;
  Ref sequence = Ref::steal(PyObject_GetAttrString(abc.get(), "Sequence"));
  if (!sequence) return -1;
  return PyObject_IsInstance(o, sequence.get());
}

// A non-empty sequence: all str is a token set, no str a set of sequences.
bool parse_list(PyObject* o, TokenRef* out) {
  const Py_ssize_t n = PySequence_Size(o);
  if (n < 0) return false;
  if (n == 0) {
    raise(value_error(msg::kTokenRefEmpty));
    return false;
  }
  std::vector<Ref> items;
  items.reserve(static_cast<size_t>(n));
  Py_ssize_t n_str = 0;
  for (Py_ssize_t i = 0; i < n; ++i) {
    Ref item = Ref::steal(PySequence_GetItem(o, i));
    if (!item) return false;
    if (PyUnicode_Check(item.get())) ++n_str;
    items.push_back(std::move(item));
  }
  if (n_str == n) {
    TokenRef::Set set;
    set.tokens.resize(items.size());
    for (size_t i = 0; i < items.size(); ++i)
      if (!to_string(items[i].get(), &set.tokens[i], nullptr)) return false;
    out->v = std::move(set);
    return true;
  }
  if (n_str > 0) return type_error(msg::kTokenRefMixed);
  std::vector<std::vector<std::string>> seqs;
  if (!to_string_lists(o, &seqs, nullptr)) return false;
  for (const auto& seq : seqs)
    if (seq.empty()) {
      raise(value_error(msg::kTokenSeqEmpty));
      return false;
    }
  auto trie = build_seq_trie(seqs);
  if (!check(trie)) return false;
  out->v = TokenRef::Sequences{std::move(*trie)};
  return true;
}

}  // namespace

bool parse_token_ref(PyObject* o, TokenRef* out) {
  if (PyUnicode_Check(o)) {
    TokenRef::Single single;
    if (!to_string(o, &single.token, nullptr)) return false;
    out->v = std::move(single);
    return true;
  }
  if (is_instance(o, Class::Pattern)) {
    out->v = TokenRef::Pattern{pattern_holder(o).pattern};
    return true;
  }
  const int seq = is_sequence(o);
  if (seq == 1) return parse_list(o, out);
  if (seq < 0) PyErr_WriteUnraisable(o);
  return type_error(msg::kTokenRefExpected);
}

}  // namespace tide::py
