// The small control library: gradient bitmaps, glyph helpers, the control
// root's hooks and redraw triggers, styles and the check box.
#include <gtest/gtest.h>

#include "AppDefinitions.h"
#include "ControlsTestSupport.h"
#include "controls/zq/zqButtons.h"
#include "controls/zq/zqCheckCtrls.h"
#include "platform/forms/StdCtrls.h"
#include "platform/forms/Loading.h"
#include "platform/forms/Messages.h"
#include "platform/forms/TestInput.h"
#include "platform/rtl/Numerics.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/Ticks.h"

namespace {
COLORREF Px(TBitmap& b, int x, int y) {
  const std::uint8_t* p = b.ScanLine(y) + 3 * x;
  return RGB(p[2], p[1], p[0]);
}

/// A check box that counts its redraw requests.
class TCountingCheckbox : public TzqCheckbox {
public:
  using TzqCheckbox::TzqCheckbox;
  int Redraws = 0;
  void RedrawRequest() override {
    ++Redraws;
    TzqCheckbox::RedrawRequest();
  }
};
} // namespace

TEST(ZqCoreUtils, GradientColourTableRoundsHalfToEven) {
  // From 0 to 255 in 3 steps: 0, 127.5 -> 128, 255.
  TBitmap b;
  BuildGradientBitmap(30, 4, clBlack, clWhite, 3, 0, false, b);
  EXPECT_EQ(Px(b, 0, 0), 0u);
  EXPECT_EQ(Px(b, 10, 0), 0x808080u);
  EXPECT_EQ(Px(b, 29, 3), 0xFFFFFFu);
  // Directions 2 and 3 run the other way.
  BuildGradientBitmap(30, 4, clBlack, clWhite, 3, 2, false, b);
  EXPECT_EQ(Px(b, 0, 0), 0xFFFFFFu);
  EXPECT_EQ(Px(b, 29, 0), 0u);
}

TEST(ZqCoreUtils, GradientBandsFollowMulDiv) {
  // 64 steps over 20 rows: band i covers rows MulDiv(i, 20, 64) .. MulDiv(i + 1, 20, 64).
  TBitmap b;
  BuildGradientBitmap(8, 20, clBlack, 0xFC, 64, 1, false, b); // red 0 .. 252 by 4
  struct TRow {
    int y, red;
  } rows[] = {{0, 4}, {1, 16}, {2, 28}, {5, 68}, {19, 248}};
  // Row y shows the last band that starts at or before it.
  for (const TRow& row : rows) {
    int band = 0;
    for (int i = 0; i < 64; ++i)
      if (MulDiv(i, 20, 64) <= row.y && MulDiv(i + 1, 20, 64) > row.y) band = i;
    EXPECT_EQ(int(GetRValue(Px(b, 3, row.y))), band * 4) << row.y;
    EXPECT_EQ(band * 4, row.red) << row.y;
  }
}

TEST(ZqCoreUtils, DitherIsCopiedAcrossEvery16Columns) {
  SetRandSeed(1234);
  for (auto [w, h] : {std::pair{71, 19}, std::pair{20, 20}, std::pair{11, 11}}) {
    TBitmap b;
    BuildGradientBitmap(w, h, clBlack, clWhite, 64, 1, true, b);
    ASSERT_EQ(b.Width(), w);
    for (int y = 0; y < h; ++y)
      for (int x = 16; x < w; ++x)
        EXPECT_EQ(Px(b, x, y), Px(b, x - 16, y)) << w << "x" << h << " at " << x << "," << y;
  }
  // Across, the first 16 rows are copied down.
  TBitmap across;
  BuildGradientBitmap(40, 37, clBlack, clWhite, 8, 0, true, across);
  for (int y = 16; y < 37; ++y)
    for (int x = 0; x < 40; ++x)
      ASSERT_EQ(Px(across, x, y), Px(across, x, y - 16));
}

TEST(ZqCoreUtils, FewerThanTwoStepsGiveOneBand) {
  TBitmap b;
  BuildGradientBitmap(10, 10, clRed, clBlue, 1, 0, true, b);
  EXPECT_EQ(Px(b, 9, 9), 0x0000FFu);
  BuildGradientBitmap(10, 10, clRed, clBlue, 0, 1, true, b);
  EXPECT_EQ(Px(b, 0, 0), 0x0000FFu);
}

