#include "annotate/range_aggregate.hpp"

#include <algorithm>
#include <cmath>

#include "types/value_constraint.hpp"

namespace tide {

RangeAggregate::RangeAggregate(AggKind kind, std::span<const double> values) : kind_(kind), n_(values.size()) {
  if (kind_ == AggKind::Count) return;
  tree_.resize(2 * n_);
  non_nan_.resize(n_ + 1);
  for (size_t i = 0; i < n_; ++i) {
    const bool missing = std::isnan(values[i]);
    tree_[n_ + i] = missing ? identity() : values[i];
    non_nan_[i + 1] = non_nan_[i] + (missing ? 0 : 1);
  }
  for (size_t i = n_; i-- > 1;) tree_[i] = combine(tree_[2 * i], tree_[2 * i + 1]);
}

double RangeAggregate::identity() const {
  switch (kind_) {
    case AggKind::Min:
      return kInf;
    case AggKind::Max:
      return -kInf;
    default:
      return 0.0;
  }
}

double RangeAggregate::combine(double x, double y) const {
  switch (kind_) {
    case AggKind::Min:
      return std::min(x, y);
    case AggKind::Max:
      return std::max(x, y);
    default:
      return x + y;
  }
}

double RangeAggregate::over(size_t a, size_t b) const {
  if (kind_ == AggKind::Count) return static_cast<double>(b - a);
  const uint64_t k = non_nan_[b] - non_nan_[a];
  if (k == 0) return kNaN;
  double left = identity(), right = identity();
  for (size_t l = a + n_, r = b + n_; l < r; l >>= 1, r >>= 1) {
    if (l & 1) left = combine(left, tree_[l++]);
    if (r & 1) right = combine(tree_[--r], right);
  }
  const double v = combine(left, right);
  return kind_ == AggKind::Mean ? v / static_cast<double>(k) : v;
}

}  // namespace tide
