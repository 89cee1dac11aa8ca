// Scoped cleanup for the form-state library: TFinally runs its action when
// it goes out of scope, also when an exception passes; the action must not
// throw (a throwing action is stopped at the destructor).
#pragma once

#include <functional>
#include <utility>

class TFinally {
public:
  explicit TFinally(std::function<void()> action) : action_(std::move(action)) {}
  ~TFinally() {
    if (!action_) return;
    try {
      action_();
    } catch (...) {
      // A cleanup step failing while another failure unwinds is dropped.
    }
  }
  TFinally(const TFinally&) = delete;
  TFinally& operator=(const TFinally&) = delete;
  /// Leaves the action undone.
  void Dismiss() { action_ = nullptr; }

private:
  std::function<void()> action_;
};

/// Sets a flag for the guard's lifetime and puts its old value back.
class TFlagGuard {
public:
  TFlagGuard(bool& flag, bool value) : flag_(flag), saved_(flag) { flag_ = value; }
  ~TFlagGuard() { flag_ = saved_; }
  TFlagGuard(const TFlagGuard&) = delete;
  TFlagGuard& operator=(const TFlagGuard&) = delete;

private:
  bool& flag_;
  bool saved_;
};
