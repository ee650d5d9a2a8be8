// Cancellation polled by long core loops. The boundary supplies the check
// (it asks the interpreter whether a signal such as Ctrl-C is pending); the
// core calls it every few thousand steps and stops with ErrorKind::Cancelled.
#pragma once

#include <cstdint>

namespace tide {

class CancelCheck {
 public:
  using Fn = bool (*)(void* ctx);  // returns true when the call must stop

  CancelCheck() = default;
  CancelCheck(Fn fn, void* ctx) : fn_(fn), ctx_(ctx) {}

  // Cheap to call at every step: consults the check once per kInterval calls.
  bool poll() {
    if (fn_ == nullptr || ++steps_ < kInterval) return false;
    steps_ = 0;
    return fn_(ctx_);
  }

  static constexpr uint32_t kInterval = 4096;

 private:
  Fn fn_ = nullptr;
  void* ctx_ = nullptr;
  uint32_t steps_ = 0;
};

}  // namespace tide
