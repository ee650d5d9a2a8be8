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
  const std::vector<Span> sorted = sorted_spans(spans);
  SpanSweep sweep(sorted);
  Reach any, with_x;
  for (size_t i = 0; i < n; ++i) {
    if (cancel.poll()) return cancelled();
    for (const Span& sp : sweep.starting_at(i)) {
      any.take(sp.end);
      if (holds_x(sp)) with_x.take(sp.end);
    }
    if (with_x.covers(i)) {
      out[i] = 1;
    } else if (any.covers(i)) {
      out[i] = 0;
    }
  }
  return out;
}

}  // namespace tide
