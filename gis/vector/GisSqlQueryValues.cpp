// Values of the attribute query language: conversions, comparisons and
// arithmetic.

#include "gis/vector/GisSqlQueryValues.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <cwctype>
#include <limits>
#include <locale.h>

namespace gis_sql {

// ---------------------------------------------------------------- factories

T_SqlValue T_SqlValue::MakeNull() {
  T_SqlValue v;
  v.kind = T_SqlKind::Null;
  return v;
}
T_SqlValue T_SqlValue::MakeBoolean(bool value) {
  T_SqlValue v;
  v.kind = T_SqlKind::Boolean;
  v.b = value;
  return v;
}
T_SqlValue T_SqlValue::MakeInteger(int64_t value) {
  T_SqlValue v;
  v.kind = T_SqlKind::Integer;
  v.i = value;
  return v;
}
T_SqlValue T_SqlValue::MakeSingle(float value) {
  T_SqlValue v;
  v.kind = T_SqlKind::Single;
  v.d = value;
  return v;
}
T_SqlValue T_SqlValue::MakeDouble(double value) {
  T_SqlValue v;
  v.kind = T_SqlKind::Double;
  v.d = value;
  return v;
}
T_SqlValue T_SqlValue::MakeCurrency(int64_t scaled) {
  T_SqlValue v;
  v.kind = T_SqlKind::Currency;
  v.i = scaled;
  return v;
}
T_SqlValue T_SqlValue::MakeDate(double value) {
  T_SqlValue v;
  v.kind = T_SqlKind::Date;
  v.d = value;
  return v;
}
T_SqlValue T_SqlValue::MakeText(std::string value) {
  T_SqlValue v;
  v.kind = T_SqlKind::Text;
  v.s = std::move(value);
  return v;
}

// ------------------------------------------------------------------- text

namespace {

locale_t FoldLocale() {
  // C.UTF-8 is built into the C library: its case tables are the Unicode
  // simple mappings and do not depend on the user's environment.
  static locale_t loc = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(nullptr));
  return loc;
}

char32_t FoldChar(char32_t c) {
  if (c < 0x80) {
    if (c >= 'A' && c <= 'Z') return c + 32;
    return c;
  }
  if (c >= 0xDC80 && c <= 0xDCFF) return c; // kept-apart invalid bytes
  locale_t loc = FoldLocale();
  if (!loc) return c;
  wint_t u = towupper_l(static_cast<wint_t>(c), loc);
  return static_cast<char32_t>(towlower_l(u, loc));
}

// Decodes one UTF-8 sequence at `p`; invalid bytes come back one at a time as
// U+DC80..U+DCFF.
char32_t DecodeUtf8(const std::string& s, size_t& p) {
  auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char c = byte(p);
  if (c < 0x80) {
    ++p;
    return c;
  }
  int len = 0;
  char32_t cp = 0;
  char32_t min = 0;
  if ((c & 0xE0) == 0xC0) {
    len = 2, cp = c & 0x1F, min = 0x80;
  } else if ((c & 0xF0) == 0xE0) {
    len = 3, cp = c & 0x0F, min = 0x800;
  } else if ((c & 0xF8) == 0xF0) {
    len = 4, cp = c & 0x07, min = 0x10000;
  }
  if (len == 0 || p + len > s.size()) {
    ++p;
    return 0xDC00 + c;
  }
  for (int k = 1; k < len; ++k) {
    unsigned char t = byte(p + k);
    if ((t & 0xC0) != 0x80) {
      ++p;
      return 0xDC00 + c;
    }
    cp = (cp << 6) | (t & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++p;
    return 0xDC00 + c;
  }
  p += len;
  return cp;
}

bool IsNumberKind(T_SqlKind k) {
  switch (k) {
  case T_SqlKind::Boolean:
  case T_SqlKind::Integer:
  case T_SqlKind::Single:
  case T_SqlKind::Double:
  case T_SqlKind::Currency:
  case T_SqlKind::Date:
    return true;
  default:
    return false;
  }
}

bool IsFloatKind(T_SqlKind k) {
  return k == T_SqlKind::Single || k == T_SqlKind::Double;
}

bool IsIntegerLike(T_SqlKind k) {
  return k == T_SqlKind::Integer || k == T_SqlKind::Boolean;
}

int64_t IntOf(const T_SqlValue& v) {
  if (v.kind == T_SqlKind::Boolean) return v.b ? -1 : 0;
  return v.i;
}

long double NumOf(const T_SqlValue& v) {
  switch (v.kind) {
  case T_SqlKind::Boolean:
    return v.b ? -1 : 0;
  case T_SqlKind::Integer:
    return static_cast<long double>(v.i);
  case T_SqlKind::Currency:
    return static_cast<long double>(v.i) / 10000.0L;
  case T_SqlKind::Single:
  case T_SqlKind::Double:
  case T_SqlKind::Date:
    return v.d;
  default:
    throw T_SqlEvalError{};
  }
}

bool ParseInteger(const std::string& text, int64_t& out) {
  size_t b = 0, e = text.size();
  while (b < e && text[b] == ' ')
    ++b;
  while (e > b && text[e - 1] == ' ')
    --e;
  if (b < e && text[b] == '+') ++b;
  if (b == e) return false;
  auto r = std::from_chars(text.data() + b, text.data() + e, out);
  return r.ec == std::errc() && r.ptr == text.data() + e;
}

// Converts a text to `target`; false when it does not convert.
bool ConvertText(const std::string& text, T_SqlKind target, T_SqlValue& out) {
  double d = 0;
  switch (target) {
  case T_SqlKind::Text:
    out = T_SqlValue::MakeText(text);
    return true;
  case T_SqlKind::Boolean: {
    std::u32string f = SqlFold(text);
    if (f == U"true") {
      out = T_SqlValue::MakeBoolean(true);
      return true;
    }
    if (f == U"false") {
      out = T_SqlValue::MakeBoolean(false);
      return true;
    }
    if (!SqlParseNumber(text, d)) return false;
    out = T_SqlValue::MakeBoolean(d != 0);
    return true;
  }
  case T_SqlKind::Integer: {
    int64_t i = 0;
    if (ParseInteger(text, i)) {
      out = T_SqlValue::MakeInteger(i);
      return true;
    }
    // A fractional text keeps its fraction: it is compared as a float.
    if (!SqlParseNumber(text, d)) return false;
    out = T_SqlValue::MakeDouble(d);
    return true;
  }
  case T_SqlKind::Single:
    if (!SqlParseNumber(text, d)) return false;
    out = T_SqlValue::MakeSingle(static_cast<float>(d));
    return true;
  case T_SqlKind::Date:
    if (!SqlParseNumber(text, d)) return false;
    out = T_SqlValue::MakeDate(d);
    return true;
  case T_SqlKind::Double:
  case T_SqlKind::Currency:
    if (!SqlParseNumber(text, d)) return false;
    out = T_SqlValue::MakeDouble(d);
    return true;
  default:
    return false;
  }
}

T_SqlValue TextToNumber(const T_SqlValue& v) {
  if (!v.IsText()) return v;
  double d = 0;
  if (!SqlParseNumber(v.s, d)) throw T_SqlEvalError{};
  return T_SqlValue::MakeDouble(d);
}

template <typename T> int Cmp(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

T_SqlOrder FromInt(int c) {
  return c < 0 ? T_SqlOrder::Less : (c > 0 ? T_SqlOrder::Greater : T_SqlOrder::Equal);
}

} // namespace

std::u32string SqlFold(const std::string& text) {
  std::u32string out;
  out.reserve(text.size());
  size_t p = 0;
  while (p < text.size())
    out.push_back(FoldChar(DecodeUtf8(text, p)));
  return out;
}

bool SqlParseNumber(const std::string& text, double& out) {
  size_t b = 0, e = text.size();
  while (b < e && text[b] == ' ')
    ++b;
  while (e > b && text[e - 1] == ' ')
    --e;
  if (b < e && text[b] == '+') ++b;
  if (b == e) return false;
  std::string t = text.substr(b, e - b);
  for (char& c : t)
    if (c == ',') c = '.';
  for (char c : t) // only the number alphabet: no "inf", "nan" or hex
    if (!((c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '-' || c == '+'))
      return false;
  double d = 0;
  auto r = std::from_chars(t.data(), t.data() + t.size(), d, std::chars_format::general);
  if (r.ec != std::errc() || r.ptr != t.data() + t.size() || !std::isfinite(d)) return false;
  out = d;
  return true;
}

// -------------------------------------------------------------- comparison

T_SqlOrder SqlOrder(const T_SqlValue& left, const T_SqlValue& right, bool caseSensitive,
                    bool single) {
  if (left.IsNull() || right.IsNull()) {
    if (left.IsNull() && right.IsNull()) return T_SqlOrder::Equal;
    return left.IsNull() ? T_SqlOrder::Less : T_SqlOrder::Greater;
  }
  const T_SqlValue* l = &left;
  const T_SqlValue* r = &right;
  T_SqlValue tmp;
  if (l->kind != r->kind) {
    if (r->IsText()) {
      if (!ConvertText(r->s, l->kind, tmp)) return T_SqlOrder::Failed;
      r = &tmp;
    } else if (l->IsText()) {
      if (!ConvertText(l->s, r->kind, tmp)) return T_SqlOrder::Failed;
      l = &tmp;
    }
  }
  if (l->IsText() && r->IsText()) {
    if (caseSensitive) return FromInt(l->s.compare(r->s)); // byte order = code point order
    return FromInt(SqlFold(l->s).compare(SqlFold(r->s)));
  }
  if (!IsNumberKind(l->kind) || !IsNumberKind(r->kind)) throw T_SqlEvalError{};
  if (single && IsFloatKind(l->kind))
    return FromInt(Cmp(static_cast<float>(NumOf(*l)), static_cast<float>(NumOf(*r))));
  if (IsIntegerLike(l->kind) && IsIntegerLike(r->kind)) return FromInt(Cmp(IntOf(*l), IntOf(*r)));
  return FromInt(Cmp(NumOf(*l), NumOf(*r)));
}

bool SqlCompare(uint8_t op, const T_SqlValue& left, const T_SqlValue& right) {
  if (op == SQL_OP_EQ || op == SQL_OP_NE) {
    bool eq = SqlOrder(left, right, false, true) == T_SqlOrder::Equal;
    return op == SQL_OP_EQ ? eq : !eq;
  }
  T_SqlOrder o = SqlOrder(left, right, false, false);
  switch (op) {
  case SQL_OP_LT:
    return o == T_SqlOrder::Less;
  case SQL_OP_LE:
    return o == T_SqlOrder::Less || o == T_SqlOrder::Equal;
  case SQL_OP_GT:
    return o == T_SqlOrder::Greater;
  case SQL_OP_GE:
    return o == T_SqlOrder::Greater || o == T_SqlOrder::Equal;
  default:
    throw T_SqlEvalError{};
  }
}

bool SqlEqualWithCase(const T_SqlValue& left, const T_SqlValue& right) {
  return SqlOrder(left, right, true, true) == T_SqlOrder::Equal;
}

// ------------------------------------------------------------- operations

T_SqlValue SqlAndOr(bool isAnd, const T_SqlValue& left, const T_SqlValue& right) {
  if (left.IsNull() || right.IsNull()) return T_SqlValue::MakeNull();
  if (left.kind == T_SqlKind::Boolean && right.kind == T_SqlKind::Boolean)
    return T_SqlValue::MakeBoolean(isAnd ? (left.b && right.b) : (left.b || right.b));
  // Bitwise on integers; number literals are floats, so a float with an
  // integral value counts as an integer here.
  auto asInteger = [](const T_SqlValue& v) -> int64_t {
    if (IsIntegerLike(v.kind)) return IntOf(v);
    if (IsFloatKind(v.kind) && std::trunc(v.d) == v.d && std::fabs(v.d) < 9.2e18)
      return static_cast<int64_t>(v.d);
    throw T_SqlEvalError{};
  };
  int64_t a = asInteger(left), b = asInteger(right);
  return T_SqlValue::MakeInteger(isAnd ? (a & b) : (a | b));
}

T_SqlValue SqlNot(const T_SqlValue& value) {
  switch (value.kind) {
  case T_SqlKind::Null:
    return value;
  case T_SqlKind::Boolean:
    return T_SqlValue::MakeBoolean(!value.b);
  case T_SqlKind::Integer:
    return T_SqlValue::MakeInteger(~value.i);
  default:
    throw T_SqlEvalError{};
  }
}

T_SqlValue SqlNegate(const T_SqlValue& value) {
  T_SqlValue v = TextToNumber(value);
  switch (v.kind) {
  case T_SqlKind::Null:
    return v;
  case T_SqlKind::Boolean:
  case T_SqlKind::Integer: {
    int64_t i = IntOf(v);
    if (i == std::numeric_limits<int64_t>::min())
      return T_SqlValue::MakeDouble(-static_cast<double>(i));
    return T_SqlValue::MakeInteger(-i);
  }
  case T_SqlKind::Currency:
    if (v.i == std::numeric_limits<int64_t>::min()) throw T_SqlEvalError{};
    return T_SqlValue::MakeCurrency(-v.i);
  case T_SqlKind::Single:
  case T_SqlKind::Double:
  case T_SqlKind::Date:
    v.d = -v.d;
    return v;
  default:
    throw T_SqlEvalError{};
  }
}

T_SqlValue SqlArithmetic(char op, const T_SqlValue& left, const T_SqlValue& right) {
  if (left.IsNull() || right.IsNull()) return T_SqlValue::MakeNull();
  if (op == '+' && left.IsText() && right.IsText()) return T_SqlValue::MakeText(left.s + right.s);
  T_SqlValue l = TextToNumber(left);
  T_SqlValue r = TextToNumber(right);
  if (!IsNumberKind(l.kind) || !IsNumberKind(r.kind)) throw T_SqlEvalError{};
  if (op == '/') {
    long double divisor = NumOf(r);
    if (divisor == 0) throw T_SqlEvalError{};
    double q = static_cast<double>(NumOf(l) / divisor);
    if (!std::isfinite(q)) throw T_SqlEvalError{};
    return T_SqlValue::MakeDouble(q);
  }
  if (IsIntegerLike(l.kind) && IsIntegerLike(r.kind)) {
    int64_t a = IntOf(l), b = IntOf(r), res = 0;
    bool overflow = false;
    switch (op) {
    case '+':
      overflow = __builtin_add_overflow(a, b, &res);
      break;
    case '-':
      overflow = __builtin_sub_overflow(a, b, &res);
      break;
    case '*':
      overflow = __builtin_mul_overflow(a, b, &res);
      break;
    default:
      throw T_SqlEvalError{};
    }
    if (!overflow) return T_SqlValue::MakeInteger(res);
  }
  long double a = NumOf(l), b = NumOf(r), res = 0;
  switch (op) {
  case '+':
    res = a + b;
    break;
  case '-':
    res = a - b;
    break;
  case '*':
    res = a * b;
    break;
  default:
    throw T_SqlEvalError{};
  }
  double d = static_cast<double>(res);
  if (!std::isfinite(d)) throw T_SqlEvalError{};
  return T_SqlValue::MakeDouble(d);
}

// ------------------------------------------------------------- conversion

namespace {

std::string DoubleText(double d) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, d);
  return std::string(buf, r.ptr);
}

std::string CurrencyText(int64_t scaled) {
  bool negative = scaled < 0;
  uint64_t u = negative ? 0 - static_cast<uint64_t>(scaled) : static_cast<uint64_t>(scaled);
  char buf[32];
  auto r = std::to_chars(buf, buf + sizeof buf, u / 10000);
  std::string s(buf, r.ptr);
  unsigned frac = static_cast<unsigned>(u % 10000);
  if (frac) {
    std::string f(4, '0');
    for (int k = 3; k >= 0; --k, frac /= 10)
      f[k] = static_cast<char>('0' + frac % 10);
    while (f.back() == '0')
      f.pop_back();
    s += '.' + f;
  }
  return negative ? "-" + s : s;
}

} // namespace

std::string SqlValueText(const T_SqlValue& value) {
  switch (value.kind) {
  case T_SqlKind::Text:
    return value.s;
  case T_SqlKind::Boolean:
    return value.b ? "True" : "False";
  case T_SqlKind::Integer: {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, value.i);
    return std::string(buf, r.ptr);
  }
  case T_SqlKind::Single: {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, static_cast<float>(value.d));
    return std::string(buf, r.ptr);
  }
  case T_SqlKind::Double:
  case T_SqlKind::Date:
    return DoubleText(value.d);
  case T_SqlKind::Currency:
    return CurrencyText(value.i);
  default:
    throw T_SqlEvalError{};
  }
}

