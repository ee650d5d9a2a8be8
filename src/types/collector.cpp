#include "types/collector.hpp"

#include <array>

#include "types/word_table.hpp"

namespace tide {
namespace {

constexpr Word<CollectorStrategy> kWords[] = {
    {"none", CollectorStrategy::None},
    {"sum_times", CollectorStrategy::SumTimes},
    {"count", CollectorStrategy::Count},
    {"collect_tokens", CollectorStrategy::CollectTokens},
    {"collect_times", CollectorStrategy::CollectTimes},
    {"collect_pairs", CollectorStrategy::CollectPairs},
};
constexpr WordTable<CollectorStrategy> kCollectors{"collector", kWords};

// Indexed by the strategy.
constexpr std::array<const char*, 6> kDisplay{"None",          "SumTimes",     "Count",
                                              "CollectTokens", "CollectTimes", "CollectPairs"};

}  // namespace

Expected<CollectorStrategy> parse_collector(std::string_view text) { return kCollectors.parse(text); }

const char* display_name(CollectorStrategy s) { return kDisplay[static_cast<size_t>(s)]; }

CollectorResult empty_result(CollectorStrategy s) {
  switch (s) {
    case CollectorStrategy::None:
      return NoResult{};
    case CollectorStrategy::SumTimes:
      return 0.0;
    case CollectorStrategy::Count:
      return uint64_t{0};
    case CollectorStrategy::CollectTokens:
      return std::vector<TokenId>{};
    case CollectorStrategy::CollectTimes:
      return std::vector<double>{};
    case CollectorStrategy::CollectPairs:
      return std::vector<CollectedItem>{};
  }
  return NoResult{};
}

}  // namespace tide