TEST(ZqCoreUtils, GrayGlyphAndRecolor) {
  auto b = FilledBitmap(3, 1, clBlack);
  b->Canvas()->SetPixels(1, 0, TColor(RGB(156, 156, 156)));
  b->Canvas()->SetPixels(2, 0, TColor(RGB(30, 60, 90)));
  GrayGlyph(*b);
  EXPECT_EQ(b->Canvas()->Pixels(0, 0), TColor(RGB(100, 100, 100)));
  EXPECT_EQ(b->Canvas()->Pixels(1, 0), clWhite);
  EXPECT_EQ(b->Canvas()->Pixels(2, 0), TColor(RGB(160, 160, 160)));
  auto mark = CheckMarkBitmap();
  RecolorBlack(*mark, 0x21A621);
  EXPECT_EQ(mark->Canvas()->Pixels(6, 0), TColor(0x21A621));
  EXPECT_EQ(mark->Canvas()->Pixels(0, 0), clSilver);
}

TEST(ZqCoreUtils, TextFlagsAndMeasuringAnEmptyCaption) {
  EXPECT_EQ(TextFormatFlags(0, true), UINT(DT_END_ELLIPSIS | DT_LEFT | DT_WORDBREAK));
  EXPECT_EQ(TextFormatFlags(2, false), UINT(DT_END_ELLIPSIS | DT_CENTER | DT_SINGLELINE));
  auto b = FilledBitmap(50, 50, clWhite);
  TFont font;
  TRect empty(0, 0, 40, 40), space(0, 0, 40, 40);
  DrawEtchedText(nullptr, b->Canvas(), "", font, true, true, empty, DT_CALCRECT);
  DrawEtchedText(nullptr, b->Canvas(), " ", font, true, true, space, DT_CALCRECT);
  EXPECT_EQ(empty, space);
  EXPECT_GT(empty.Bottom, 5);
}

TEST(ZqCoreUtils, BoundLines) {
  auto b = FilledBitmap(10, 10, clWhite);
  StrokeBoundLines(b->Canvas(), {TzqBoundLine::blBottom}, clBlack, TRect(0, 0, 10, 10));
  for (int x = 0; x < 10; ++x)
    EXPECT_EQ(b->Canvas()->Pixels(x, 9), clBlack);
  EXPECT_EQ(b->Canvas()->Pixels(0, 8), clWhite);
}

TEST(ZqCheckbox, PaintsTheBoxAndTheMark) {
  THostForm host(200, 100, clBtnFace);
  // Away from the screen's corner, where the pointer rests: the face is the
  // normal one, not the one under the pointer.
  host.form->SetBounds(60, 60, 200, 100);
  auto* box = host.Add<TzqCheckbox>(0, 0, 120, 17);
  box->SetChecked(true);
  host.Show();
  UpdateWindow(box->Handle());
  // The box: rows 2 .. 14 at x 2 .. 14 in $845118.
  EXPECT_EQ(WindowPixel(box, 2, 2), 0x845118u);
  EXPECT_EQ(WindowPixel(box, 2, 14), 0x845118u);
  EXPECT_EQ(WindowPixel(box, 14, 8), 0x845118u);
  EXPECT_NE(WindowPixel(box, 2, 15), 0x845118u);
  // The mark at (5, 5): its first row has one pixel at (11, 5).
  EXPECT_EQ(WindowPixel(box, 11, 5), 0x21A621u);
  EXPECT_EQ(WindowPixel(box, 5, 7), 0x21A621u);
  EXPECT_NE(WindowPixel(box, 5, 5), 0x21A621u);
  // The normal face's top row is white.
  EXPECT_EQ(WindowPixel(box, 4, 3), 0xFFFFFFu);
  box->SetChecked(false);
  UpdateWindow(box->Handle());
  EXPECT_NE(WindowPixel(box, 11, 5), 0x21A621u);
}

TEST(ZqCheckbox, ClicksToggleSpaceDoesNotAcceleratorDoes) {
  THostForm host;
  auto* box = host.Add<TzqCheckbox>(0, 0, 120, 17);
  box->SetCaption("&Stay");
  TSpy spy;
  box->OnClick = spy.Note("click");
  host.Show();
  host.form->SetModalResult(mrOk);
  TestInput::Click(box, TMouseButton::mbLeft, 5, 5);
  EXPECT_TRUE(box->Checked());
  EXPECT_EQ(spy.Log.size(), 1u);
  EXPECT_EQ(host.form->ModalResult(), 0);
  EXPECT_TRUE(host.form->Visible()); // a non-modal form stays open

  TestInput::KeyDown(box, VK_SPACE, {}, " ");
  TestInput::KeyUp(box, VK_SPACE);
  EXPECT_TRUE(box->Checked());

  // Alt + the accelerator toggles; without Alt only when focused.
  const LPARAM alt = 0x20000000;
  host.form->SetFocus();
  box->Perform(CM_DIALOGCHAR, 's', alt);
  EXPECT_FALSE(box->Checked());
  EXPECT_EQ(spy.Log.size(), 2u);
  EXPECT_EQ(box->Perform(CM_DIALOGCHAR, 'x', alt), 0);
  EXPECT_FALSE(box->Checked());

  // Setting Checked in code raises nothing.
  box->SetChecked(true);
  EXPECT_EQ(spy.Log.size(), 2u);
}

