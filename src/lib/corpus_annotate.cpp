// _corpus_annotate: label columns over every document of a pre-coded corpus.
#include "corpus/corpus_labels.hpp"
#include "lib/binder.hpp"
#include "lib/cancel_check.hpp"
#include "lib/corpus_arrays.hpp"
#include "lib/errors.hpp"
#include "lib/label_columns.hpp"
#include "lib/private_functions.hpp"

namespace tide::py {
namespace {

constexpr const char* kParams[] = {"token_ids", "times", "offsets", "specs", "values"};
constexpr Signature kSig{"_corpus_annotate", kParams, 4};

}  // namespace

PyObject* _corpus_annotate(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return call_bound<5>(kSig, args, nargs, kwnames, [&](const Bound<5>& a) -> PyObject* {
    CorpusArrays in;
    CorpusView corpus;
    std::vector<Ref> specs;
    // The arrays are checked before the specs, the values array with them.
    if (!in.read(a[0], a[1], a[2], a[4]) || !to_specs(a[3], &specs, "specs") || !in.corpus(&corpus)) return nullptr;
    Ref dict = Ref::steal(PyDict_New());
    if (!dict) return nullptr;
    CancelCheck cancel = interrupt_check();
    for (const Ref& ref : specs) {
      const AnnotationSpecHolder& spec = annotation_spec(ref.get());
      auto column = annotate_corpus(spec.kind, corpus, cancel);
      if (!check(column) || !store_column(dict.get(), spec, std::move(*column))) return nullptr;
    }
    return dict.release();
  });
}

}  // namespace tide::py
