// The match result dictionary: one NumPy array per column, built over the
// engine's buffers without copying.
#pragma once

#include <optional>

#include "engine/match_buffer.hpp"
#include "lib/py_ref.hpp"
#include "types/collector.hpp"

namespace tide::py {

// Keys in order: m_start, m_end, t_start, t_end, el_stream_idx, el_times,
// el_tokens (only with include_tokens), result, mid_result.
PyObject* buf_to_py(MatchBuffer&& buf, CollectorStrategy collector, std::optional<CollectorStrategy> mid);

// A collector's per-match results as their Python value (None, a float64
// array, or a list with one entry per match).
PyObject* collector_to_py(CollectorStrategy kind, std::vector<double>&& scalars,
                          std::vector<std::vector<CollectedItem>>&& lists);

}  // namespace tide::py
