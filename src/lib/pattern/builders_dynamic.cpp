// add_dynamic_event and add_dynamic_event_set: elements that take, at match
// time, the token matched last on the search branch.
#include "lib/pattern/builder_args.hpp"
#include "lib/pattern/pattern_object.hpp"
#include "lib/plumbing/binder.hpp"
#include "lib/plumbing/convert.hpp"

namespace tide::py {
namespace {

constexpr const char* kEventParams[] = {"static_block_tokens",
                                        "min_dt",
                                        "max_dt",
                                        "min_at",
                                        "max_at",
                                        "backtrackable",
                                        "min_val",
                                        "max_val",
                                        "require_nan_val",
                                        "block_min_vals",
                                        "block_max_vals",
                                        "block_require_nan_vals"};
constexpr const char* kSetParams[] = {"static_match_tokens",
                                      "static_block_tokens",
                                      "match_from_last",
                                      "block_from_last",
                                      "min_dt",
                                      "max_dt",
                                      "min_at",
                                      "max_at",
                                      "backtrackable",
                                      "min_vals",
                                      "max_vals",
                                      "require_nan_vals",
                                      "block_min_vals",
                                      "block_max_vals",
                                      "block_require_nan_vals"};
constexpr Signature kEventSig{"Pattern.add_dynamic_event", kEventParams, 0};
constexpr Signature kSetSig{"Pattern.add_dynamic_event_set", kSetParams, 0};

const std::vector<std::string>& or_empty(const std::optional<std::vector<std::string>>& list) {
  static const std::vector<std::string> kEmpty;
  return list ? *list : kEmpty;
}

}  // namespace

PyObject* add_dynamic_event(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return builder_call<12>(self, kEventSig, args, nargs, kwnames, [&](const Bound<12>& a, Pattern& pattern) {
    std::optional<std::vector<std::string>> block;
    ElementBounds bounds;
    ScalarBounds match_vals;
    ValueLists block_vals;
    if (!optional_string_list(a[0], &block, kEventParams[0]) || !bounds.convert(&a.slot[1], &kEventParams[1]) ||
        !match_vals.convert(a[6], a[7], a[8], &kEventParams[6]) ||
        !convert_value_lists(&a.slot[9], &kEventParams[9], &block_vals))
      return false;
    DynamicEvent e;
    bounds.apply(e);
    e.match_constraint = match_vals.constraint();
    const auto& block_list = or_empty(block);
    if (!take(parse_vc_vec(block_vals, block_list.size(), kEventParams[0]), &e.block_constraints) ||
        !intern_tokens(block_list, &e.block_tokens))
      return false;
    pattern.elements.emplace_back(std::move(e));
    return true;
  });
}

PyObject* add_dynamic_event_set(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return builder_call<15>(self, kSetSig, args, nargs, kwnames, [&](const Bound<15>& a, Pattern& pattern) {
    std::optional<std::vector<std::string>> match, block;
    DynamicEventSet e;
    ElementBounds bounds;
    ValueLists match_vals, block_vals;
    if (!optional_string_list(a[0], &match, kSetParams[0]) || !optional_string_list(a[1], &block, kSetParams[1]) ||
        !optional_arg(a[2], &e.match_from_last, kSetParams[2], to_bool) ||
        !optional_arg(a[3], &e.block_from_last, kSetParams[3], to_bool) ||
        !bounds.convert(&a.slot[4], &kSetParams[4]) || !convert_value_lists(&a.slot[9], &kSetParams[9], &match_vals) ||
        !convert_value_lists(&a.slot[12], &kSetParams[12], &block_vals))
      return false;
    bounds.apply(e);
    // Both constraint lists are checked before any token is interned.
    const auto& match_list = or_empty(match);
    const auto& block_list = or_empty(block);
    if (!take(parse_vc_vec(match_vals, match_list.size(), kSetParams[0]), &e.match_constraints) ||
        !take(parse_vc_vec(block_vals, block_list.size(), kSetParams[1]), &e.block_constraints) ||
        !intern_tokens(match_list, &e.match_tokens) || !intern_tokens(block_list, &e.block_tokens))
      return false;
    pattern.elements.emplace_back(std::move(e));
    return true;
  });
}

}  // namespace tide::py
