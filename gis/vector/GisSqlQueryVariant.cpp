// Field values of the attribute query language from the runtime's Variant.

#include <limits>

#include "gis/vector/GisSqlQueryValues.h"
#include "platform/rtl/Variant.h"

namespace gis_sql {

T_SqlValue SqlValueFromVariant(const Variant& value) {
  switch (value.VarType() & varTypeMask) {
  case varEmpty:
    return T_SqlValue{};
  case varNull:
    return T_SqlValue::MakeNull();
  case varBoolean:
    return T_SqlValue::MakeBoolean(value.AsBoolean());
  case varSmallint:
  case varInteger:
  case varShortInt:
  case varByte:
  case varWord:
  case varLongWord:
  case varInt64:
    return T_SqlValue::MakeInteger(value.AsInt64());
  case varUInt64: {
    double d = value.AsDouble();
    if (d < 9.2e18) return T_SqlValue::MakeInteger(value.AsInt64());
    return T_SqlValue::MakeDouble(d);
  }
  case varSingle:
    return T_SqlValue::MakeSingle(static_cast<float>(value.AsDouble()));
  case varDouble:
    return T_SqlValue::MakeDouble(value.AsDouble());
  case varCurrency:
    return T_SqlValue::MakeCurrency(value.AsCurrency().Raw());
  case varDate:
    return T_SqlValue::MakeDate(value.AsDateTime());
  case varString:
  case varOleStr:
  case varStrArg:
    return T_SqlValue::MakeText(value.AsString());
  default: // arrays and other kinds are not supported
    throw T_SqlEvalError{};
  }
}

} // namespace gis_sql
