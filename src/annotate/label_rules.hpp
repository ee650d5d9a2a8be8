// The rules that compute one label column each, over the positions, times,
// points and spans of one stream. Every column has one entry per position;
// times are non-decreasing. Each rule fails only when the cancellation check
// stops it.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "annotate/annotation_kind.hpp"
#include "annotate/span_ref.hpp"
#include "annotate/time_window.hpp"
#include "state/state_instance.hpp"
#include "types/cancel.hpp"
#include "types/expected.hpp"

namespace tide {

// 1 when some point time lies in the window of the position, 0 when none
// does, -1 when the window is cut off by an end of the stream.
// `point_times` ascending, without NaN.
Expected<std::vector<int8_t>> occurrence_labels(std::span<const double> times, std::span<const double> point_times,
                                                const TimeWindow& window, CancelCheck& cancel);

// 2 inside a span; elsewhere the occurrence label of the span start times.
Expected<std::vector<int8_t>> span_occurrence_labels(std::span<const double> times, const std::vector<Span>& spans,
                                                     const TimeWindow& window, CancelCheck& cancel);

// The epochs delimited by the positions `y` (ascending), each labelled by
// whether it holds one of the positions `x` (ascending).
Expected<std::vector<int8_t>> epoch_labels(size_t n, std::span<const uint64_t> x, std::span<const uint64_t> y,
                                           bool reset, CancelCheck& cancel);

// 1 in a span that holds one of the positions `x` (ascending), 0 in spans
// that hold none, -1 outside every span.
Expected<std::vector<int8_t>> in_span_labels(size_t n, const std::vector<Span>& spans, std::span<const uint64_t> x,
                                             CancelCheck& cancel);

// The aggregate of the values of the points inside each position's window;
// NaN for an empty or cut-off window. `point_times` ascending, without NaN.
Expected<std::vector<double>> window_aggregates(std::span<const double> times, std::span<const double> point_times,
                                                std::span<const double> point_values, const TimeWindow& window,
                                                AggKind agg, CancelCheck& cancel);

// The aggregate of the values of the points inside each span, written over
// the span; where spans overlap, the last in (start, end) order wins. NaN
// outside every span. `point_pos` ascending.
Expected<std::vector<double>> span_aggregates(size_t n, const std::vector<Span>& spans,
                                              std::span<const uint64_t> point_pos, std::span<const double> point_values,
                                              AggKind agg, CancelCheck& cancel);

// default_state, then invalid_label over the invalid instances, then the
// state id over the valid ones.
Expected<std::vector<int32_t>> state_labels(size_t n, const std::vector<StateInstance>& instances,
                                            int32_t default_state, int32_t invalid_label, CancelCheck& cancel);

}  // namespace tide
