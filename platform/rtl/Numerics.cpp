#include "platform/rtl/Numerics.h"

#include "platform/rtl/Exceptions.h"

#include <cfenv>
#include <cmath>
#include <limits>
#include <optional>

namespace {

constexpr Extended kInt64Limit = 9223372036854775808.0L; // 2^63

Int64 saturate(Extended integral) {
  if (std::isnan(integral)) return 0;
  if (integral >= kInt64Limit) return std::numeric_limits<Int64>::max();
  if (integral < -kInt64Limit) return std::numeric_limits<Int64>::min();
  return static_cast<Int64>(integral);
}

bool fitsInt64(Extended integral) {
  return std::isfinite(integral) && integral < kInt64Limit && integral >= -kInt64Limit;
}

[[noreturn]] void invalidOp() {
  throw EInvalidOp("Invalid floating point operation");
}

Extended nearestEven(Extended value) {
  if (std::fegetround() == FE_TONEAREST) return std::nearbyint(value);
  // Someone changed the rounding mode: round half to even without touching it.
  const Extended below = std::floor(value);
  const Extended diff = value - below;
  if (diff < 0.5L) return below;
  if (diff > 0.5L) return below + 1;
  return std::fmod(below, 2.0L) == 0 ? below : below + 1;
}

} // namespace

Int64 Round(Extended value) {
  return saturate(nearestEven(value));
}
Int64 Trunc(Extended value) {
  return saturate(std::trunc(value));
}
Extended Int(Extended value) {
  return std::trunc(value);
}
Extended Frac(Extended value) {
  return value - std::trunc(value);
}

Int64 checkedRound(Extended value) {
  const Extended r = nearestEven(value);
  if (!fitsInt64(r)) invalidOp();
  return static_cast<Int64>(r);
}

Int64 checkedTrunc(Extended value) {
  const Extended r = std::trunc(value);
  if (!fitsInt64(r)) invalidOp();
  return static_cast<Int64>(r);
}

Extended checkedDivide(Extended a, Extended b) {
  if (std::isnan(a) || std::isnan(b)) invalidOp();
  if (b == 0) {
    if (a == 0) invalidOp();
    throw EZeroDivide("Floating point division by zero");
  }
  return a / b;
}

namespace {
void checkLogArgument(Extended value) {
  if (std::isnan(value) || value < 0) invalidOp();
  if (value == 0) throw EZeroDivide("Floating point division by zero");
}
} // namespace

namespace {
// The exponent k when value is exactly 10^k (for k < 0: the nearest double or
// long double to 10^k), so that powers of ten give exact logarithms whatever
// the processor's transcendental instructions round to.
std::optional<int> exactPowerOfTenExponent(Extended value) {
  if (!(value > 0) || std::isinf(value)) return std::nullopt;
  Extended estimate = std::nearbyint(std::log10(value));
  if (std::fabs(estimate) > 22) return std::nullopt;
  int k = static_cast<int>(estimate);
  Extended power = 1;  // 10^|k|, exact in both double and long double up to 10^22
  for (int i = 0; i < (k < 0 ? -k : k); ++i) power *= 10;
  if (k >= 0) {
    if (value == power) return k;
  } else if (value == 1.0L / power ||
             value == static_cast<Extended>(1.0 / static_cast<double>(power))) {
    return k;
  }
  return std::nullopt;
}
} // namespace

Extended checkedLog10(Extended value) {
  checkLogArgument(value);
  if (auto k = exactPowerOfTenExponent(value)) return *k;
  return std::log10(value);
}

Extended checkedLn(Extended value) {
  checkLogArgument(value);
  return std::log(value);
}

Int64 idiv(Int64 a, Int64 b) {
  if (b == 0) throw EDivByZero("Division by zero");
  if (a == std::numeric_limits<Int64>::min() && b == -1) throw EIntOverflow("Integer overflow");
  return a / b;
}

Int64 imod(Int64 a, Int64 b) {
  if (b == 0) throw EDivByZero("Division by zero");
  if (b == -1) return 0;
  return a % b;
}

Integer MulDiv(Integer a, Integer b, Integer c) {
  if (c == 0) return -1;
  const Int64 product = static_cast<Int64>(a) * static_cast<Int64>(b);
  const bool negative = (product < 0) != (c < 0);
  const UInt64 num =
      product < 0 ? UInt64(0) - static_cast<UInt64>(product) : static_cast<UInt64>(product);
  const UInt64 den =
      c < 0 ? UInt64(0) - static_cast<UInt64>(static_cast<Int64>(c)) : static_cast<UInt64>(c);
  UInt64 q = num / den;
  const UInt64 r = num % den;
  if (r * 2 >= den) ++q; // halves away from zero
  if (negative) {
    if (q > 0x80000000ull) return -1;
    return static_cast<Integer>(-static_cast<Int64>(q));
  }
  if (q > 0x7FFFFFFFull) return -1;
  return static_cast<Integer>(q);
}

// Every exception masked, 64-bit precision, round to nearest.
Word Get8087CW() {
  return 0x137F;
}
void Set8087CW(Word) {}
