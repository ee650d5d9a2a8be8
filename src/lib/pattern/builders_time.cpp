// add_time_event and add_dynamic_time_event: elements matched by any stream
// position whose time meets their bounds, and the block arguments they share
// (one token with scalar bounds, or a token list with per-token lists).
#include <cmath>

#include "lib/pattern/builder_args.hpp"
#include "lib/pattern/pattern_object.hpp"
#include "lib/pattern/pattern_signatures.hpp"
#include "lib/plumbing/binder.hpp"
#include "lib/plumbing/convert.hpp"
#include "lib/plumbing/messages.hpp"
#include "lib/plumbing/pending_error.hpp"

namespace tide::py {
namespace {

struct TimeBlockArgs {
  std::optional<std::string> token;
  ScalarBounds scalar;
  std::optional<std::vector<std::string>> tokens;
  ValueLists lists;

  bool singular_given() const { return scalar.require_nan || !std::isnan(scalar.lower) || !std::isnan(scalar.upper); }
};

// Every parameter in signature order.
template <const Signature& S, class Element>
bool convert_args(const Args<S>& a, Element* e, TimeBlockArgs* block) {
  return optional_string(a.template arg<"block_token">(), &block->token) && convert_bounds(a, e) &&
         block->scalar.convert(a.template arg<"block_min_val">(), a.template arg<"block_max_val">(),
                               a.template arg<"block_require_nan_val">()) &&
         optional_string_list(a.template arg<"block_tokens">(), &block->tokens) &&
         convert_value_lists(a.template arg<"block_min_vals">(), a.template arg<"block_max_vals">(),
                             a.template arg<"block_require_nan_vals">(), &block->lists);
}

template <class L>
bool wrong_length(const std::optional<L>& list, const char* name, size_t n) {
  if (!list || list->size() == n) return false;
  PyErr_Format(PyExc_ValueError, msg::builder::kBlockListLength, name, n, list->size());
  return true;
}

// The block tokens and constraints; all checks run before anything is
// interned, so a refused call interns nothing.
bool parse_time_block_args(const TimeBlockArgs& b, std::vector<TokenId>* ids, std::vector<ValueConstraint>* cons) {
  if (!b.tokens) {
    if (b.lists.any_given()) return fail_with(PyExc_ValueError, msg::builder::kPluralNeedsBlockTokens);
    if (!b.token) return true;
    ids->resize(1);
    cons->assign(1, b.scalar.constraint());
    return intern_token(*b.token, &(*ids)[0]);
  }
  if (b.token) return fail_with(PyExc_ValueError, msg::builder::kBlockTokenAndTokens);
  if (b.singular_given()) return fail_with(PyExc_ValueError, msg::builder::kSingularWithBlockTokens);
  const size_t n = b.tokens->size();
  if (wrong_length(b.lists.lower, b.lists.lower_name, n) || wrong_length(b.lists.upper, b.lists.upper_name, n) ||
      wrong_length(b.lists.flags, b.lists.flags_name, n))
    return false;
  return take(parse_vc_vec(b.lists, n, "block_tokens"), cons) && intern_tokens(*b.tokens, ids);
}

template <class Element, const Signature& S>
PyObject* add_time_element(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return builder_call<S>(self, args, nargs, kwnames, [&](const Args<S>& a, Pattern& pattern) {
    Element e;
    TimeBlockArgs block;
    if (!convert_args(a, &e, &block) || !parse_time_block_args(block, &e.block_tokens, &e.block_constraints))
      return false;
    pattern.elements.emplace_back(std::move(e));
    return true;
  });
}

}  // namespace

PyObject* add_time_event(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return add_time_element<TimeEvent, sig::k_add_time_event>(self, args, nargs, kwnames);
}

PyObject* add_dynamic_time_event(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return add_time_element<DynamicTimeEvent, sig::k_add_dynamic_time_event>(self, args, nargs, kwnames);
}

}  // namespace tide::py
