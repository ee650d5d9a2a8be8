// The engine's flat result columns, one row per match.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "types/collector.hpp"
#include "types/token_id.hpp"

namespace tide {

struct MatchBuffer {
  std::vector<size_t> m_start;                           // smallest stream position of a matched element
  std::vector<size_t> m_end;                             // largest stream position covered by a matched element
  std::vector<double> t_start;                           // time of the first matched element
  std::vector<double> t_end;                             // largest time of a matched element
  std::vector<size_t> el_stream_idx;                     // n per match, row-major
  std::vector<double> el_times;                          // n per match, row-major
  std::vector<TokenId> el_token_ids;                     // all ids of all slots, when include_tokens
  std::vector<uint32_t> el_token_counts;                 // n per match, when include_tokens
  std::vector<double> result_scalars;                    // pattern collector: sum_times, count
  std::vector<std::vector<CollectedItem>> result_lists;  // pattern collector: list kinds
  std::vector<double> mid_scalars;                       // midstream collector
  std::vector<std::vector<CollectedItem>> mid_lists;
  size_t n = 0;
  bool include_tokens = false;

  size_t rows() const { return m_start.size(); }
};

}  // namespace tide
