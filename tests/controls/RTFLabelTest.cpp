// The rich-text label: its twips rectangle, loading, what it paints (only
// its background when empty, the text one pixel in otherwise), the colour it
// gives the rich edit, and paints that arrive while it paints.
#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "controls/rtflabel.h"
#include "platform/forms/Loading.h"
#include "platform/forms/Messages.h"

namespace {
/// A label whose update counter a test can raise.
class TCountedLabel : public TRTFLabel {
public:
  using TRTFLabel::TRTFLabel;
  void Lock() { ++updateCount_; }
};

/// Pixels of the label's area on its parent's back buffer.
std::vector<COLORREF> LabelPixels(TWinControl* parent, TControl* label) {
  parent->Invalidate();
  UpdateWindow(parent->Handle());
  std::vector<COLORREF> px;
  for (int y = label->Top(); y < label->Top() + label->Height(); ++y)
    for (int x = label->Left(); x < label->Left() + label->Width(); ++x)
      px.push_back(WindowPixel(parent, x, y));
  return px;
}

const char* const kRed = "{\\rtf1{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red255\\green0\\blue0;}"
                         "\\f0\\fs16\\cf1 Zemljevid\\par}";
} // namespace

TEST(RTFLabel, TwipsRectangleOfTheLabel) {
  struct TRow {
    TRect pixels;
    int dpi;
    RECT twips;
  } rows[] = {
      {TRect(0, 0, 65, 17), 96, {15, 15, 975, 255}},
      {TRect(0, 0, 65, 17), 0, {15, 15, 975, 255}}, // 0 counts as 96
      {TRect(2, 3, 12, 9), 120, {36, 48, 36 + 108, 48 + 60}},
      // 1 pixel at 144 dpi is 10 twips; 0.5 twips would round to even.
      {TRect(0, 0, 4, 4), 144, {10, 10, 40, 40}},
  };
  for (const TRow& row : rows) {
    const RECT t = RichTextTwips(row.pixels, row.dpi, row.dpi);
    EXPECT_EQ(t.Left, row.twips.Left) << row.dpi;
    EXPECT_EQ(t.Top, row.twips.Top) << row.dpi;
    EXPECT_EQ(t.Right, row.twips.Right) << row.dpi;
    EXPECT_EQ(t.Bottom, row.twips.Bottom) << row.dpi;
  }
}

TEST(RTFLabel, CreatedAndLoadedAsTheMapWindowHasIt) {
  THostForm host(200, 100, clWhite);
  ReadDefinition(host.form, R"(object Host: TForm
  object RTFLabel1: TRTFLabel
    Left = 20
    Top = 30
    Width = 65
    Height = 17
    WordWrap = False
  end
end
)");
  auto* label = dynamic_cast<TRTFLabel*>(host.form->FindComponent("RTFLabel1"));
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->Caption(), "");
  EXPECT_FALSE(label->AutoSize());
  EXPECT_EQ(label->RichText(), "");
  EXPECT_EQ(label->Version(), "1.3.0.0");
  label->SetVersion("2");
  EXPECT_EQ(label->Version(), "1.3.0.0");
  TRichEdit* edit = label->RichEdit();
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(edit->Owner(), label);
  EXPECT_FALSE(edit->Visible());
  EXPECT_EQ(edit->BoundsRect(), TRect(0, 0, 10, 10));
  EXPECT_FALSE(edit->WordWrap());
  EXPECT_EQ(edit->BorderStyle(), TBorderStyle::bsNone);
  // Word wrap reaches the rich edit once the label has a parent.
  label->SetWordWrap(true);
  EXPECT_TRUE(edit->WordWrap());
  // Without a parent the label keeps the value to itself.
  TRTFLabel loose(nullptr);
  loose.SetWordWrap(false);
  EXPECT_FALSE(loose.WordWrap());
  EXPECT_TRUE(loose.RichEdit()->WordWrap()); // the rich edit's own default
}

TEST(RTFLabel, EmptyTextPaintsOnlyTheBackground) {
  THostForm host(200, 100, clWhite);
  auto* label = host.Add<TRTFLabel>(20, 30, 65, 17);
  label->SetParentColor(false);
  label->SetColor(clYellow);
  host.Show();
  // Painted twice: the first paint leaves the canvas brush clear.
  for (int paint = 0; paint < 2; ++paint)
    for (COLORREF c : LabelPixels(host.form, label))
      ASSERT_EQ(c, 0x00FFFFu) << "paint " << paint;
}

TEST(RTFLabel, TextIsDrawnOnePixelInOverTheBackground) {
  THostForm host(200, 100, clWhite);
  auto* label = host.Add<TRTFLabel>(20, 30, 65, 17);
  label->SetRichText(kRed);
  host.Show();
  const std::vector<COLORREF> px = LabelPixels(host.form, label);
  int red = 0;
  for (std::size_t i = 0; i < px.size(); ++i) {
    const int x = int(i) % 65, y = int(i) / 65;
    if (px[i] == 0x0000FFu) {
      ++red;
      EXPECT_GE(x, 1);
      EXPECT_GE(y, 1);
    }
  }
  EXPECT_GT(red, 20);
  // The rich edit went back to having no parent.
  EXPECT_EQ(label->RichEdit()->Parent(), nullptr);
  EXPECT_EQ(label->RichEdit()->Document().PlainText(), "Zemljevid");
}

TEST(RTFLabel, BackgroundColourGivenToTheRichEdit) {
  THostForm host(200, 100, clBtnFace);
  auto* label = host.Add<TRTFLabel>(20, 30, 65, 17);
  label->SetRichText(kRed);
  label->SetParentColor(false);
  label->SetColor(clYellow);
  host.Show();
  LabelPixels(host.form, label);
  EXPECT_EQ(label->RichEdit()->BackgroundColor(), TColor(0x00FFFF));
  // A transparent label gives it the parent's colour (resolved).
  label->SetTransparent(true);
  LabelPixels(host.form, label);
  EXPECT_EQ(label->RichEdit()->BackgroundColor(), TColor(ColorToRGB(clBtnFace)));
}

TEST(RTFLabel, PaintsDuringAPaintOrWhileLockedDrawNothingMore) {
  THostForm host(200, 100, clWhite);
  auto* label = host.Add<TCountedLabel>(20, 30, 65, 17);
  label->SetRichText(kRed);
  host.Show();
  TRichEdit* edit = label->RichEdit();
  int ranges = 0, nested = 0;
  const TWndMethod original = edit->WindowProc;
  edit->WindowProc = [&](TMessage& m) {
    if (m.Msg == EM_FORMATRANGE) {
      ++ranges;
      // A paint of the label arrives while it paints.
      if (ranges == 1 && m.LParam != 0) {
        ++nested;
        HDC dc = reinterpret_cast<const FORMATRANGE*>(m.LParam)->hdc;
        label->Perform(WM_PAINT, WPARAM(dc), 0);
      }
    }
    original(m);
  };
  LabelPixels(host.form, label);
  EXPECT_EQ(nested, 1);
  EXPECT_EQ(ranges, 2); // the outer paint's draw and release only
  ranges = 0;
  label->Lock();
  LabelPixels(host.form, label);
  EXPECT_EQ(ranges, 0);
  edit->WindowProc = original;
}
