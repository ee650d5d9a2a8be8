// How a collector result grows and how a finished one is stored.
#pragma once

#include <vector>

#include "types/collector.hpp"
#include "types/token_id.hpp"

namespace tide {

// The result of feeding token x at time t to a collector of kind s that
// holds `old`: old extended by x or t (or both) when old is of kind s, a copy
// of old when it is of another kind, NoResult for the strategy None.
CollectorResult collector_update(CollectorStrategy s, const CollectorResult& old, TokenId x, double t);

// The same, changing `r` in place (for a result that nobody else holds).
void collector_update_in_place(CollectorStrategy s, CollectorResult& r, TokenId x, double t);

// Appends a finished result to one part of a MatchBuffer: SumTimes and
// Count to `scalars`, the list kinds to `lists` as CollectedItems (the unused
// half set to 0 or 0.0), NoResult nowhere.
void push_collector_result(std::vector<double>& scalars, std::vector<std::vector<CollectedItem>>& lists,
                           const CollectorResult& result);

}  // namespace tide
