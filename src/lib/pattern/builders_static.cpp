// add_event, add_event_set and add_event_seq: elements whose match tokens
// are fixed when the pattern is built.
#include "intern/seq_trie.hpp"
#include "lib/pattern/builder_args.hpp"
#include "lib/pattern/pattern_object.hpp"
#include "lib/pattern/pattern_signatures.hpp"
#include "lib/plumbing/binder.hpp"
#include "lib/plumbing/convert.hpp"

namespace tide::py {
PyObject* add_event(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  using A = Args<sig::k_add_event>;
  return builder_call<sig::k_add_event>(self, args, nargs, kwnames, [&](const A& a, Pattern& pattern) {
    std::string match;
    std::optional<std::string> block;
    Event e;
    ScalarBounds match_vals, block_vals;
    if (!convert_arg(a.arg<"match_token">(), &match, to_string) || !optional_string(a.arg<"block_token">(), &block) ||
        !convert_bounds(a, &e) ||
        !match_vals.convert(a.arg<"min_val">(), a.arg<"max_val">(), a.arg<"require_nan_val">()) ||
        !block_vals.convert(a.arg<"block_min_val">(), a.arg<"block_max_val">(), a.arg<"block_require_nan_val">()))
      return false;
    if (!intern_token(match, &e.match_token)) return false;
    e.match_constraint = match_vals.constraint();
    if (block) {
      e.block_token.emplace();
      if (!intern_token(*block, &*e.block_token)) return false;
    }
    e.block_constraint = block_vals.constraint();
    pattern.elements.emplace_back(std::move(e));
    return true;
  });
}

PyObject* add_event_set(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  using A = Args<sig::k_add_event_set>;
  return builder_call<sig::k_add_event_set>(self, args, nargs, kwnames, [&](const A& a, Pattern& pattern) {
    std::vector<std::string> match;
    std::optional<std::vector<std::string>> block;
    EventSet e;
    ValueLists match_vals, block_vals;
    if (!convert_arg(a.arg<"match_tokens">(), &match, to_string_list) ||
        !optional_string_list(a.arg<"block_tokens">(), &block) || !convert_bounds(a, &e) ||
        !convert_value_lists(a.arg<"min_vals">(), a.arg<"max_vals">(), a.arg<"require_nan_vals">(), &match_vals) ||
        !convert_value_lists(a.arg<"block_min_vals">(), a.arg<"block_max_vals">(), a.arg<"block_require_nan_vals">(),
                             &block_vals))
      return false;
    if (!fill_token_lists({match, match_vals, "match_tokens"}, {or_empty(block), block_vals, "block_tokens"}, &e, &e))
      return false;
    pattern.elements.emplace_back(std::move(e));
    return true;
  });
}

PyObject* add_event_seq(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  using A = Args<sig::k_add_event_seq>;
  return builder_call<sig::k_add_event_seq>(self, args, nargs, kwnames, [&](const A& a, Pattern& pattern) {
    std::vector<std::vector<std::string>> match;
    std::optional<std::vector<std::vector<std::string>>> block;
    EventSeq e;
    ValueListLists match_vals, block_vals;
    if (!convert_arg(a.arg<"match_seqs">(), &match, to_string_lists) ||
        !optional_string_lists(a.arg<"block_seqs">(), &block) || !convert_bounds(a, &e) ||
        !convert_value_list_lists(a.arg<"min_vals">(), a.arg<"max_vals">(), a.arg<"require_nan_vals">(), &match_vals) ||
        !convert_value_list_lists(a.arg<"block_min_vals">(), a.arg<"block_max_vals">(),
                                  a.arg<"block_require_nan_vals">(), &block_vals))
      return false;
    std::vector<std::vector<ValueConstraint>> match_cons, block_cons;
    if (!take(parse_vc_seq(match_vals, match.size(), "match_seqs"), &match_cons)) return false;
    if (block && !take(parse_vc_seq(block_vals, block->size(), "block_seqs"), &block_cons)) return false;
    if (!take(build_seq_trie(match, match_cons), &e.match_trie)) return false;
    if (block) {
      e.block_trie.emplace();
      if (!take(build_seq_trie(*block, block_cons), &*e.block_trie)) return false;
    }
    pattern.elements.emplace_back(std::move(e));
    return true;
  });
}

}  // namespace tide::py
