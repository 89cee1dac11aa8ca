#include "platform/rtl/Ticks.h"

#include "platform/rtl/ResetHooks.h"

#include <chrono>
#include <thread>

namespace {

std::function<UInt64()>& tickSource() {
  static std::function<UInt64()> source;
  return source;
}

std::function<void(Cardinal)>& sleepHook() {
  static std::function<void(Cardinal)> hook;
  return hook;
}

TRandomGenerator& globalRandom() {
  static TRandomGenerator generator;
  return generator;
}

const TResetHookRegistrar resetTicks("Ticks", [] {
  tickSource() = nullptr;
  sleepHook() = nullptr;
  globalRandom().SetSeed(0);
});

UInt64 steadyMs() {
  using namespace std::chrono;
  return static_cast<UInt64>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace

UInt64 GetTickCount64() {
  const auto& source = tickSource();
  return source ? source() : steadyMs();
}

Cardinal GetTickCount() {
  return static_cast<Cardinal>(GetTickCount64());
}
Cardinal timeGetTime() {
  return GetTickCount();
}

void Sleep(Cardinal milliseconds) {
  const auto& hook = sleepHook();
  if (hook) {
    hook(milliseconds);
  } else if (milliseconds == 0) {
    std::this_thread::yield();
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
}

void SetTickSourceForTests(std::function<UInt64()> source) {
  tickSource() = std::move(source);
}
void SetSleepForTests(std::function<void(Cardinal)> sleep) {
  sleepHook() = std::move(sleep);
}

TManualClock::TManualClock(UInt64 startMs) : now_(startMs) {
  SetTickSourceForTests([this] { return now_; });
  SetSleepForTests([this](Cardinal ms) { now_ += ms; });
}

TManualClock::~TManualClock() {
  SetTickSourceForTests(nullptr);
  SetSleepForTests(nullptr);
}

// SplitMix64: small state, good spread, fully determined by the seed.
void TRandomGenerator::SetSeed(UInt64 seed) {
  seed_ = seed;
  state_ = seed;
}

UInt64 TRandomGenerator::nextBits() {
  state_ += 0x9E3779B97F4A7C15ull;
  UInt64 z = state_;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

double TRandomGenerator::Next() {
  return static_cast<double>(nextBits() >> 11) * 0x1.0p-53;
}

Integer TRandomGenerator::Next(Integer range) {
  if (range <= 0) return 0;
  // Multiply-shift maps 32 random bits onto [0, range) without a modulo bias
  // beyond 2^-32.
  const UInt64 bits = nextBits() >> 32;
  return static_cast<Integer>((bits * static_cast<UInt64>(range)) >> 32);
}

Integer TRandomGenerator::NextRange(Integer from, Integer to) {
  if (from > to) std::swap(from, to);
  const Int64 span = static_cast<Int64>(to) - from + 1;
  const UInt64 bits = nextBits() >> 32;
  return static_cast<Integer>(from + static_cast<Int64>((bits * static_cast<UInt64>(span)) >> 32));
}

double Random() {
  return globalRandom().Next();
}
Integer Random(Integer range) {
  return globalRandom().Next(range);
}
Integer RandomRange(Integer from, Integer to) {
  return globalRandom().NextRange(from, to);
}

void Randomize() {
  const auto now = std::chrono::system_clock::now().time_since_epoch().count();
  globalRandom().SetSeed(static_cast<UInt64>(now) ^ (steadyMs() << 20));
}

UInt64 RandSeed() {
  return globalRandom().Seed();
}
void SetRandSeed(UInt64 seed) {
  globalRandom().SetSeed(seed);
}
