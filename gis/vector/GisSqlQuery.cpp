// The attribute query language: compiling a text into tokens and evaluating
// the tokens for a shape.

#include "gis/vector/GisSqlQuery.h"

#include <cstdint>
#include <vector>

#include "gis/core/GisResource.h"
#include "gis/vector/GisSqlQueryLike.h"
#include "gis/vector/GisSqlQueryValues.h"
#include "platform/rtl/ScopeGuard.h"

using namespace gis_sql;

namespace gis_sql {
T_SqlValue SqlValueFromVariant(const Variant& value); // GisSqlQueryVariant.cpp
}

namespace {

// Token kinds.
constexpr uint8_t ITEM_FIELD = 1;
constexpr uint8_t ITEM_VALUE = 2;
constexpr uint8_t ITEM_PATTERN = 4;
constexpr uint8_t ITEM_OPERATOR = 5;

// Operator codes.
constexpr uint8_t OP_START = 1;
constexpr uint8_t OP_END = 2;
constexpr uint8_t OP_CLOSE = 3;
constexpr uint8_t OP_OPEN = 4;
constexpr uint8_t OP_BETWEEN = 5;
constexpr uint8_t OP_AND = 6;
constexpr uint8_t OP_OR = 7;
constexpr uint8_t OP_NOT = 8;
constexpr uint8_t OP_LIKE = 15;
constexpr uint8_t OP_NEGATE = 17;
constexpr uint8_t OP_ADD = 18;
constexpr uint8_t OP_SUB = 19;
constexpr uint8_t OP_MUL = 20;
constexpr uint8_t OP_DIV = 21;
constexpr uint8_t OP_IN = 22;

constexpr size_t STACK_LIMIT = 510;

// The code is the precedence, except for the unary minus: a prefix operator
// applied to its one operand before any binary operator.
int Precedence(uint8_t op) {
  return op == OP_NEGATE ? 100 : op;
}

} // namespace

struct T_SqlItem {
  uint8_t kind = ITEM_VALUE;
  uint8_t op = 0;            // operator code (ITEM_OPERATOR)
  bool shortCircuit = false; // AND/OR at the outer level that may end the evaluation early
  int ref = -1;              // field entry (ITEM_FIELD) or pattern (ITEM_PATTERN)
  T_SqlValue value;          // ITEM_VALUE
};

struct T_SqlField {
  std::string name;
  bool resolved = false;
  int index = -1;
  T_SqlValue value;
};

class T_SqlParser {
public:
  void Compile(const std::string& text);
  void ResetFieldCache() {
    for (T_SqlField& f : fields_)
      f.resolved = false, f.index = -1;
  }
  /// The evaluation's result; Empty when a field value was unassigned.
  /// Throws T_SqlEvalError for every evaluation error.
  T_SqlValue Evaluate(TGIS_ShapeAbstract* shape, TGIS_SqlFieldSource& layer);

private:
  // Compiling.
  [[noreturn]] void Fail() const;
  void AddOperator(uint8_t op);
  void AddValue(T_SqlValue value);
  void AddField(const std::string& name);
  void ReadWord();
  void ReadNumber();
  void ReadString();
  void ReadOperator();
  void MarkShortCircuits();
  bool LastIsOperator(uint8_t op) const {
    return !tokens_.empty() && tokens_.back().kind == ITEM_OPERATOR && tokens_.back().op == op;
  }

  // Evaluating.
  void PushItem(T_SqlItem item);
  void PushOperator(uint8_t op);
  T_SqlValue PopValue();
  void Process(uint8_t op);
  void Apply(uint8_t op);

  std::string text_;
  size_t pos_ = 0;
  bool operandExpected_ = true;
  bool patternPending_ = false;

  std::vector<T_SqlItem> tokens_;
  std::vector<T_SqlField> fields_;
  std::vector<T_LikeParser> likes_;
  std::vector<T_SqlItem> values_;
  std::vector<uint8_t> operators_;
  std::vector<T_SqlValue> inList_;
};

// ------------------------------------------------------------------ compile

void T_SqlParser::Fail() const {
  throw EGIS_Exception(GIS_RS_ERR_SQLQUERY, text_);
}

