// Declared types to field types, ISO dates, the error texts.
#include "platform/data/DataBackend.h"

#include "platform/rtl/DateTime.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"

#include <cmath>

namespace data::detail {
namespace {

// "NAME(a,b)" -> base "NAME", a, b (0 when absent).
void SplitDecl(const std::string& decl, std::string& base, int& a, int& b) {
  const std::string u = Trim(UpperCase(decl));
  const std::size_t open = u.find('(');
  base = Trim(u.substr(0, open));
  a = b = 0;
  if (open == std::string::npos) return;
  const std::size_t close = u.find(')', open);
  const std::string inside = u.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1);
  const std::size_t comma = inside.find(',');
  a = StrToIntDef(Trim(inside.substr(0, comma)), 0);
  if (comma != std::string::npos) b = StrToIntDef(Trim(inside.substr(comma + 1)), 0);
}

} // namespace

TColumn SqliteColumnType(const std::string& name, const std::string& declType) {
  TColumn c;
  c.Name = name;
  std::string base;
  int a = 0, b = 0;
  SplitDecl(declType, base, a, b);
  auto is = [&](std::initializer_list<const char*> names) {
    for (const char* n : names)
      if (base == n) return true;
    return false;
  };
  if (base.empty()) return c;
  if (is({"SMALLINT", "SHORT"})) c.Type = FieldType::SmallInt;
  else if (is({"INT", "INTEGER", "COUNTER", "LONG", "AUTOINCREMENT"})) c.Type = FieldType::Integer;
  else if (is({"BYTE", "TINYINT"})) c.Type = FieldType::UnsignedTinyInt;
  else if (is({"BIGINT"})) c.Type = FieldType::BigInt;
  else if (is({"SINGLE"})) c.Type = FieldType::Single;
  else if (is({"REAL", "FLOAT", "DOUBLE", "DOUBLE PRECISION"})) c.Type = FieldType::Double;
  else if (is({"NUMERIC", "DECIMAL"})) {
    c.Type = FieldType::Numeric;
    c.DefinedSize = a;
    c.Scale = b;
  } else if (is({"DATE"})) c.Type = FieldType::DBDate;
  else if (is({"TIME"})) c.Type = FieldType::DBTime;
  else if (is({"DATETIME", "TIMESTAMP"})) c.Type = FieldType::DBTimeStamp;
  else if (is({"BIT", "BOOLEAN", "YESNO"})) c.Type = FieldType::Boolean;
  else if (is({"CHAR", "CHARACTER", "NCHAR"})) {
    c.Type = FieldType::Char;
    c.DefinedSize = a > 0 ? a : 1;
  } else if (is({"VARCHAR", "NVARCHAR", "CHARACTER VARYING", "TEXT"})) {
    c.Type = FieldType::VarWChar;
    c.DefinedSize = a > 0 ? a : 255;
  } else if (is({"MEMO", "CLOB", "LONGTEXT", "LONGCHAR"})) c.Type = FieldType::LongVarWChar;
  else if (is({"BLOB", "LONGBINARY", "BYTEA", "IMAGE", "BINARY", "VARBINARY"})) c.Type = FieldType::LongVarBinary;
  return c; // another declared type: decided by the first value
}

TColumn PostgresColumnType(const std::string& name, unsigned oid, int typmod) {
  TColumn c;
  c.Name = name;
  switch (oid) {
  case 21: c.Type = FieldType::SmallInt; break;
  case 23: c.Type = FieldType::Integer; break;
  case 20: c.Type = FieldType::BigInt; break;
  case 700: c.Type = FieldType::Single; break;
  case 701: c.Type = FieldType::Double; break;
  case 1700:
    c.Type = FieldType::Numeric;
    if (typmod >= 4) {
      c.DefinedSize = ((typmod - 4) >> 16) & 0xFFFF;
      c.Scale = (typmod - 4) & 0xFFFF;
    }
    break;
  case 16: c.Type = FieldType::Boolean; break;
  case 1082: c.Type = FieldType::DBDate; break;
  case 1083: c.Type = FieldType::DBTime; break;
  case 1114:
  case 1184: c.Type = FieldType::DBTimeStamp; break;
  case 1042:
    c.Type = FieldType::Char;
    c.DefinedSize = typmod >= 4 ? typmod - 4 : 1;
    break;
  case 1043:
  case 25:
    c.Type = FieldType::VarWChar;
    c.DefinedSize = typmod >= 4 ? typmod - 4 : 255;
    break;
  case 17: c.Type = FieldType::LongVarBinary; break;
  default: break;
  }
  return c;
}

bool IsoToDays(const std::string& text, double& days) {
  const std::string t = Trim(text);
  auto num = [&](std::size_t pos, std::size_t len, int& out) {
    if (pos + len > t.size()) return false;
    for (std::size_t i = pos; i < pos + len; ++i)
      if (t[i] < '0' || t[i] > '9') return false;
    out = StrToIntDef(t.substr(pos, len), -1);
    return out >= 0;
  };
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  std::size_t p = 0;
  double date = 0;
  bool haveDate = false;
  if (t.size() >= 10 && t[4] == '-' && t[7] == '-') {
    TDateTime v = 0;
    if (!num(0, 4, y) || !num(5, 2, mo) || !num(8, 2, d)) return false;
    if (!TryEncodeDate(static_cast<Word>(y), static_cast<Word>(mo), static_cast<Word>(d), v)) return false;
    date = v;
    haveDate = true;
    p = 10;
    if (p < t.size() && (t[p] == ' ' || t[p] == 'T')) ++p;
  }
  double time = 0;
  if (p < t.size()) {
    if (!num(p, 2, h) || p + 2 >= t.size() || t[p + 2] != ':' || !num(p + 3, 2, mi)) return false;
    p += 5;
    if (p < t.size() && t[p] == ':') {
      if (!num(p + 1, 2, s)) return false;
      p += 3;
    }
    double frac = 0, scale = 0.1;
    if (p < t.size() && t[p] == '.') {
      for (++p; p < t.size() && t[p] >= '0' && t[p] <= '9'; ++p, scale /= 10) frac += (t[p] - '0') * scale;
    }
    if (p != t.size() || h > 23 || mi > 59 || s > 59) return false;
    time = (h * 3600.0 + mi * 60.0 + s + frac) / 86400.0;
  } else if (!haveDate) {
    return false;
  }
  // Dates before 1899-12-30 count their time towards the past.
  days = date < 0 ? date - time : date + time;
  return true;
}

std::string DaysToIso(double days) {
  Word y, mo, d, h, mi, s, ms;
  DecodeDate(days, y, mo, d);
  DecodeTime(days, h, mi, s, ms);
  std::string text = Format("%.4d-%.2d-%.2d %.2d:%.2d:%.2d", {y, mo, d, h, mi, s});
  if (ms != 0) text += Format(".%.3d", {ms});
  return text;
}

void RaiseDataError(const std::string& engine, const std::string& text, const std::string& sqlState) {
  std::string message = engine + ": " + text;
  if (!sqlState.empty()) message += " (SQLSTATE " + sqlState + ")";
  throw EDataError(message, sqlState);
}

void RaiseConnectionLost(const std::string& text) {
  throw EDataConnectionLost("database connection lost: " + text + "; the last statement was not confirmed",
                            "08006");
}

} // namespace data::detail
