// A minimal test runner for the C++ tests of the core: TEST registers a case,
// CHECK records a failure and goes on; main prints "N passed, N failed".
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace check {

struct Case {
  const char* name;
  std::function<void()> fn;
};

inline std::vector<Case>& registry() {
  static std::vector<Case> cases;
  return cases;
}

inline int& failures_in_case() {
  static int n = 0;
  return n;
}

struct Register {
  Register(const char* name, std::function<void()> fn) { registry().push_back({name, std::move(fn)}); }
};

inline void fail(const char* file, int line, const std::string& what) {
  std::printf("  %s:%d: CHECK failed: %s\n", file, line, what.c_str());
  ++failures_in_case();
}

}  // namespace check

#define CHECK_CAT2(a, b) a##b
#define CHECK_CAT(a, b) CHECK_CAT2(a, b)
#define TEST(name)                                                \
  static void name();                                             \
  static check::Register CHECK_CAT(register_, name)(#name, name); \
  static void name()

#define CHECK(cond)                                      \
  do {                                                   \
    if (!(cond)) check::fail(__FILE__, __LINE__, #cond); \
  } while (0)

#define CHECK_EQ(a, b)                                                \
  do {                                                                \
    if (!((a) == (b))) check::fail(__FILE__, __LINE__, #a " == " #b); \
  } while (0)
