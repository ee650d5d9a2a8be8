// add_event, add_event_set and add_event_seq: elements whose match tokens
// are fixed when the pattern is built.
#include "intern/seq_trie.hpp"
#include "lib/pattern/builder_args.hpp"
#include "lib/pattern/pattern_object.hpp"
#include "lib/plumbing/binder.hpp"
#include "lib/plumbing/convert.hpp"

namespace tide::py {
namespace {

constexpr const char* kBoundNames[] = {"min_dt", "max_dt", "min_at", "max_at", "backtrackable"};
constexpr const char* kMatchValNames[] = {"min_val", "max_val", "require_nan_val"};
constexpr const char* kBlockValNames[] = {"block_min_val", "block_max_val", "block_require_nan_val"};
constexpr const char* kMatchValsNames[] = {"min_vals", "max_vals", "require_nan_vals"};
constexpr const char* kBlockValsNames[] = {"block_min_vals", "block_max_vals", "block_require_nan_vals"};

constexpr const char* kEventParams[] = {
    "match_token",          "block_token", "min_dt",  "max_dt",          "min_at",        "max_at",
    "backtrackable",        "min_val",     "max_val", "require_nan_val", "block_min_val", "block_max_val",
    "block_require_nan_val"};
constexpr const char* kSetParams[] = {
    "match_tokens",          "block_tokens", "min_dt",   "max_dt",           "min_at",         "max_at",
    "backtrackable",         "min_vals",     "max_vals", "require_nan_vals", "block_min_vals", "block_max_vals",
    "block_require_nan_vals"};
constexpr const char* kSeqParams[] = {"match_seqs",
                                      "block_seqs",
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
constexpr Signature kEventSig{"Pattern.add_event", kEventParams, 1};
constexpr Signature kSetSig{"Pattern.add_event_set", kSetParams, 1};
constexpr Signature kSeqSig{"Pattern.add_event_seq", kSeqParams, 1};

}  // namespace

PyObject* add_event(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return builder_call<13>(self, kEventSig, args, nargs, kwnames, [&](const Bound<13>& a, Pattern& pattern) {
    std::string match;
    std::optional<std::string> block;
    ElementBounds bounds;
    ScalarBounds match_vals, block_vals;
    if (!to_string(a[0], &match, "match_token") || !optional_string(a[1], &block, "block_token") ||
        !bounds.convert(&a.slot[2], kBoundNames) || !match_vals.convert(a[7], a[8], a[9], kMatchValNames) ||
        !block_vals.convert(a[10], a[11], a[12], kBlockValNames))
      return false;
    Event e;
    bounds.apply(e);
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
  return builder_call<13>(self, kSetSig, args, nargs, kwnames, [&](const Bound<13>& a, Pattern& pattern) {
    std::vector<std::string> match;
    std::optional<std::vector<std::string>> block;
    ElementBounds bounds;
    ValueLists match_vals, block_vals;
    if (!to_string_list(a[0], &match, "match_tokens") || !optional_string_list(a[1], &block, "block_tokens") ||
        !bounds.convert(&a.slot[2], kBoundNames) || !convert_value_lists(&a.slot[7], kMatchValsNames, &match_vals) ||
        !convert_value_lists(&a.slot[10], kBlockValsNames, &block_vals))
      return false;
    EventSet e;
    bounds.apply(e);
    const std::vector<std::string> no_block;
    const auto& block_list = block ? *block : no_block;
    if (!take(parse_vc_vec(match_vals, match.size(), "match_tokens"), &e.match_constraints) ||
        !take(parse_vc_vec(block_vals, block_list.size(), "block_tokens"), &e.block_constraints) ||
        !intern_tokens(match, &e.match_tokens) || !intern_tokens(block_list, &e.block_tokens))
      return false;
    pattern.elements.emplace_back(std::move(e));
    return true;
  });
}

PyObject* add_event_seq(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return builder_call<13>(self, kSeqSig, args, nargs, kwnames, [&](const Bound<13>& a, Pattern& pattern) {
    std::vector<std::vector<std::string>> match;
    std::optional<std::vector<std::vector<std::string>>> block;
    ElementBounds bounds;
    ValueListLists match_vals, block_vals;
    if (!to_string_lists(a[0], &match, "match_seqs") || !optional_string_lists(a[1], &block, "block_seqs") ||
        !bounds.convert(&a.slot[2], kBoundNames) ||
        !convert_value_list_lists(&a.slot[7], kMatchValsNames, &match_vals) ||
        !convert_value_list_lists(&a.slot[10], kBlockValsNames, &block_vals))
      return false;
    std::vector<std::vector<ValueConstraint>> match_cons, block_cons;
    if (!take(parse_vc_seq(match_vals, match.size(), "match_seqs"), &match_cons)) return false;
    if (block && !take(parse_vc_seq(block_vals, block->size(), "block_seqs"), &block_cons)) return false;
    EventSeq e;
    bounds.apply(e);
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
