// _corpus_state_spans: a state machine run over every document of a
// pre-coded corpus.
#include "corpus/corpus_states.hpp"
#include "lib/plumbing/binder.hpp"
#include "lib/plumbing/cancel_check.hpp"
#include "lib/plumbing/convert.hpp"
#include "lib/plumbing/corpus_arrays.hpp"
#include "lib/plumbing/errors.hpp"
#include "lib/plumbing/numpy_buffers.hpp"
#include "lib/private_functions.hpp"
#include "lib/private_signatures.hpp"
#include "lib/state/machine_arg.hpp"
#include "lib/state/state_machine_object.hpp"

namespace tide::py {
namespace {

PyObject* states_to_py(CorpusStates&& s) {
  Ref dict = Ref::steal(PyDict_New());
  if (!dict) return nullptr;
  PyObject* d = dict.get();
  const bool ok = set_item(d, "doc", array_from(std::move(s.doc))) &&
                  set_item(d, "state", array_from(std::move(s.state))) &&
                  set_item(d, "start_pos", array_from(std::move(s.start_pos))) &&
                  set_item(d, "end_pos", array_from(std::move(s.end_pos))) &&
                  set_item(d, "t_start", array_from(std::move(s.t_start))) &&
                  set_item(d, "t_end", array_from(std::move(s.t_end))) &&
                  set_item(d, "n_events", array_from(std::move(s.n_events))) &&
                  set_item(d, "close_reason", array_from(std::move(s.close_reason))) &&
                  set_item(d, "reject_reason", array_from(std::move(s.reject_reason))) &&
                  set_item(d, "valid", array_from(std::move(s.valid))) &&
                  set_item(d, "timeout_entered", array_from(std::move(s.timeout_entered)));
  return ok ? dict.release() : nullptr;
}

}  // namespace

PyObject* _corpus_state_spans(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return call_bound<sig::k__corpus_state_spans>(
      args, nargs, kwnames, [&](const Args<sig::k__corpus_state_spans>& a) -> PyObject* {
        CorpusArrays in;
        CorpusView corpus;
        bool include_invalid = true;
        if (!in.read(a.get<"token_ids">(), a.get<"times">(), a.get<"offsets">(), a.get<"values">()) ||
            !to_machine(a.get<"machine">(), "machine") ||
            !optional_arg(a.arg<"include_invalid">(), &include_invalid, to_bool) || !in.corpus(&corpus))
          return nullptr;
        auto snapshot = finalize(machine_decl(a.get<"machine">()));
        if (!check(snapshot)) return nullptr;
        CancelCheck cancel = interrupt_check();
        auto states = corpus_state_spans(**snapshot, corpus, include_invalid, cancel);
        if (!check(states)) return nullptr;
        return states_to_py(std::move(*states));
      });
}

}  // namespace tide::py
