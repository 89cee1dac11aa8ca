#include "app/CaptureSchedule.h"

void TCaptureSchedule::RestartAfterPosition() {
  captureCount_ = 1;
  interval_ = 100;
}

bool TCaptureSchedule::BeginTick() {
  if (ticks_ > 0 || rebuilds_ > 0) return false;
  ++ticks_;
  return true;
}

void TCaptureSchedule::CountCapture() {
  ++captureCount_;
  interval_ = static_cast<Cardinal>(captureCount_) * 50 + 100;
}

void TCaptureSchedule::EndTick() {
  if (ticks_ > 0) --ticks_;
}

bool TCaptureSchedule::BeginRebuild() {
  if (rebuilds_ > 0) return false;
  ++rebuilds_;
  return true;
}

void TCaptureSchedule::EndRebuild(bool pageLoaded) {
  if (rebuilds_ > 0) --rebuilds_;
  started_ = pageLoaded;
}

bool TCaptureSchedule::TimerMayRun() const {
  return started_ && !terminated_ && ticks_ == 0 && rebuilds_ == 0 && !dragging_;
}
