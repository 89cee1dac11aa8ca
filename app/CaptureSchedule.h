// When the capture timer may run and how far apart its ticks come.
//
// Ticks follow a position step at 100 ms, then 50 * n + 100 ms after the n-th
// tick (200, 250, 300 ms ...). The timer runs only when capturing has started
// (the first page rebuild ended), the program is not closing, and no tick, no
// page rebuild and no drag is in progress: whichever of them ends last lets
// the timer run again. A tick or rebuild that the message loop would start
// inside another one is refused.
#pragma once

#include "platform/rtl/Types.h"

class TCaptureSchedule {
public:
  /// The interval the timer has now.
  Cardinal Interval() const { return interval_; }
  /// Ticks since the last position step (1 right after it).
  int CaptureCount() const { return captureCount_; }

  /// A position step: the count restarts at 1 and the interval at 100 ms.
  void RestartAfterPosition();
  /// A tick begins: false (the tick must return at once) when a tick or a
  /// rebuild is already under way.
  bool BeginTick();
  /// The tick captures (it does not rebuild the page instead): counts it and
  /// sets the next interval.
  void CountCapture();
  void EndTick();
  /// A page rebuild begins: false when one is under way already.
  bool BeginRebuild();
  /// The rebuild ended; with its page loaded capturing starts, without
  /// (no template) it stays off until a later rebuild loads one.
  void EndRebuild(bool pageLoaded = true);
  void BeginDrag() { dragging_ = true; }
  void EndDrag() { dragging_ = false; }
  /// The program is closing: the timer never runs again.
  void Terminate() { terminated_ = true; }

  bool InTick() const { return ticks_ > 0; }
  bool InRebuild() const { return rebuilds_ > 0; }
  bool Dragging() const { return dragging_; }
  /// Whether the timer may run now.
  bool TimerMayRun() const;

private:
  Cardinal interval_ = 300;
  int captureCount_ = 0;
  int ticks_ = 0;
  int rebuilds_ = 0;
  bool started_ = false;
  bool dragging_ = false;
  bool terminated_ = false;
};
