#include "platform/rtl/CodePages.h"

#include <gtest/gtest.h>

#include <string>

TEST(CodePages, ConversionTable) {
  const struct {
    const char* what;
    std::string text;
    int from, to;
    std::string expected;
  } rows[] = {
      {"euro into 1252", "\xE2\x82\xAC", 65001, 1252, "\x80"},
      {"euro out of 1252", "\x80", 1252, 65001, "\xE2\x82\xAC"},
      {"1250 S caron", "\x8A", 1250, 65001, "\xC5\xA0"},
      {"1252 to 1250 keeps e acute", "caf\xE9", 1252, 1250, "caf\xE9"},
      {"1251 to UTF-8", "\xC0\xE1", 1251, 65001, "\xD0\x90\xD0\xB1"},
      {"Latin-1 page", "\xFC", 28591, 65001, "\xC3\xBC"},
      {"Shift-JIS", "\x93\xFA", 932, 65001, "\xE6\x97\xA5"},
      {"cannot encode: one ? per character",
       "a\xE6\x97\xA5\xE6\x9C\xAC"
       "b",
       65001, 1252, "a??b"},
      {"cannot encode in iconv page", "\xE6\x97\xA5x", 65001, 1250, "?x"},
      {"bad UTF-8 read as 1252", "caf\xE9", 65001, 1250, "caf\xE9"},
      {"bad Shift-JIS read as 1252", "\x81", 932, 65001, "\xC2\x81"},
      {"bad bytes keep every byte through 1252", "\xFF\x80\x81\xC3", 65001, 1252,
       "\xFF\x80\x81\xC3"},
      {"unknown source page", "abc", 12345, 65001, ""},
      {"unknown target page", "abc", 65001, 12345, ""},
      {"equal pages: bytes unchanged, even bad ones", "\xFF\xFE", 65001, 65001, "\xFF\xFE"},
      {"equal unknown pages", "abc", 12345, 12345, "abc"},
      {"empty text", "", 1252, 65001, ""},
      {"NUL survives", std::string("a\0b", 3), 1252, 65001, std::string("a\0b", 3)},
  };
  for (const auto& row : rows)
    EXPECT_EQ(ConvertCodePage(row.text, row.from, row.to), row.expected) << row.what;
}

// A byte a single-byte page leaves undefined decodes on its own (to the
// character of the same number); the letters around it stay in their page,
// and the round trip gives the bytes back.
TEST(CodePages, UndefinedBytesOfSingleBytePages) {
  const struct {
    int page;
    std::string bytes;
    std::string utf8;
  } rows[] = {
      {1250, "\x8A\x81\x9A", "Š\u0081š"}, {1250, "\x8A\x83\x9A", "Š\u0083š"},
      {1250, "\x8A\x88\x9A", "Š\u0088š"}, {1250, "\x8A\x90\x9A", "Š\u0090š"},
      {1250, "\x8A\x98\x9A", "Š\u0098š"}, {1251, "\xCF\xF0\xE8\x98\xE2", "При\u0098в"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(CodePageToUtf8(row.bytes, row.page), row.utf8) << row.page;
    EXPECT_EQ(Utf8ToCodePage(row.utf8, row.page), row.bytes) << row.page;
  }
  // Only undefined bytes encode that way: a C1 character whose byte is a
  // letter of the page still cannot be encoded.
  EXPECT_EQ(Utf8ToCodePage("\u008A", 1250), "?");
}

TEST(CodePages, EveryByteSurvivesA1252RoundTrip) {
  std::string all;
  for (int i = 0; i < 256; ++i)
    all += static_cast<char>(i);
  const std::string utf8 = CodePageToUtf8(all, 1252);
  EXPECT_EQ(Utf8ToCodePage(utf8, 1252), all);
  // Not valid UTF-8, so "UTF-8" text of these bytes is read as 1252 too.
  EXPECT_EQ(ConvertCodePage(all, 65001, 1252), all);
  EXPECT_EQ(WideToCodePage(CodePageToWide(all, 1252), 1252), all);
}

TEST(CodePages, SystemCodePage) {
  const struct {
    const char* locale;
    int codePage;
  } rows[] = {
      {"de_DE.UTF-8", 65001},
      {"en_US.utf8", 65001},
      {"C", 65001},
      {"POSIX", 65001},
      {"", 65001},
      {"ru_RU.CP1251", 1251},
      {"pl_PL.ISO-8859-2", 28592},
      {"en_US.iso885915@euro", 28605},
      {"ja_JP.SJIS", 932},
      {"xx_XX.WINDOWS-1250", 1250},
      {"xx_XX.SOMETHING", 65001},
  };
  for (const auto& row : rows)
    EXPECT_EQ(CodePageFromLocale(row.locale), row.codePage) << row.locale;

  SetACP(1250);
  EXPECT_EQ(GetACP(), 1250);
  EXPECT_EQ(ConvertCodePage("\x8A", CP_ACP, 65001), "\xC5\xA0"); // CP_ACP is the system page
  EXPECT_EQ(CodePageToCharset(CP_ACP), 238);
  ResetACP();
  EXPECT_EQ(GetACP(), CodePageFromLocale(std::getenv("LC_ALL")     ? std::getenv("LC_ALL")
                                         : std::getenv("LC_CTYPE") ? std::getenv("LC_CTYPE")
                                         : std::getenv("LANG")     ? std::getenv("LANG")
                                                                   : ""));
}

TEST(CodePages, NamesAndSupport) {
  EXPECT_EQ(CodePageName(65001), "UTF-8");
  EXPECT_EQ(CodePageName(28591), "ISO-8859-1");
  EXPECT_EQ(CodePageName(10000), "MACINTOSH");
  EXPECT_EQ(CodePageName(1250), "CP1250");
  for (int page : {437,  850,  874,  932,  936,  949,  950,  1250,  1251,  1252,
                   1253, 1254, 1255, 1256, 1257, 1258, 1361, 10000, 28591, 65001})
    EXPECT_TRUE(IsCodePageSupported(page)) << page;
  EXPECT_FALSE(IsCodePageSupported(12345));
  EXPECT_FALSE(IsCodePageSupported(-1));
}

TEST(CodePages, CharsetTable) {
  const int rows[][2] = {{1250, 238}, {1251, 204}, {1252, 0},   {1253, 161}, {1254, 162},
                         {1255, 177}, {1256, 178}, {1257, 186}, {1258, 163}, {874, 222},
                         {932, 128},  {936, 134},  {949, 129},  {950, 136},  {1361, 130},
                         {65001, 1},  {437, 1},    {12345, 1}};
  for (const auto& row : rows)
    EXPECT_EQ(CodePageToCharset(row[0]), row[1]) << row[0];
}

TEST(CodePages, Utf16) {
  const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"; // a é € 😀
  const std::u16string wide = Utf8ToUtf16(text);
  EXPECT_EQ(wide, (std::u16string{u'a', 0x00E9, 0x20AC, 0xD83D, 0xDE00}));
  EXPECT_EQ(Utf16ToUtf8(wide), text);
  EXPECT_EQ(Utf16ToUtf8(std::u16string{u'x', 0xD800, u'y', 0xDC00}), "x?y?");
  EXPECT_EQ(Utf8ToUtf16("\xE9"), std::u16string{0x00E9}); // bad UTF-8 read as 1252
  EXPECT_EQ(CodePageToWide("\x80", 1252), std::u16string{0x20AC});
  EXPECT_EQ(WideToCodePage(u"\u20AC\u4E00", 1252), "\x80?");
  EXPECT_EQ(CodePageToWide("x", 12345), std::u16string());
}
