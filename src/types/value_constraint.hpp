// A test on the value carried by a stream token.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace tide {

inline constexpr double kInf = std::numeric_limits<double>::infinity();
inline constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct ValueConstraint {
  enum class Kind : uint64_t { Any = 0, Range = 1, RequireNan = 2 };

  Kind kind = Kind::Any;
  double min = 0.0;
  double max = 0.0;

  static ValueConstraint any() { return {}; }
  static ValueConstraint range(double lo, double hi) { return {Kind::Range, lo, hi}; }
  static ValueConstraint require_nan() { return {Kind::RequireNan, 0.0, 0.0}; }

  // The builders' rule from a require-NaN flag and two optional (NaN) bounds.
  static ValueConstraint from_scalars(bool require_nan_flag, double lo, double hi) {
    if (require_nan_flag) return require_nan();
    if (!std::isnan(lo)) return range(lo, std::isnan(hi) ? kInf : hi);
    if (!std::isnan(hi)) return range(-kInf, hi);
    return any();
  }

  bool accepts(double v) const {
    switch (kind) {
      case Kind::Any:
        return true;
      case Kind::Range:
        return min <= v && v <= max;  // false for NaN
      case Kind::RequireNan:
        return std::isnan(v);
    }
    return false;
  }

  bool is_any() const { return kind == Kind::Any; }

  // Equality as the trie merges edges: ranges compare their bounds.
  friend bool operator==(const ValueConstraint& a, const ValueConstraint& b) {
    if (a.kind != b.kind) return false;
    return a.kind != Kind::Range || (a.min == b.min && a.max == b.max);
  }
};

// Constraint i of a parallel list, `Any` past its end.
template <class List>
inline const ValueConstraint& constraint_at(const List& list, size_t i) {
  static const ValueConstraint kAny{};
  return i < list.size() ? list[i] : kAny;
}

}  // namespace tide
