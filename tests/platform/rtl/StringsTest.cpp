#include "platform/rtl/Strings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <vector>

TEST(Strings, PosAndPosExAreOneBased) {
  struct Row {
    const char* sub;
    const char* s;
    int offset;
    int expected;
  };
  const std::vector<Row> rows = {
      {"b", "abc", 1, 2},    {"a", "abc", 1, 1},
      {"c", "abc", 1, 3},    {"d", "abc", 1, 0},
      {"", "abc", 1, 0},     {"abc", "abc", 1, 1},
      {"abcd", "abc", 1, 0}, {"a", "", 1, 0},
      {"a", "aba", 2, 3},    {"a", "aba", 3, 3},
      {"a", "aba", 4, 0},    {"a", "aba", 0, 0},
      {"a", "aba", -5, 0},   {"\xC3\xA9", "caf\xC3\xA9", 1, 4},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(PosEx(row.sub, row.s, row.offset), row.expected) << row.sub << " in " << row.s;
    if (row.offset == 1) {
      EXPECT_EQ(Pos(row.sub, row.s), row.expected);
    }
  }
  EXPECT_EQ(Pos(std::string_view("\0", 1), std::string_view("a\0b", 3)), 2);
}

TEST(Strings, CopyDeleteInsertAtTheirBoundaries) {
  struct CopyRow {
    Int64 index, count;
    const char* expected;
  };
  const std::vector<CopyRow> copies = {
      {1, 3, "abc"},
      {1, 2, "ab"},
      {2, 1, "b"},
      {0, 2, "ab"},
      {-10, 1, "a"},
      {3, 10, "c"},
      {4, 1, ""},
      {100, 1, ""},
      {1, 0, ""},
      {1, -1, ""},
      {2, std::numeric_limits<Int64>::max(), "bc"},
  };
  for (const CopyRow& row : copies)
    EXPECT_EQ(Copy("abc", row.index, row.count), row.expected) << row.index << "," << row.count;
  EXPECT_EQ(Copy("", 1, 1), "");
  EXPECT_EQ(Copy("0080 Error", 1, 3), "008");

  struct EditRow {
    Int64 index, count;
    const char* expected;
  };
  const std::vector<EditRow> deletes = {
      {1, 1, "bcd"},  {2, 2, "ad"},   {4, 1, "abc"},   {4, 9, "abc"},  {3, 100, "ab"},
      {0, 1, "abcd"}, {5, 1, "abcd"}, {-1, 2, "abcd"}, {2, 0, "abcd"}, {2, -3, "abcd"},
  };
  for (const EditRow& row : deletes) {
    std::string s = "abcd";
    Delete(s, row.index, row.count);
    EXPECT_EQ(s, row.expected) << row.index << "," << row.count;
  }
  struct InsertRow {
    Int64 index;
    const char* expected;
  };
  const std::vector<InsertRow> inserts = {
      {1, "XYab"}, {2, "aXYb"}, {3, "abXY"}, {4, "abXY"}, {100, "abXY"}, {0, "XYab"}, {-3, "XYab"},
  };
  for (const InsertRow& row : inserts) {
    std::string s = "ab";
    Insert("XY", s, row.index);
    EXPECT_EQ(s, row.expected) << row.index;
  }
}

