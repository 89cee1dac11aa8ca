// The text helpers: one table per function, and the XOR coding round trip.
#include <gtest/gtest.h>

#include "formstate/StrUtils.h"
#include "platform/rtl/Ticks.h"

TEST(StrUtils, ReplaceRemoveStripAndRepeat) {
  struct Row {
    std::string text, search, replacement, expected;
  };
  for (const Row& r : std::vector<Row>{{"aaa", "aa", "b", "ba"},
                                       {"1,5", ",", ".", "1.5"},
                                       {"abc", "", "x", "abc"},
                                       {"a.b.c", ".", "..", "a..b..c"},
                                       {"", "a", "b", ""}})
    EXPECT_EQ(StrReplaceAll(r.text, r.search, r.replacement), r.expected) << r.text;
  EXPECT_EQ(StrRemoveChar("1 234 567", ' '), "1234567");
  EXPECT_EQ(StrStripLeadingSpaces("  a b  "), "a b  ");
  EXPECT_EQ(StrStripTrailingSpaces("  a b  "), "  a b");
  EXPECT_EQ(StrStripSpaces("    "), "");
  EXPECT_EQ(StrStripSpaces("\t a \t"), "\t a \t"); // blanks only, tabs stay
  EXPECT_EQ(StrOfChar('#', 5), "#####");
  EXPECT_EQ(StrOfChar('#', 0), "");
  EXPECT_EQ(StrOfChar('#', -3), "");
}

TEST(StrUtils, WordsAndFields) {
  const TCharSet blankComma{' ', ','};
  const std::string text = ",,10  20,";
  EXPECT_EQ(StrWordCount(text, blankComma), 2);
  EXPECT_EQ(StrWordStart(1, text, blankComma), 3);
  EXPECT_EQ(StrWordStart(2, text, blankComma), 7);
  EXPECT_EQ(StrWordStart(3, text, blankComma), 0);
  EXPECT_EQ(StrWordStart(0, text, blankComma), 0);
  EXPECT_EQ(StrWordAt(1, text, blankComma), "10");
  EXPECT_EQ(StrWordAt(2, text, blankComma), "20");
  EXPECT_EQ(StrWordAt(3, text, blankComma), "");
  EXPECT_EQ(StrWordCount("", blankComma), 0);

  const TCharSet semicolon{';'};
  int position = 1;
  EXPECT_EQ(StrNextField("a;;b", position, semicolon), "a");
  EXPECT_EQ(position, 3);
  EXPECT_EQ(StrNextField("a;;b", position, semicolon), "");
  EXPECT_EQ(position, 4);
  EXPECT_EQ(StrNextField("a;;b", position, semicolon), "b");
  EXPECT_EQ(position, 5);
}

TEST(StrUtils, XorHexCoding) {
  EXPECT_EQ(StrXorHexEncode("", "AZ\n"), "415a0a");
  EXPECT_EQ(StrXorHexEncode("k", "k"), "00");
  EXPECT_EQ(StrXorHexDecode("", "zz"), " ");
  EXPECT_EQ(StrXorHexDecode("", "41424"), "AB"); // the odd last digit is ignored
  EXPECT_EQ(StrXorHexDecode("", "4A4a"), "JJ");

  // Round trips over seeded random keys and texts with NUL and high bytes.
  SetRandSeed(20261210);
  for (int round = 0; round < 300; ++round) {
    std::string key(size_t(Random(5)), '\0'), text(size_t(Random(40)), '\0');
    for (char& c : key)
      c = char(Random(256));
    for (char& c : text)
      c = char(Random(256));
    const std::string coded = StrXorHexEncode(key, text);
    ASSERT_EQ(coded.size(), text.size() * 2);
    for (char c : coded)
      ASSERT_TRUE((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'));
    ASSERT_EQ(StrXorHexDecode(key, coded), text);
  }
}
