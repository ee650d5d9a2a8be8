// The builders' rules that turn per-token and per-sequence value-bound lists
// into value constraints.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "types/expected.hpp"
#include "types/value_constraint.hpp"

namespace tide {

// Three optional parallel lists: lower bounds, upper bounds, require-NaN
// flags, with the parameter names used in messages.
struct ValueLists {
  std::optional<std::vector<double>> lower, upper;
  std::optional<std::vector<bool>> flags;
  const char* lower_name = "min_vals";
  const char* upper_name = "max_vals";
  const char* flags_name = "require_nan_vals";

  bool any_given() const { return lower || upper || flags; }
};

struct ValueListLists {
  std::optional<std::vector<std::vector<double>>> lower, upper;
  std::optional<std::vector<std::vector<bool>>> flags;
  const char* lower_name = "min_vals";
  const char* upper_name = "max_vals";
  const char* flags_name = "require_nan_vals";

  bool any_given() const { return lower || upper || flags; }
};

// Empty when no list is given; otherwise exactly n constraints, constraint
// i from entry i of each given list (extra entries ignored). A given list
// shorter than n is refused with a ValueError naming it and `tokens_name`.
Expected<std::vector<ValueConstraint>> parse_vc_vec(const ValueLists& lists, size_t n, const char* tokens_name);

// n lists, one per sequence. Sequence s takes its length L from the first
// given kind (lower, upper, flags); outer lists with fewer than n inner
// lists, or an inner list of a later kind shorter than L, are refused.
Expected<std::vector<std::vector<ValueConstraint>>> parse_vc_seq(const ValueListLists& lists, size_t n,
                                                                 const char* seqs_name);

}  // namespace tide
