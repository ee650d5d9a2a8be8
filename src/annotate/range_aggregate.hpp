// The aggregate of any index range of a fixed list of values, each range
// answered in logarithmic time: a segment tree for min, max and the sum, and
// prefix counts of the values that are not NaN.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "annotate/annotation_kind.hpp"

namespace tide {

class RangeAggregate {
 public:
  RangeAggregate(AggKind kind, std::span<const double> values);

  // count: b - a, NaN values included. min, max, mean: over the values of
  // [a, b) that are not NaN; NaN when there are none.
  double over(size_t a, size_t b) const;

 private:
  double combine(double x, double y) const;
  double identity() const;

  AggKind kind_;
  size_t n_;
  std::vector<double> tree_;       // leaves at n_ .. 2n_ - 1; a NaN leaf holds the identity
  std::vector<uint64_t> non_nan_;  // non_nan_[i]: values before index i that are not NaN
};

}  // namespace tide
