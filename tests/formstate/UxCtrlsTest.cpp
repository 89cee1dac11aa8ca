// The glyph painter and the speed button: cell counts, grey images, shared
// lists, state images, the face layout, the arrow, presses, groups and the
// auto-repeat on the manual clock; and the small visual helpers.
#include <gtest/gtest.h>

#include "formstate/UxCtrls.h"
#include "formstate/VisUtils.h"
#include "platform/forms/TestInput.h"
#include "platform/forms/Timers.h"
#include "platform/graphics/Canvas.h"
#include "platform/rtl/Strings.h"
#include "tests/formstate/FormStateTestSupport.h"

namespace {

std::unique_ptr<TBitmap> glyph(int w, int h, TColor fill = clRed) {
  auto b = std::make_unique<TBitmap>(w, h, pf24bit);
  b->Canvas()->Brush()->SetColor(fill);
  b->Canvas()->FillRect(TRect(0, 0, w, h));
  return b;
}

} // namespace

TEST(GlyphPainter, CellCountsGreyAndSharedLists) {
  struct Row {
    int w, h, start, expected;
  };
  for (const Row& r :
       std::vector<Row>{{48, 16, 1, 3}, {96, 16, 2, 1}, {20, 16, 2, 2}, {16, 16, 4, 1}}) {
    TUxButtonGlyph painter;
    painter.SetNumGlyphs(r.start);
    auto g = glyph(r.w, r.h);
    painter.SetGlyph(g.get());
    EXPECT_EQ(painter.NumGlyphs(), r.expected) << r.w << "x" << r.h;
  }
  EXPECT_EQ(ColorToRGB(ToGray(RGB(255, 0, 0), clFuchsia)), RGB(76, 76, 76));
  EXPECT_EQ(ColorToRGB(ToGray(RGB(0, 255, 0), clFuchsia)), RGB(149, 149, 149));
  EXPECT_EQ(ToGray(clFuchsia, clFuchsia), clFuchsia);
  EXPECT_EQ(ToGray(clBtnFace, clFuchsia), clBtnFace);

  {
    TUxButtonGlyph a, b;
    auto g = glyph(32, 16); // two 16 x 16 cells
    a.SetGlyph(g.get());
    b.SetGlyph(g.get());
    const int up = a.BuildStateGlyph(TButtonState::bsUp);
    const int disabled = a.BuildStateGlyph(TButtonState::bsDisabled);
    EXPECT_EQ(a.BuildStateGlyph(TButtonState::bsDown), up); // fewer than 3 cells
    EXPECT_EQ(a.BuildStateGlyph(TButtonState::bsUp), up);   // built once
    const int other = b.BuildStateGlyph(TButtonState::bsUp);
    ASSERT_EQ(a.SharedList(), b.SharedList()); // one list per cell size
    EXPECT_EQ(a.SharedList()->UsedCount(), 3);
    EXPECT_NE(other, up);
    // The second cell is the disabled image; the up image is the first cell.
    EXPECT_EQ(
        ColorToRGB(const_cast<TBitmap*>(a.SharedList()->Image(disabled))->Canvas()->Pixels(3, 3)),
        RGB(255, 0, 0));
    a.ReleaseGlyphs();
    EXPECT_EQ(b.SharedList()->UsedCount(), 1);
    EXPECT_NE(b.SharedList()->Image(other), nullptr); // b's image stays
    EXPECT_EQ(SharedGlyphCache()->ListCount(), 1);
    const int reused = a.BuildStateGlyph(TButtonState::bsUp);
    EXPECT_LT(reused, 3); // a freed slot is used again
    EXPECT_EQ(b.SharedList()->Capacity(), 3);
  }
  EXPECT_EQ(SharedGlyphCache(), nullptr); // freed with the last painter
}

TEST(GlyphPainter, FaceLayoutTableAndArrow) {
  TUxButtonGlyph painter;
  auto g = glyph(16, 16);
  painter.SetGlyph(g.get());
  TBitmap surface(100, 60);
  TCanvas* c = surface.Canvas();
  struct Row {
    ux::TButtonLayout layout;
    int margin, spacing;
    TPoint glyphPos;
  };
  // Client 100 x 60 at (0, 0), no caption: the glyph is centred across the
  // axis; along it by margin (-1: centred).
  for (const Row& r : std::vector<Row>{{ux::TButtonLayout::blGlyphLeft, 4, 1, TPoint(4, 22)},
                                       {ux::TButtonLayout::blGlyphRight, 4, 1, TPoint(80, 22)},
                                       {ux::TButtonLayout::blGlyphTop, 4, 1, TPoint(42, 4)},
                                       {ux::TButtonLayout::blGlyphBottom, 4, 1, TPoint(42, 40)},
                                       {ux::TButtonLayout::blGlyphLeft, -1, 1, TPoint(42, 22)},
                                       {ux::TButtonLayout::blGlyphTop, -1, -1, TPoint(42, 22)}}) {
    std::string caption;
    const TFaceLayout l = painter.ComputeFaceLayout(c, TRect(0, 0, 100, 60), caption, r.layout,
                                                    r.margin, r.spacing, false, 0);
    EXPECT_EQ(l.GlyphPos, r.glyphPos) << int(r.layout) << " " << r.margin << " " << r.spacing;
  }
  // A caption wider than the room is shortened and ends in "...".
  std::string caption = "A very long caption for a small button";
  painter.ComputeFaceLayout(c, TRect(0, 0, 60, 60), caption, ux::TButtonLayout::blGlyphTop, -1, 1,
                            false, 0);
  EXPECT_EQ(caption.substr(caption.size() - 3), "...");
  EXPECT_LE(c->TextWidth(caption), 60);

  c->Brush()->SetColor(clWhite);
  c->FillRect(TRect(0, 0, 100, 60));
  DrawArrowMark(c, 10, 10, clBlack);
  std::vector<std::string> rows;
  for (int y = 8; y <= 12; ++y) {
    std::string row;
    for (int x = 9; x <= 17; ++x)
      row += ColorToRGB(c->Pixels(x, y)) == 0 ? '#' : '.';
    rows.push_back(row);
  }
  EXPECT_EQ(rows, (std::vector<std::string>{".........", ".#######.", "..#####..", "...###...",
                                            "....#...."}));
}

