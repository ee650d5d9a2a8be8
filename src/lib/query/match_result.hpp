// The match result dictionary: one NumPy array per column, built over the
// engine's buffers without copying.
#pragma once

#include <optional>

#include "engine/match_buffer.hpp"
#include "lib/plumbing/py_ref.hpp"
#include "types/collector.hpp"

namespace tide::py {

// Keys in order: m_start, m_end, t_start, t_end, el_stream_idx, el_times,
// el_tokens (only with include_tokens), result, mid_result.
PyObject* buf_to_py(MatchBuffer&& buf, CollectorStrategy collector, std::optional<CollectorStrategy> mid);

}  // namespace tide::py
