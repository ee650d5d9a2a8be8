#include "lib/query/match_result.hpp"

#include "lib/plumbing/numpy_buffers.hpp"
#include "lib/query/token_texts.hpp"

namespace tide::py {
namespace {

// A list of n new references made by make(i); null on the first failure.
template <class F>
PyObject* list_of(size_t n, F make) {
  Ref list = Ref::steal(PyList_New(static_cast<Py_ssize_t>(n)));
  if (!list) return nullptr;
  for (size_t i = 0; i < n; ++i) {
    PyObject* item = make(i);
    if (item == nullptr) return nullptr;
    PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), item);
  }
  return list.release();
}

PyObject* el_tokens_to_py(const MatchBuffer& buf, size_t rows, const TokenTexts& texts) {
  size_t offset = 0, slot = 0;
  return list_of(rows, [&](size_t) {
    return list_of(buf.n, [&](size_t) -> PyObject* {
      const uint32_t count = buf.el_token_counts[slot++];
      const size_t first = offset;
      offset += count;
      if (count == 1) return texts.text(buf.el_token_ids[first]);
      return list_of(count, [&](size_t k) { return texts.text(buf.el_token_ids[first + k]); });
    });
  });
}

void append_tokens(const std::vector<std::vector<CollectedItem>>& lists, std::vector<TokenId>* ids) {
  for (const auto& items : lists)
    for (const auto& item : items) ids->push_back(item.token);
}

// Every token id the result dictionary shows, so that all its texts come
// from one interner lock.
bool resolve_result_tokens(const MatchBuffer& buf, TokenTexts* texts) {
  std::vector<TokenId> ids;
  if (buf.include_tokens) ids = buf.el_token_ids;
  append_tokens(buf.result_lists, &ids);
  append_tokens(buf.mid_lists, &ids);
  return texts->resolve(ids);
}

// A collector's per-match results as their Python value (None, a float64
// array, or a list with one entry per match).
PyObject* collector_to_py(CollectorStrategy kind, std::vector<double>&& scalars,
                          std::vector<std::vector<CollectedItem>>&& lists, const TokenTexts& texts) {
  switch (kind) {
    case CollectorStrategy::None:
      Py_RETURN_NONE;
    case CollectorStrategy::SumTimes:
    case CollectorStrategy::Count:
      return array_from(std::move(scalars));
    case CollectorStrategy::CollectTimes:
      return list_of(lists.size(), [&](size_t m) {
        std::vector<double> times;
        times.reserve(lists[m].size());
        for (const auto& item : lists[m]) times.push_back(item.time);
        return array_from(std::move(times));
      });
    case CollectorStrategy::CollectTokens:
    case CollectorStrategy::CollectPairs: {
      const bool pairs = kind == CollectorStrategy::CollectPairs;
      return list_of(lists.size(), [&](size_t m) {
        return list_of(lists[m].size(), [&](size_t k) -> PyObject* {
          const CollectedItem& item = lists[m][k];
          if (!pairs) return texts.text(item.token);
          Ref text = Ref::steal(texts.text(item.token));
          return Py_BuildValue("(Od)", text.get(), item.time);
        });
      });
    }
  }
  Py_RETURN_NONE;
}

}  // namespace

PyObject* buf_to_py(MatchBuffer&& buf, CollectorStrategy collector, std::optional<CollectorStrategy> mid) {
  Ref dict = Ref::steal(PyDict_New());
  if (!dict) return nullptr;
  const size_t rows = buf.rows(), n = buf.n;
  PyObject* d = dict.get();
  TokenTexts texts;
  if (!resolve_result_tokens(buf, &texts)) return nullptr;
  if (!set_item(d, "m_start", array_from(std::move(buf.m_start))) ||
      !set_item(d, "m_end", array_from(std::move(buf.m_end))) ||
      !set_item(d, "t_start", array_from(std::move(buf.t_start))) ||
      !set_item(d, "t_end", array_from(std::move(buf.t_end))) ||
      !set_item(d, "el_stream_idx", array_2d_from(std::move(buf.el_stream_idx), rows, n)) ||
      !set_item(d, "el_times", array_2d_from(std::move(buf.el_times), rows, n)))
    return nullptr;
  if (buf.include_tokens && !set_item(d, "el_tokens", el_tokens_to_py(buf, rows, texts))) return nullptr;
  if (!set_item(d, "result",
                collector_to_py(collector, std::move(buf.result_scalars), std::move(buf.result_lists), texts)))
    return nullptr;
  PyObject* mid_result =
      mid ? collector_to_py(*mid, std::move(buf.mid_scalars), std::move(buf.mid_lists), texts) : Py_NewRef(Py_None);
  if (!set_item(d, "mid_result", mid_result)) return nullptr;
  return dict.release();
}

}  // namespace tide::py