TEST(SpeedButton, PressMoveReleaseGroupsAndRepeat) {
  TTestEnvironment env;
  std::unique_ptr<TForm, TFormFree> form(new TForm(nullptr));
  form->SetBounds(0, 0, 300, 200);
  auto* b = new TUxSpeedButton(form.get());
  b->SetParent(form.get());
  b->SetBounds(10, 10, 40, 30);
  int clicks = 0;
  b->OnClick = [&](TPersistent*) { ++clicks; };
  form->Show();

  // Press, move out and in, release inside: one click.
  TestInput::MouseDown(form.get(), TMouseButton::mbLeft, 20, 20);
  EXPECT_EQ(b->State(), TButtonState::bsDown);
  TestInput::MouseMove(form.get(), 200, 150, TShiftState{TShiftStateItem::ssLeft});
  EXPECT_EQ(b->State(), TButtonState::bsUp);
  TestInput::MouseMove(form.get(), 25, 25, TShiftState{TShiftStateItem::ssLeft});
  EXPECT_EQ(b->State(), TButtonState::bsDown);
  TestInput::MouseUp(form.get(), TMouseButton::mbLeft, 25, 25);
  EXPECT_EQ(b->State(), TButtonState::bsUp);
  EXPECT_EQ(clicks, 1);
  // Released outside: no click.
  TestInput::MouseDown(form.get(), TMouseButton::mbLeft, 20, 20);
  TestInput::MouseUp(form.get(), TMouseButton::mbLeft, 200, 150);
  EXPECT_EQ(clicks, 1);

  // A group of three: the down state moves; without AllowAllUp the down
  // button stays down.
  std::vector<TUxSpeedButton*> group;
  for (int i = 0; i < 3; ++i) {
    auto* g = new TUxSpeedButton(form.get());
    g->SetParent(form.get());
    g->SetBounds(60 + 30 * i, 60, 25, 25);
    g->SetGroupIndex(1);
    group.push_back(g);
  }
  group[0]->SetDown(true);
  group[1]->SetDown(true);
  EXPECT_FALSE(group[0]->Down());
  EXPECT_TRUE(group[1]->Down());
  group[1]->SetDown(false);
  EXPECT_TRUE(group[1]->Down());
  TestInput::Click(form.get(), TMouseButton::mbLeft, 95, 70); // group[1] itself
  EXPECT_TRUE(group[1]->Down());
  group[2]->SetAllowAllUp(true); // told to the whole group
  EXPECT_TRUE(group[0]->AllowAllUp());
  group[1]->SetDown(false);
  EXPECT_FALSE(group[1]->Down());
  b->SetDown(true); // without a group index Down stays False
  EXPECT_FALSE(b->Down());

  // Auto-repeat: the first repeat after 500 ms, then every 100 ms, while
  // the pointer stays inside.
  TManualTimerClock clock;
  b->SetAllowTimer(true);
  clicks = 0;
  TestInput::MouseDown(form.get(), TMouseButton::mbLeft, 20, 20);
  clock.Advance(499);
  EXPECT_EQ(clicks, 0);
  clock.Advance(1);
  EXPECT_EQ(clicks, 1);
  clock.Advance(300);
  EXPECT_EQ(clicks, 4);
  TestInput::MouseMove(form.get(), 200, 150, TShiftState{TShiftStateItem::ssLeft});
  clock.Advance(300);
  EXPECT_EQ(clicks, 4);
  TestInput::MouseMove(form.get(), 20, 20, TShiftState{TShiftStateItem::ssLeft});
  clock.Advance(100);
  EXPECT_EQ(clicks, 5);
  TestInput::MouseUp(form.get(), TMouseButton::mbLeft, 20, 20);
  EXPECT_EQ(clicks, 6);
  clock.Advance(1000);
  EXPECT_EQ(clicks, 6);
}

