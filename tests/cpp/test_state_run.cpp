#include "check.hpp"
#include "codec/pickled.hpp"
#include "engine_helpers.hpp"
#include "intern/interner.hpp"
#include "state/builder.hpp"
#include "state/finalize.hpp"
#include "state/run.hpp"

using namespace engine_test;

namespace {

StateMachineDecl one_state(double max_gap) {
  StateMachineDecl m;
  StateOptions opts;
  opts.name = "a";
  opts.max_gap = max_gap;
  add_state(m, *check_state(m, opts), std::nullopt, {});
  add_entry(m, *check_entry(m, "a", {}, "end"), {TokenRef::Single{"sr-x"}});
  return m;
}

}  // namespace

TEST(snapshot_is_independent_of_later_edits) {
  StateMachineDecl m = one_state(kInf);
  auto snap = finalize(m);
  CHECK(snap && (*snap)->states[0].sustain == std::vector<TriggerId>{0});
  add_entry(m, *check_entry(m, "a", {}, "start"), {TokenRef::Single{"sr-x"}});
  CHECK_EQ((*snap)->entries.size(), size_t{1});
  CHECK(m.states[0].sustain.empty());  // the default sustain is filled in on the copy only
}

TEST(timeout_chain_is_cut_off_without_finalization) {
  // A cycle that finalization would refuse, read back from the bytes of a
  // pickled state span (the machine, state 1, valid_only) that nothing
  // finalized: the run still ends, after more closings than there are states
  // at one position.
  StateMachineDecl m = one_state(1.0);
  m.states[0].timeout_to = 1;
  Pickled bytes = pickle(m);
  bytes.bytes += "\x01\x01";
  auto span = unpickle_state_span(bytes);
  CHECK(span);
  if (!span) return;
  Stream s = stream({*global_interner().intern("sr-x"), *global_interner().intern("sr-y")}, {0, 100});
  CancelCheck cancel;
  auto r = run_machine(*span->snapshot, s.view(), cancel);
  // Two closings (one state, plus one) at position 1 and two more after the
  // last position; the instance left open then ends the stream.
  CHECK(r && r->size() == 5);
  CHECK(r && r->back().close_reason == CloseReason::EndOfStream && r->back().timeout_entered);
}
