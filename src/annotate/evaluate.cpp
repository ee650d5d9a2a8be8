#include "annotate/evaluate.hpp"

#include <cmath>
#include <span>

#include "annotate/label_rules.hpp"
#include "annotate/resolve_spans.hpp"
#include "refs/match_points.hpp"
#include "state/run.hpp"

namespace tide {
namespace {

using Points = std::vector<RefPoint>;

template <class T>
Expected<LabelColumn> column(Expected<std::vector<T>> r) {
  if (!r) return r.error();
  return LabelColumn(std::move(*r));
}

std::vector<uint64_t> positions(const Points& pts) {
  std::vector<uint64_t> out;
  out.reserve(pts.size());
  for (const RefPoint& p : pts) out.push_back(p.start);
  return out;
}

// The times and values of the points, compacted for a sweep. A point whose
// time is NaN lies in no window and is left out.
struct TimedValues {
  std::vector<double> times;
  std::vector<double> values;
};

TimedValues timed(const Points& pts) {
  TimedValues out;
  out.times.reserve(pts.size());
  out.values.reserve(pts.size());
  for (const RefPoint& p : pts) {
    if (std::isnan(p.time)) continue;
    out.times.push_back(p.time);
    out.values.push_back(p.value);
  }
  return out;
}

class Evaluator {
 public:
  Evaluator(const StreamView& s, CancelCheck& cancel) : s_(s), times_(s.times, s.len), cancel_(cancel) {}

  Expected<LabelColumn> operator()(const FutureOccurrence& k) {
    return occurrence(k.ref, {k.window_t, true, k.partial_window});
  }
  Expected<LabelColumn> operator()(const PastOccurrence& k) {
    return occurrence(k.ref, {k.window_t, false, k.partial_window});
  }

  Expected<LabelColumn> operator()(const BeforeEvent& k) {
    auto x = match_points(k.x, s_, cancel_);
    if (!x) return x.error();
    auto y = match_points(k.y, s_, cancel_);
    if (!y) return y.error();
    return column(epoch_labels(s_.len, positions(*x), positions(*y), k.reset, cancel_));
  }

  Expected<LabelColumn> operator()(const InSpan& k) {
    auto spans = resolve_spans(k.span, s_, cancel_);
    if (!spans) return spans.error();
    auto x = match_points(k.x, s_, cancel_);
    if (!x) return x.error();
    return column(in_span_labels(s_.len, *spans, positions(*x), cancel_));
  }

  Expected<LabelColumn> operator()(const WindowAggregate& k) {
    auto pts = match_points(k.k, s_, cancel_);
    if (!pts) return pts.error();
    const TimedValues tv = timed(*pts);
    return column(
        window_aggregates(times_, tv.times, tv.values, {k.window_t, k.forward, k.partial_window}, k.agg, cancel_));
  }

  Expected<LabelColumn> operator()(const SpanAggregate& k) {
    auto spans = resolve_spans(k.span, s_, cancel_);
    if (!spans) return spans.error();
    auto pts = match_points(k.k, s_, cancel_);
    if (!pts) return pts.error();
    std::vector<double> values;
    values.reserve(pts->size());
    for (const RefPoint& p : *pts) values.push_back(p.value);
    return column(span_aggregates(s_.len, *spans, positions(*pts), values, k.agg, cancel_));
  }

  Expected<LabelColumn> operator()(const FutureSpanOccurrence& k) {
    return span_occurrence(k.ref, {k.window_t, true, k.partial_window});
  }
  Expected<LabelColumn> operator()(const PastSpanOccurrence& k) {
    return span_occurrence(k.ref, {k.window_t, false, k.partial_window});
  }

  Expected<LabelColumn> operator()(const StateLabel& k) {
    auto instances = run_machine(*k.machine, s_, cancel_);
    if (!instances) return instances.error();
    return column(state_labels(s_.len, *instances, k.default_state, k.invalid_label, cancel_));
  }

 private:
  Expected<LabelColumn> occurrence(const TokenRef& x, const TimeWindow& window) {
    auto pts = match_points(x, s_, cancel_);
    if (!pts) return pts.error();
    return column(occurrence_labels(times_, timed(*pts).times, window, cancel_));
  }

  Expected<LabelColumn> span_occurrence(const SpanRef& span, const TimeWindow& window) {
    auto spans = resolve_spans(span, s_, cancel_);
    if (!spans) return spans.error();
    return column(span_occurrence_labels(times_, *spans, window, cancel_));
  }

  const StreamView& s_;
  std::span<const double> times_;
  CancelCheck& cancel_;
};

}  // namespace

Expected<LabelColumn> evaluate(const AnnotKind& kind, const StreamView& s, CancelCheck& cancel) {
  return std::visit(Evaluator(s, cancel), kind);
}

}  // namespace tide
