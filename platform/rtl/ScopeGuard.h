// Scoped cleanup.
//
// TScopeExit runs a cleanup when it leaves its scope, whichever way: the
// normal end, a return, or an exception. Code writes the cleanup once, next to
// what it undoes, instead of a `catch (...) { cleanup; throw; }` block and a
// second copy after it:
//
//   BeginUpdate();
//   auto endUpdate = ScopeExit([&] { EndUpdate(); });
//   ... may raise ...
//   endUpdate.Run();  // the normal path: the change event may raise
//
// A guard's destructor never throws. A cleanup that may raise on the normal
// path (one that fires events, say) is run there with Run(), which lets its
// exception out; on the way out of an exception the destructor runs it and
// drops what it raises, so that the first exception is the one reported.
// Dismiss() keeps the guard from running: a rollback that only a failure
// needs is dismissed once the work succeeded.
//
// TCallPairScope calls a pair of member functions around a scope (the update
// and lock counters of lists, canvases and viewers): TUpdateScope calls
// BeginUpdate and EndUpdate, TLockScope Lock and Unlock.
#pragma once

#include <utility>

template <typename F> class [[nodiscard]] TScopeExit {
public:
  explicit TScopeExit(F cleanup) : cleanup_(std::move(cleanup)) {}
  TScopeExit(TScopeExit&& other) noexcept
      : cleanup_(std::move(other.cleanup_)), armed_(std::exchange(other.armed_, false)) {}
  TScopeExit(const TScopeExit&) = delete;
  TScopeExit& operator=(const TScopeExit&) = delete;
  TScopeExit& operator=(TScopeExit&&) = delete;

  ~TScopeExit() {
    if (!armed_) return;
    try {
      cleanup_();
    } catch (...) {
      // Destructors never throw: a cleanup that raises while the scope is
      // left by an exception loses its own (the first one is reported).
    }
  }

  /// Runs the cleanup now (its exception propagates) and disarms the guard.
  void Run() {
    if (!std::exchange(armed_, false)) return;
    cleanup_();
  }

  /// The cleanup will not run.
  void Dismiss() noexcept { armed_ = false; }

private:
  F cleanup_;
  bool armed_ = true;
};

/// A guard that runs `cleanup` when the scope ends.
template <typename F> [[nodiscard]] TScopeExit<F> ScopeExit(F cleanup) {
  return TScopeExit<F>(std::move(cleanup));
}

/// Calls (object.*Enter)() now and (object.*Leave)() when the scope ends; End()
/// leaves on the normal path, where Leave may raise.
template <typename T, auto Enter, auto Leave> class [[nodiscard]] TCallPairScope {
public:
  explicit TCallPairScope(T& object) : object_(&object) { (object.*Enter)(); }
  TCallPairScope(const TCallPairScope&) = delete;
  TCallPairScope& operator=(const TCallPairScope&) = delete;

  ~TCallPairScope() {
    if (object_ == nullptr) return;
    try {
      (object_->*Leave)();
    } catch (...) {
      // As TScopeExit: never from a destructor.
    }
  }

  /// Leaves now (Leave's exception propagates).
  void End() {
    if (T* object = std::exchange(object_, nullptr)) (object->*Leave)();
  }

private:
  T* object_;
};

/// BeginUpdate now, EndUpdate at the end of the scope.
template <typename T> using TUpdateScope = TCallPairScope<T, &T::BeginUpdate, &T::EndUpdate>;

/// Lock now, Unlock at the end of the scope.
template <typename T> using TLockScope = TCallPairScope<T, &T::Lock, &T::Unlock>;
