#include "engine/search.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <utility>
#include <variant>
#include <vector>

#include "engine/buffer_ops.hpp"
#include "engine/candidates.hpp"
#include "engine/collector_ops.hpp"
#include "engine/cons_list.hpp"
#include "engine/duration_cut.hpp"
#include "engine/engine.hpp"
#include "engine/hit_deadline.hpp"
#include "engine/occurrence_bounds.hpp"

namespace tide {
namespace {

constexpr size_t kAbsent = SIZE_MAX;

// The part of a branch that is cloned when it splits. last_time and
// last_token are set together, when the branch has matched an element.
struct MatchState {
  bool has_last = false;
  double last_time = 0.0;
  TokenId last_token = 0;
  CollectorResult collected;
  CollectorResult mid_collected;
  CellPool::Ref path = CellPool::kNil;  // one reference held
};

struct StackEntry {
  // User-provided, so that the stack's emplace_back() runs only the member
  // initializers below and does not first clear the whole entry.
  StackEntry();

  MatchState state;
  bool has_record = false;  // record: the element matched by the move that made this entry
  uint32_t rec_element = 0;
  size_t rec_start = 0;
  size_t rec_count = 0;
  uint64_t used = 0;
  size_t pos = 0;
  size_t m_start = kAbsent;
  size_t m_end = kAbsent;
  double t_start = kInf;
  double t_end = -kInf;
};

StackEntry::StackEntry() = default;

}  // namespace

// Reused from one search to the next; every search starts by resetting it.
struct SearchMemory {
  CandidateTables tables;
  HitList hits;
  TokenScan relevant;  // the tokens of the positions a scan must visit
  OccurrenceBounds bounds;
  HitDeadline deadline;  // of the current scan's candidates
  CellPool cells;
  std::vector<StackEntry> stack;
  SpanTable spans{};  // zero but for the slots in spans_written
  uint64_t spans_written = 0;
  std::array<size_t, kMaxPatternElements> slot_pos;  // assemble a completed match
  std::array<double, kMaxPatternElements> slot_time;
  std::array<uint32_t, kMaxPatternElements> slot_count;
};

SearchScratch::SearchScratch() = default;
SearchScratch::~SearchScratch() = default;

SearchMemory& SearchScratch::memory() {
  if (!memory_) memory_ = std::make_unique<SearchMemory>();
  return *memory_;
}

namespace {

// Sets the result of a new entry, NoResult until then; with no collector
// there is nothing to copy.
template <class R>
void assign_result(CollectorResult& fresh, R&& result) {
  if (!std::holds_alternative<NoResult>(result)) fresh = std::forward<R>(result);
}

// A mapped element reads the span its source element matched on the branch,
// unless the source is not an earlier element of an ordered pattern: then
// it may read a span left in the span table by a branch searched before,
// and dropping branches would change what it reads there.
bool prunable(const Pattern& p) {
  for (size_t k = 0; k < p.elements.size(); ++k) {
    const auto* m = std::get_if<MappedEvent>(&p.elements[k]);
    if (m != nullptr && !(p.ordered && m->source_element < k)) return false;
  }
  return true;
}

class Search {
 public:
  Search(const Engine& engine, const StreamView& stream, bool first_only, MatchBuffer& buf, CancelCheck& cancel,
         SearchMemory& memory)
      : engine_(engine),
        pattern_(engine.pattern),
        s_(stream),
        first_only_(first_only),
        buf_(buf),
        cancel_(cancel),
        tests_(engine.pattern, stream, cancel),
        m_(memory),
        prune_(prunable(engine.pattern)) {}

  Status run();

 private:
  // Empties the stack, the cell pool and the span table of an earlier search.
  void reset();
  // Scans from e.pos; false when cancelled.
  bool scan(StackEntry& e);
  void branch(StackEntry& e, size_t p, TokenId x, double t);
  // Emits e when it meets the pattern-wide bounds; true when it was emitted.
  bool complete(const StackEntry& e);
  bool midstream_active(uint64_t used) const;
  // The elements a branch that has matched `used` scans for: the pending
  // ones, only the first of them when the pattern is ordered.
  uint64_t candidates_of(uint64_t used) const;

  const Engine& engine_;
  const Pattern& pattern_;
  StreamView s_;
  bool first_only_;
  MatchBuffer& buf_;
  CancelCheck& cancel_;

