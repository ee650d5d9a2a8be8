// The pickled form: bytes cut short anywhere are refused without reading past
// their end, and any mapped source element is kept as it is.
#include "check.hpp"
#include "codec/pickled.hpp"
#include "engine_helpers.hpp"
#include "intern/interner.hpp"

using namespace engine_test;

namespace {

TokenId id(const char* text) { return *global_interner().intern(text); }

// An event with a block, a set with value constraints and a sequence trie
// of one branch per node (so its bytes do not depend on a map's order).
Pattern sample() {
  Event e = ev(id("codec-a"));
  e.block_token = id("codec-z");
  e.match_constraint = ValueConstraint::range(1.0, 2.0);
  EventSet set;
  set.match_tokens = {id("codec-b"), id("codec-c")};
  set.match_constraints = {ValueConstraint::require_nan(), ValueConstraint::any()};
  set.max_dt = 4.5;
  EventSeq seq;
  seq.match_trie = trie_of({{id("codec-b"), id("codec-a")}});
  Pattern p = pattern({e, set, seq}, false);
  p.collector = CollectorStrategy::CollectPairs;
  return p;
}

}  // namespace

TEST(truncated_bytes_are_refused) {
  const Pickled whole = pickle(sample());
  for (size_t cut = 0; cut < whole.bytes.size(); ++cut) {
    auto r = unpickle_pattern({whole.bytes.substr(0, cut), whole.texts});
    CHECK(!r.ok() && r.error().message == "corrupt pickled tidemark object");
  }
}

TEST(mapped_elements_keep_any_source_element) {
  // The builder takes any source element (one that never matches selects
  // the default), so the pickled form keeps it as it is.
  MappedEvent m;
  m.source_element = ~size_t{0};
  auto r = unpickle_pattern(pickle(pattern({ev(id("codec-a")), m})));
  CHECK(r.ok() && std::get<MappedEvent>(r->elements[1]).source_element == ~size_t{0});
}