TEST(ZqCheckbox, RedrawTriggers) {
  THostForm host;
  auto* box = host.Add<TCountingCheckbox>(0, 0, 120, 17);
  host.Show();
  struct TRow {
    const char* name;
    std::function<void()> act;
    bool redraws;
  } rows[] = {
      {"mouse enter", [&] { box->Perform(CM_MOUSEENTER); }, true},
      {"mouse leave", [&] { box->Perform(CM_MOUSELEAVE); }, true},
      {"mouse move", [&] { box->Perform(WM_MOUSEMOVE, 0, 0); }, false},
      {"caption", [&] { box->SetCaption("x"); }, true},
      {"enabled", [&] { box->SetEnabled(false); }, true},
      {"parent colour", [&] { box->Perform(CM_PARENTCOLORCHANGED); }, true},
      {"parent font", [&] { box->Perform(CM_PARENTFONTCHANGED); }, false},
      {"moved", [&] { box->Perform(WM_WINDOWPOSCHANGED); }, false},
      {"border", [&] { box->Perform(CM_BORDERCHANGED); }, false},
  };
  for (const TRow& row : rows) {
    box->Redraws = 0;
    row.act();
    EXPECT_EQ(box->Redraws > 0, row.redraws) << row.name;
  }
  // Locked updates: nothing until the end, which invalidates once.
  box->BeginUpdate();
  box->Redraws = 0;
  box->SetChecked(true);
  box->SetSpacing(7);
  EXPECT_EQ(box->Redraws, 2); // requested, but ignored while locked
  box->EndUpdate();
  EXPECT_EQ(box->Redraws, 3);
}

TEST(ZqCheckbox, ReleasingOverANeighbourMakesItHot) {
  THostForm host;
  auto* a = host.Add<TzqCheckbox>(0, 0, 100, 17);
  auto* b = host.Add<TzqCheckbox>(0, 30, 100, 17);
  host.Show();
  TestInput::MouseDown(a, TMouseButton::mbLeft, 5, 5);
  EXPECT_TRUE(a->DrawState().Contains(TzqDrawStateItem::dsPressed));
  Mouse()->SetCursorPos(b->ClientToScreen(TPoint(5, 5)));
  // The release arrives at the captured control, outside it.
  TestInput::MouseUp(a, TMouseButton::mbLeft, 5, 35);
  EXPECT_FALSE(a->DrawState().Contains(TzqDrawStateItem::dsPressed));
  EXPECT_TRUE(b->DrawState().Contains(TzqDrawStateItem::dsHot));
  EXPECT_FALSE(a->Checked()); // released outside: no click
}

TEST(ZqStyles, ManagerThemeBeforeRedrawsAndEitherFreeingOrder) {
  THostForm host;
  auto* box = host.Add<TCountingCheckbox>(0, 0, 100, 17);
  auto* manager = new TzqStyleManager(nullptr); // on no form at all
  box->SetStyleManager(manager);
  std::vector<std::string> order;
  manager->OnThemeChanged = [&](TPersistent*) {
    order.push_back("theme " + IntToStr(box->Redraws));
  };
  box->Redraws = 0;
  manager->SetTheme(TzqTheme::OfficeXP);
  EXPECT_EQ(order, (std::vector<std::string>{"theme 0"}));
  EXPECT_EQ(box->Redraws, 1);
  EXPECT_EQ(box->Style()->EffectiveTheme(), TzqTheme::OfficeXP);
  box->Style()->SetUseStyleManager(false);
  EXPECT_EQ(box->Style()->EffectiveTheme(), TzqTheme::WindowsXP);
  box->Redraws = 0;
  box->Style()->SetTheme(TzqTheme::WindowsXP); // unchanged: no redraw
  EXPECT_EQ(box->Redraws, 0);
  delete manager; // the control forgets it
  EXPECT_EQ(box->StyleManager(), nullptr);

  auto* other = new TzqStyleManager(nullptr);
  auto* gone = host.Add<TzqCheckbox>(0, 30, 100, 17);
  gone->SetStyleManager(other);
  delete gone; // the manager forgets it
  EXPECT_TRUE(other->Controls().empty());
  other->SetTheme(TzqTheme::OfficeXP);
  delete other;
}

