// Argument pieces shared by the Pattern builder methods.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "lib/plumbing/binder.hpp"
#include "lib/plumbing/py_ref.hpp"
#include "types/constraint_lists.hpp"
#include "types/pattern.hpp"
#include "types/token_id.hpp"
#include "types/value_constraint.hpp"

namespace tide::py {

// The bounds parameters of an element builder, converted in signature order
// into the element being built: min_dt (or rel_min_dt), max_dt (or
// rel_max_dt), min_at, max_at and backtrackable.
bool convert_bounds(Arg lower_dt, Arg upper_dt, Arg min_at, Arg max_at, Arg backtrackable, double* lower_dt_out,
                    double* upper_dt_out, double* min_at_out, double* max_at_out, bool* backtrackable_out);
template <const Signature& S>
bool convert_bounds(const Args<S>& a, ElementBounds* out) {
  return convert_bounds(a.template arg<"min_dt">(), a.template arg<"max_dt">(), a.template arg<"min_at">(),
                        a.template arg<"max_at">(), a.template arg<"backtrackable">(), &out->min_dt, &out->max_dt,
                        &out->min_at, &out->max_at, &out->backtrackable);
}
template <const Signature& S>
bool convert_bounds(const Args<S>& a, RelativeBounds* out) {
  return convert_bounds(a.template arg<"rel_min_dt">(), a.template arg<"rel_max_dt">(), a.template arg<"min_at">(),
                        a.template arg<"max_at">(), a.template arg<"backtrackable">(), &out->rel_min_dt,
                        &out->rel_max_dt, &out->min_at, &out->max_at, &out->backtrackable);
}

// Scalar value bounds: lower, upper (NaN when not given) and a flag.
struct ScalarBounds {
  double lower = kNaN, upper = kNaN;
  bool require_nan = false;

  bool convert(Arg lower_arg, Arg upper_arg, Arg flag_arg);
  ValueConstraint constraint() const { return ValueConstraint::from_scalars(require_nan, lower, upper); }
};

// Three optional per-token value lists (None counts as not given).
bool convert_value_lists(Arg lower, Arg upper, Arg flags, ValueLists* out);
// Three optional per-sequence value lists of lists.
bool convert_value_list_lists(Arg lower, Arg upper, Arg flags, ValueListLists* out);

// The list, or an empty one when it was not given.
const std::vector<std::string>& or_empty(const std::optional<std::vector<std::string>>& list);

// An optional str or sequence-of-str parameter (None counts as not given).
bool optional_string(Arg a, std::optional<std::string>* out);
bool optional_string_list(Arg a, std::optional<std::vector<std::string>>* out);
bool optional_string_lists(Arg a, std::optional<std::vector<std::vector<std::string>>>* out);

// Interning, one interner lock per token.
bool intern_token(const std::string& s, TokenId* out);
bool intern_tokens(const std::vector<std::string>& strings, std::vector<TokenId>* out);

// A token list argument, its per-token value lists and the parameter name
// their messages use.
struct TokenListArg {
  const std::vector<std::string>& tokens;
  const ValueLists& vals;
  const char* name;
};

// The match and block tokens of an element with their constraints. Both
// constraint lists are checked before any token is interned, so a refused
// call interns nothing.
bool fill_token_lists(TokenListArg match, TokenListArg block, MatchTokens* m, BlockTokens* b);

// Raises a core error and reports failure, for builder steps that return Expected.
template <class T>
bool take(Expected<T>&& r, T* out);

}  // namespace tide::py

#include "lib/plumbing/errors.hpp"

namespace tide::py {
template <class T>
bool take(Expected<T>&& r, T* out) {
  if (!check(r)) return false;
  *out = std::move(r.value());
  return true;
}
}  // namespace tide::py