TEST(SpeedButton, EdgePairsAndFlatFaces) {
  std::unique_ptr<TForm, TFormFree> form(new TForm(nullptr));
  form->SetBounds(0, 0, 100, 100);
  auto* b = new TUxSpeedButton(form.get());
  b->SetParent(form.get());
  b->SetBounds(0, 0, 20, 20);
  b->SetStyle(TButtonStyle::bsNew);
  TBitmap surface(20, 20);
  struct TEdges : TUxSpeedButton {
    using TUxSpeedButton::PaintButtonEdges;
  };
  auto edgesOf = [&](bool down, bool flat) {
    b->SetFlat(flat);
    surface.Canvas()->Brush()->SetColor(clWhite);
    surface.Canvas()->FillRect(TRect(0, 0, 20, 20));
    const TRect inner =
        (b->*(&TEdges::PaintButtonEdges))(surface.Canvas(), TRect(0, 0, 20, 20), down);
    return std::make_tuple(ColorToRGB(surface.Canvas()->Pixels(0, 5)),
                           ColorToRGB(surface.Canvas()->Pixels(19, 5)),
                           ColorToRGB(surface.Canvas()->Pixels(1, 5)), inner);
  };
  auto [l, r, l2, inner] = edgesOf(false, false);
  EXPECT_EQ(l, ColorToRGB(clBtnHighlight));
  EXPECT_EQ(r, ColorToRGB(clWindowFrame));
  EXPECT_EQ(l2, ColorToRGB(clBtnFace));
  EXPECT_EQ(inner, TRect(3, 3, 17, 17));
  std::tie(l, r, l2, inner) = edgesOf(true, false);
  EXPECT_EQ(l, ColorToRGB(clWindowFrame));
  EXPECT_EQ(r, ColorToRGB(clBtnHighlight));
  EXPECT_EQ(l2, ColorToRGB(clBtnShadow));
  std::tie(l, r, l2, inner) = edgesOf(false, true);
  EXPECT_EQ(l, ColorToRGB(clBtnHighlight));
  EXPECT_EQ(r, ColorToRGB(clBtnShadow));
  EXPECT_EQ(inner, TRect(2, 2, 18, 18));
  EXPECT_EQ(b->DropDownMenuOrigin(), TPoint(0, 0)); // no menu
}

TEST(VisUtils, ScreenFittingShorteningAndDisabledGlyphs) {
  TTestEnvironment env;
  struct Row {
    TRect in, out;
  };
  for (const Row& r : std::vector<Row>{{TRect(-10, 5, 90, 105), TRect(0, 5, 100, 105)},
                                       {TRect(1200, 0, 1300, 100), TRect(1180, 0, 1280, 100)},
                                       {TRect(0, 1000, 10, 1100), TRect(0, 924, 10, 1024)},
                                       {TRect(-5, -5, 2000, 2000), TRect(0, 0, 2005, 2005)}}) {
    TRect t = r.in;
    FitRectToScreen(t);
    EXPECT_EQ(t, r.out);
  }
  EXPECT_EQ(IntMax(3, -4), 3);
  EXPECT_EQ(IntMin(3, -4), -4);
  EXPECT_EQ(RectWidth(TRect(2, 3, 12, 8)), 10);
  EXPECT_EQ(RectHeight(TRect(2, 3, 12, 8)), 5);

  TBitmap b(10, 10);
  TCanvas* c = b.Canvas();
  EXPECT_EQ(ShortenTextToWidth("fits", c, 1000), "fits");
  EXPECT_EQ(ShortenTextToWidth("abcdef", c, 0), "...");
  const std::string text = "Grüße aus Žalec"; // cut on code points, never inside one
  for (int width = 0; width < c->TextWidth(text); width += 7) {
    const std::string s = ShortenTextToWidth(text, c, width);
    EXPECT_TRUE(IsValidUtf8(s)) << width;
    if (s != "...") {
      EXPECT_LE(c->TextWidth(s), width);
    }
  }
  const std::string first = ShortenTextToWidth("abcdefgh", c, c->TextWidth("abcdefgh") - 1);
  EXPECT_EQ(first, "abcdef..."); // the first shortening drops two characters

  // A disabled glyph, pixel by pixel on 4 x 4: black pixels embossed.
  TBitmap src(4, 4);
  src.Canvas()->Brush()->SetColor(clWhite);
  src.Canvas()->FillRect(TRect(0, 0, 4, 4));
  src.Canvas()->SetPixels(1, 1, clBlack);
  src.Canvas()->SetPixels(3, 3, clBlack);
  auto d = MakeDisabledGlyph(&src, clBlack);
  std::string pixels;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      const COLORREF p = ColorToRGB(d->Canvas()->Pixels(x, y));
      pixels += p == ColorToRGB(clBtnShadow)      ? 'S'
                : p == ColorToRGB(clBtnHighlight) ? 'H'
                : p == ColorToRGB(clBtnFace)      ? '.'
                                                  : '?';
    }
  EXPECT_EQ(pixels, "...."
                    ".S.."
                    "..H."
                    "...S");
}