void T_SqlParser::AddOperator(uint8_t op) {
  T_SqlItem item;
  item.kind = ITEM_OPERATOR;
  item.op = op;
  tokens_.push_back(std::move(item));
  operandExpected_ = op != OP_CLOSE;
}

void T_SqlParser::AddValue(T_SqlValue value) {
  T_SqlItem item;
  item.kind = ITEM_VALUE;
  item.value = std::move(value);
  tokens_.push_back(std::move(item));
  operandExpected_ = false;
}

namespace {

bool IsLetter(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsDigit(unsigned char c) {
  return c >= '0' && c <= '9';
}
bool IsWordChar(unsigned char c) {
  return IsLetter(c) || IsDigit(c) || c == '_' || c == '.' || c == '#' || c == '$' || c == '@' ||
         c >= 128;
}

bool SameWord(const std::string& word, const char* keyword) {
  size_t n = 0;
  for (; keyword[n]; ++n) {
    if (n >= word.size()) return false;
    unsigned char c = static_cast<unsigned char>(word[n]);
    if (c >= 'a' && c <= 'z') c -= 32;
    if (c != static_cast<unsigned char>(keyword[n])) return false;
  }
  return n == word.size();
}

} // namespace

void T_SqlParser::Compile(const std::string& text) {
  text_ = text;
  pos_ = 0;
  operandExpected_ = true;
  patternPending_ = false;
  tokens_.clear();
  fields_.clear();
  likes_.clear();
  values_.clear();
  operators_.clear();
  inList_.clear();
  if (text.empty()) return;

  AddOperator(OP_START);
  while (pos_ < text_.size()) {
    unsigned char c = static_cast<unsigned char>(text_[pos_]);
    if (c == ' ') {
      ++pos_;
    } else if (IsLetter(c) || c == '"' || c >= 128) {
      ReadWord();
    } else if (c == '.' || IsDigit(c)) {
      ReadNumber();
    } else if (c == '\'') {
      ReadString();
    } else if (c == '(') {
      AddOperator(OP_OPEN);
      ++pos_;
    } else if (c == ')') {
      AddOperator(OP_CLOSE);
      ++pos_;
    } else if (c == ',') {
      // Separates the items of an IN list: a following sign belongs to the
      // next item.
      operandExpected_ = true;
      ++pos_;
    } else if (c == '*' || c == '+' || c == '-' || c == '/' || c == '<' || c == '=' || c == '>') {
      ReadOperator();
    } else {
      Fail();
    }
  }
  MarkShortCircuits();
}

void T_SqlParser::ReadWord() {
  if (text_[pos_] == '"') {
    size_t close = text_.find('"', pos_ + 1);
    std::string name = close == std::string::npos ? text_.substr(pos_ + 1)
                                                  : text_.substr(pos_ + 1, close - pos_ - 1);
    pos_ = close == std::string::npos ? text_.size() : close + 1;
    AddField(name); // a quoted name is always a field, even when it spells a keyword
    return;
  }
  size_t start = pos_;
  while (pos_ < text_.size() && IsWordChar(static_cast<unsigned char>(text_[pos_])))
    ++pos_;
  std::string word = text_.substr(start, pos_ - start);

  if (SameWord(word, "AND")) {
    AddOperator(OP_AND);
  } else if (SameWord(word, "OR")) {
    AddOperator(OP_OR);
  } else if (SameWord(word, "BETWEEN")) {
    AddOperator(OP_BETWEEN);
  } else if (SameWord(word, "IN")) {
    AddOperator(OP_IN);
  } else if (SameWord(word, "NOT")) {
    if (LastIsOperator(OP_NOT)) {
      tokens_.pop_back();
      operandExpected_ = true;
    } else {
      AddOperator(OP_NOT);
    }
  } else if (SameWord(word, "FALSE")) {
    AddValue(T_SqlValue::MakeBoolean(false));
  } else if (SameWord(word, "TRUE")) {
    AddValue(T_SqlValue::MakeBoolean(true));
  } else if (SameWord(word, "NULL")) {
    AddValue(T_SqlValue::MakeNull());
  } else if (SameWord(word, "LIKE")) {
    AddOperator(OP_LIKE);
    patternPending_ = true;
  } else {
    AddField(word);
  }
}

// A field reference; each name (letter case ignored) has one entry.
void T_SqlParser::AddField(const std::string& name) {
  size_t k = 0;
  const std::u32string folded = SqlFold(name);
  for (; k < fields_.size(); ++k)
    if (SqlFold(fields_[k].name) == folded) break;
  if (k == fields_.size()) fields_.push_back(T_SqlField{name, false, -1, {}});
  T_SqlItem item;
  item.kind = ITEM_FIELD;
  item.ref = static_cast<int>(k);
  tokens_.push_back(std::move(item));
  operandExpected_ = false;
}

void T_SqlParser::ReadNumber() {
  size_t start = pos_;
  while (pos_ < text_.size()) {
    char c = text_[pos_];
    if (c == '.' || c == 'E' || c == 'e' || IsDigit(static_cast<unsigned char>(c)))
      ++pos_;
    else
      break;
  }
  std::string run = text_.substr(start, pos_ - start);
  double d = 0;
  for (char c : run) // no sign belongs to a number
    if (c == '-' || c == '+') Fail();
  if (!SqlParseNumber(run, d)) Fail();
  AddValue(T_SqlValue::MakeDouble(d));
}

void T_SqlParser::ReadString() {
  std::string literal;
  ++pos_;
  while (pos_ < text_.size()) {
    if (text_[pos_] == '\'') {
      if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
        literal += '\'';
        pos_ += 2;
        continue;
      }
      ++pos_;
      break;
    }
    literal += text_[pos_++];
  }
  if (patternPending_) {
    likes_.emplace_back(literal);
    T_SqlItem item;
    item.kind = ITEM_PATTERN;
    item.ref = static_cast<int>(likes_.size() - 1);
    tokens_.push_back(std::move(item));
    operandExpected_ = false;
  } else {
    AddValue(T_SqlValue::MakeText(std::move(literal)));
  }
  patternPending_ = false;
}

