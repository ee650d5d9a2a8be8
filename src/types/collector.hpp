// Collector kinds and what a collector accumulates for one match.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "types/expected.hpp"
#include "types/token_id.hpp"

namespace tide {

enum class CollectorStrategy : uint8_t {
  None = 0,
  SumTimes = 1,
  Count = 2,
  CollectTokens = 3,
  CollectTimes = 4,
  CollectPairs = 5,
};

// The argument text ("sum_times") to a strategy, or "Unknown collector '...'. Choose: ...".
Expected<CollectorStrategy> parse_collector(std::string_view text);
// The display name used by reprs ("SumTimes").
const char* display_name(CollectorStrategy s);

// A collected token and time; the unused half is a placeholder (0 or 0.0).
struct CollectedItem {
  TokenId token = 0;
  double time = 0.0;
  friend bool operator==(const CollectedItem&, const CollectedItem&) = default;
};

// Alternatives in the order of the strategies, so index() equals the tag.
struct NoResult {
  friend bool operator==(const NoResult&, const NoResult&) = default;
};
using CollectorResult =
    std::variant<NoResult, double /*SumTimes*/, uint64_t /*Count*/, std::vector<TokenId> /*CollectTokens*/,
                 std::vector<double> /*CollectTimes*/, std::vector<CollectedItem> /*CollectPairs*/>;

// The variant's alternatives stand in the order of the strategy tags.
template <CollectorStrategy S, class T>
inline constexpr bool kResultHolds =
    std::is_same_v<std::variant_alternative_t<static_cast<size_t>(S), CollectorResult>, T>;
static_assert(std::variant_size_v<CollectorResult> == static_cast<size_t>(CollectorStrategy::CollectPairs) + 1);
static_assert(kResultHolds<CollectorStrategy::None, NoResult> && kResultHolds<CollectorStrategy::SumTimes, double> &&
              kResultHolds<CollectorStrategy::Count, uint64_t> &&
              kResultHolds<CollectorStrategy::CollectTokens, std::vector<TokenId>> &&
              kResultHolds<CollectorStrategy::CollectTimes, std::vector<double>> &&
              kResultHolds<CollectorStrategy::CollectPairs, std::vector<CollectedItem>>);

// The result a collector of kind s starts from.
CollectorResult empty_result(CollectorStrategy s);

}  // namespace tide
