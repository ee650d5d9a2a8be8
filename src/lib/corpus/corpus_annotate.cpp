// _corpus_annotate: label columns over every document of a pre-coded corpus.
#include "corpus/corpus_labels.hpp"
#include "lib/annotate/label_columns.hpp"
#include "lib/plumbing/binder.hpp"
#include "lib/plumbing/cancel_check.hpp"
#include "lib/plumbing/convert.hpp"
#include "lib/plumbing/corpus_arrays.hpp"
#include "lib/plumbing/errors.hpp"
#include "lib/private_functions.hpp"
#include "lib/private_signatures.hpp"

namespace tide::py {

PyObject* _corpus_annotate(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return call_bound<sig::k__corpus_annotate>(
      args, nargs, kwnames, [&](const Args<sig::k__corpus_annotate>& a) -> PyObject* {
        CorpusArrays in;
        CorpusView corpus;
        std::vector<Ref> specs;
        // The arrays are checked before the specs, the values array with them.
        if (!in.read(a.get<"token_ids">(), a.get<"times">(), a.get<"offsets">(), a.get<"values">()) ||
            !convert_arg(a.arg<"specs">(), &specs, to_specs) || !in.corpus(&corpus))
          return nullptr;
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
