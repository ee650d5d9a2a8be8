// annotate_stream: the label columns of several specs over one stream.
#include "annotate/evaluate.hpp"
#include "lib/annotate/annotation_spec_object.hpp"
#include "lib/annotate/label_columns.hpp"
#include "lib/functions.hpp"
#include "lib/module_signatures.hpp"
#include "lib/plumbing/binder.hpp"
#include "lib/plumbing/cancel_check.hpp"
#include "lib/plumbing/classes.hpp"
#include "lib/plumbing/convert.hpp"
#include "lib/plumbing/errors.hpp"
#include "lib/plumbing/stream_input.hpp"

namespace tide::py {
namespace {

// Computes the spec's column over the stream and stores it.
bool apply(PyObject* dict, const AnnotationSpecHolder& spec, const StreamView& s, CancelCheck& cancel) {
  auto column = evaluate(spec.kind, s, cancel);
  return check(column) && store_column(dict, spec, std::move(*column));
}

}  // namespace

PyObject* annotate_stream(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return call_bound<sig::k_annotate_stream>(
      args, nargs, kwnames, [&](const Args<sig::k_annotate_stream>& a) -> PyObject* {
        StreamInput in;
        std::vector<Ref> specs;
        // Converted in signature order: the specs come between times and values.
        if (!in.convert(a.get<"tokens">(), a.get<"times">(), nullptr) ||
            !convert_arg(a.arg<"specs">(), &specs, to_specs))
          return nullptr;
        if (a.arg<"values">().present() && !in.values.emplace().convert(a.get<"values">(), "values")) return nullptr;
        if (!in.check_lens() || !in.intern()) return nullptr;
        Ref dict = Ref::steal(PyDict_New());
        if (!dict) return nullptr;
        const StreamView s = in.view();
        CancelCheck cancel = interrupt_check();
        for (const Ref& spec : specs)
          if (!apply(dict.get(), annotation_spec(spec.get()), s, cancel)) return nullptr;
        return dict.release();
      });
}

}  // namespace tide::py
