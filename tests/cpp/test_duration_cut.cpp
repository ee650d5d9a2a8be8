// cut_in against the one-position test, over runs of every length and
// start, with infinite and NaN times, limits and starts.
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "check.hpp"
#include "engine/duration_cut.hpp"

TEST(duration_cut_equals_position_by_position_test) {
  const double inf = std::numeric_limits<double>::infinity(), nan = std::nan("");
  const double specials[] = {inf, -inf, nan, 0.0, -0.0};
  std::mt19937 rng(3);
  auto below = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
  auto draw = [&] { return below(8) == 0 ? specials[below(5)] : static_cast<double>(below(21) - 5); };
  int mismatches = 0, cuts = 0;
  for (int iter = 0; iter < 2000; ++iter) {
    std::vector<double> times(below(40));
    for (double& t : times) t = draw();
    const double t_start = draw(), max_dt = draw();
    for (size_t from = 0; from <= times.size(); ++from)
      for (size_t to = from; to <= times.size(); ++to) {
        bool expect = false;
        for (size_t p = from; p < to; ++p) expect = expect || times[p] - t_start > max_dt;
        cuts += expect;
        if (tide::cut_in(times.data(), from, to, t_start, max_dt) != expect) ++mismatches;
      }
  }
  CHECK_EQ(mismatches, 0);
  CHECK(cuts > 10000);
}
