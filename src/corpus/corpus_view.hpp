// A corpus in compressed-row form: the rows of every document stored one
// after another, and offsets that cut them into documents. Each document is
// its own stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "types/expected.hpp"
#include "types/stream.hpp"

namespace tide {

struct CorpusView {
  StreamView rows;                   // token ids, times and values of all rows
  std::span<const int64_t> offsets;  // document k is rows [offsets[k], offsets[k + 1]); checked by check_offsets

  size_t n_docs() const { return offsets.size() - 1; }
  StreamView doc(size_t k) const {
    return rows.slice(static_cast<size_t>(offsets[k]), static_cast<size_t>(offsets[k + 1]));
  }
  // The rows the documents cover: [first_row(), end_row()).
  size_t first_row() const { return static_cast<size_t>(offsets.front()); }
  size_t end_row() const { return static_cast<size_t>(offsets.back()); }
};

// Offsets that can cut `n_rows` rows into documents: at least one entry, no
// document starting before row 0, ending before it starts or past the last
// row. The ValueError names the first document that breaks a rule. Offsets
// need not start at 0 nor end at n_rows: a run of documents cut out of a
// larger corpus keeps the larger corpus's row numbers.
Status check_offsets(std::span<const int64_t> offsets, size_t n_rows);

}  // namespace tide
