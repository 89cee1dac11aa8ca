// Milliseconds ticks, sleeping and the global random generator.
//
// The tick clock is monotonic and can be replaced by tests, as can Sleep.
// Differences of GetTickCount values are taken in uint32, so they survive the
// wrap after 49.7 days: `Cardinal elapsed = GetTickCount() - start;`.
#pragma once

#include "platform/rtl/Types.h"

#include <functional>

/// Milliseconds of the monotonic clock, wrapping at 2^32.
Cardinal GetTickCount();
/// The same clock (the multimedia timer of the platform).
Cardinal timeGetTime();
/// The full 64-bit milliseconds behind GetTickCount.
UInt64 GetTickCount64();
/// Suspends the thread for `milliseconds`; 0 yields the processor.
void Sleep(Cardinal milliseconds);

/// Test hooks: a clock returning milliseconds and a sleep function. An empty
/// function restores the real one.
void SetTickSourceForTests(std::function<UInt64()> source);
void SetSleepForTests(std::function<void(Cardinal)> sleep);

/// A manual clock for tests: Sleep advances it instead of waiting.
/// Installing one replaces the tick source and Sleep until it is destroyed.
class TManualClock {
public:
  explicit TManualClock(UInt64 startMs = 0);
  ~TManualClock();
  TManualClock(const TManualClock&) = delete;
  TManualClock& operator=(const TManualClock&) = delete;
  void Advance(UInt64 ms) { now_ += ms; }
  void Set(UInt64 ms) { now_ = ms; }
  UInt64 Now() const { return now_; }

private:
  UInt64 now_;
};

/// A pseudo-random generator with its own state. The sequence is this
/// runtime's own; equal seeds give equal sequences.
class TRandomGenerator {
public:
  explicit TRandomGenerator(UInt64 seed = 0) { SetSeed(seed); }
  void SetSeed(UInt64 seed);
  UInt64 Seed() const { return seed_; }
  /// In [0, 1).
  double Next();
  /// In [0, range); 0 when range <= 0.
  Integer Next(Integer range);
  /// In [from, to] (either order).
  Integer NextRange(Integer from, Integer to);

private:
  UInt64 nextBits();
  UInt64 seed_ = 0;
  UInt64 state_ = 0;
};

/// The process-wide generator (user-interface thread only).
double Random();
Integer Random(Integer range);
Integer RandomRange(Integer from, Integer to);
/// Seeds the process-wide generator from the clock.
void Randomize();
/// The process-wide seed; setting it restarts the sequence.
UInt64 RandSeed();
void SetRandSeed(UInt64 seed);
