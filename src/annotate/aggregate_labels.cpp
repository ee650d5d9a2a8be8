#include <algorithm>

#include "annotate/label_rules.hpp"
#include "annotate/range_aggregate.hpp"
#include "annotate/span_cover.hpp"
#include "types/value_constraint.hpp"

namespace tide {

Expected<std::vector<double>> window_aggregates(std::span<const double> times, std::span<const double> point_times,
                                                std::span<const double> point_values, const TimeWindow& window,
                                                AggKind agg, CancelCheck& cancel) {
  const size_t n = times.size();
  std::vector<double> out(n, kNaN);
  if (n == 0 || point_times.empty()) return out;
  const double first = times.front(), last = times.back();
  const RangeAggregate values(agg, point_values);
  WindowCursor cursor(point_times);
  // Both cursors only move forward, so the window's range of points changes
  // at most twice per point: the aggregate is recomputed only when it does.
  size_t cached_a = 0, cached_b = 0;
  double cached = kNaN;
  for (size_t i = 0; i < n; ++i) {
    if (cancel.poll()) return cancelled();
    const double lo = window.lo(times[i]), hi = window.hi(times[i]);
    if (window.cut_off(lo, hi, first, last) || !cursor.seek(lo, hi)) continue;
    if (cursor.a() != cached_a || cursor.b() != cached_b) {
      cached_a = cursor.a();
      cached_b = cursor.b();
      cached = values.over(cached_a, cached_b);
    }
    out[i] = cached;
  }
  return out;
}

Expected<std::vector<double>> span_aggregates(size_t n, const std::vector<Span>& spans,
                                              std::span<const uint64_t> point_pos, std::span<const double> point_values,
                                              AggKind agg, CancelCheck& cancel) {
  std::vector<double> out(n, kNaN);
  if (spans.empty()) return out;
  const RangeAggregate values(agg, point_values);
  // Writing the spans in (start, end) order, each over the earlier ones,
  // leaves at every position the span with the largest start covering it,
  // and of those the one with the largest end. Only that span of each start
  // matters; a stack of the spans begun so far, latest on top, finds it.
  const std::vector<Span> sorted = sorted_spans(spans);
  SpanSweep sweep(sorted);
  struct Open {
    uint64_t end;
    double value;
  };
  std::vector<Open> open;
  for (size_t i = 0; i < n; ++i) {
    if (cancel.poll()) return cancelled();
    while (!open.empty() && open.back().end < i) open.pop_back();
    const std::span<const Span> starting = sweep.starting_at(i);
    if (!starting.empty()) {
      const uint64_t end = starting.back().end;
      const auto a = std::lower_bound(point_pos.begin(), point_pos.end(), uint64_t{i}) - point_pos.begin();
      const auto b = std::upper_bound(point_pos.begin(), point_pos.end(), end) - point_pos.begin();
      open.push_back({end, values.over(static_cast<size_t>(a), static_cast<size_t>(b))});
    }
    if (!open.empty()) out[i] = open.back().value;
  }
  return out;
}

}  // namespace tide
