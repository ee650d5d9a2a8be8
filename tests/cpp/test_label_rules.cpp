// The span rules against direct computations from their definitions, on
// random points and spans that overlap in every way (spans from token pairs,
// which the Python tests use, can only nest with a shared end). Values are
// small integers or NaN, so that sums are exact in any order.
#include <algorithm>
#include <cmath>
#include <random>

#include "annotate/label_rules.hpp"
#include "check.hpp"
#include "engine_helpers.hpp"

using namespace tide;

namespace {

// The aggregate of `values` by its definition; NaN for min, max and mean
// when no value is a number.
double aggregate(AggKind agg, const std::vector<double>& values) {
  if (agg == AggKind::Count) return static_cast<double>(values.size());
  double acc = agg == AggKind::Min ? kInf : agg == AggKind::Max ? -kInf : 0.0;
  size_t k = 0;
  for (const double v : values) {
    if (std::isnan(v)) continue;
    ++k;
    acc = agg == AggKind::Min ? std::min(acc, v) : agg == AggKind::Max ? std::max(acc, v) : acc + v;
  }
  if (k == 0) return kNaN;
  return agg == AggKind::Mean ? acc / static_cast<double>(k) : acc;
}

struct Case {
  size_t n = 0;
  std::vector<uint64_t> point_pos;  // ascending, distinct
  std::vector<double> point_values;
  std::vector<Span> spans;
};

Case random_case(std::mt19937& rng) {
  Case c;
  const size_t n = c.n = std::uniform_int_distribution<size_t>(0, 24)(rng);
  std::bernoulli_distribution coin(0.4);
  for (size_t p = 0; p < n; ++p) {
    if (coin(rng)) {
      c.point_pos.push_back(p);
      c.point_values.push_back(coin(rng) && coin(rng) ? kNaN : std::uniform_int_distribution<int>(-5, 5)(rng));
    }
  }
  const size_t n_spans = n == 0 ? 0 : std::uniform_int_distribution<size_t>(0, 6)(rng);
  for (size_t k = 0; k < n_spans; ++k) {
    const uint64_t s = std::uniform_int_distribution<uint64_t>(0, n - 1)(rng);
    c.spans.push_back({s, std::uniform_int_distribution<uint64_t>(s, n - 1)(rng)});
  }
  return c;
}

constexpr AggKind kAggs[] = {AggKind::Min, AggKind::Max, AggKind::Mean, AggKind::Count};

}  // namespace

TEST(span_aggregates_equal_writing_spans_in_order) {
  std::mt19937 rng(12);
  for (int round = 0; round < 2000; ++round) {
    const Case c = random_case(rng);
    const size_t n = c.n;
    std::vector<Span> order = c.spans;
    std::sort(order.begin(), order.end(),
              [](const Span& a, const Span& b) { return a.start != b.start ? a.start < b.start : a.end < b.end; });
    for (const AggKind agg : kAggs) {
      std::vector<double> expected(n, kNaN);
      for (const Span& sp : order) {
        std::vector<double> inside;
        for (size_t k = 0; k < c.point_pos.size(); ++k)
          if (sp.start <= c.point_pos[k] && c.point_pos[k] <= sp.end) inside.push_back(c.point_values[k]);
        for (uint64_t p = sp.start; p <= sp.end; ++p) expected[p] = aggregate(agg, inside);
      }
      CancelCheck cancel;
      auto got = span_aggregates(n, c.spans, c.point_pos, c.point_values, agg, cancel);
      CHECK(got && engine_test::same_floats(*got, expected));
    }
  }
}

TEST(in_span_labels_equal_their_definition) {
  std::mt19937 rng(14);
  for (int round = 0; round < 2000; ++round) {
    const Case c = random_case(rng);
    const size_t n = c.n;
    std::vector<int8_t> expected(n, -1);
    for (size_t i = 0; i < n; ++i)
      for (const Span& sp : c.spans) {
        if (sp.start > i || i > sp.end) continue;
        const bool has_x = std::any_of(c.point_pos.begin(), c.point_pos.end(),
                                       [&](uint64_t p) { return sp.start <= p && p <= sp.end; });
        expected[i] = std::max<int8_t>(expected[i], has_x ? 1 : 0);
      }
    CancelCheck cancel;
    auto got = in_span_labels(n, c.spans, c.point_pos, cancel);
    CHECK(got && *got == expected);
  }
}

TEST(window_bounds_that_are_nan_hold_nothing) {
  // An infinite window from time -inf has the upper end -inf + inf = NaN;
  // a NaN time has NaN ends. Neither window holds a point.
  const std::vector<double> times = {-kInf, 0.0, kNaN, 1.0};
  const std::vector<double> point_times = {0.0, 1.0}, point_values = {1.0, 1.0};
  CancelCheck cancel;
  auto labels = occurrence_labels(times, point_times, {kInf, true, true}, cancel);
  CHECK(labels && *labels == (std::vector<int8_t>{0, 1, 0, 1}));
  auto counts = window_aggregates(times, point_times, point_values, {kInf, true, true}, AggKind::Count, cancel);
  CHECK(counts && engine_test::same_floats(*counts, {kNaN, 2.0, kNaN, 1.0}));
}

TEST(rules_stop_when_cancelled) {
  const size_t n = 3 * CancelCheck::kInterval;
  const std::vector<double> times(n, 0.0);
  const std::vector<Span> spans = {{0, n - 1}};
  CancelCheck stop([](void*) { return true; }, nullptr);
  auto labels = occurrence_labels(times, {}, {1.0, true, true}, stop);
  CHECK(!labels && labels.error().kind == ErrorKind::Cancelled);
  auto values = span_aggregates(n, spans, {}, {}, AggKind::Count, stop);
  CHECK(!values && values.error().kind == ErrorKind::Cancelled);
}