TEST(ZqCheckbox, AppCheckBoxesFromTheirDefinition) {
  THostForm host;
  ReadDefinition(host.form, kCheckBoxesDefinition);
  for (const char* name : {"Cstayontop", "cdescr"}) {
    auto* box = dynamic_cast<TzqCheckbox*>(host.form->FindComponent(name));
    ASSERT_NE(box, nullptr) << name;
    EXPECT_TRUE(box->Checked()) << name;
    EXPECT_EQ(box->Height(), 17) << name;
  }
  EXPECT_NE(host.form->FindComponent("zqStyleManager1"), nullptr);
}

// ---- the button ----------------------------------------------------------------------------

namespace {
struct TZqButtonHost {
  THostForm host{240, 120, clWhite};
  TzqButton* button;
  int clicks = 0;
  TZqButtonHost() {
    button = host.Add<TzqButton>(20, 20, 73, 21);
    button->SetCaption("Apply");
    button->OnClick = [this](TPersistent*) { ++clicks; };
  }
  /// The bounding box of pixels in `colour`.
  TRect Box(COLORREF colour) {
    TRect box(1 << 20, 1 << 20, -1, -1);
    UpdateWindow(button->Handle());
    for (int y = 0; y < button->Height(); ++y)
      for (int x = 0; x < button->Width(); ++x)
        if (WindowPixel(button, x, y) == colour) {
          box.Left = std::min(box.Left, x);
          box.Top = std::min(box.Top, y);
          box.Right = std::max(box.Right, x + 1);
          box.Bottom = std::max(box.Bottom, y + 1);
        }
    return box;
  }
};
} // namespace

TEST(ZqButton, DefaultsFacesAndOutline) {
  TZqButtonHost b;
  TzqButton* button = b.button;
  TzqButton fresh(nullptr);
  EXPECT_EQ(fresh.Width(), 73);
  EXPECT_EQ(fresh.Height(), 21);
  EXPECT_TRUE(fresh.TabStop());
  EXPECT_TRUE(fresh.AutoGray());
  EXPECT_TRUE(fresh.SmoothEdges());
  EXPECT_EQ(fresh.Spacing(), 3);
  EXPECT_EQ(fresh.ImageIndex(), -1);
  EXPECT_FALSE(fresh.ControlStyle().Contains(TControlStyleItem::csDoubleClicks));
  // Faces from the last sizing: normal (W - 2) x (H - 2) while not highlighted.
  button->SetBounds(20, 20, 80, 24);
  EXPECT_EQ(button->NormalFace()->Width(), 78);
  EXPECT_EQ(button->NormalFace()->Height(), 22);
  for (const TBitmap* face : {button->PressedFace(), button->FocusFace(), button->HotFace()}) {
    EXPECT_EQ(face->Width(), 78);
    EXPECT_EQ(face->Height(), 22);
  }
  b.host.Show();
  // Outline in $733800, softened corners in $AD9E7B; disabled both $BDC7CE.
  EXPECT_EQ(WindowPixel(button, 40, 0), 0x733800u);
  EXPECT_EQ(WindowPixel(button, 0, 1), 0xAD9E7Bu);
  button->SetEnabled(false);
  UpdateWindow(button->Handle());
  EXPECT_EQ(WindowPixel(button, 40, 0), 0xBDC7CEu);
  EXPECT_EQ(WindowPixel(button, 0, 1), 0xBDC7CEu);
}

