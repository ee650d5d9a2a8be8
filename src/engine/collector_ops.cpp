#include "engine/collector_ops.hpp"

#include <cstddef>
#include <type_traits>

namespace tide {

void collector_update_in_place(CollectorStrategy s, CollectorResult& r, TokenId x, double t) {
  if (s == CollectorStrategy::None) {
    r = NoResult{};
    return;
  }
  if (r.index() != static_cast<size_t>(s)) return;  // a mismatched result stays as it is
  std::visit(
      [&](auto& acc) {
        using T = std::decay_t<decltype(acc)>;
        if constexpr (std::is_same_v<T, double>)
          acc += t;
        else if constexpr (std::is_same_v<T, uint64_t>)
          acc += 1;
        else if constexpr (std::is_same_v<T, std::vector<TokenId>>)
          acc.push_back(x);
        else if constexpr (std::is_same_v<T, std::vector<double>>)
          acc.push_back(t);
        else if constexpr (std::is_same_v<T, std::vector<CollectedItem>>)
          acc.push_back({x, t});
      },
      r);
}

CollectorResult collector_update(CollectorStrategy s, const CollectorResult& old, TokenId x, double t) {
  if (s == CollectorStrategy::None) return NoResult{};
  CollectorResult r = old;
  collector_update_in_place(s, r, x, t);
  return r;
}

void push_collector_result(std::vector<double>& scalars, std::vector<std::vector<CollectedItem>>& lists,
                           const CollectorResult& result) {
  std::visit(
      [&](const auto& acc) {
        using T = std::decay_t<decltype(acc)>;
        if constexpr (std::is_same_v<T, double>) {
          scalars.push_back(acc);
        } else if constexpr (std::is_same_v<T, uint64_t>) {
          scalars.push_back(static_cast<double>(acc));
        } else if constexpr (std::is_same_v<T, std::vector<TokenId>>) {
          auto& items = lists.emplace_back();
          items.reserve(acc.size());
          for (TokenId x : acc) items.push_back({x, 0.0});
        } else if constexpr (std::is_same_v<T, std::vector<double>>) {
          auto& items = lists.emplace_back();
          items.reserve(acc.size());
          for (double t : acc) items.push_back({0, t});
        } else if constexpr (std::is_same_v<T, std::vector<CollectedItem>>) {
          lists.push_back(acc);
        }
      },
      result);
}

}  // namespace tide
