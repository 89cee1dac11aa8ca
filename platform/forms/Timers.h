// Window timers and TTimer, on the runtime's tick clock.
//
// A timer sends WM_TIMER (WParam = the timer id) to its window every interval.
// Normally Qt's precise timers drive them. Tests install TManualTimerClock:
// then the runtime's clock (GetTickCount, Sleep) is manual too, timers fire
// only when the clock is advanced through it (in the order they fall due) or
// when Application()->ProcessMessages() moves it on by 10 ms; nothing waits.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/forms/Components.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Windows.h"
#include "platform/rtl/Ticks.h"

/// Starts (or restarts) timer `id` of the window; returns the id, 0 on failure.
std::uintptr_t SetTimer(HWND h, std::uintptr_t id, UINT elapseMs);
bool KillTimer(HWND h, std::uintptr_t id);

class TManualTimerClock {
public:
  explicit TManualTimerClock(UInt64 startMs = 0);
  ~TManualTimerClock();
  TManualTimerClock(const TManualTimerClock&) = delete;
  TManualTimerClock& operator=(const TManualTimerClock&) = delete;

  /// Moves the clock on by `ms`, stopping at every due timer in turn to fire
  /// it (WM_TIMER dispatched synchronously). Timers already due fire first.
  void Advance(UInt64 ms);
  UInt64 Now() const { return clock_.Now(); }
  /// The active manual clock, null when timers run on Qt.
  static TManualTimerClock* Active();

private:
  TManualClock clock_;
};

class TTimer : public TComponent {
  SK_CLASS(TTimer, TComponent)
public:
  explicit TTimer(TComponent* owner);
  ~TTimer() override;

  UINT Interval() const { return interval_; }
  bool Enabled() const { return enabled_; }
  const TNotifyEvent& OnTimer() const { return onTimer_; }
  /// Writing a different value restarts the period; the same value does
  /// nothing. The timer runs with Interval > 0, Enabled and OnTimer assigned.
  void SetInterval(UINT value);
  void SetEnabled(bool value);
  /// Assigning the handler always restarts the period.
  void SetOnTimer(TNotifyEvent handler);
  /// True while the window timer is running.
  bool Running() const { return running_; }

protected:
  virtual void Timer();

private:
  void updateTimer();
  void wndProc(TMessage& m);
  HWND window_ = 0;
  UINT interval_ = 1000;
  bool enabled_ = true;
  bool running_ = false;
  TNotifyEvent onTimer_;
};
