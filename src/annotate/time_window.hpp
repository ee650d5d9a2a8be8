// The time window of a position, and a pair of cursors that find the points
// inside it as the position moves forward.
#pragma once

#include <cmath>
#include <cstddef>
#include <span>

namespace tide {

// [t, t + width] forward, [t - width, t] backward; both ends included.
struct TimeWindow {
  double width = 0.0;
  bool forward = true;
  bool partial = false;  // whether a window cut off by an end of the stream still counts

  double lo(double t) const { return forward ? t : t - width; }
  double hi(double t) const { return forward ? t + width : t; }
  // The window reaches past the last time (forward) or before the first
  // (backward) while partial windows are refused.
  bool cut_off(double lo, double hi, double first, double last) const {
    return !partial && (forward ? hi > last : lo < first);
  }
};

// Over ascending point times: a is the first index with time >= lo and b the
// first with time > hi, so the window holds the points [a, b). Both only move
// forward, which is right because lo and hi never decrease along a stream.
// A bound that is NaN makes the window empty: every comparison with it fails.
class WindowCursor {
 public:
  explicit WindowCursor(std::span<const double> times) : t_(times) {}

  // False for an empty window; the cursors stay where they were.
  bool seek(double lo, double hi) {
    if (std::isnan(lo) || std::isnan(hi)) return false;
    while (a_ < t_.size() && t_[a_] < lo) ++a_;
    while (b_ < t_.size() && t_[b_] <= hi) ++b_;
    return b_ > a_;
  }
  size_t a() const { return a_; }
  size_t b() const { return b_; }

 private:
  std::span<const double> t_;
  size_t a_ = 0;
  size_t b_ = 0;
};

}  // namespace tide
