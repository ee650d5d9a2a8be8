// Spans indexed by their start position, so that a left-to-right sweep
// knows at every position how far the spans begun so far reach.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "annotate/span_ref.hpp"

namespace tide {

// For each position, the largest end (clamped to n - 1) of the kept spans
// starting there; -1 where none starts. Spans starting at or beyond n are
// dropped.
template <class Keep>
std::vector<int64_t> ends_by_start(const std::vector<Span>& spans, size_t n, Keep keep) {
  std::vector<int64_t> ends(n, -1);
  for (const Span& sp : spans) {
    if (sp.start >= n || !keep(sp)) continue;
    const auto end = static_cast<int64_t>(std::min<uint64_t>(sp.end, n - 1));
    ends[sp.start] = std::max(ends[sp.start], end);
  }
  return ends;
}

inline std::vector<int64_t> ends_by_start(const std::vector<Span>& spans, size_t n) {
  return ends_by_start(spans, n, [](const Span&) { return true; });
}

// The running reach of the spans begun so far: position i is covered when
// some span started at or before i ends at or after it.
class Reach {
 public:
  bool covers(int64_t end_starting_here, size_t i) {
    reach_ = std::max(reach_, end_starting_here);
    return reach_ >= static_cast<int64_t>(i);
  }

 private:
  int64_t reach_ = -1;
};

}  // namespace tide
