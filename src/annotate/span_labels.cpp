#include <algorithm>

#include "annotate/label_rules.hpp"
#include "annotate/span_cover.hpp"

namespace tide {

Expected<std::vector<int8_t>> in_span_labels(size_t n, const std::vector<Span>& spans, std::span<const uint64_t> x,
                                             CancelCheck& cancel) {
  std::vector<int8_t> out(n, -1);
  if (spans.empty()) return out;
  auto holds_x = [&](const Span& sp) {
    auto it = std::lower_bound(x.begin(), x.end(), sp.start);
    return it != x.end() && *it <= sp.end;
  };
  // A position covered by several spans is 1 when any of them holds an X.
  const std::vector<int64_t> ends = ends_by_start(spans, n);
  const std::vector<int64_t> ends_with_x = ends_by_start(spans, n, holds_x);
  Reach any, with_x;
  for (size_t i = 0; i < n; ++i) {
    if (cancel.poll()) return cancelled();
    const bool in_any = any.covers(ends[i], i);
    if (with_x.covers(ends_with_x[i], i)) {
      out[i] = 1;
    } else if (in_any) {
      out[i] = 0;
    }
  }
  return out;
}

}  // namespace tide