void T_SqlParser::ReadOperator() {
  char c = text_[pos_++];
  std::string op(1, c);
  if ((c == '<' || c == '>') && pos_ < text_.size() && (text_[pos_] == '=' || text_[pos_] == '>'))
    op += text_[pos_++];

  if (op == "+") {
    if (!operandExpected_) AddOperator(OP_ADD);
    return; // a sign "+" is dropped
  }
  if (op == "-") {
    if (!operandExpected_) {
      AddOperator(OP_SUB);
    } else if (LastIsOperator(OP_NEGATE)) {
      tokens_.pop_back(); // two signs cancel
      operandExpected_ = true;
    } else {
      AddOperator(OP_NEGATE);
    }
    return;
  }
  static const struct {
    const char* text;
    uint8_t code;
  } table[] = {{"=", 9},  {"<>", 10}, {"<", 11},     {"<=", 12},
               {">", 13}, {">=", 14}, {"*", OP_MUL}, {"/", OP_DIV}};
  for (const auto& row : table)
    if (op == row.text) {
      AddOperator(row.code);
      return;
    }
  Fail();
}

// An AND or OR at the outer level may end the evaluation as soon as its left
// side is decided, unless an operator that binds looser follows at the same
// level: "TRUE OR a AND b" is "(TRUE OR a) AND b", which TRUE alone does not
// decide.
void T_SqlParser::MarkShortCircuits() {
  int depth = 0;
  uint8_t loosest = 255; // loosest outer operator seen so far, scanning backwards
  for (size_t k = tokens_.size(); k-- > 0;) {
    T_SqlItem& t = tokens_[k];
    if (t.kind != ITEM_OPERATOR) continue;
    if (t.op == OP_CLOSE) {
      ++depth;
    } else if (t.op == OP_OPEN) {
      if (depth > 0) --depth;
    } else if (depth == 0 && t.op >= OP_BETWEEN) {
      if (t.op == OP_AND || t.op == OP_OR) t.shortCircuit = loosest >= t.op;
      if (t.op < loosest) loosest = t.op;
    }
  }
}