TEST(Strings, TrimRemovesControlBytesButNeverUtf8) {
  struct Row {
    std::string in, both, left, right;
  };
  const std::vector<Row> rows = {
      {std::string("\0ab \t", 5), "ab", "ab \t", std::string("\0ab", 3)},
      {"\xC3\xA9 ", "\xC3\xA9", "\xC3\xA9 ", "\xC3\xA9"},
      {" \xA0x\xA0 ", "\xA0x\xA0", "\xA0x\xA0 ", " \xA0x\xA0"},
      {"\r\n line \r\n", "line", "line \r\n", "\r\n line"},
      {"   ", "", "", ""},
      {"", "", "", ""},
      {"a b", "a b", "a b", "a b"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(Trim(row.in), row.both);
    EXPECT_EQ(TrimLeft(row.in), row.left);
    EXPECT_EQ(TrimRight(row.in), row.right);
  }
}

TEST(Strings, AsciiCaseTouchesOnlyAsciiLetters) {
  EXPECT_EQ(UpperCase("abc xyz \xC3\xA9 [`{"), "ABC XYZ \xC3\xA9 [`{");
  EXPECT_EQ(LowerCase("ABC \xC3\x89 @Z["), "abc \xC3\x89 @z[");
  struct Row {
    const char* a;
    const char* b;
    int text, str;
  };
  const std::vector<Row> rows = {
      {"abc", "ABC", 0, 1},
      {"abc", "abd", -1, -1},
      {"ab", "abc", -1, -1},
      {"", "", 0, 0},
      // '_' (0x5F) lies between 'A' and 'a': without case, 'a' counts as 'A'.
      {"b", "A", 1, 1},
      {"_", "a", 1, -1},
      {"\xC3\xA9", "z", 1, 1},
      {"a", "\xC3\xA9", -1, -1},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(CompareText(row.a, row.b), row.text) << row.a << " / " << row.b;
    EXPECT_EQ(CompareText(row.b, row.a), -row.text);
    EXPECT_EQ(CompareStr(row.a, row.b), row.str) << row.a << " / " << row.b;
    EXPECT_EQ(SameText(row.a, row.b), row.text == 0);
  }
}

TEST(Strings, UnicodeCaseIsLocaleIndependent) {
  EXPECT_EQ(AnsiUpperCase("stra\xC3\x9F"
                          "e \xC3\xA9t\xC3\xA9 \xCE\xB1"),
            "STRASSE \xC3\x89T\xC3\x89 \xCE\x91");
  EXPECT_EQ(AnsiLowerCase("\xC3\x89T\xC3\x89 ABC"), "\xC3\xA9t\xC3\xA9 abc");
  // Text that is not UTF-8 keeps every byte and changes only ASCII letters.
  EXPECT_EQ(AnsiUpperCase("ab\xE9"
                          "c"),
            "AB\xE9"
            "C");
  EXPECT_TRUE(AnsiSameText("\xC3\xA9t\xC3\xA9", "\xC3\x89T\xC3\x89"));
  EXPECT_FALSE(AnsiSameText("e", "\xC3\xA9"));
  // The order chosen: code points after case folding.
  std::vector<std::string> words = {"\xC3\xA9t\xC3\xA9",
                                    "Zebra",
                                    "apple",
                                    "\xC3\x89"
                                    "cole",
                                    "Ostrich",
                                    "b"};
  std::sort(words.begin(), words.end(),
            [](const std::string& a, const std::string& b) { return AnsiCompareText(a, b) < 0; });
  EXPECT_EQ(words, (std::vector<std::string>{"apple", "b", "Ostrich", "Zebra",
                                             "\xC3\x89"
                                             "cole",
                                             "\xC3\xA9t\xC3\xA9"}));
  // One order for every text: characters compare case-folded one by one
  // (ASCII as lower case) whether or not the rest of the text is UTF-8.
  const struct {
    std::string a, b;
    int expected;
  } orders[] = {
      {"_", "a", -1},
      {"_\xFF", "a\xFF", -1},
      {"_\xC3\xA9", "A\xC3\xA9", -1},
      {"AB\xFF", "ab\xFF", 0},
      {"ab\xFF", "ab", 1},
      {"ab\xFF", "ab\xFE", 1},
      {"K", "\xE2\x84\xAA", 0},   // the Kelvin sign folds to k
      {"xk", "x\xE2\x84\xAA", 0}, // ... also after an ASCII prefix
      {"\xC3\xA9t\xC3\xA9", "\xC3\x89T\xC3\x89", 0},
      {"\xE9", "\xF4\x8F\xBF\xBF", 1}, // a stray byte sorts after every character
      {"a\xE9", "a\xC3\xA9", 1},
  };
  for (const auto& row : orders) {
    EXPECT_EQ(AnsiCompareText(row.a, row.b), row.expected) << row.a << " / " << row.b;
    EXPECT_EQ(AnsiCompareText(row.b, row.a), -row.expected) << row.b << " / " << row.a;
  }
  EXPECT_LT(AnsiCompareStr("Z", "a"), 0);
  EXPECT_GT(AnsiCompareStr("\xC3\xA9", "z"), 0);
}

TEST(Strings, ReplaceQuoteDelimiters) {
  struct Row {
    const char* s;
    const char* from;
    const char* to;
    TReplaceFlags flags;
    const char* expected;
  };
  const std::vector<Row> rows = {
      {"a.b.c", ".", ",", 0, "a,b.c"},
      {"a.b.c", ".", ",", rfReplaceAll, "a,b,c"},
      {"aXbxc", "x", "-", rfReplaceAll, "aXb-c"},
      {"aXbxc", "x", "-", rfReplaceAll | rfIgnoreCase, "a-b-c"},
      {"aaa", "aa", "b", rfReplaceAll, "ba"},
      {"abc", "", "x", rfReplaceAll, "abc"},
      {"abc", "abc", "", 0, ""},
      {"xx", "x", "xx", rfReplaceAll, "xxxx"},
  };
  for (const Row& row : rows)
    EXPECT_EQ(StringReplace(row.s, row.from, row.to, row.flags), row.expected) << row.s;
  EXPECT_EQ(QuotedStr("it's"), "'it''s'");
  EXPECT_EQ(QuotedStr(""), "''");
  EXPECT_EQ(AnsiQuotedStr("say \"hi\"", '"'), "\"say \"\"hi\"\"\"");
  EXPECT_EQ(StringOfChar('-', 3), "---");
  EXPECT_EQ(StringOfChar('-', -1), "");
  EXPECT_EQ(LastDelimiter("/\\", "a/b\\c.txt"), 4);
  EXPECT_EQ(LastDelimiter(".", "abc"), 0);
  EXPECT_TRUE(IsDelimiter(",;", "a;b", 2));
  EXPECT_FALSE(IsDelimiter(",;", "a;b", 1));
  EXPECT_FALSE(IsDelimiter(",;", "a;b", 0));
  EXPECT_FALSE(IsDelimiter(",;", "a;b", 4));
}

TEST(Strings, IntegersToText) {
  EXPECT_EQ(IntToStr(0), "0");
  EXPECT_EQ(IntToStr(-2147483647 - 1), "-2147483648");
  EXPECT_EQ(IntToStr(std::numeric_limits<Int64>::min()), "-9223372036854775808");
  EXPECT_EQ(IntToStr(std::numeric_limits<UInt64>::max()), "18446744073709551615");
  EXPECT_EQ(IntToStr(Byte(200)), "200");
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToHex(0, 0), "0");
  EXPECT_EQ(IntToHex(0xABCDEF, 2), "ABCDEF");
  EXPECT_EQ(IntToHex(-1, 2), "FFFFFFFF");
  EXPECT_EQ(IntToHex(Int64(-2), 1), "FFFFFFFFFFFFFFFE");
  EXPECT_EQ(IntToHex(SmallInt(-1), 1), "FFFF");
}

