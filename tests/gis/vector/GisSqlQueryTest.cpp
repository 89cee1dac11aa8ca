// The attribute query language: one evaluation table, compile errors,
// evaluation errors, the field cache.

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "gis/core/GisResource.h"
#include "tests/gis/vector/GisSqlQueryTestSupport.h"
#include "tests/gis/vector/GisSqlQueryVariants.h"

namespace {

constexpr int T = 1, F = 0, D = -1; // Boolean results; D: the caller's default
constexpr double ND = 777;          // the number default

struct Row {
  const char* expr;
  std::vector<std::pair<std::string, Variant>> fields;
  int boolean;
  double number;
};

std::vector<Row> Rows() {
  const double big = static_cast<double>(std::numeric_limits<int64_t>::max());
  return {
      // Attribute tests as a layer's sections use them.
      {"POP > 1000 AND NAME LIKE 'S%'", {{"POP", VInt(2000)}, {"NAME", VText("Spring")}}, T, -1},
      {"NAME LIKE 's_ring'", {{"NAME", VText("Spring")}}, T, -1},
      {"NAME LIKE 'S'", {{"NAME", VText("Spring")}}, F, 0},
      {"NAME like '%ING'", {{"NAME", VText("Spring")}}, T, -1},
      // OR binds tighter than AND.
      {"A AND B OR C", {{"A", VBool(false)}, {"B", VBool(false)}, {"C", VBool(true)}}, F, 0},
      {"A OR B AND C", {{"A", VBool(true)}, {"B", VBool(false)}, {"C", VBool(false)}}, F, 0},
      {"NOT NOT X", {{"X", VBool(true)}}, T, -1},
      {"NOT X", {{"X", VBool(true)}}, F, 0},
      // The unary minus is a prefix operator that binds tightest.
      {"- -3", {}, T, 3},
      {"-3 + 2", {}, T, -1},
      {"2 - -3", {}, T, 5},
      {"2 * -3", {}, T, -6},
      {"-(2 + 3) * 2", {}, T, -10},
      {"10 - 4 - 3", {}, T, 3},
      {"12 / 3 / 2", {}, T, 2},
      {"X BETWEEN -5 AND 5", {{"X", VInt(3)}}, T, -1},
      {"X BETWEEN -5 AND 5", {{"X", VInt(-6)}}, F, 0},
      {"X BETWEEN 1 AND 5 AND Y = 2", {{"X", VInt(3)}, {"Y", VInt(2)}}, T, -1},
      // IN lists, with and without parentheses; a sign after a comma.
      {"X IN (1, 2, 3)", {{"X", VInt(2)}}, T, -1},
      {"X IN 1, 2, 3", {{"X", VInt(2)}}, T, -1},
      {"X IN (1, 2, 3)", {{"X", VInt(4)}}, F, 0},
      {"X IN (1, -2)", {{"X", VInt(-2)}}, T, -1},
      {"X IN (1, -2)", {{"X", VInt(-1)}}, F, 0},
      {"-X IN (1, 2)", {{"X", VInt(-2)}}, T, -1},
      {"X IN (1, 2) AND Y = 1", {{"X", VInt(2)}, {"Y", VInt(1)}}, T, -1},
      // IN and BETWEEN compare with case, "=" and the orderings without.
      {"NAME IN ('a', 'B')", {{"NAME", VText("b")}}, F, 0},
      {"NAME IN ('a', 'B')", {{"NAME", VText("B")}}, T, -1},
      {"NAME = 'b'", {{"NAME", VText("B")}}, T, -1},
      {"NAME <> 'b'", {{"NAME", VText("B")}}, F, 0},
      {"NAME < 'T'", {{"NAME", VText("spring")}}, T, -1},
      {"NAME BETWEEN 'A' AND 'Z'", {{"NAME", VText("Spring")}}, T, -1},
      {"NAME BETWEEN 'a' AND 'z'", {{"NAME", VText("Spring")}}, F, 0},
      {"NAME = 'it''s'", {{"NAME", VText("IT'S")}}, T, -1},
      {"NAME = 'ÉCOLE'", {{"NAME", VText("école")}}, T, -1},
      {"NAME LIKE '_cole'", {{"NAME", VText("école")}}, T, -1},
      {"NAME LIKE '__cole'", {{"NAME", VText("école")}}, F, 0},
      {"größe > 1", {{"größe", VInt(2)}}, T, -1},
      {"\"MY FIELD\" = 1", {{"MY FIELD", VInt(1)}}, T, -1},
      {"\"AND\" = 1", {{"AND", VInt(1)}}, T, -1},
      // NULL: equal only to NULL, below every value; arithmetic gives NULL.
      {"F = NULL", {{"F", VNull()}}, T, -1},
      {"F <> NULL", {{"F", VNull()}}, F, 0},
      {"F < 0", {{"F", VNull()}}, T, -1},
      {"F > 0", {{"F", VNull()}}, F, 0},
      {"F + 1", {{"F", VNull()}}, D, ND},
      {"F AND TRUE", {{"F", VNull()}}, D, ND},
      // Short cuts: a decided outer AND/OR ends the evaluation, even when the
      // rest would fail; not when a looser operator follows.
      {"FALSE AND 1 / 0 > 1", {}, F, 0},
      {"(X > 1) AND 1 / 0 > 1", {{"X", VInt(0)}}, F, 0},
      {"TRUE OR 1 / 0 > 1", {}, T, -1},
      {"TRUE OR X AND FALSE", {{"X", VBool(true)}}, F, 0},
      {"FALSE AND X OR Y", {{"X", VBool(true)}, {"Y", VBool(true)}}, F, 0},
      {"1 = 2 AND 1 / 0 > 1", {}, D, ND},
      // Float equality is 32-bit, and "<>" is its exact negation.
      {"F = 0.1", {{"F", VDouble(0.1000000001)}}, T, -1},
      {"F <> 0.1", {{"F", VDouble(0.1000000001)}}, F, 0},
      {"F > 0.1", {{"F", VDouble(0.1000000001)}}, T, -1},
      {"S = 0.1", {{"S", VSingle(0.1f)}}, T, -1},
      // Types: texts read as numbers, bitwise integers, overflow to floats.
      {"'5' + 1", {}, T, 6},
      {"NAME + 'x' = 'springX'", {{"NAME", VText("Spring")}}, T, -1},
      {"POP = '2000'", {{"POP", VInt(2000)}}, T, -1},
      {"POP = '2000.5'", {{"POP", VInt(2000)}}, F, 0},
      {"POP < 'abc'", {{"POP", VInt(2000)}}, F, 0},
      {"POP <> 'abc'", {{"POP", VInt(2000)}}, T, -1},
      {"'abc' + 1", {}, D, ND},
      {"I AND 6", {{"I", VInt(3)}}, T, 2},
      {"NOT I", {{"I", VInt(3)}}, T, -4},
      {"I + 1", {{"I", VInt64(std::numeric_limits<int64_t>::max())}}, T, big},
      {"C * 2", {{"C", VCurrency(12.5)}}, T, 25},
      {"C = 12.5", {{"C", VCurrency(12.5)}}, T, -1},
      {"DT > 45000", {{"DT", VDate(45000.5)}}, T, -1},
      // Field values of the other Variant kinds.
      {"NAME LIKE 'S%'", {{"NAME", Variant(std::u16string(u"Spring"))}}, T, -1},
      {"U > 1E19", {{"U", Variant(std::numeric_limits<uint64_t>::max())}}, T, -1},
      {"W + 1", {{"W", Variant(uint16_t(65535))}}, T, 65536},
      {"B = 1", {{"B", Variant(std::vector<uint8_t>{1})}}, D, ND},
      {"1E5", {}, T, 100000},
      {".5 * 4", {}, T, 2},
      // Result conversion.
      {"POP", {{"POP", VInt(2000)}}, T, 2000},
      {"ZERO", {{"ZERO", VInt(0)}}, F, 0},
      {"'TRUE'", {}, T, ND},
      {"'false'", {}, F, ND},
      {"'2'", {}, T, 2},
      {"'it''s'", {}, D, ND},
      {"TRUE", {}, T, -1},
      {"NULL", {}, D, ND},
      // Errors give the default; an unknown field ends with False or 0.
      {"", {}, D, ND},
      {"X / 0", {{"X", VInt(1)}}, D, ND},
      {"X / (2 - 2)", {{"X", VDouble(1)}}, D, ND},
      {"(1 + 2", {}, D, ND},
      {"1 + 2)", {}, T, 3},
      {"X BETWEEN 1", {{"X", VInt(1)}}, D, ND},
      {"NAME LIKE X", {{"NAME", VText("a")}, {"X", VText("a")}}, D, ND},
      {"1 2", {}, T, 2},
      {"Q > 1", {}, F, 0},
      {"Q > 1 OR TRUE", {}, F, 0},
  };
}

TEST_F(GisSqlQueryTest, EvaluationTable) {
  for (const Row& row : Rows()) {
    SCOPED_TRACE(row.expr);
    FakeLayer layer(row.fields);
    TGIS_SqlQuery q;
    q.SetText(row.expr);
    EXPECT_EQ(q.Text(), row.expr);
    bool withTrue = q.EvaluateBoolean(nullptr, true, layer);
    bool withFalse = q.EvaluateBoolean(nullptr, false, layer);
    int got = withTrue != withFalse ? D : (withTrue ? T : F);
    EXPECT_EQ(got, row.boolean);
    EXPECT_DOUBLE_EQ(q.EvaluateNumber(nullptr, ND, layer), row.number);
  }
}

TEST_F(GisSqlQueryTest, CompileErrors) {
  for (const char* text :
       {"1E-5", "a\tb", "a >> b", "a & b", "1.2.3", "!a", "_x = 1", "a = 1;", "."}) {
    SCOPED_TRACE(text);
    TGIS_SqlQuery q;
    try {
      q.SetText(text);
      ADD_FAILURE() << "compiled";
    } catch (const EGIS_Exception& e) {
      EXPECT_EQ(e.ErrorNumber(), 2);
      EXPECT_EQ(e.Message(), std::string("0020 Wrong expression \"") + text + "\"");
    }
    EXPECT_EQ(q.Text(), text);
    FakeLayer layer({{"a", VInt(1)}, {"b", VInt(1)}});
    EXPECT_TRUE(q.EvaluateBoolean(nullptr, true, layer));
    EXPECT_FALSE(q.EvaluateBoolean(nullptr, false, layer));
  }
  for (const char* text : {"'open", "1E5", "1e5 > a", "a == b", "\"open"}) {
    SCOPED_TRACE(text);
    TGIS_SqlQuery q;
    EXPECT_NO_THROW(q.SetText(text));
  }
}

TEST_F(GisSqlQueryTest, StacksAreBounded) {
  FakeLayer layer({{"X", VInt(7)}});
  auto nested = [](int depth) {
    return std::string(static_cast<size_t>(depth), '(') + "X" +
           std::string(static_cast<size_t>(depth), ')');
  };
  TGIS_SqlQuery q;
  q.SetText(nested(400));
  EXPECT_DOUBLE_EQ(q.EvaluateNumber(nullptr, ND, layer), 7);
  q.SetText(nested(600)); // past the 510-entry operator stack
  EXPECT_DOUBLE_EQ(q.EvaluateNumber(nullptr, ND, layer), ND);

  std::string list = "X IN (";
  for (int k = 0; k < 600; ++k)
    list += (k ? ", " : "") + std::string(k == 599 ? "7" : "1");
  q.SetText(list + ")"); // past the 510-entry value stack
  EXPECT_FALSE(q.EvaluateBoolean(nullptr, false, layer));
  EXPECT_TRUE(q.EvaluateBoolean(nullptr, true, layer));
}

// Names are looked up once until the cache is reset (also names the layer
// does not have); each value is fetched once per evaluation.
TEST_F(GisSqlQueryTest, FieldCache) {
  FakeLayer layer({{"A", VInt(3)}, {"B", VInt(3)}});
  layer.unknownValue = VNull();
  TGIS_SqlQuery q;
  q.SetText("A > 1 AND a < 5 OR B = A OR Q = 1");
  for (int k = 0; k < 3; ++k)
    EXPECT_TRUE(q.EvaluateBoolean(nullptr, false, layer));
  EXPECT_EQ(layer.findCalls.size(), 3u);
  EXPECT_EQ(layer.findCalls["A"], 1);
  EXPECT_EQ(layer.findCalls["B"], 1);
  EXPECT_EQ(layer.findCalls["Q"], 1);
  EXPECT_EQ(layer.valueCalls[0], 3);
  EXPECT_EQ(layer.valueCalls[1], 3);
  EXPECT_EQ(layer.valueCalls[-1], 3);

  q.ResetFieldCache();
  EXPECT_TRUE(q.EvaluateBoolean(nullptr, false, layer));
  EXPECT_EQ(layer.findCalls["A"], 2);
  EXPECT_EQ(layer.findCalls["Q"], 2);

  // An unassigned value ends the evaluation before any later field is fetched.
  FakeLayer empty({{"A", VEmpty()}, {"B", VInt(1)}});
  q.SetText("A = 1 OR B = 1");
  EXPECT_FALSE(q.EvaluateBoolean(nullptr, true, empty));
  EXPECT_DOUBLE_EQ(q.EvaluateNumber(nullptr, ND, empty), 0);
  EXPECT_EQ(empty.valueCalls[1], 0);
}

TEST_F(GisSqlQueryTest, FailedSetTextLeavesNoOldQuery) {
  FakeLayer layer({{"X", VInt(1)}});
  TGIS_SqlQuery q;
  q.SetText("X = 1");
  EXPECT_TRUE(q.EvaluateBoolean(nullptr, false, layer));
  EXPECT_THROW(q.SetText("X = 1 &"), EGIS_Exception);
  EXPECT_FALSE(q.EvaluateBoolean(nullptr, false, layer));
  q.SetText("");
  EXPECT_TRUE(q.EvaluateBoolean(nullptr, true, layer));
}

} // namespace
