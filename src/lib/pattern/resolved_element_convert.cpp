#include "lib/pattern/resolved_element_convert.hpp"

#include "intern/seq_trie.hpp"
#include "lib/pattern/builder_args.hpp"
#include "lib/plumbing/convert.hpp"
#include "lib/plumbing/messages.hpp"
#include "lib/plumbing/pending_error.hpp"

namespace tide::py {
namespace {

constexpr const char* kMatchValNames[] = {"min_val", "max_val", "require_nan_val"};
constexpr const char* kBlockValNames[] = {"block_min_val", "block_max_val", "block_require_nan_val"};
// How the length messages of the value lists name what they must match.
constexpr const char* kMatchName = "'match'";
constexpr const char* kBlockName = "'block'";

// spec[key] as a new reference, null (and no error) when the key is absent.
bool lookup(PyObject* spec, const char* key, Ref* out) {
  Ref name = Ref::steal(PyUnicode_FromString(key));
  if (!name) return false;
  PyObject* v = PyDict_GetItemWithError(spec, name.get());
  if (v == nullptr && PyErr_Occurred()) return false;
  *out = Ref::borrow(v);
  return true;
}

// Converts spec[key] into `out` when the key is present. A present None is
// converted like any other value (and refused).
template <class T, class F>
bool read_key(PyObject* spec, const char* key, F convert, std::optional<T>* out) {
  Ref v;
  if (!lookup(spec, key, &v)) return false;
  if (!v) return true;
  out->emplace();
  return convert(v.get(), &**out, nullptr);
}

bool read_bound(PyObject* spec, const char* key, double* out) {
  std::optional<double> v;
  if (!read_key(spec, key, to_double, &v)) return false;
  if (v) *out = *v;
  return true;
}

// The three value lists of one side: lists of numbers and of bools
// (ValueLists), or lists of such lists (ValueListLists).
template <class Lists, class ToNumbers, class ToBools>
bool read_value_lists(PyObject* spec, const char* const* names, ToNumbers to_numbers, ToBools to_bools, Lists* out) {
  out->lower_name = names[0];
  out->upper_name = names[1];
  out->flags_name = names[2];
  return read_key(spec, names[0], to_numbers, &out->lower) && read_key(spec, names[1], to_numbers, &out->upper) &&
         read_key(spec, names[2], to_bools, &out->flags);
}

bool read_vec_lists(PyObject* spec, const char* const* names, ValueLists* out) {
  return read_value_lists(spec, names, to_double_list, to_bool_list, out);
}

// "block": its tokens are interned before its value lists are read.
bool read_block(PyObject* spec, ResolvedElement* out) {
  Ref block;
  if (!lookup(spec, "block", &block)) return false;
  if (!block) return true;
  std::vector<std::string> strings;
  ValueLists lists;
  return to_string_or_list(block.get(), &strings) && intern_tokens(strings, &out->block_tokens) &&
         read_vec_lists(spec, kBlockValNames, &lists) &&
         take(parse_vc_vec(lists, strings.size(), kBlockName), &out->block_constraints);
}

// The first entry of an optional list, or `fallback`.
template <class L, class T>
T first_or(const std::optional<L>& list, T fallback) {
  return list && !list->empty() ? static_cast<T>((*list)[0]) : fallback;
}

bool read_single_token(PyObject* spec, PyObject* match, ResolvedElement* out) {
  std::string token;
  ValueLists lists;
  if (!to_string(match, &token, nullptr) || !read_vec_lists(spec, kMatchValNames, &lists)) return false;
  out->match_tokens.resize(1);
  out->match_constraints.assign(1,
                                ValueConstraint::from_scalars(first_or(lists.flags, false), first_or(lists.lower, kNaN),
                                                              first_or(lists.upper, kNaN)));
  return intern_token(token, &out->match_tokens[0]);
}

bool read_token_set(PyObject* spec, const std::vector<std::string>& tokens, ResolvedElement* out) {
  ValueLists lists;
  return read_vec_lists(spec, kMatchValNames, &lists) &&
         take(parse_vc_vec(lists, tokens.size(), kMatchName), &out->match_constraints) &&
         intern_tokens(tokens, &out->match_tokens);
}

bool read_sequences(PyObject* spec, const std::vector<std::vector<std::string>>& seqs, ResolvedElement* out) {
  ValueListLists lists;
  std::vector<std::vector<ValueConstraint>> constraints;
  if (!read_value_lists(spec, kMatchValNames, to_double_lists, to_bool_lists, &lists) ||
      !take(parse_vc_seq(lists, seqs.size(), kMatchName), &constraints))
    return false;
  out->seq_trie.emplace();
  return take(build_seq_trie(seqs, constraints), &*out->seq_trie);
}

// "match" by its first fitting form: a str, a sequence of str, a sequence
// of sequences of str.
bool read_match(PyObject* spec, ResolvedElement* out) {
  Ref match;
  if (!lookup(spec, "match", &match)) return false;
  if (!match) return fail_with(PyExc_ValueError, msg::builder::kSpecNeedsMatch);
  if (PyUnicode_Check(match.get())) return read_single_token(spec, match.get(), out);
  std::vector<std::string> tokens;
  if (to_string_list(match.get(), &tokens, nullptr)) return read_token_set(spec, tokens, out);
  if (!clear_type_error()) return false;
  std::vector<std::vector<std::string>> seqs;
  if (to_string_lists(match.get(), &seqs, nullptr)) return read_sequences(spec, seqs, out);
  return replace_type_error(PyExc_ValueError, msg::builder::kSpecMatchForm);
}

}  // namespace

bool to_string_or_list(PyObject* o, std::vector<std::string>* out) {
  if (!PyUnicode_Check(o)) return to_string_list(o, out, nullptr);
  out->resize(1);
  return to_string(o, &(*out)[0], nullptr);
}

bool parse_resolved_element(PyObject* spec, ResolvedElement* out) {
  return read_bound(spec, "min_dt", &out->min_dt) && read_bound(spec, "max_dt", &out->max_dt) &&
         read_bound(spec, "min_at", &out->min_at) && read_bound(spec, "max_at", &out->max_at) &&
         read_block(spec, out) && read_match(spec, out);
}

}  // namespace tide::py