bool SqlToBoolean(const T_SqlValue& value, bool defaultValue) {
  switch (value.kind) {
  case T_SqlKind::Empty:
    return false;
  case T_SqlKind::Boolean:
    return value.b;
  case T_SqlKind::Integer:
  case T_SqlKind::Currency:
    return value.i != 0;
  case T_SqlKind::Single:
  case T_SqlKind::Double:
  case T_SqlKind::Date:
    return value.d != 0;
  case T_SqlKind::Text: {
    T_SqlValue b;
    if (ConvertText(value.s, T_SqlKind::Boolean, b)) return b.b;
    return defaultValue;
  }
  default:
    return defaultValue;
  }
}

double SqlToNumber(const T_SqlValue& value, double defaultValue) {
  switch (value.kind) {
  case T_SqlKind::Empty:
    return 0;
  case T_SqlKind::Boolean:
  case T_SqlKind::Integer:
  case T_SqlKind::Currency:
  case T_SqlKind::Single:
  case T_SqlKind::Double:
  case T_SqlKind::Date:
    return static_cast<double>(NumOf(value));
  case T_SqlKind::Text: {
    double d = 0;
    return SqlParseNumber(value.s, d) ? d : defaultValue;
  }
  default:
    return defaultValue;
  }
}

} // namespace gis_sql
