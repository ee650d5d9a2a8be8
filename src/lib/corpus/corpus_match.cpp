// _corpus_match and _corpus_match_counts: a TideQuery over every document
// of a pre-coded corpus in one call.
#include "corpus/corpus_matches.hpp"
#include "lib/plumbing/binder.hpp"
#include "lib/plumbing/cancel_check.hpp"
#include "lib/plumbing/classes.hpp"
#include "lib/plumbing/convert.hpp"
#include "lib/plumbing/corpus_arrays.hpp"
#include "lib/plumbing/errors.hpp"
#include "lib/plumbing/numpy_buffers.hpp"
#include "lib/private_functions.hpp"
#include "lib/private_signatures.hpp"
#include "lib/query/query_object.hpp"

namespace tide::py {
namespace {

bool to_query(PyObject* o, const char* arg) {
  if (is_instance(o, Class::TideQuery)) return true;
  raise_cannot_convert(o, class_name(Class::TideQuery));
  prefix_type_error(arg);
  return false;
}

// The query and the arrays: every argument's type (in signature order).
template <class A>
bool read_args(const A& a, CorpusArrays* in) {
  return to_query(a.template get<"query">(), "query") &&
         in->read(a.template get<"token_ids">(), a.template get<"times">(), a.template get<"offsets">(),
                  a.template get<"values">());
}

// The offsets, then the engine's element limit.
bool check_call(PyObject* query, const CorpusArrays& in, CorpusView* corpus) {
  return in.corpus(corpus) && check(check_element_count(query_pattern(query)));
}

// A collector's results in the flat form the docstring describes.
PyObject* collected_to_py(FlatCollected&& c) {
  if (c.kind == CollectorStrategy::None) Py_RETURN_NONE;
  if (!c.is_list()) return array_from(std::move(c.scalars));
  Ref d = Ref::steal(PyDict_New());
  if (!d || !set_item(d.get(), "offsets", array_from(std::move(c.item_offsets)))) return nullptr;
  if (c.kind != CollectorStrategy::CollectTimes && !set_item(d.get(), "token_ids", array_from(std::move(c.tokens))))
    return nullptr;
  if (c.kind != CollectorStrategy::CollectTokens && !set_item(d.get(), "times", array_from(std::move(c.times))))
    return nullptr;
  return d.release();
}

PyObject* matches_to_py(CorpusMatches&& m) {
  Ref dict = Ref::steal(PyDict_New());
  if (!dict) return nullptr;
  PyObject* d = dict.get();
  const size_t rows = m.rows();
  if (!set_item(d, "doc", array_from(std::move(m.doc))) || !set_item(d, "m_start", array_from(std::move(m.m_start))) ||
      !set_item(d, "m_end", array_from(std::move(m.m_end))) ||
      !set_item(d, "t_start", array_from(std::move(m.t_start))) ||
      !set_item(d, "t_end", array_from(std::move(m.t_end))) ||
      !set_item(d, "el_stream_idx", array_2d_from(std::move(m.el_stream_idx), rows, m.n)) ||
      !set_item(d, "el_times", array_2d_from(std::move(m.el_times), rows, m.n)) ||
      !set_item(d, "result", collected_to_py(std::move(m.result))) ||
      !set_item(d, "mid_result", collected_to_py(std::move(m.mid))))
    return nullptr;
  return dict.release();
}

}  // namespace

PyObject* _corpus_match(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return call_bound<sig::k__corpus_match>(args, nargs, kwnames, [&](const Args<sig::k__corpus_match>& a) -> PyObject* {
    CorpusArrays in;
    CorpusView corpus;
    bool first_only = false;
    if (!read_args(a, &in) || !optional_arg(a.arg<"first_only">(), &first_only, to_bool) ||
        !check_call(a.get<"query">(), in, &corpus))
      return nullptr;
    const Engine engine(query_pattern(a.get<"query">()));
    CancelCheck cancel = interrupt_check();
    auto matches = match_corpus(engine, corpus, first_only, cancel);
    if (!check(matches)) return nullptr;
    return matches_to_py(std::move(*matches));
  });
}

PyObject* _corpus_match_counts(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return call_bound<sig::k__corpus_match_counts>(args, nargs, kwnames,
                                                 [&](const Args<sig::k__corpus_match_counts>& a) -> PyObject* {
                                                   CorpusArrays in;
                                                   CorpusView corpus;
                                                   if (!read_args(a, &in) || !check_call(a.get<"query">(), in, &corpus))
                                                     return nullptr;
                                                   const Engine engine(query_pattern(a.get<"query">()));
                                                   CancelCheck cancel = interrupt_check();
                                                   auto counts = count_corpus_matches(engine, corpus, cancel);
                                                   if (!check(counts)) return nullptr;
                                                   return array_from(std::move(*counts));
                                                 });
}

}  // namespace tide::py
