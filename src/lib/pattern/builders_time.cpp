// add_time_event and add_dynamic_time_event: elements matched by any stream
// position whose time meets their bounds, and the block arguments they share
// (one token with scalar bounds, or a token list with per-token lists).
#include <cmath>
#include <type_traits>

#include "lib/pattern/builder_args.hpp"
#include "lib/pattern/pattern_object.hpp"
#include "lib/plumbing/binder.hpp"
#include "lib/plumbing/convert.hpp"
#include "lib/plumbing/messages.hpp"
#include "lib/plumbing/pending_error.hpp"

namespace tide::py {
namespace {

constexpr const char* kTimeParams[] = {"block_token",
                                       "min_dt",
                                       "max_dt",
                                       "min_at",
                                       "max_at",
                                       "backtrackable",
                                       "block_min_val",
                                       "block_max_val",
                                       "block_require_nan_val",
                                       "block_tokens",
                                       "block_min_vals",
                                       "block_max_vals",
                                       "block_require_nan_vals"};
constexpr const char* kDynamicTimeParams[] = {"block_token",
                                              "rel_min_dt",
                                              "rel_max_dt",
                                              "min_at",
                                              "max_at",
                                              "backtrackable",
                                              "block_min_val",
                                              "block_max_val",
                                              "block_require_nan_val",
                                              "block_tokens",
                                              "block_min_vals",
                                              "block_max_vals",
                                              "block_require_nan_vals"};
constexpr Signature kTimeSig{"Pattern.add_time_event", kTimeParams, 0};
constexpr Signature kDynamicTimeSig{"Pattern.add_dynamic_time_event", kDynamicTimeParams, 0};

struct TimeBlockArgs {
  std::optional<std::string> token;
  ScalarBounds scalar;
  std::optional<std::vector<std::string>> tokens;
  ValueLists lists;

  bool singular_given() const { return scalar.require_nan || !std::isnan(scalar.lower) || !std::isnan(scalar.upper); }
};

// Every parameter in signature order; `names` is the signature's list.
bool convert_args(const Bound<13>& a, const char* const* names, ElementBounds* bounds, TimeBlockArgs* block) {
  return optional_string(a[0], &block->token, names[0]) && bounds->convert(&a.slot[1], &names[1]) &&
         block->scalar.convert(a[6], a[7], a[8], &names[6]) && optional_string_list(a[9], &block->tokens, names[9]) &&
         convert_value_lists(&a.slot[10], &names[10], &block->lists);
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

template <class Element>
PyObject* add_time_element(const Signature& sig, PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                           PyObject* kwnames) {
  return builder_call<13>(self, sig, args, nargs, kwnames, [&](const Bound<13>& a, Pattern& pattern) {
    ElementBounds bounds;
    TimeBlockArgs block;
    if (!convert_args(a, sig.params, &bounds, &block)) return false;
    Element e;
    if (!parse_time_block_args(block, &e.block_tokens, &e.block_constraints)) return false;
    if constexpr (std::is_same_v<Element, DynamicTimeEvent>) {
      e.rel_min_dt = bounds.min_dt;
      e.rel_max_dt = bounds.max_dt;
      e.min_at = bounds.min_at;
      e.max_at = bounds.max_at;
      e.backtrackable = bounds.backtrackable;
    } else {
      bounds.apply(e);
    }
    pattern.elements.emplace_back(std::move(e));
    return true;
  });
}

}  // namespace

PyObject* add_time_event(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return add_time_element<TimeEvent>(kTimeSig, self, args, nargs, kwnames);
}

PyObject* add_dynamic_time_event(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return add_time_element<DynamicTimeEvent>(kDynamicTimeSig, self, args, nargs, kwnames);
}

}  // namespace tide::py
