// The state instances of a machine run over every document of a corpus.
#pragma once

#include <cstdint>
#include <vector>

#include "corpus/corpus_view.hpp"
#include "state/finalize.hpp"
#include "state/state_instance.hpp"
#include "types/cancel.hpp"
#include "types/expected.hpp"

namespace tide {

// One column per field of the single-stream rows, with the document of
// each instance; the column types are those of the result arrays.
struct CorpusStates {
  std::vector<int64_t> doc;
  std::vector<int32_t> state;
  std::vector<int64_t> start_pos, end_pos;
  std::vector<double> t_start, t_end;
  std::vector<int64_t> n_events;
  std::vector<int8_t> close_reason, reject_reason, valid, timeout_entered;

  void push(int64_t k, const StateInstance& s);
};

// Each document runs the machine from its base state, as its own stream;
// instances come in document order and, within a document, in the run's
// order, positions within the document. Invalid instances are kept only
// with include_invalid. Fails with the first document's run error (a
// cancellation included).
Expected<CorpusStates> corpus_state_spans(const FinalizedMachine& machine, const CorpusView& corpus,
                                          bool include_invalid, CancelCheck& cancel);

}  // namespace tide
