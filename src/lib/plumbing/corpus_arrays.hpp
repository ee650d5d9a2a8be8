// The corpus arguments shared by the entry points that take a pre-coded
// corpus: token_ids (uint32), times (float64), offsets (int64) and optional
// values (float64), one-dimensional and contiguous, read in place.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "corpus/corpus_view.hpp"
#include "lib/plumbing/py_ref.hpp"
#include "types/stream.hpp"
#include "types/token_id.hpp"

namespace tide::py {

class CorpusArrays {
 public:
  // Checks in order: each array's type (naming the argument), contiguity,
  // a non-empty offsets array, then the lengths of times and values against
  // token_ids. `values` may be null or None.
  bool read(PyObject* token_ids, PyObject* times, PyObject* offsets, PyObject* values);

  // Every row, and the offsets as given (after read()).
  const StreamView& rows() const { return rows_; }
  std::span<const int64_t> offsets() const { return offsets_; }

  // The corpus, after checking that the offsets cut the rows into documents
  // (a ValueError naming the first bad document otherwise).
  bool corpus(CorpusView* out) const;

 private:
  StreamView rows_;
  std::span<const int64_t> offsets_;
  // Copies of the arrays whose data is not aligned for their type.
  std::vector<TokenId> token_copy_;
  std::vector<double> time_copy_, value_copy_;
  std::vector<int64_t> offset_copy_;
};

}  // namespace tide::py
