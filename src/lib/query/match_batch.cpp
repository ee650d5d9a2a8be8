// TideQuery.match_batch: the first match of every document of a pre-coded
// corpus, reading the NumPy arrays in place and never touching the interner.
#include <cmath>

#include "engine/engine.hpp"
#include "lib/plumbing/binder.hpp"
#include "lib/plumbing/cancel_check.hpp"
#include "lib/plumbing/convert.hpp"
#include "lib/plumbing/corpus_arrays.hpp"
#include "lib/plumbing/errors.hpp"
#include "lib/plumbing/messages.hpp"
#include "lib/plumbing/numpy_buffers.hpp"
#include "lib/plumbing/stream_input.hpp"
#include "lib/query/query_object.hpp"
#include "lib/query/query_signatures.hpp"

namespace tide::py {
namespace {

// The value the "mid" column reports for a document's first match.
double mid_value(const MatchBuffer& buf) {
  if (!buf.mid_scalars.empty()) return buf.mid_scalars[0];
  if (!buf.mid_lists.empty()) return static_cast<double>(buf.mid_lists[0].size());
  return std::nan("");
}

}  // namespace

PyObject* match_batch(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return call_bound<sig::k_match_batch>(args, nargs, kwnames, [&](const Args<sig::k_match_batch>& a) -> PyObject* {
    CorpusArrays arrays;
    if (!arrays.read(a.get<"token_ids">(), a.get<"times">(), a.get<"offsets">(), a.get<"values">())) return nullptr;
    const Pattern& pattern = query_pattern(self);
    if (!check(check_element_count(pattern))) return nullptr;

    const Engine engine(pattern);
    const StreamView& corpus = arrays.rows();
    const size_t total = corpus.len;
    const std::span<const int64_t> offs = arrays.offsets();
    const size_t n_docs = offs.size() - 1;
    std::vector<int64_t> m_start(n_docs, -1), m_end(n_docs, -1);
    std::vector<double> mid(pattern.midstream ? n_docs : 0, std::nan(""));
    CancelCheck cancel = interrupt_check();
    MatchScratch scratch;  // one buffer and search memory for the corpus, reused per document
    const MatchBuffer& buf = scratch.buf;
    for (size_t k = 0; k < n_docs; ++k) {
      // Read as unsigned: a negative offset is huge, and its document is skipped.
      const auto s = static_cast<uint64_t>(offs[k]), e = static_cast<uint64_t>(offs[k + 1]);
      if (!(s < e && e <= total)) continue;
      if (!check(match_stream_into(engine, corpus.slice(s, e), true, false, scratch, cancel))) return nullptr;
      if (buf.rows() == 0) continue;
      m_start[k] = static_cast<int64_t>(buf.m_start[0]);
      m_end[k] = static_cast<int64_t>(buf.m_end[0]);
      if (pattern.midstream) mid[k] = mid_value(buf);
    }
    Ref dict = Ref::steal(PyDict_New());
    if (!dict || !set_item(dict.get(), "m_start", array_from(std::move(m_start))) ||
        !set_item(dict.get(), "m_end", array_from(std::move(m_end))))
      return nullptr;
    if (pattern.midstream && !set_item(dict.get(), "mid", array_from(std::move(mid)))) return nullptr;
    return dict.release();
  });
}

}  // namespace tide::py
