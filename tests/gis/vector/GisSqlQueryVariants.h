// Short makers of field values for the query tests.
#pragma once

#include <cstdint>
#include <string>

#include "platform/rtl/Currency.h"
#include "platform/rtl/Variant.h"

inline Variant VInt(int32_t v) {
  return Variant(v);
}
inline Variant VInt64(int64_t v) {
  return Variant(v);
}
inline Variant VDouble(double v) {
  return Variant(v);
}
inline Variant VSingle(float v) {
  return Variant(v);
}
inline Variant VText(const std::string& v) {
  return Variant(v);
}
inline Variant VBool(bool v) {
  return Variant(v);
}
inline Variant VNull() {
  return Variant::MakeNull();
}
inline Variant VEmpty() {
  return Variant();
}
inline Variant VCurrency(double v) {
  return Variant(Currency::FromDouble(v));
}
inline Variant VDate(double v) {
  return Variant::FromDate(v);
}
