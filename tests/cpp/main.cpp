#include "check.hpp"

int main() {
  int passed = 0, failed = 0;
  for (const auto& c : check::registry()) {
    check::failures_in_case() = 0;
    c.fn();
    if (check::failures_in_case() == 0) {
      ++passed;
    } else {
      ++failed;
      std::printf("FAILED %s\n", c.name);
    }
  }
  std::printf("core tests: %d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
