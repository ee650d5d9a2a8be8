// Element hits the search must order or forget correctly: the order of hits
// at one position, and search memory reused between streams.
#include "check.hpp"
#include "engine_helpers.hpp"

using namespace engine_test;

namespace {

ResolvedElement spec(std::vector<TokenId> match) {
  ResolvedElement r;
  r.match_tokens = std::move(match);
  return r;
}

MappedEvent mapped(size_t source, std::vector<std::pair<std::vector<TokenId>, ResolvedElement>> entries,
                   std::optional<ResolvedElement> dflt = std::nullopt) {
  MappedEvent m;
  m.source_element = source;
  for (auto& [k, v] : entries) m.match_map.emplace(k, v);
  m.default_spec = std::move(dflt);
  return m;
}

}  // namespace

TEST(element_hit_order_at_one_position) {
  // Unordered {E0: X token, E1: time element} on X X: at position 0 the time
  // element hits before the token element, so the branch E1@0, E0@1 comes
  // first. A midstream counter of X that stops once E0 has matched tells
  // the two assignments apart: 2 for E1-first, 1 for E0-first.
  Pattern p = pattern({ev(X), TimeEvent{}}, false);
  MidstreamCollector mid;
  mid.stop_before_mask = 1;  // element 0
  mid.trie = trie_of({{X}});
  mid.collector = CollectorStrategy::Count;
  p.midstream = mid;
  MatchBuffer b = run(p, stream({X, X}));
  CHECK(spans(b) == (Spans{{0, 1}, {0, 1}}));
  CHECK(b.mid_scalars == (std::vector<double>{2, 1}));

  // Sequence before token: {E0: X token, E1: sequence [X]}.
  EventSeq seq;
  seq.match_trie = trie_of({{X}});
  Pattern s = pattern({ev(X), seq}, false);
  s.midstream = mid;
  MatchBuffer c = run(s, stream({X, X}));
  CHECK(c.mid_scalars == (std::vector<double>{2, 1}));
  // ... and mapped before token.
  Pattern m = pattern({ev(X), mapped(0, {}, spec({X}))}, false);
  m.midstream = mid;
  CHECK(run(m, stream({X, X})).mid_scalars == (std::vector<double>{2, 1}));
}

TEST(element_mapped_event_reused_search_memory_holds_no_span) {
  // Element 0 reads the span of element 1, which comes after it: nothing is
  // recorded for it when element 0 is pending the first time, so the
  // default (X) applies. A search reusing the memory of one that recorded
  // element 1 at position 1 must not read that span: on Z Q B it would key
  // Q and match Z.
  Pattern p = pattern({mapped(1, {{{Q}, spec({Z})}}, spec({X})), ev(B)});
  MatchScratch reused;
  CHECK(run_into(p, stream({X, B}), false, false, reused) && spans(reused.buf) == (Spans{{0, 1}}));
  CHECK(run_into(p, stream({Z, Q, B}), false, false, reused) && spans(reused.buf).empty());
  CHECK(spans(run(p, stream({Z, Q, B}))).empty());
}
