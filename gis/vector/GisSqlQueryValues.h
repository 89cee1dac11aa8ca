// Values of the attribute query language and the operations on them.
//
// The query works on its own small value type rather than on the runtime's
// Variant: the field values a layer returns are converted once, at the
// beginning of an evaluation, and every operator then works on these.
// Errors during evaluation are reported by throwing T_SqlEvalError, which the
// query turns into the caller's default.
#pragma once

#include <cstdint>
#include <string>

namespace gis_sql {

/// An evaluation error: the query returns the caller's default.
struct T_SqlEvalError {};

enum class T_SqlKind : uint8_t {
  Empty, // unassigned: ends an evaluation at once
  Null,
  Boolean,
  Integer,  // every integer kind of a field value
  Single,   // 32-bit float field values
  Double,   // 64-bit floats, and every number literal
  Currency, // fixed point, value in `i` as units of 1/10000
  Date,     // days since 1899-12-30 in `d`
  Text,     // UTF-8
};

struct T_SqlValue {
  T_SqlKind kind = T_SqlKind::Empty;
  bool b = false;
  int64_t i = 0;
  double d = 0;
  std::string s;

  static T_SqlValue MakeNull();
  static T_SqlValue MakeBoolean(bool value);
  static T_SqlValue MakeInteger(int64_t value);
  static T_SqlValue MakeSingle(float value);
  static T_SqlValue MakeDouble(double value);
  static T_SqlValue MakeCurrency(int64_t scaled);
  static T_SqlValue MakeDate(double value);
  static T_SqlValue MakeText(std::string value);

  bool IsNull() const { return kind == T_SqlKind::Null; }
  bool IsText() const { return kind == T_SqlKind::Text; }
};

/// Comparison outcome of two values; Failed when a text could not be
/// converted to the other operand's type.
enum class T_SqlOrder { Less, Equal, Greater, Failed };

/// Comparison operator codes as the compiled query uses them.
enum : uint8_t {
  SQL_OP_EQ = 9,
  SQL_OP_NE = 10,
  SQL_OP_LT = 11,
  SQL_OP_LE = 12,
  SQL_OP_GT = 13,
  SQL_OP_GE = 14,
};

/// Orders two values. NULL is below every value and equal to NULL. A text
/// operand is converted to the other operand's type (the right one first).
/// Texts compare by code point, after the simple case fold unless
/// `caseSensitive`. With `single`, floats are compared as 32-bit values.
T_SqlOrder SqlOrder(const T_SqlValue& left, const T_SqlValue& right, bool caseSensitive,
                    bool single);

/// Applies a comparison operator (9..14). "<>" is exactly the negation of
/// "=": both compare floats as 32-bit values and ignore letter case.
bool SqlCompare(uint8_t op, const T_SqlValue& left, const T_SqlValue& right);

/// Equality with letter case, as IN uses it.
bool SqlEqualWithCase(const T_SqlValue& left, const T_SqlValue& right);

/// Logical AND/OR of Booleans, bitwise of integers; NULL gives NULL.
T_SqlValue SqlAndOr(bool isAnd, const T_SqlValue& left, const T_SqlValue& right);
T_SqlValue SqlNot(const T_SqlValue& value);
T_SqlValue SqlNegate(const T_SqlValue& value);

/// "+", "-", "*", "/" as the characters; "/" always divides as floats and a
/// zero divisor is an evaluation error.
T_SqlValue SqlArithmetic(char op, const T_SqlValue& left, const T_SqlValue& right);

/// The text LIKE matches against.
std::string SqlValueText(const T_SqlValue& value);

/// Number parsing of the language: digits, ".", an optional exponent; also
/// accepts "," as the decimal separator. Leading and trailing spaces are
/// ignored. No locale is consulted.
bool SqlParseNumber(const std::string& text, double& out);

/// Simple Unicode case fold of UTF-8 text into code points. Bytes that are not
/// valid UTF-8 are kept apart as U+DC80..U+DCFF.
std::u32string SqlFold(const std::string& text);

/// Results of an evaluation, converted as the caller asked.
bool SqlToBoolean(const T_SqlValue& value, bool defaultValue);
double SqlToNumber(const T_SqlValue& value, double defaultValue);

} // namespace gis_sql
