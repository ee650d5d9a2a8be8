// Argument pieces shared by the Pattern builder methods.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "lib/plumbing/binder.hpp"
#include "lib/plumbing/py_ref.hpp"
#include "types/constraint_lists.hpp"
#include "types/token_id.hpp"
#include "types/value_constraint.hpp"

namespace tide::py {

// The four element time bounds and the backtrackable flag, bound to the
// parameters min_dt (or rel_min_dt), max_dt (or rel_max_dt), min_at, max_at
// and backtrackable.
struct ElementBounds {
  double min_dt = 0.0, max_dt = kInf, min_at = -kInf, max_at = kInf;
  bool backtrackable = true;

  bool convert(Arg min_dt_arg, Arg max_dt_arg, Arg min_at_arg, Arg max_at_arg, Arg backtrackable_arg);
  template <const Signature& S>
  bool convert(const Args<S>& a) {
    if constexpr (S.index("rel_min_dt") < S.n_params)
      return convert(a.template arg<"rel_min_dt">(), a.template arg<"rel_max_dt">(), a.template arg<"min_at">(),
                     a.template arg<"max_at">(), a.template arg<"backtrackable">());
    else
      return convert(a.template arg<"min_dt">(), a.template arg<"max_dt">(), a.template arg<"min_at">(),
                     a.template arg<"max_at">(), a.template arg<"backtrackable">());
  }
  template <class E>
  void apply(E& element) const {
    element.min_dt = min_dt;
    element.max_dt = max_dt;
    element.min_at = min_at;
    element.max_at = max_at;
    element.backtrackable = backtrackable;
  }
};

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

// An optional str or sequence-of-str parameter (None counts as not given).
bool optional_string(Arg a, std::optional<std::string>* out);
bool optional_string_list(Arg a, std::optional<std::vector<std::string>>* out);
bool optional_string_lists(Arg a, std::optional<std::vector<std::vector<std::string>>>* out);

// Interning, one interner lock per token.
bool intern_token(const std::string& s, TokenId* out);
bool intern_tokens(const std::vector<std::string>& strings, std::vector<TokenId>* out);

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
