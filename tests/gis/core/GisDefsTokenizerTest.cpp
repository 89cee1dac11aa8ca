#include <string>
#include <vector>

#include "GisCoreTestSupport.h"
#include "gis/core/GisDefsTokenizer.h"

namespace {

using GisTokenizer = GisCoreTest;

std::vector<std::string> Tokens(const TGIS_Tokenizer& t) {
  std::vector<std::string> out;
  for (int i = 0; i < t.Result().Count(); ++i)
    out.push_back(t.Result()[i]);
  return out;
}

using V = std::vector<std::string>;

TEST_F(GisTokenizer, ExecuteTable) {
  struct Row {
    const char* name;
    std::string text;
    std::string separators;
    bool protect;
    V expected;
  };
  const Row rows[] = {
      {"runs of separators", " a, b,, c ", ", ", false, {"a", "b", "c"}},
      {"leading separator", ",a,b", ",", false, {"", "a", "b"}},
      {"trailing separator", "a,b,", ",", false, {"a", "b"}},
      {"quote protection", "x,\"y,z\",w", ",", true, {"x", "y,z", "w"}},
      {"no quote protection", "x,\"y,z\",w", ",", false, {"x", "\"y", "z\"", "w"}},
      {"single quotes", "'a b';'c'", ";", false, {"a b", "c"}},
      {"single then double", "'\"x\"'", ";", false, {"x"}},
      {"unbalanced double quote kept", "\"abc", ";", false, {"\"abc"}},
      {"mismatched quotes kept", "\"x'", ";", false, {"\"x'"}},
      {"lone quote kept", "\"", ";", false, {"\""}},
      {"tokens trimmed", "a ; b", ";", false, {"a", "b"}},
      {"empty text", "   ", ",", false, {}},
      {"several separators", "a;b c\td", "; \t", false, {"a", "b", "c", "d"}},
  };
  TGIS_Tokenizer t;
  for (const auto& r : rows) {
    t.Execute(r.text, r.separators, r.protect);
    EXPECT_EQ(Tokens(t), r.expected) << r.name;
  }
}

TEST_F(GisTokenizer, ExecuteFieldsTable) {
  struct Row {
    const char* name;
    std::string text;
    char separator;
    V expected;
  };
  const Row rows[] = {
      {"empty middle and trailing", "a,,b,", ',', {"a", "", "b", ""}},
      {"quoted with comma", "\"x, y\" ,z", ',', {"x, y", "z"}},
      {"tab run keeps empty field", "a\t\tb", '\t', {"a", "", "b"}},
      {"empty first field with tab", "\tb", '\t', {"", "b"}},
      {"empty first two fields with tab", "\t\tc\t", '\t', {"", "", "c", ""}},
      // Blanks before a field go; an unquoted field runs up to the separator.
      {"leading blanks dropped, trailing kept", "  a , b  ", ',', {"a ", "b  "}},
      {"blanks kept inside quotes", "\" a \" , b", ',', {" a ", "b"}},
      {"missing closing quote", "a,\"open", ',', {"a", "open"}},
      {"text after closing quote", "\"q\"x,y", ',', {"q", "x", "y"}},
      {"doubled quote inside quotes", "\"a\"\"b\",c", ',', {"a\"b", "c"}},
      {"doubled quotes at the ends", "\"\"\"x\"\"\",\"\"", ',', {"\"x\"", ""}},
      {"doubled quote then missing close", "\"a\"\"b", ',', {"a\"b"}},
      {"leading blanks skipped", "  a", ',', {"a"}},
      {"only a separator", ",", ',', {"", ""}},
      {"empty text", "", ',', {}},
  };
  TGIS_Tokenizer t;
  for (const auto& r : rows) {
    t.ExecuteFields(r.text, r.separator, '"');
    EXPECT_EQ(Tokens(t), r.expected) << r.name;
  }
  // A .mid-style row: every column keeps its place when the first is empty.
  t.ExecuteFields("\t12\t\"Main St\"\t", '\t', '"');
  EXPECT_EQ(Tokens(t), (V{"", "12", "Main St", ""}));
}

} // namespace
