#include "engine/buffer_ops.hpp"

#include <algorithm>

namespace tide {

size_t capacity_hint(size_t n, size_t stream_len) {
  return std::min<size_t>(std::max<size_t>(stream_len / std::max<size_t>(n, 1), 16), 1048576);
}

MatchBuffer make_match_buffer(size_t n, size_t stream_len, bool include_tokens) {
  MatchBuffer buf;
  buf.n = n;
  buf.include_tokens = include_tokens;
  const size_t h = capacity_hint(n, stream_len);
  buf.m_start.reserve(h);
  buf.m_end.reserve(h);
  buf.t_start.reserve(h);
  buf.t_end.reserve(h);
  buf.el_stream_idx.reserve(h * n);
  buf.el_times.reserve(h * n);
  if (include_tokens && h * n > 0) {
    buf.el_token_ids.reserve(h * n);
    buf.el_token_counts.reserve(h * n);
  }
  return buf;
}

void clear_match_buffer(MatchBuffer& buf, size_t n, bool include_tokens) {
  buf.n = n;
  buf.include_tokens = include_tokens;
  if (buf.rows() == 0) return;  // every column grows only with a row
  buf.m_start.clear();
  buf.m_end.clear();
  buf.t_start.clear();
  buf.t_end.clear();
  buf.el_stream_idx.clear();
  buf.el_times.clear();
  buf.el_token_ids.clear();
  buf.el_token_counts.clear();
  buf.result_scalars.clear();
  buf.result_lists.clear();
  buf.mid_scalars.clear();
  buf.mid_lists.clear();
}

void append_row(MatchBuffer& buf, const StreamView& s, size_t m_start, size_t m_end, double t_start, double t_end,
                const size_t* pos, const double* time, const uint32_t* count) {
  const size_t n = buf.n;
  buf.m_start.push_back(m_start);
  buf.m_end.push_back(m_end);
  buf.t_start.push_back(t_start);
  buf.t_end.push_back(t_end);
  buf.el_stream_idx.insert(buf.el_stream_idx.end(), pos, pos + n);
  buf.el_times.insert(buf.el_times.end(), time, time + n);
  if (!buf.include_tokens) return;
  for (size_t j = 0; j < n; ++j) {
    const uint32_t c = count ? count[j] : 1;
    buf.el_token_counts.push_back(c);
    buf.el_token_ids.insert(buf.el_token_ids.end(), s.tokens + pos[j], s.tokens + pos[j] + c);
  }
}

}  // namespace tide
