// Rounding, truncation and integer helpers with the platform's rules.
//
// Round rounds halves to the even neighbour; Trunc, Int, idiv and imod drop the
// fraction toward zero; MulDiv rounds halves away from zero. Floating-point
// exceptions stay masked: where the system relies on a fault raising, the
// checked helpers test and raise explicitly.
#pragma once

#include "platform/rtl/Types.h"

/// Nearest integer, halves to even: 2.5 -> 2, -2.5 -> -2, 49.5 -> 50. NaN gives 0
/// and values beyond the int64 range saturate (never undefined behaviour); use
/// checkedRound where such a value must raise.
Int64 Round(Extended value);
/// Toward zero, saturating like Round.
Int64 Trunc(Extended value);
/// The integer part (toward zero) as a float.
Extended Int(Extended value);
/// The fraction part, with the sign of the value.
Extended Frac(Extended value);

/// Round that raises EInvalidOp for NaN, infinities and values beyond int64.
Int64 checkedRound(Extended value);
/// Trunc that raises EInvalidOp likewise.
Int64 checkedTrunc(Extended value);

/// Integer division toward zero; raises EDivByZero for a zero divisor and
/// EIntOverflow for the one quotient beyond int64 (min / -1).
Int64 idiv(Int64 a, Int64 b);
/// Remainder with the sign of the dividend; raises EDivByZero for a zero divisor.
Int64 imod(Int64 a, Int64 b);

/// a / b that raises EZeroDivide for a zero divisor (EInvalidOp for 0 / 0 and
/// for NaN operands).
Extended checkedDivide(Extended a, Extended b);
/// Base-10 logarithm that raises EZeroDivide for 0 and EInvalidOp for negative
/// or NaN values.
Extended checkedLog10(Extended value);
/// Natural logarithm with the same checks.
Extended checkedLn(Extended value);

/// a * b / c with a 64-bit product, rounded half away from zero. A zero divisor
/// or a result beyond int32 gives -1.
Integer MulDiv(Integer a, Integer b, Integer c);

/// The floating-point control word: a no-op kept for callers that save and
/// restore it. Exceptions always stay masked.
Word Get8087CW();
void Set8087CW(Word controlWord);
