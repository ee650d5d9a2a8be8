// Cancellation polled by long core loops. The boundary supplies the check
// (it asks the interpreter whether a signal such as Ctrl-C is pending); the
// core charges it with the positions it examines and stops with
// ErrorKind::Cancelled once the check has asked it to.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tide {

class CancelCheck {
 public:
  using Fn = bool (*)(void* ctx);  // returns true when the call must stop

  CancelCheck() = default;
  CancelCheck(Fn fn, void* ctx) : fn_(fn), ctx_(ctx) {}

  // Cheap to call at every step: one unit of work.
  bool poll() { return charge(1); }

  // Charges `work` units (positions examined) and consults the check once
  // per kInterval units. The answer sticks: once the check has said stop,
  // every later call says so, so that a walk that gave up deep inside a
  // callee is seen by each caller on its way out.
  bool charge(size_t work) {
    if (fn_ == nullptr) return false;
    if (stopped_) return true;
    steps_ += work;
    if (steps_ < kInterval) return false;
    steps_ = 0;
    stopped_ = fn_(ctx_);
    return stopped_;
  }

  bool stopped() const { return stopped_; }

  static constexpr uint64_t kInterval = 4096;

 private:
  Fn fn_ = nullptr;
  void* ctx_ = nullptr;
  uint64_t steps_ = 0;
  bool stopped_ = false;
};

}  // namespace tide
