#include "types/collector.hpp"

#include <array>

namespace tide {
namespace {

struct CollectorName {
  std::string_view text;
  const char* display;
};

constexpr std::array<CollectorName, 6> kNames{{
    {"none", "None"},
    {"sum_times", "SumTimes"},
    {"count", "Count"},
    {"collect_tokens", "CollectTokens"},
    {"collect_times", "CollectTimes"},
    {"collect_pairs", "CollectPairs"},
}};

}  // namespace

std::optional<CollectorStrategy> parse_collector(std::string_view text) {
  for (size_t i = 0; i < kNames.size(); ++i)
    if (kNames[i].text == text) return static_cast<CollectorStrategy>(i);
  return std::nullopt;
}

std::string unknown_collector_message(std::string_view text) {
  std::string msg = "Unknown collector '";
  msg += text;
  msg += "'. Choose: ";
  for (size_t i = 0; i < kNames.size(); ++i) {
    if (i) msg += ", ";
    msg += kNames[i].text;
  }
  return msg;
}

const char* display_name(CollectorStrategy s) { return kNames[static_cast<size_t>(s)].display; }

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
