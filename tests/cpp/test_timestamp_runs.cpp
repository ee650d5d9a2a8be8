// Timestamp runs and run searches against plain scans, over random documents
// with repeated times, empty documents and queries before, on and after every
// time; malformed offsets and times are refused.
#include <random>
#include <vector>

#include "check.hpp"
#include "window/timestamp_runs.hpp"

namespace {

struct Corpus {
  std::vector<int64_t> times, offsets;
};

Corpus random_corpus(std::mt19937& rng) {
  auto below = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
  Corpus c;
  c.offsets.push_back(0);
  for (int d = below(6); d >= 0; --d) {
    int64_t t = below(5) - 2;
    for (int r = below(7); r > 0; --r) {
      t += below(3) == 0 ? 1 + below(3) : 0;
      c.times.push_back(t);
    }
    c.offsets.push_back(static_cast<int64_t>(c.times.size()));
  }
  return c;
}

}  // namespace

TEST(timestamp_runs_and_searches_equal_plain_scans) {
  std::mt19937 rng(11);
  tide::CancelCheck cancel;
  int mismatches = 0;
  for (int iter = 0; iter < 500; ++iter) {
    Corpus c = random_corpus(rng);
    const size_t n_docs = c.offsets.size() - 1;
    auto runs = tide::window::timestamp_runs(c.times.data(), c.times.size(), c.offsets.data(), n_docs, cancel);
    CHECK(runs.ok());
    std::vector<int64_t> starts, doc_offsets{0}, run_times;
    for (size_t d = 0; d < n_docs; ++d) {
      for (int64_t r = c.offsets[d]; r < c.offsets[d + 1]; ++r)
        if (r == c.offsets[d] || c.times[r] != c.times[r - 1]) starts.push_back(r);
      doc_offsets.push_back(static_cast<int64_t>(starts.size()));
    }
    mismatches += runs->starts != starts || runs->doc_offsets != doc_offsets;
    for (int64_t s : starts) run_times.push_back(c.times[s]);
    std::vector<int64_t> doc, at;
    for (size_t d = 0; d < n_docs; ++d)
      for (int64_t t = -4; t < 16; ++t) doc.push_back(static_cast<int64_t>(d)), at.push_back(t);
    for (bool after : {false, true}) {
      std::vector<int64_t> out(doc.size());
      CHECK(tide::window::locate_runs(run_times.data(), doc_offsets.data(), n_docs, doc.data(), at.data(), doc.size(),
                                      after, out.data(), cancel)
                .ok());
      for (size_t q = 0; q < doc.size(); ++q) {
        int64_t expect = doc_offsets[doc[q] + 1];
        for (int64_t k = doc_offsets[doc[q] + 1] - 1; k >= doc_offsets[doc[q]]; --k)
          if (after ? run_times[k] > at[q] : run_times[k] >= at[q]) expect = k;
        mismatches += out[q] != expect;
      }
    }
  }
  CHECK_EQ(mismatches, 0);
}

TEST(timestamp_runs_refuse_bad_offsets_times_and_documents) {
  tide::CancelCheck cancel;
  const int64_t times[] = {0, 1, 1, 0};
  const int64_t short_offsets[] = {0, 3}, falling[] = {0, 3, 2, 4}, decreasing_times[] = {0, 4};
  CHECK(!tide::window::timestamp_runs(times, 4, short_offsets, 1, cancel).ok());
  CHECK(!tide::window::timestamp_runs(times, 4, falling, 3, cancel).ok());
  auto bad = tide::window::timestamp_runs(times, 4, decreasing_times, 1, cancel);
  CHECK(!bad.ok() && bad.error().message == "times decrease in document 0 at row 3");
  const int64_t run_times[] = {0, 1}, doc_offsets[] = {0, 2}, doc[] = {1}, at[] = {0};
  int64_t out[1];
  CHECK(!tide::window::locate_runs(run_times, doc_offsets, 1, doc, at, 1, false, out, cancel).ok());
}
