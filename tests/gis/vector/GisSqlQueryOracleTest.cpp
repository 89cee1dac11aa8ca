// The query language against oracles: random arithmetic and comparisons
// against SQLite's evaluation, LIKE against a reference matcher and SQLite.

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "tests/gis/vector/GisSqlQueryTestSupport.h"
#include "tests/support/TempDir.h"

namespace {

// Runs one "select <expr>;" per expression in one sqlite3 process; one output
// line per expression ("" for NULL). Empty when sqlite3 is not there.
std::vector<std::string> SqliteResults(const std::vector<std::string>& exprs) {
  const sktest::TTempDir dir("sql-oracle");
  std::string text;
  for (const std::string& e : exprs)
    text += "select " + e + ";\n";
  const std::string script = dir.Write("script.sql", text);
  std::string cmd = "sqlite3 :memory: < " + script + " 2>&1";
  std::vector<std::string> out;
  if (std::FILE* p = popen(cmd.c_str(), "r")) {
    std::string line;
    for (int c; (c = std::fgetc(p)) != EOF;) {
      if (c == '\n') {
        out.push_back(line);
        line.clear();
      } else {
        line.push_back(static_cast<char>(c));
      }
    }
    pclose(p);
  }
  return out;
}

bool HaveSqlite() {
  return SqliteResults({"1"}) == std::vector<std::string>{"1"};
}

// Literals are exact binary fractions (quarters) so that sums and products
// agree exactly wherever the grouping differs.
std::string Literal(std::mt19937& rng) {
  static const char* fractions[] = {".0", ".25", ".5", ".75"};
  int whole = std::uniform_int_distribution<int>(0, 12)(rng);
  char buf[8];
  auto r = std::to_chars(buf, buf + sizeof buf, whole);
  return std::string(buf, r.ptr) + fractions[rng() % 4];
}

std::string Arith(std::mt19937& rng, int depth, bool division) {
  int pick = std::uniform_int_distribution<int>(0, 9)(rng);
  if (depth == 0 || pick < 3) return Literal(rng);
  if (pick == 3) return "- " + Arith(rng, depth - 1, division);
  if (pick == 4) return "(" + Arith(rng, depth - 1, division) + ")";
  static const char* ops[] = {" + ", " - ", " * ", " / "};
  const char* op = ops[rng() % (division ? 4 : 3)];
  return Arith(rng, depth - 1, division) + op + Arith(rng, depth - 1, division);
}

bool ParseDouble(const std::string& s, double& d) {
  auto r = std::from_chars(s.data(), s.data() + s.size(), d);
  return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

TEST_F(GisSqlQueryTest, ArithmeticAndComparisonsAgreeWithSqlite) {
  if (!HaveSqlite()) GTEST_SKIP() << "sqlite3 is not installed";
  std::mt19937 rng(2024);
  std::vector<std::string> numeric, compare;
  for (int k = 0; k < 1500; ++k)
    numeric.push_back(Arith(rng, 4, true));
  static const char* cmps[] = {" < ", " <= ", " > ", " >= ", " = ", " <> "};
  for (int k = 0; k < 1500; ++k)
    compare.push_back(Arith(rng, 3, false) + cmps[rng() % 6] + Arith(rng, 3, false));

  std::vector<std::string> all = numeric;
  all.insert(all.end(), compare.begin(), compare.end());
  std::vector<std::string> oracle = SqliteResults(all);
  ASSERT_EQ(oracle.size(), all.size());

  FakeLayer layer;
  TGIS_SqlQuery q;
  const double ND = 1e300;
  for (size_t k = 0; k < all.size(); ++k) {
    SCOPED_TRACE(all[k]);
    q.SetText(all[k]);
    if (k < numeric.size()) {
      double got = q.EvaluateNumber(nullptr, ND, layer);
      if (oracle[k].empty()) { // NULL: division by zero
        EXPECT_EQ(got, ND);
        continue;
      }
      double want = 0;
      ASSERT_TRUE(ParseDouble(oracle[k], want)) << oracle[k];
      EXPECT_NEAR(got, want, 1e-9 * std::max(1.0, std::fabs(want)));
    } else {
      bool withTrue = q.EvaluateBoolean(nullptr, true, layer);
      bool withFalse = q.EvaluateBoolean(nullptr, false, layer);
      ASSERT_EQ(withTrue, withFalse);
      EXPECT_EQ(withTrue ? "1" : "0", oracle[k]);
    }
  }
}

// The LIKE rules written out plainly: "%" any run, "_" one character, others
// themselves without regard to ASCII letter case; the whole text must match.
bool ReferenceLike(const std::string& t, const std::string& p) {
  std::vector<std::vector<char>> m(t.size() + 1, std::vector<char>(p.size() + 1, 0));
  m[0][0] = 1;
  for (size_t j = 1; j <= p.size(); ++j)
    m[0][j] = p[j - 1] == '%' && m[0][j - 1];
  for (size_t i = 1; i <= t.size(); ++i)
    for (size_t j = 1; j <= p.size(); ++j) {
      char pc = p[j - 1], tc = t[i - 1];
      if (pc == '%')
        m[i][j] = m[i][j - 1] || m[i - 1][j];
      else if (pc == '_' || std::tolower(pc) == std::tolower(tc))
        m[i][j] = m[i - 1][j - 1];
    }
  return !t.empty() && m[t.size()][p.size()];
}

TEST_F(GisSqlQueryTest, LikeAgreesWithReferenceAndSqlite) {
  std::mt19937 rng(99);
  const std::string textChars = "abAB_", patternChars = "aAb%%__";
  std::vector<std::pair<std::string, std::string>> cases;
  for (int k = 0; k < 3000; ++k) {
    std::string t, p;
    int tl = std::uniform_int_distribution<int>(1, 45)(rng);
    int pl = std::uniform_int_distribution<int>(0, 40)(rng);
    for (int i = 0; i < tl; ++i)
      t += textChars[rng() % textChars.size()];
    for (int i = 0; i < pl; ++i)
      p += patternChars[rng() % patternChars.size()];
    if (k % 3 == 0) { // make many of them match: a pattern cut from the text
      p.clear();
      for (char c : t)
        p += (rng() % 4 == 0) ? '_' : (rng() % 5 == 0 ? '%' : c);
    }
    cases.emplace_back(t, p);
  }
  cases.emplace_back("_AB", "AB");
  cases.emplace_back("AB", "AB%");
  cases.emplace_back(std::string(70, 'a') + "b", std::string(70, '_') + "B");
  cases.emplace_back(std::string(70, 'a'), "%" + std::string(69, 'a') + "%");

  std::vector<std::string> exprs;
  for (auto& [t, p] : cases)
    exprs.push_back("'" + t + "' LIKE '" + p + "'");
  std::vector<std::string> oracle =
      HaveSqlite() ? SqliteResults(exprs) : std::vector<std::string>{};

  if (!oracle.empty()) {
    ASSERT_EQ(oracle.size(), cases.size());
  }
  FakeLayer layer;
  TGIS_SqlQuery q;
  int matches = 0;
  for (size_t k = 0; k < cases.size(); ++k) {
    SCOPED_TRACE(exprs[k]);
    q.SetText(exprs[k]);
    bool got = q.EvaluateBoolean(nullptr, false, layer);
    EXPECT_EQ(got, ReferenceLike(cases[k].first, cases[k].second));
    if (!oracle.empty()) {
      EXPECT_EQ(got ? "1" : "0", oracle[k]);
    }
    matches += got;
  }
  EXPECT_GT(matches, 500); // the property is exercised on both outcomes
  q.SetText("'' LIKE '%'");
  EXPECT_FALSE(q.EvaluateBoolean(nullptr, true, layer));
}

} // namespace
