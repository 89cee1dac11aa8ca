// Scoped cleanup for the form-state library: the runtime's ScopeExit and
// update/lock scopes, and TFlagGuard for a flag set for a scope.
#pragma once

#include "platform/rtl/ScopeGuard.h"

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
