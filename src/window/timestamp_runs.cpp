#include "window/timestamp_runs.hpp"

#include <algorithm>
#include <string>

namespace tide::window {

Expected<TimestampRuns> timestamp_runs(const int64_t* times, size_t n_rows, const int64_t* offsets, size_t n_docs,
                                       CancelCheck& cancel) {
  if (offsets[0] != 0 || offsets[n_docs] != static_cast<int64_t>(n_rows))
    return value_error("offsets must start at 0 and end at the number of rows (" + std::to_string(n_rows) + ")");
  TimestampRuns runs;
  runs.doc_offsets.reserve(n_docs + 1);
  runs.doc_offsets.push_back(0);
  for (size_t d = 0; d < n_docs; ++d) {
    const int64_t lo = offsets[d], hi = offsets[d + 1];
    if (hi < lo) return value_error("offsets decrease at document " + std::to_string(d));
    for (int64_t r = lo; r < hi; ++r) {
      if (cancel.poll()) return cancelled();
      if (r > lo && times[r] < times[r - 1])
        return value_error("times decrease in document " + std::to_string(d) + " at row " + std::to_string(r));
      if (r == lo || times[r] != times[r - 1]) runs.starts.push_back(r);
    }
    runs.doc_offsets.push_back(static_cast<int64_t>(runs.starts.size()));
  }
  return runs;
}

Status locate_runs(const int64_t* run_times, const int64_t* doc_offsets, size_t n_docs, const int64_t* doc,
                   const int64_t* at, size_t n_queries, bool after, int64_t* out, CancelCheck& cancel) {
  for (size_t q = 0; q < n_queries; ++q) {
    if (cancel.poll()) return cancelled();
    const int64_t d = doc[q];
    if (d < 0 || d >= static_cast<int64_t>(n_docs))
      return value_error("query " + std::to_string(q) + " names document " + std::to_string(d) + " of " +
                         std::to_string(n_docs));
    const int64_t* first = run_times + doc_offsets[d];
    const int64_t* last = run_times + doc_offsets[d + 1];
    const int64_t* found = after ? std::upper_bound(first, last, at[q]) : std::lower_bound(first, last, at[q]);
    out[q] = found - run_times;
  }
  return ok_status();
}

}  // namespace tide::window
