// The time after which none of a scan's candidate elements can hit any
// more. An element hits at time t only when t <= max_at and its gap from the
// branch's last match is at most max_dt; over non-decreasing times both
// tests, once failed, fail at every later position, so a scan may end at the
// first position where they fail for every candidate: it could push nothing
// after it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "types/pattern.hpp"

namespace tide {

class HitDeadline {
 public:
  // Takes the bounds of the elements in `candidates` for a branch whose last
  // match is at `last_time` when `has_last`. False when some candidate may
  // hit at any time (no finite bound, or bounds not fixed by the element
  // alone: mapped and relative time elements), so that passed() would never
  // say so.
  bool set(const Pattern& pattern, uint64_t candidates, bool has_last, double last_time) {
    has_last_ = has_last;
    last_time_ = last_time;
    n_ = 0;
    for (uint64_t rest = candidates; rest != 0; rest &= rest - 1) {
      const TimeBounds* b = bounds_of(pattern.elements[__builtin_ctzll(rest)]);
      if (b == nullptr || !(b->max_at < kInf || (has_last && b->max_dt < kInf))) return false;
      max_at_[n_] = b->max_at;
      max_dt_[n_++] = b->max_dt;
    }
    return n_ != 0;
  }

  // Whether no candidate can hit at time t, nor at any later time of a
  // non-decreasing stream. The gap is computed as the hit test computes it.
  bool passed(double t) const {
    const double dt = has_last_ ? t - last_time_ : 0.0;
    for (size_t i = 0; i < n_; ++i)
      if (!(t > max_at_[i] || dt > max_dt_[i])) return false;
    return true;
  }

 private:
  static const TimeBounds* bounds_of(const PatternElement& el) {
    return std::visit(
        [](const auto& e) -> const TimeBounds* {
          if constexpr (std::is_base_of_v<ElementBounds, std::decay_t<decltype(e)>>)
            return &e;
          else
            return nullptr;
        },
        el);
  }

  bool has_last_ = false;
  double last_time_ = 0.0;
  size_t n_ = 0;
  std::array<double, kMaxPatternElements> max_at_;
  std::array<double, kMaxPatternElements> max_dt_;
};

}  // namespace tide
