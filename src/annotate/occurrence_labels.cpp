#include <cmath>

#include "annotate/label_rules.hpp"
#include "annotate/span_cover.hpp"

namespace tide {

Expected<std::vector<int8_t>> occurrence_labels(std::span<const double> times, std::span<const double> point_times,
                                                const TimeWindow& window, CancelCheck& cancel) {
  const size_t n = times.size();
  std::vector<int8_t> out(n);
  if (n == 0) return out;
  const double first = times.front(), last = times.back();
  WindowCursor cursor(point_times);
  for (size_t i = 0; i < n; ++i) {
    if (cancel.poll()) return cancelled();
    const double lo = window.lo(times[i]), hi = window.hi(times[i]);
    out[i] = window.cut_off(lo, hi, first, last) ? int8_t{-1} : static_cast<int8_t>(cursor.seek(lo, hi));
  }
  return out;
}

Expected<std::vector<int8_t>> span_occurrence_labels(std::span<const double> times, const std::vector<Span>& spans,
                                                     const TimeWindow& window, CancelCheck& cancel) {
  const size_t n = times.size();
  const std::vector<Span> sorted = sorted_spans(spans);
  std::vector<double> start_times;
  start_times.reserve(sorted.size());
  for (const Span& sp : sorted)
    if (sp.start < n && !std::isnan(times[sp.start])) start_times.push_back(times[sp.start]);
  auto out = occurrence_labels(times, start_times, window, cancel);
  if (!out) return out;
  SpanSweep sweep(sorted);
  Reach reach;
  for (size_t i = 0; i < n; ++i) {
    if (cancel.poll()) return cancelled();
    for (const Span& sp : sweep.starting_at(i)) reach.take(sp.end);
    if (reach.covers(i)) (*out)[i] = 2;
  }
  return out;
}

}  // namespace tide
