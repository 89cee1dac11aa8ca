// The runtime's basic scalar types, named as the system names them.
#pragma once

#include <cstdint>

using Integer = std::int32_t;
using Cardinal = std::uint32_t;
using Int64 = std::int64_t;
using UInt64 = std::uint64_t;
using SmallInt = std::int16_t;
using ShortInt = std::int8_t;
using Byte = std::uint8_t;
using Word = std::uint16_t;
using LongWord = std::uint32_t;
using LongInt = std::int32_t;
using Single = float;
using Double = double;
/// 80-bit extended precision on x86-64.
using Extended = long double;
/// Days since 1899-12-30 (local time); the fraction is the time of day.
using TDateTime = double;

static_assert(sizeof(Extended) > sizeof(Double) || sizeof(void*) != 8,
              "Extended must be the 80-bit type on this platform");