TEST(Strings, CodePointHelpers) {
  const std::string text = "a\xC3\xA9\xE2\x82\xAC"
                           "b"; // a é € b
  EXPECT_TRUE(IsValidUtf8(text));
  EXPECT_EQ(Utf8Length(text), 4);
  EXPECT_EQ(Utf8Copy(text, 2, 2), "\xC3\xA9\xE2\x82\xAC");
  EXPECT_EQ(Utf8Copy(text, 0, 1), "a");
  EXPECT_EQ(Utf8Copy(text, 4, 5), "b");
  EXPECT_EQ(Utf8Copy(text, 5, 1), "");
  const std::vector<std::string> invalid = {"\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80",
                                            "a\xFF"};
  for (const std::string& s : invalid)
    EXPECT_FALSE(IsValidUtf8(s)) << s.size();
  EXPECT_EQ(Utf8Length("a\xFF"
                       "b"),
            3);

  struct DecodeRow {
    const char* what;
    std::size_t at;
    std::size_t length;
    char32_t codePoint;
  };
  const std::string mixed = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xE2\x82"; // a é € 😀, cut €
  const std::vector<DecodeRow> decodes = {
      {"ASCII", 0, 1, U'a'},
      {"two bytes", 1, 2, 0xE9},
      {"a continuation byte starts nothing", 2, 0, 0},
      {"three bytes", 3, 3, 0x20AC},
      {"four bytes", 6, 4, 0x1F600},
      {"cut off at the end", 10, 0, 0},
      {"past the end", 12, 0, 0},
  };
  for (const DecodeRow& row : decodes) {
    char32_t cp = 0;
    EXPECT_EQ(Utf8DecodeAt(mixed, row.at, cp), row.length) << row.what;
    if (row.length > 0) {
      EXPECT_EQ(cp, row.codePoint) << row.what;
    }
  }
  for (const std::string& s : invalid) {
    char32_t cp = 0;
    EXPECT_EQ(Utf8DecodeAt(s, s.size() > 1 && s[0] == 'a' ? 1 : 0, cp), 0u) << s.size();
  }
  // Encoding gives the bytes the decoder reads back, at each length's edges.
  EXPECT_EQ(Utf8Encode(0x20AC), "\xE2\x82\xAC");
  EXPECT_EQ(Utf8Encode(0x1F600), "\xF0\x9F\x98\x80");
  for (char32_t c : {U'\0', char32_t(0x7F), char32_t(0x80), char32_t(0x7FF), char32_t(0x800),
                     char32_t(0xFFFF), char32_t(0x10000), char32_t(0x10FFFF)}) {
    const std::string bytes = Utf8Encode(c);
    char32_t back = 0;
    EXPECT_EQ(Utf8DecodeAt(bytes, 0, back), bytes.size()) << std::uint32_t(c);
    EXPECT_EQ(back, c);
  }
}