// ----------------------------------------------------------------- evaluate

void T_SqlParser::PushItem(T_SqlItem item) {
  if (values_.size() >= STACK_LIMIT) throw T_SqlEvalError{};
  values_.push_back(std::move(item));
}

void T_SqlParser::PushOperator(uint8_t op) {
  if (operators_.size() >= STACK_LIMIT) throw T_SqlEvalError{};
  operators_.push_back(op);
  if (op == OP_IN) {
    T_SqlItem marker;
    marker.kind = ITEM_OPERATOR;
    marker.op = OP_IN;
    PushItem(std::move(marker));
  }
}

T_SqlValue T_SqlParser::PopValue() {
  if (values_.empty()) throw T_SqlEvalError{};
  T_SqlItem item = std::move(values_.back());
  values_.pop_back();
  if (item.kind == ITEM_VALUE) return std::move(item.value);
  if (item.kind == ITEM_FIELD) return fields_[item.ref].value;
  throw T_SqlEvalError{};
}

void T_SqlParser::Process(uint8_t op) {
  if (op == OP_OPEN || op == OP_START || op == OP_NEGATE) {
    PushOperator(op);
    return;
  }
  if (op == OP_END || (!operators_.empty() && Precedence(operators_.back()) >= Precedence(op))) {
    for (;;) {
      if (operators_.empty()) throw T_SqlEvalError{};
      uint8_t top = operators_.back();
      if (op != OP_END && Precedence(top) < Precedence(op)) break;
      operators_.pop_back();
      if (top == OP_START) {
        if (op == OP_END) return;
        throw T_SqlEvalError{};
      }
      if (top == OP_OPEN) {
        if (op == OP_END) throw T_SqlEvalError{}; // unclosed "("
        break;                                    // consumed by ")"
      }
      Apply(top);
    }
    if (op != OP_CLOSE) PushOperator(op);
    return;
  }
  if (op != OP_CLOSE) PushOperator(op);
}

void T_SqlParser::Apply(uint8_t op) {
  switch (op) {
  case 9:
  case 10:
  case 11:
  case 12:
  case 13:
  case 14: {
    T_SqlValue right = PopValue();
    T_SqlValue left = PopValue();
    T_SqlItem r;
    r.value = T_SqlValue::MakeBoolean(SqlCompare(op, left, right));
    PushItem(std::move(r));
    return;
  }
  case OP_AND:
  case OP_OR: {
    T_SqlValue right = PopValue();
    T_SqlValue left = PopValue();
    T_SqlItem r;
    if (op == OP_AND && !operators_.empty() && operators_.back() == OP_BETWEEN) {
      operators_.pop_back();
      T_SqlValue x = PopValue();
      auto atLeast = [](T_SqlOrder o) {
        return o == T_SqlOrder::Greater || o == T_SqlOrder::Equal;
      };
      auto atMost = [](T_SqlOrder o) { return o == T_SqlOrder::Less || o == T_SqlOrder::Equal; };
      bool inside =
          atLeast(SqlOrder(x, left, true, false)) && atMost(SqlOrder(x, right, true, false));
      r.value = T_SqlValue::MakeBoolean(inside);
    } else {
      r.value = SqlAndOr(op == OP_AND, left, right);
    }
    PushItem(std::move(r));
    return;
  }
  case OP_NOT:
  case OP_NEGATE: {
    T_SqlValue v = PopValue();
    T_SqlItem r;
    r.value = op == OP_NOT ? SqlNot(v) : SqlNegate(v);
    PushItem(std::move(r));
    return;
  }
  case OP_ADD:
  case OP_SUB:
  case OP_MUL:
  case OP_DIV: {
    T_SqlValue right = PopValue();
    T_SqlValue left = T_SqlValue::MakeDouble(0);
    if (!values_.empty() &&
        (values_.back().kind == ITEM_VALUE || values_.back().kind == ITEM_FIELD))
      left = PopValue();
    static const char symbols[] = {'+', '-', '*', '/'};
    T_SqlItem r;
    r.value = SqlArithmetic(symbols[op - OP_ADD], left, right);
    PushItem(std::move(r));
    return;
  }
  case OP_LIKE: {
    if (values_.empty() || values_.back().kind != ITEM_PATTERN) throw T_SqlEvalError{};
    int pattern = values_.back().ref;
    values_.pop_back();
    T_SqlValue v = PopValue();
    T_SqlItem r;
    r.value = T_SqlValue::MakeBoolean(!v.IsNull() && likes_[pattern].Match(SqlValueText(v)));
    PushItem(std::move(r));
    return;
  }
  case OP_IN: {
    inList_.clear();
    for (;;) {
      if (values_.empty()) throw T_SqlEvalError{};
      if (values_.back().kind == ITEM_OPERATOR && values_.back().op == OP_IN) {
        values_.pop_back();
        break;
      }
      inList_.push_back(PopValue());
    }
    T_SqlValue tested = PopValue();
    bool found = false;
    for (const T_SqlValue& v : inList_)
      if (SqlEqualWithCase(tested, v)) {
        found = true;
        break;
      }
    T_SqlItem r;
    r.value = T_SqlValue::MakeBoolean(found);
    PushItem(std::move(r));
    return;
  }
  default: // BETWEEN without its AND, or anything else out of place
    throw T_SqlEvalError{};
  }
}

