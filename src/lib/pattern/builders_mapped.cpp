// add_mapped_event: an element whose event spec is chosen at match time by
// the tokens that an earlier element of the match consumed.
#include "lib/pattern/builder_args.hpp"
#include "lib/pattern/pattern_object.hpp"
#include "lib/pattern/pattern_signatures.hpp"
#include "lib/pattern/resolved_element_convert.hpp"
#include "lib/plumbing/binder.hpp"
#include "lib/plumbing/convert.hpp"
#include "lib/plumbing/messages.hpp"
#include "lib/plumbing/pending_error.hpp"

namespace tide::py {
namespace {

// A dict or dict subclass; `arg` (or null) names the parameter.
bool check_dict(PyObject* o, const char* arg) {
  if (PyDict_Check(o)) return true;
  raise_cannot_convert(o, msg::target::kDict);
  if (arg != nullptr) prefix_type_error(arg);
  return false;
}

// A match_map key: a str or a non-empty sequence of str, interned in order.
bool map_key(PyObject* key, std::vector<TokenId>* out) {
  std::vector<std::string> strings;
  if (!to_string_or_list(key, &strings)) return replace_type_error(PyExc_TypeError, msg::builder::kMapKeyType);
  if (strings.empty()) return fail_with(PyExc_ValueError, msg::builder::kMapKeyEmpty);
  return intern_tokens(strings, out);
}

// The entries in the dict's order. They are read from a snapshot of its
// items, because converting a spec may run user code that changes the dict.
bool convert_map(PyObject* dict, MatchMap* out) {
  Ref items = Ref::steal(PyDict_Items(dict));
  if (!items) return false;
  for (Py_ssize_t i = 0; i < PyList_GET_SIZE(items.get()); ++i) {
    PyObject* pair = PyList_GET_ITEM(items.get(), i);
    std::vector<TokenId> key;
    ResolvedElement spec;
    if (!map_key(PyTuple_GET_ITEM(pair, 0), &key) || !check_dict(PyTuple_GET_ITEM(pair, 1), nullptr) ||
        !parse_resolved_element(PyTuple_GET_ITEM(pair, 1), &spec))
      return false;
    // An equal key list written another way ("a" and ("a",)) is the same key: the later one wins.
    out->insert_or_assign(std::move(key), std::move(spec));
  }
  return true;
}

}  // namespace

PyObject* add_mapped_event(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  using A = Args<sig::k_add_mapped_event>;
  return builder_call<sig::k_add_mapped_event>(self, args, nargs, kwnames, [&](const A& a, Pattern& pattern) {
    MappedEvent e;
    const Arg match_map = a.arg<"match_map">(), default_spec = a.arg<"default">();
    if (!convert_arg(a.arg<"source_element">(), &e.source_element, to_size) ||
        !check_dict(match_map.obj, match_map.name) ||
        (default_spec.present() && !check_dict(default_spec.obj, default_spec.name)) ||
        !optional_arg(a.arg<"backtrackable">(), &e.backtrackable, to_bool))
      return false;
    if (!convert_map(match_map.obj, &e.match_map)) return false;
    if (default_spec.present() && !parse_resolved_element(default_spec.obj, &e.default_spec.emplace())) return false;
    pattern.elements.emplace_back(std::move(e));
    return true;
  });
}

}  // namespace tide::py
