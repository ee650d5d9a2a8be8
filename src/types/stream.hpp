// A read-only view of one interned stream: parallel token ids, times and
// optional values of one length.
#pragma once

#include <cmath>
#include <cstddef>
#include <limits>

#include "types/token_id.hpp"

namespace tide {

struct StreamView {
  const TokenId* tokens = nullptr;
  const double* times = nullptr;
  const double* values = nullptr;  // null: every position carries NaN
  size_t len = 0;

  double value_at(size_t p) const { return values ? values[p] : std::numeric_limits<double>::quiet_NaN(); }
  StreamView slice(size_t begin, size_t end) const {
    return {tokens + begin, times + begin, values ? values + begin : nullptr, end - begin};
  }
};

}  // namespace tide