T_SqlValue T_SqlParser::Evaluate(TGIS_ShapeAbstract* shape, TGIS_SqlFieldSource& layer) {
  values_.clear();
  operators_.clear();
  if (tokens_.empty()) throw T_SqlEvalError{};

  for (T_SqlField& f : fields_) {
    if (!f.resolved) {
      f.index = layer.FindField(f.name);
      f.resolved = true;
    }
    f.value = SqlValueFromVariant(layer.GetFieldValue(shape, f.index));
    if (f.value.kind == T_SqlKind::Empty) return T_SqlValue{};
  }

  for (const T_SqlItem& t : tokens_) {
    if (t.kind != ITEM_OPERATOR) {
      PushItem(t);
      continue;
    }
    if (t.shortCircuit && operators_.size() == 1 && operators_.back() == OP_START &&
        !values_.empty() && values_.back().kind == ITEM_VALUE &&
        values_.back().value.kind == T_SqlKind::Boolean) {
      bool b = values_.back().value.b;
      if (t.op == OP_AND && !b) return T_SqlValue::MakeBoolean(false);
      if (t.op == OP_OR && b) return T_SqlValue::MakeBoolean(true);
    }
    Process(t.op);
  }
  Process(OP_END);
  return PopValue();
}

// ------------------------------------------------------------------- query

TGIS_SqlQuery::TGIS_SqlQuery() : parser_(std::make_unique<T_SqlParser>()) {}

TGIS_SqlQuery::~TGIS_SqlQuery() = default;

void TGIS_SqlQuery::SetText(const std::string& text) {
  text_ = text;
  // A text that does not compile evaluates to the default.
  auto reset = ScopeExit([&] { parser_ = std::make_unique<T_SqlParser>(); });
  parser_->Compile(text);
  reset.Dismiss();
}

void TGIS_SqlQuery::ResetFieldCache() {
  parser_->ResetFieldCache();
}

bool TGIS_SqlQuery::EvaluateBoolean(TGIS_ShapeAbstract* shape, bool defaultValue,
                                    TGIS_SqlFieldSource& layer) {
  try {
    return SqlToBoolean(parser_->Evaluate(shape, layer), defaultValue);
  } catch (const T_SqlEvalError&) {
    return defaultValue;
  } catch (const Exception&) { // a failing field value
    return defaultValue;
  }
}

double TGIS_SqlQuery::EvaluateNumber(TGIS_ShapeAbstract* shape, double defaultValue,
                                     TGIS_SqlFieldSource& layer) {
  try {
    return SqlToNumber(parser_->Evaluate(shape, layer), defaultValue);
  } catch (const T_SqlEvalError&) {
    return defaultValue;
  } catch (const Exception&) { // a failing field value
    return defaultValue;
  }
}

void GisSqlQueryInstall() {
  GisSetSqlQueryFactory([] { return std::make_unique<TGIS_SqlQuery>(); });
}