  ElementTests tests_;
  SearchMemory& m_;
  bool prune_;  // whether branches that cannot complete are dropped
};

void Search::reset() {
  m_.stack.clear();
  m_.cells.reset();
  for (uint64_t rest = m_.spans_written; rest != 0; rest &= rest - 1) m_.spans[__builtin_ctzll(rest)] = {};
  m_.spans_written = 0;
}

Status Search::run() {
  reset();
  StackEntry start;
  start.state.collected = empty_result(pattern_.collector);
  start.state.mid_collected = pattern_.midstream ? empty_result(pattern_.midstream->collector) : NoResult{};
  m_.stack.push_back(std::move(start));
  // When an element's first tokens never occur, no match exists.
  if (!m_.bounds.locate(engine_.first_tokens, s_, cancel_)) return cancel_.stopped() ? cancelled() : ok_status();

  while (!m_.stack.empty()) {
    if (cancel_.poll()) return cancelled();
    StackEntry e = std::move(m_.stack.back());
    m_.stack.pop_back();
    if (e.has_record) {
      m_.spans[e.rec_element] = {e.rec_start, e.rec_count};
      m_.spans_written |= uint64_t{1} << e.rec_element;
    }

    if (e.used == engine_.full_mask) {
      const bool emitted = complete(e);
      m_.cells.release(e.state.path);
      if (emitted && first_only_) return ok_status();
      continue;
    }

    bool ok = true;
    const uint64_t pending = ~e.used & engine_.full_mask;
    // A branch whose pending elements no longer fit in the rest of the
    // stream is dropped before its scan.
    if (e.pos < s_.len && (!prune_ || m_.bounds.reachable(pending, e.pos))) {
      tests_.build(m_.tables, candidates_of(e.used), e.state.has_last ? &e.state.last_token : nullptr, m_.spans);
      // With nothing that could hit, the scan could push nothing: skip it.
      if (!m_.tables.nothing_to_match()) ok = scan(e);
    }
    m_.cells.release(e.state.path);
    if (!ok) return cancelled();
  }
  return ok_status();
}

uint64_t Search::candidates_of(uint64_t used) const {
  const uint64_t pending = ~used & engine_.full_mask;
  return pattern_.ordered ? (pending & (~pending + 1)) : pending;
}

bool Search::midstream_active(uint64_t used) const {
  if (!pattern_.midstream) return false;
  const MidstreamCollector& m = *pattern_.midstream;
  return (used & m.start_after_mask) == m.start_after_mask && (used & m.stop_before_mask) == 0;
}

bool Search::scan(StackEntry& e) {
  // The popped entry is ours alone: its state serves as the scan's copy.
  MatchState& st = e.state;
  const bool mid_active = midstream_active(e.used);
  const double max_dt = pattern_.max_dt;
  const bool has_start = e.t_start != kInf;
  // A position whose token is not relevant is one where every step below
  // does nothing, bar the duration cut: such positions are passed over, the
  // cut still checked at each of them when it can happen at all.
  m_.relevant.clear();
  tests_.scan_tokens(m_.tables, mid_active ? &pattern_.midstream->trie : nullptr, m_.relevant);
  const bool cut_live = has_start && max_dt < kInf;
  // Past the candidates' time bounds, on a stream whose times never go back,
  // nothing further can hit: the scan ends at the first such position.
  // Whether the times never go back is asked only once a position is past
  // those bounds, as the walk over the times costs more than most scans.
  const bool deadline_live = m_.deadline.set(pattern_, candidates_of(e.used), st.has_last, st.last_time);

  for (size_t p = e.pos; p < s_.len; ++p) {
    if (cancel_.poll()) return false;
    if (m_.relevant.skips()) {
      const size_t q = m_.relevant.next(s_.tokens, p, s_.len);
      if (cancel_.charge(q - p)) return false;  // positions passed over count as work too
      if (cut_live && cut_in(s_.times, p, q, e.t_start, max_dt)) break;
      p = q;
      if (p == s_.len) break;
    }
    // The time is read only where a step needs it: most visited positions
    // fail on their token or value alone.
    const TokenId x = s_.tokens[p];
    const double v = s_.value_at(p);

    // 1. Duration cut.
    if (cut_live && s_.times[p] - e.t_start > max_dt) break;
    // 2. Midstream collection.
    if (mid_active && pattern_.midstream->trie.match_at(s_, p, &cancel_))
      collector_update_in_place(pattern_.midstream->collector, st.mid_collected, x, s_.times[p]);
    // 3. Mapped block test.
    const bool mapped_blocked = !m_.tables.resolved.empty() && tests_.mapped_block(m_.tables, x, v);
    // 4. Token block test.
    if (!m_.tables.block.empty()) {
      if (const uint64_t retired = tests_.token_block(m_.tables, x, v)) {
        ElementTests::remove_retired(m_.tables, retired);
        if (m_.tables.nothing_to_match()) break;
        continue;
      }
    }
    // 5. Sequence block test.
    if (!m_.tables.block_seq.empty() && tests_.sequence_block(m_.tables, p) && m_.tables.nothing_to_match()) break;
    // 6. A mapped block also spares position p from the match test.
    if (mapped_blocked) {
      if (m_.tables.nothing_to_match()) break;
      continue;
    }
    // 7. Match test.
    tests_.hit_test(m_.tables, p, x, v, st.has_last, st.last_time, m_.hits);
    // 8. No element hit: scan on. 9. Hits: branch on them and end this scan; the
    // continuation that branch() pushes when a hit may backtrack resumes it at p + 1.
    if (m_.hits.empty()) {
      if (deadline_live && m_.deadline.passed(s_.times[p]) && m_.bounds.sorted(cancel_)) break;
      continue;
    }
    branch(e, p, x, s_.times[p]);
    break;
  }
  return true;
}

void Search::branch(StackEntry& e, size_t p, TokenId x, double t) {
  MatchState& st = e.state;
  // 1. The continuation resumes this scan at p + 1.
  const bool any_backtrackable = std::any_of(
      m_.hits.begin(), m_.hits.end(), [&](const Hit& h) { return is_backtrackable(pattern_.elements[h.element]); });
  if (any_backtrackable) {
    StackEntry& c = m_.stack.emplace_back();
    c.state.has_last = st.has_last;
    c.state.last_time = st.last_time;
    c.state.last_token = st.last_token;
    assign_result(c.state.collected, st.collected);
    assign_result(c.state.mid_collected, st.mid_collected);
    c.state.path = st.path;
    m_.cells.retain(st.path);
    c.has_record = e.has_record;
    c.rec_element = e.rec_element;
    c.rec_start = e.rec_start;
    c.rec_count = e.rec_count;
    c.used = e.used;
    c.pos = p + 1;
    c.m_start = e.m_start;
    c.m_end = e.m_end;
    c.t_start = e.t_start;
    c.t_end = e.t_end;
  }
  // 2. Bounds shared by every child.
  const bool first = e.m_start == kAbsent;
  const size_t m_start = first ? p : std::min(e.m_start, p);
  const double t_start = first ? t : e.t_start;
  const double t_end = e.m_end == kAbsent ? t : std::max(e.t_end, t);
  CollectorResult collected;
  if (pattern_.collector != CollectorStrategy::None)
    collected = collector_update(pattern_.collector, st.collected, x, t);

  // 3. Children from the last hit to the first, so that the first pops next.
  for (size_t i = m_.hits.size(); i-- > 0;) {
    const Hit& h = m_.hits[i];
    const bool last_child = i == 0;  // the scan's state is not needed after it
    StackEntry& c = m_.stack.emplace_back();
    c.state.has_last = true;
    c.state.last_time = t;
    c.state.last_token = x;
    if (last_child) {
      assign_result(c.state.collected, std::move(collected));
      assign_result(c.state.mid_collected, std::move(st.mid_collected));
    } else {
      assign_result(c.state.collected, collected);
      assign_result(c.state.mid_collected, st.mid_collected);
    }
    c.state.path = m_.cells.make(ElMatch{p, t, h.count}, st.path);
    c.has_record = true;
    c.rec_element = h.element;
    c.rec_start = p;
    c.rec_count = h.count;
    c.used = e.used | (uint64_t{1} << h.element);
    c.pos = p + h.count;
    c.m_start = m_start;
    const size_t last_pos = p + h.count - 1;
    c.m_end = e.m_end == kAbsent ? last_pos : std::max(e.m_end, last_pos);
    c.t_start = t_start;
    c.t_end = t_end;
  }
}

bool Search::complete(const StackEntry& e) {
  const double duration = e.t_end - e.t_start;
  if (!(pattern_.min_dt <= duration && duration <= pattern_.max_dt && pattern_.min_at <= e.t_start &&
        e.t_end <= pattern_.max_at))
    return false;
  const size_t n = engine_.n;
  CellPool::Ref r = e.state.path;
  for (size_t i = 0; i < n; ++i, r = m_.cells.next(r)) {
    const ElMatch& m = m_.cells.match(r);
    m_.slot_pos[n - 1 - i] = m.stream_idx;
    m_.slot_time[n - 1 - i] = m.time;
    m_.slot_count[n - 1 - i] = m.count;
  }
  append_row(buf_, s_, e.m_start, e.m_end, e.t_start, e.t_end, m_.slot_pos.data(), m_.slot_time.data(),
             m_.slot_count.data());
  push_collector_result(buf_.result_scalars, buf_.result_lists, e.state.collected);
  push_collector_result(buf_.mid_scalars, buf_.mid_lists, e.state.mid_collected);
  return true;
}

}  // namespace

Status match_full(const Engine& engine, const StreamView& stream, bool first_only, MatchBuffer& buf,
                  CancelCheck& cancel, SearchScratch& scratch) {
  Search search(engine, stream, first_only, buf, cancel, scratch.memory());
  const Status st = search.run();
  if (st && cancel.stopped()) return cancelled();  // a sequence walk gave up after the last poll
  return st;
}

}  // namespace tide
