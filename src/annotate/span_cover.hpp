// Spans ordered by start and taken in as a left-to-right sweep reaches
// them, so that at every position the sweep knows how far the spans begun so
// far reach. The sweep touches the spans only, never an array of the
// stream's length.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "annotate/span_ref.hpp"

namespace tide {

// The spans in (start, end) order.
inline std::vector<Span> sorted_spans(const std::vector<Span>& spans) {
  std::vector<Span> out = spans;
  std::sort(out.begin(), out.end(),
            [](const Span& a, const Span& b) { return a.start != b.start ? a.start < b.start : a.end < b.end; });
  return out;
}

// Over spans in (start, end) order, visited at positions 0, 1, 2, ...
class SpanSweep {
 public:
  explicit SpanSweep(std::span<const Span> sorted) : spans_(sorted) {}

  // The spans that start at `i` (a run of the sorted list, its last one the
  // longest), empty when none does; every earlier position must have been
  // visited.
  std::span<const Span> starting_at(size_t i) {
    const size_t first = next_;
    while (next_ < spans_.size() && spans_[next_].start <= i) ++next_;
    return spans_.subspan(first, next_ - first);
  }

 private:
  std::span<const Span> spans_;
  size_t next_ = 0;
};

// How far the spans taken in so far reach: position i is covered when one
// of them ends at or after it.
class Reach {
 public:
  void take(uint64_t end) { reach_ = std::max(reach_, static_cast<int64_t>(end)); }
  bool covers(size_t i) const { return reach_ >= static_cast<int64_t>(i); }

 private:
  int64_t reach_ = -1;
};

}  // namespace tide
