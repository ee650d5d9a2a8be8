// add_dynamic_event and add_dynamic_event_set: elements that take, at match
// time, the token matched last on the search branch.
#include "lib/pattern/builder_args.hpp"
#include "lib/pattern/pattern_object.hpp"
#include "lib/pattern/pattern_signatures.hpp"
#include "lib/plumbing/binder.hpp"
#include "lib/plumbing/convert.hpp"

namespace tide::py {

PyObject* add_dynamic_event(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  using A = Args<sig::k_add_dynamic_event>;
  return builder_call<sig::k_add_dynamic_event>(self, args, nargs, kwnames, [&](const A& a, Pattern& pattern) {
    std::optional<std::vector<std::string>> block;
    DynamicEvent e;
    ScalarBounds match_vals;
    ValueLists block_vals;
    if (!optional_string_list(a.arg<"static_block_tokens">(), &block) || !convert_bounds(a, &e) ||
        !match_vals.convert(a.arg<"min_val">(), a.arg<"max_val">(), a.arg<"require_nan_val">()) ||
        !convert_value_lists(a.arg<"block_min_vals">(), a.arg<"block_max_vals">(), a.arg<"block_require_nan_vals">(),
                             &block_vals))
      return false;
    e.match_constraint = match_vals.constraint();
    const auto& block_list = or_empty(block);
    if (!take(parse_vc_vec(block_vals, block_list.size(), "static_block_tokens"), &e.block_constraints) ||
        !intern_tokens(block_list, &e.block_tokens))
      return false;
    pattern.elements.emplace_back(std::move(e));
    return true;
  });
}

PyObject* add_dynamic_event_set(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  using A = Args<sig::k_add_dynamic_event_set>;
  return builder_call<sig::k_add_dynamic_event_set>(self, args, nargs, kwnames, [&](const A& a, Pattern& pattern) {
    std::optional<std::vector<std::string>> match, block;
    DynamicEventSet e;
    ValueLists match_vals, block_vals;
    if (!optional_string_list(a.arg<"static_match_tokens">(), &match) ||
        !optional_string_list(a.arg<"static_block_tokens">(), &block) ||
        !optional_arg(a.arg<"match_from_last">(), &e.match_from_last, to_bool) ||
        !optional_arg(a.arg<"block_from_last">(), &e.block_from_last, to_bool) || !convert_bounds(a, &e) ||
        !convert_value_lists(a.arg<"min_vals">(), a.arg<"max_vals">(), a.arg<"require_nan_vals">(), &match_vals) ||
        !convert_value_lists(a.arg<"block_min_vals">(), a.arg<"block_max_vals">(), a.arg<"block_require_nan_vals">(),
                             &block_vals))
      return false;
    if (!fill_token_lists({or_empty(match), match_vals, "static_match_tokens"},
                          {or_empty(block), block_vals, "static_block_tokens"}, &e, &e))
      return false;
    pattern.elements.emplace_back(std::move(e));
    return true;
  });
}

}  // namespace tide::py
