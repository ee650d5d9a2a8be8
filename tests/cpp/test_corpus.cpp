// The corpus loops: offsets checks, and every document matched and
// labelled as its own stream.
#include "annotate/evaluate.hpp"
#include "check.hpp"
#include "corpus/corpus_labels.hpp"
#include "corpus/corpus_matches.hpp"
#include "corpus/corpus_view.hpp"
#include "engine_helpers.hpp"
#include "intern/interner.hpp"

using namespace engine_test;

namespace {

std::string offsets_error(std::vector<int64_t> offsets, size_t n_rows) {
  const Status st = check_offsets(offsets, n_rows);
  return st ? "" : st.error().message;
}

}  // namespace

TEST(offsets_name_the_first_bad_document) {
  CHECK_EQ(offsets_error({0, 2, 2, 4}, 4), "");
  CHECK_EQ(offsets_error({1, 3}, 4), "");  // a run of documents cut out of a larger corpus
  CHECK_EQ(offsets_error({0, 3, 1, 0}, 4), "offsets: document 1 ends at row 1, before its start at row 3");
  CHECK_EQ(offsets_error({0, 2, 9, 1}, 4), "offsets: document 1 ends at row 9, past the last of the 4 rows");
  CHECK_EQ(offsets_error({-3, 0}, 4), "offsets: document 0 starts at row -3, before row 0");
  CHECK_EQ(offsets_error({}, 4), "offsets must have length n_docs + 1");
}

TEST(matches_never_cross_a_document_boundary) {
  // A then B: the only A..B pair spans documents 0 and 1, so it is no match;
  // document 2 holds one.
  Stream s = stream({A, A, B, A, B});
  const std::vector<int64_t> offsets{0, 1, 3, 5};
  const Pattern p = pattern({ev(A), ev(B)});
  Engine engine(p);
  CancelCheck cancel;
  auto m = match_corpus(engine, {s.view(), offsets}, false, cancel);
  CHECK(m.ok());
  CHECK_EQ(m->doc, (std::vector<int64_t>{1, 2}));
  CHECK_EQ(m->m_start, (std::vector<size_t>{0, 0}));
  CHECK_EQ(m->m_end, (std::vector<size_t>{1, 1}));
  auto counts = count_corpus_matches(engine, {s.view(), offsets}, cancel);
  CHECK(counts.ok() && *counts == (std::vector<int64_t>{0, 1, 1}));
}

TEST(label_columns_restart_in_every_document) {
  // Epochs delimited by y: each document starts a fresh epoch.
  const TokenId x = *global_interner().intern("corpus-x"), y = *global_interner().intern("corpus-y");
  Stream s = stream({x, y, y, y, x});
  const std::vector<int64_t> offsets{0, 2, 3, 5};
  const AnnotKind kind = BeforeEvent{{TokenRef::Single{"corpus-x"}}, {TokenRef::Single{"corpus-y"}}, true};
  CancelCheck cancel;
  auto whole = annotate_corpus(kind, {s.view(), offsets}, cancel);
  CHECK(whole.ok());
  std::vector<int8_t> expected;
  for (size_t k = 0; k + 1 < offsets.size(); ++k) {
    auto doc = evaluate(kind, s.view().slice(offsets[k], offsets[k + 1]), cancel);
    const auto& col = std::get<std::vector<int8_t>>(*doc);
    expected.insert(expected.end(), col.begin(), col.end());
  }
  CHECK(std::get<std::vector<int8_t>>(*whole) == expected);
}
