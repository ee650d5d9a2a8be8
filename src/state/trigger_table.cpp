#include "state/trigger_table.hpp"

#include <algorithm>
#include <string>

#include "refs/match_points.hpp"

namespace tide {
namespace {

bool by_pos(const TriggerHit& a, const TriggerHit& b) { return a.pos < b.pos; }

std::vector<TriggerHit> hits_of(const std::vector<RefPoint>& points, Anchor anchor) {
  std::vector<TriggerHit> hits;
  hits.reserve(points.size());
  for (const RefPoint& p : points) {
    const uint64_t pos = p.start == p.end || anchor == Anchor::Start ? p.start : p.end;
    hits.push_back({pos, p.start, p.end});
  }
  std::stable_sort(hits.begin(), hits.end(), by_pos);
  return hits;
}

}  // namespace

Expected<TriggerTable> TriggerTable::locate(const StateMachineDecl& m, const StreamView& s, CancelCheck& cancel) {
  TriggerTable t;
  t.hits_.reserve(m.triggers.size());
  for (const Trigger& trig : m.triggers) {
    auto points = match_points(trig.ref, s, cancel);
    if (!points) return points.error();
    t.hits_.push_back(hits_of(*points, trig.anchor));
  }
  if (m.triggers.size() > kMaxTriggers)
    return value_error("Too many distinct triggers: " + std::to_string(m.triggers.size()) + " (maximum 64)");
  t.masks_.assign(s.len, 0);
  for (size_t k = 0; k < t.hits_.size(); ++k)
    for (const TriggerHit& h : t.hits_[k]) {
      if (h.pos >= s.len)
        return value_error("Trigger " + std::to_string(k) + " fires at position " + std::to_string(h.pos) +
                           " beyond stream length " + std::to_string(s.len));
      t.masks_[h.pos] |= uint64_t{1} << k;
    }
  t.cursors_.assign(t.hits_.size(), 0);
  return t;
}

const TriggerHit& TriggerTable::firing(TriggerId k, size_t i) {
  const auto& hits = hits_[k];
  size_t& c = cursors_[k];
  while (hits[c].pos < i) ++c;  // the set bit guarantees a hit at i
  return hits[c];
}

bool TriggerTable::fires_within(TriggerId k, uint64_t lo, uint64_t hi) const {
  const auto& hits = hits_[k];
  auto it = std::lower_bound(hits.begin(), hits.end(), TriggerHit{lo, 0, 0}, by_pos);
  return it != hits.end() && it->pos <= hi;
}

}  // namespace tide
