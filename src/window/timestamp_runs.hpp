// Per-timestamp collapsing and searches on the timestamp axis of a corpus:
// the rows of every document grouped into runs of equal times, and for a
// (document, time) the first run at or after that time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "types/cancel.hpp"
#include "types/expected.hpp"

namespace tide::window {

struct TimestampRuns {
  std::vector<int64_t> starts;       // the first row of every run, in row order
  std::vector<int64_t> doc_offsets;  // document d's runs are [doc_offsets[d], doc_offsets[d + 1])
};

// Runs of equal `times` within each document `offsets[d]:offsets[d + 1]` of
// `n_rows` rows. Offsets must rise from 0 to n_rows and times must not
// decrease within a document; the error names the document and row.
Expected<TimestampRuns> timestamp_runs(const int64_t* times, size_t n_rows, const int64_t* offsets, size_t n_docs,
                                       CancelCheck& cancel);

// For each query q: the first run of document doc[q] whose time is at or
// after at[q] (strictly after with `after`), as a global run index; the
// document's end when there is none. `run_times` and `doc_offsets` are as
// timestamp_runs made them; a document outside [0, n_docs) is an error.
Status locate_runs(const int64_t* run_times, const int64_t* doc_offsets, size_t n_docs, const int64_t* doc,
                   const int64_t* at, size_t n_queries, bool after, int64_t* out, CancelCheck& cancel);

}  // namespace tide::window
