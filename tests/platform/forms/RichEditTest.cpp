// The rich text reader (good and damaged samples, a table of small texts,
// random damage) and the rich edit's EM_FORMATRANGE rendering probed by
// pixel on a bitmap.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>

#include "platform/forms/Forms.h"
#include "platform/forms/RichEdit.h"
#include "platform/forms/RtfReader.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Gdi.h"
#include "platform/rtl/Streams.h"

namespace {
std::string Sample(const std::string& name) {
  std::ifstream in(std::string(std::getenv("SK_TEST_DATA")) + "/rtf/" + name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool HasProblem(const TRtfDocument& d, const std::string& start) {
  for (const std::string& p : d.Problems)
    if (p.rfind(start, 0) == 0) return true;
  return false;
}

/// A white bitmap with the document rendered into (x, y, w, h) pixels.
struct TPage {
  TBitmap bitmap{160, 80, pf24bit};
  TRichEdit edit{nullptr};
  TPage() {
    bitmap.Canvas()->Brush()->SetColor(clWhite);
    bitmap.Canvas()->FillRect(TRect(0, 0, 160, 80));
  }
  LRESULT Render(const std::string& rtf, TRect r, bool draw = true, int from = 0, int to = -1) {
    edit.LoadDocument(rtf);
    FORMATRANGE f;
    f.hdc = f.hdcTarget = bitmap.Canvas()->Handle();
    SetBkMode(f.hdc, TRANSPARENT);
    f.rc = {r.Left * 15, r.Top * 15, r.Right * 15, r.Bottom * 15};
    f.rcPage = f.rc;
    f.chrg = {from, to};
    const LRESULT result = edit.Perform(EM_FORMATRANGE, draw ? 1 : 0, LPARAM(&f));
    edit.Perform(EM_FORMATRANGE, 0, 0);
    return result;
  }
  COLORREF At(int x, int y) {
    const std::uint8_t* p = bitmap.ScanLine(y) + 3 * x;
    return RGB(p[2], p[1], p[0]);
  }
  /// The bounding box of the pixels that are not white.
  TRect Inked() {
    TRect box(1 << 20, 1 << 20, -1, -1);
    for (int y = 0; y < 80; ++y)
      for (int x = 0; x < 160; ++x)
        if (At(x, y) != 0xFFFFFF) {
          box.Left = std::min(box.Left, x);
          box.Top = std::min(box.Top, y);
          box.Right = std::max(box.Right, x + 1);
          box.Bottom = std::max(box.Bottom, y + 1);
        }
    return box;
  }
  int Count(COLORREF c) {
    int n = 0;
    for (int y = 0; y < 80; ++y)
      for (int x = 0; x < 160; ++x)
        n += At(x, y) == c;
    return n;
  }
};
} // namespace

TEST(RtfReader, GoodSampleGivesTextTablesAndFormats) {
  const TRtfDocument d = ReadRtf(Sample("label.rtf"));
  EXPECT_TRUE(d.Problems.empty()) << d.Problems.front();
  ASSERT_EQ(d.Paragraphs.size(), 3u);
  EXPECT_EQ(d.Paragraphs[0].PlainText(), "Zemljevid krepko, le\u017Ee, pod");
  EXPECT_EQ(d.Paragraphs[1].PlainText(), "rde\u00E8e modro");
  // \fcharset238 reads its hex escapes in code page 1250; Unicode escapes
  // drop their one fallback character each.
  EXPECT_EQ(d.Paragraphs[2].PlainText(),
            "\u010D\u0161\u017E in \u010D\u0161\u017E {oklepaji} \\\tkonec");
  EXPECT_EQ(d.FaceOf(0), "Arial");
  EXPECT_EQ(d.FaceOf(1), "Times New Roman CE");
  EXPECT_EQ(d.FaceOf(-1), "Arial");
  ASSERT_EQ(d.Colors.size(), 3u);
  EXPECT_FALSE(d.ColorOf(0).has_value());
  EXPECT_EQ(*d.ColorOf(1), TColor(0x0000FF));
  EXPECT_EQ(*d.ColorOf(2), TColor(0xFF0000));
  EXPECT_EQ(d.Paragraphs[0].Align, TRtfAlign::Center);
  EXPECT_EQ(d.Paragraphs[1].Align, TRtfAlign::Left);
  // Runs: "Zemljevid " plain, "krepko" bold, "le" italic, "pod" underlined.
  const std::vector<TRtfRun>& runs = d.Paragraphs[0].Runs;
  ASSERT_GE(runs.size(), 6u);
  EXPECT_EQ(runs[0].Text, "Zemljevid ");
  EXPECT_EQ(runs[0].Format.HalfPoints, 20);
  EXPECT_EQ(runs[1].Text, "krepko");
  EXPECT_TRUE(runs[1].Format.Bold);
  EXPECT_TRUE(runs[3].Format.Italic);
  EXPECT_TRUE(runs[5].Format.Underline);
  EXPECT_EQ(d.Paragraphs[1].Runs.back().Format.Color, 2);
  EXPECT_EQ(d.Paragraphs[1].Runs.back().Format.HalfPoints, 28);
}

TEST(RtfReader, SmallTexts) {
  struct TRow {
    const char* name;
    const char* rtf;
    const char* text; // paragraphs joined with CR LF
    const char* problem;
  } rows[] = {
      {"plain text", "two\r\nlines", "two\r\nlines", ""},
      {"empty", "", "", ""},
      {"header only", "{\\rtf1}", "", ""},
      {"symbols", "{\\rtf1 a\\~b\\_c\\-d\\emdash e}", "a\u00A0b-cd\u2014e", ""},
      {"uc0 keeps the next character", "{\\rtf1\\uc0\\u269 x}", "\u010Dx", ""},
      {"uc2 drops two", "{\\rtf1\\uc2\\u269 xyz}", "\u010Dz", ""},
      {"fallback ends with its group", "{\\rtf1{\\uc3\\u269}xy}", "\u010Dxy", ""},
      {"negative unicode", "{\\rtf1\\u-3913?}", "\uF0B7", ""},
      {"surrogate pair", "{\\rtf1\\u-10179?\\u-8704?}", "\U0001F600", ""},
      {"lone surrogate", "{\\rtf1\\u-8704?a}", "\uFFFDa", "a lone surrogate"},
      {"starred destination", "{\\rtf1 a{\\*\\foo hidden{\\b more}}b}", "ab", ""},
      {"field result shows", "{\\rtf1{\\field{\\*\\fldinst HYPERLINK x}{\\fldrslt link}}}", "link",
       ""},
      {"picture skipped", "{\\rtf1 a{\\pict\\wmetafile8 0102}b}", "ab", ""},
      {"binary skipped", "{\\rtf1 a{\\*\\x\\bin3 }}}}b}", "ab", ""},
      {"line break", "{\\rtf1 a\\line b}", "a\nb", ""},
      {"text after the end", "{\\rtf1 a}junk", "a", "text after the end"},
      {"unclosed", "{\\rtf1{\\b a", "a", "the text ends inside 2"},
      {"stray brace", "{\\rtf1 a}}", "a", "text after the end"},
      {"cut control word", "{\\rtf1 a\\", "a", "a control word cut off"},
      {"half a hex escape", "{\\rtf1 a\\'4", "a", "a hex escape without"},
      {"long word", "{\\rtf1 \\abcdefghijklmnopqrstuvwxyzabcdefghijklmnop1 x}", "x", ""},
  };
  for (const TRow& row : rows) {
    const TRtfDocument d = ReadRtf(row.rtf);
    EXPECT_EQ(d.PlainText(), row.text) << row.name;
    if (*row.problem)
      EXPECT_TRUE(HasProblem(d, row.problem)) << row.name;
    else
      EXPECT_TRUE(d.Problems.empty()) << row.name << ": " << d.Problems.front();
  }
}

TEST(RtfReader, DamagedSamplesReadWhatTheyCanAndSayWhat) {
  struct TRow {
    const char* file;
    const char* text;
    const char* problem;
  } rows[] = {
      {"truncated.rtf", "zelena\r\nZemljevid ", "the text ends inside 1"},
      {"extra-braces.rtf", "", "text after the end"},
      {"absurd-numbers.rtf", "big\uFFFC", "the text ends inside"},
      {"cut-escape.rtf", "bold", "a hex escape without"},
      {"deep-nesting.rtf", "", "groups nested deeper than 512"},
  };
  for (const TRow& row : rows) {
    const TRtfDocument d = ReadRtf(Sample(row.file));
    EXPECT_TRUE(HasProblem(d, row.problem)) << row.file;
    if (std::string(row.file) == "deep-nesting.rtf") {
      // The text outside the skipped depth is kept.
      EXPECT_EQ(d.PlainText().substr(0, 5), "topxx");
      EXPECT_NE(d.PlainText().find("bottom"), std::string::npos);
    } else if (std::string(row.file) == "absurd-numbers.rtf") {
      EXPECT_EQ(d.PlainText().substr(0, 3), "big") << row.file;
    } else {
      EXPECT_EQ(d.PlainText(), row.text) << row.file;
    }
  }
  // Absurd numbers are clamped: the size is the largest kept, the colour
  // and font refer to nothing and fall back.
  const TRtfDocument d = ReadRtf(Sample("absurd-numbers.rtf"));
  const TRtfCharFormat& f = d.Paragraphs[0].Runs[0].Format;
  EXPECT_EQ(f.HalfPoints, 3276);
  EXPECT_FALSE(d.ColorOf(f.Color).has_value());
  EXPECT_EQ(d.FaceOf(f.Font), "");
}

TEST(RtfReader, RandomDamageNeverCrashes) {
  const std::string good = Sample("label.rtf");
  ASSERT_FALSE(good.empty());
  std::mt19937 random(20240611);
  const std::string alphabet = "{}\\'*;0123456789-abuf ";
  for (int round = 0; round < 3000; ++round) {
    std::string s = good;
    const int edits = 1 + int(random() % 8);
    for (int e = 0; e < edits; ++e) {
      const std::size_t at = random() % (s.size() + 1);
      switch (random() % 4) {
      case 0:
        if (at < s.size()) s[at] = alphabet[random() % alphabet.size()];
        break;
      case 1:
        s.insert(at, 1, char(random() % 256));
        break;
      case 2:
        if (at < s.size()) s.erase(at, 1 + random() % 8);
        break;
      default:
        s.resize(at);
      }
    }
    const TRtfDocument d = ReadRtf(s);
    EXPECT_FALSE(d.Paragraphs.empty());
  }
}

TEST(RichEdit, LinesLoadRichTextOrPlainText) {
  TRichEdit edit(nullptr);
  TMemoryStream rich;
  const std::string rtf = "{\\rtf1 one\\par two}";
  rich.Write(rtf.data(), std::int64_t(rtf.size()));
  rich.SetPosition(0);
  edit.Lines()->LoadFromStream(rich);
  ASSERT_EQ(edit.Lines()->Count(), 2);
  EXPECT_EQ(edit.Lines()->Get(1), "two");
  EXPECT_EQ(edit.TextLength(), 8);
  TMemoryStream plain;
  const std::string text = "{not rich";
  plain.Write(text.data(), std::int64_t(text.size()));
  plain.SetPosition(0);
  edit.Lines()->LoadFromStream(plain);
  ASSERT_EQ(edit.Lines()->Count(), 1);
  EXPECT_EQ(edit.Lines()->Get(0), "{not rich");
  // EM_SETBKGNDCOLOR answers the old colour; wParam 1 takes the window's.
  edit.Perform(EM_SETBKGNDCOLOR, 0, 0x00123456);
  EXPECT_EQ(edit.BackgroundColor(), TColor(0x00123456));
  EXPECT_EQ(edit.Perform(EM_SETBKGNDCOLOR, 1, 0), 0x00123456);
  EXPECT_EQ(edit.BackgroundColor(), clWindow);
}

TEST(RichEdit, FormatRangeDrawsRunsInTheirColoursInsideTheRectangle) {
  TPage page;
  const std::string rtf = "{\\rtf1{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red255\\green0\\blue0;}"
                          "\\f0\\fs20\\cf1 Red\\cf0  black\\par}";
  const LRESULT end = page.Render(rtf, TRect(10, 10, 150, 70));
  EXPECT_EQ(end, page.edit.TextLength());
  const TRect ink = page.Inked();
  EXPECT_GE(ink.Left, 10);
  EXPECT_GE(ink.Top, 10);
  EXPECT_LT(ink.Right, 150);
  EXPECT_GT(page.Count(0x0000FF), 10);           // red text
  EXPECT_GT(page.Count(0x000000), 10);           // black text
  EXPECT_EQ(page.Count(0xFFFFFF) > 0, true);     // a transparent DC keeps the background
  // Measuring draws nothing and answers the same end.
  TPage measured;
  EXPECT_EQ(measured.Render(rtf, TRect(10, 10, 150, 70), false), end);
  EXPECT_EQ(measured.Count(0xFFFFFF), 160 * 80);
}

TEST(RichEdit, AlignmentWrapAndWhatDoesNotFit) {
  const std::string centred = "{\\rtf1\\fs20\\qc mid\\par}";
  TPage left, centre;
  left.Render("{\\rtf1\\fs20 mid\\par}", TRect(0, 0, 160, 80));
  centre.Render(centred, TRect(0, 0, 160, 80));
  EXPECT_LT(left.Inked().Left, 4);
  EXPECT_NEAR((centre.Inked().Left + centre.Inked().Right) / 2.0, 80, 3);
  // Without word wrap a long line is cut at the rectangle; with it the words
  // go on below.
  const std::string words = "{\\rtf1\\fs20 alpha beta gamma delta epsilon\\par}";
  TPage cut, wrapped;
  cut.edit.SetWordWrap(false);
  cut.Render(words, TRect(0, 0, 60, 80));
  EXPECT_LE(cut.Inked().Right, 60);
  EXPECT_LT(cut.Inked().Bottom, 20);
  wrapped.edit.SetWordWrap(true);
  wrapped.Render(words, TRect(0, 0, 60, 80));
  EXPECT_GT(wrapped.Inked().Bottom, 30);
  // Lines below the rectangle wait: the answer is the first one left out.
  TPage shallow;
  shallow.edit.SetWordWrap(false);
  const LRESULT next = shallow.Render("{\\rtf1\\fs20 one\\par two\\par three\\par}",
                                      TRect(0, 0, 160, 20));
  EXPECT_EQ(next, 4); // "two" starts at character 4
  EXPECT_LE(shallow.Inked().Bottom, 20);
  // Rendering from there draws the rest.
  TPage rest;
  rest.edit.SetWordWrap(false);
  EXPECT_EQ(rest.Render("{\\rtf1\\fs20 one\\par two\\par three\\par}", TRect(0, 0, 160, 80), true,
                        4, -1),
            14);
}

// Text at the largest size the reader keeps (a 27-byte document once took
// seconds) is drawn cut to the bitmap, without caching glyphs of that size.
TEST(RichEdit, HugeTextRendersCutToTheTarget) {
  const std::string rtf = Sample("regression-huge-font-size.rtf");
  ASSERT_EQ(rtf.size(), 27u);
  TBitmap bitmap(300, 200, pf24bit);
  TRichEdit edit(nullptr);
  edit.LoadDocument(rtf);
  const std::size_t cached = GdiCachedGlyphCount();
  // the page moved over the bitmap in steps: the letters cover it somewhere
  int ink = 0;
  for (int left = 0; left >= -3000; left -= 300)
    for (int top = 0; top >= -2400; top -= 300) {
      bitmap.Canvas()->Brush()->SetColor(clWhite);
      bitmap.Canvas()->FillRect(TRect(0, 0, 300, 200));
      FORMATRANGE f;
      f.hdc = f.hdcTarget = bitmap.Canvas()->Handle();
      SetBkMode(f.hdc, TRANSPARENT);
      f.rc = {left * 15, top * 15, (left + 60000) * 15, (top + 6000) * 15};
      f.rcPage = f.rc;
      f.chrg = {0, -1};
      edit.Perform(EM_FORMATRANGE, 1, LPARAM(&f));
      edit.Perform(EM_FORMATRANGE, 0, 0);
      for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x)
          ink += bitmap.ScanLine(y)[3 * x] != 0xFF;
    }
  EXPECT_EQ(GdiCachedGlyphCount(), cached);
  EXPECT_GT(ink, 0) << "the letters never covered the bitmap";
}

TEST(RichEdit, DamagedSamplesRenderWithoutHarm) {
  for (const char* file : {"truncated.rtf", "extra-braces.rtf", "absurd-numbers.rtf",
                           "cut-escape.rtf", "deep-nesting.rtf"}) {
    TPage page;
    page.Render(Sample(file), TRect(2, 2, 158, 78));
    const TRect ink = page.Inked();
    if (ink.Right < 0) continue; // nothing to draw
    EXPECT_GE(ink.Left, 2) << file;
    EXPECT_GE(ink.Top, 2) << file;
    EXPECT_LE(ink.Right, 158) << file;
    EXPECT_LE(ink.Bottom, 78) << file;
  }
}
