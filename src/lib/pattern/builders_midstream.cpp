// add_midstream_collector: the pattern's one midstream collector, fed by the
// listed stream items that lie between chosen elements of a match.
#include "intern/seq_trie.hpp"
#include "lib/pattern/builder_args.hpp"
#include "lib/pattern/pattern_object.hpp"
#include "lib/pattern/pattern_signatures.hpp"
#include "lib/plumbing/binder.hpp"
#include "lib/plumbing/convert.hpp"
#include "lib/plumbing/errors.hpp"
#include "lib/plumbing/messages.hpp"
#include "lib/plumbing/pending_error.hpp"

namespace tide::py {
namespace {

// Bit (i modulo 64) for each element index i.
uint64_t element_mask(const std::vector<size_t>& indices) {
  uint64_t mask = 0;
  for (size_t i : indices) mask |= uint64_t{1} << (i % 64);
  return mask;
}

// match_tokens as sequences: a sequence of str gives one-token sequences;
// otherwise a sequence of non-empty sequences of str.
bool collected_sequences(PyObject* o, std::vector<std::vector<std::string>>* out) {
  std::vector<std::string> tokens;
  if (to_string_list(o, &tokens, nullptr)) {
    for (auto& t : tokens) out->push_back({std::move(t)});
    return true;
  }
  if (!clear_type_error()) return false;
  if (!to_string_lists(o, out, nullptr)) return replace_type_error(PyExc_TypeError, msg::builder::kMidTokensForm);
  for (const auto& seq : *out)
    if (seq.empty()) return fail_with(PyExc_ValueError, msg::builder::kMidSeqEmpty);
  return true;
}

}  // namespace

PyObject* add_midstream_collector(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  using A = Args<sig::k_add_midstream_collector>;
  return builder_call<sig::k_add_midstream_collector>(self, args, nargs, kwnames, [&](const A& a, Pattern& pattern) {
    // match_tokens, first in the signature, is converted after the others.
    std::vector<size_t> start_after, stop_before;
    std::string collector = "collect_tokens";
    std::vector<std::vector<std::string>> seqs;
    if (!convert_arg(a.arg<"start_after">(), &start_after, to_size_list) ||
        !convert_arg(a.arg<"stop_before">(), &stop_before, to_size_list) ||
        !optional_arg(a.arg<"collector">(), &collector, to_string) ||
        !collected_sequences(a.get<"match_tokens">(), &seqs))
      return false;
    MidstreamCollector m;
    m.start_after_mask = element_mask(start_after);
    m.stop_before_mask = element_mask(stop_before);
    if (!take(build_seq_trie(seqs), &m.trie)) return false;
    if (!take(parse_collector(collector), &m.collector)) return false;
    pattern.midstream = std::move(m);
    return true;
  });
}

}  // namespace tide::py
