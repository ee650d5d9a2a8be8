#include "corpus/corpus_states.hpp"

#include "state/run.hpp"

namespace tide {

void CorpusStates::push(int64_t k, const StateInstance& s) {
  doc.push_back(k);
  state.push_back(static_cast<int32_t>(s.state));
  start_pos.push_back(static_cast<int64_t>(s.start_pos));
  end_pos.push_back(static_cast<int64_t>(s.end_pos));
  t_start.push_back(s.t_start);
  t_end.push_back(s.t_end);
  n_events.push_back(static_cast<int64_t>(s.n_events));
  close_reason.push_back(static_cast<int8_t>(s.close_reason));
  reject_reason.push_back(static_cast<int8_t>(s.reject_reason));
  valid.push_back(s.valid);
  timeout_entered.push_back(s.timeout_entered);
}

Expected<CorpusStates> corpus_state_spans(const FinalizedMachine& machine, const CorpusView& corpus,
                                          bool include_invalid, CancelCheck& cancel) {
  CorpusStates out;
  for (size_t k = 0; k < corpus.n_docs(); ++k) {
    if (cancel.poll()) return cancelled();
    auto instances = run_machine(machine, corpus.doc(k), cancel);
    if (!instances) return instances.error();
    for (const StateInstance& s : *instances)
      if (include_invalid || s.valid) out.push(static_cast<int64_t>(k), s);
  }
  return out;
}

}  // namespace tide