TEST(ZqButton, CaptionCentredGlyphBesideItEtchedAndGreyWhenDisabled) {
  TZqButtonHost b;
  TzqButton* button = b.button;
  button->SetBounds(20, 20, 100, 30);
  b.host.Show();
  const TRect text = b.Box(0x000000);
  ASSERT_GT(text.Right, 0);
  EXPECT_NEAR((text.Left + text.Right) / 2.0, 50, 2);
  EXPECT_NEAR((text.Top + text.Bottom) / 2.0, 15, 3);
  // A glyph on the left moves the caption right by half its room.
  auto glyph = FilledBitmap(16, 16, clRed);
  glyph->Canvas()->SetPixels(0, 15, clWhite); // the transparent corner
  button->SetGlyph(glyph.get());
  const TRect red = b.Box(0x0000FF);
  const TRect moved = b.Box(0x000000);
  EXPECT_EQ(red.Right - red.Left, 16);
  EXPECT_EQ(red.Top, (30 - 16) / 2);
  // The glyph stands Spacing (3) pixels left of the caption's box.
  EXPECT_GE(moved.Left - red.Right, 3);
  EXPECT_LE(moved.Left - red.Right, 5);
  EXPECT_GT(moved.Left, text.Left);
  // Disabled: the caption etched (a white copy one pixel down and right,
  // the shadow copy over it), the glyph turned light grey.
  button->SetEnabled(false);
  EXPECT_EQ(b.Box(0x000000).Right, -1);
  EXPECT_GT(b.Box(0x808080).Right, 0);
  EXPECT_EQ(b.Box(0x0000FF).Right, -1);
  EXPECT_GT(b.Box(RGB(185, 185, 185)).Right, 0); // red 255/3 = 85 + 100
}

TEST(ZqButton, SpaceEnterEscapeAndTheMouse) {
  TZqButtonHost b;
  TzqButton* button = b.button;
  b.host.Show();
  button->SetFocus();
  Mouse()->SetCursorPos(button->ClientToScreen(TPoint(200, 200)));
  TestInput::KeyDown(button, VK_SPACE, {}, " ");
  EXPECT_TRUE(button->DrawState().Contains(TzqDrawStateItem::dsPressed));
  EXPECT_EQ(b.clicks, 0);
  TestInput::KeyUp(button, VK_SPACE);
  EXPECT_EQ(b.clicks, 1);
  EXPECT_FALSE(button->DrawState().Contains(TzqDrawStateItem::dsPressed));
  EXPECT_FALSE(button->DrawState().Contains(TzqDrawStateItem::dsHot)); // the pointer is away
  struct TRow {
    const char* name;
    WPARAM key;
    bool cancel;
    LRESULT result;
  } rows[] = {{"Enter while focused", VK_RETURN, false, 1},
              {"Escape without Cancel", VK_ESCAPE, false, 0},
              {"Escape with Cancel", VK_ESCAPE, true, 1},
              {"another key", 'A', true, 0}};
  for (const TRow& row : rows) {
    b.clicks = 0;
    button->SetCancel(row.cancel);
    EXPECT_EQ(button->Perform(CM_DIALOGKEY, row.key, 0), row.result) << row.name;
    EXPECT_EQ(b.clicks, int(row.result)) << row.name;
  }
  // Pressed and dragged off: highlighted (pressed, not hot); no click outside.
  b.clicks = 0;
  TestInput::MouseDown(button, TMouseButton::mbLeft, 10, 10);
  button->Perform(CM_MOUSELEAVE, 0, 0);
  EXPECT_TRUE(button->HighlightedIgnoringDefault());
  TestInput::MouseUp(button, TMouseButton::mbLeft, 200, 10);
  EXPECT_EQ(b.clicks, 0);
}

TEST(ZqButton, DefaultRingWhileAnotherLibraryHasNoFocus) {
  TZqButtonHost b;
  TzqButton* button = b.button;
  auto* edit = new TEdit(b.host.form);
  edit->SetParent(b.host.form);
  edit->SetBounds(20, 60, 80, 21);
  auto* box = b.host.Add<TzqCheckbox>(120, 60, 100, 17);
  b.host.Show();
  edit->SetFocus();
  button->SetDefault(true);
  EXPECT_TRUE(button->Highlighted());
  EXPECT_FALSE(button->HighlightedIgnoringDefault());
  // The ring: the focus face's top row shows at (1, 1).
  UpdateWindow(button->Handle());
  EXPECT_EQ(WindowPixel(button, 30, 1), RGB(0xCE, 0xE7, 0xFF));
  // Enter reaches the default button from elsewhere.
  b.clicks = 0;
  EXPECT_EQ(button->Perform(CM_DIALOGKEY, VK_RETURN, 0), 1);
  EXPECT_EQ(b.clicks, 1);
  box->SetFocus();
  EXPECT_TRUE(button->SiblingFlag());
  EXPECT_FALSE(button->Highlighted());
  UpdateWindow(button->Handle());
  EXPECT_NE(WindowPixel(button, 30, 1), RGB(0xCE, 0xE7, 0xFF));
  EXPECT_EQ(button->Perform(CM_DIALOGKEY, VK_RETURN, 0), 0);
}
