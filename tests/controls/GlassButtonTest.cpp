// The glass button: its down state and groups, the states under the mouse,
// hover polling, the keyboard, the key tip and its window, the hint info,
// and its painting (glass body, glow, shine, symbols, caption and picture)
// probed by pixel on a coloured parent.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "ControlsTestSupport.h"
#include "controls/OwGlassButton.h"
#include "controls/OwPaintUtil.h"
#include "platform/forms/Loading.h"
#include "platform/forms/Messages.h"
#include "platform/forms/TestInput.h"
#include "platform/forms/Timers.h"

namespace {
constexpr TColor kMap = 0x00804000; // the parent's colour: blue 0x80, green 0x40

/// A form of the map's colour with glass buttons on it.
struct TGlass {
  THostForm host{300, 120, kMap};
  TOwGlassButton* Add(int left = 10, int top = 10, int width = 127, int height = 21) {
    return host.Add<TOwGlassButton>(left, top, width, height);
  }
};

/// The application's button: 127 x 21, silver, radius 8, Tahoma -11.
TOwGlassButton* AppButton(TGlass& g, int left = 10, int top = 10) {
  TOwGlassButton* b = g.Add(left, top);
  b->SetCaption("podatki niso na voljo");
  b->SetBackColor(clSilver);
  b->SetCornerRadius(8);
  b->Font()->SetName("Tahoma");
  b->Font()->SetHeight(-11);
  b->SetForeColor(clWhite);
  b->SetGlowColor(16760205);
  b->SetInnerBorderColor(clBlack);
  b->SetOuterBorderColor(clWhite);
  b->SetShineColor(clWhite);
  return b;
}

/// The button's client pixels after a full repaint.
std::vector<COLORREF> Shot(TOwGlassButton* b) {
  b->Invalidate();
  UpdateWindow(b->Handle());
  std::vector<COLORREF> px;
  for (int y = 0; y < b->ClientHeight(); ++y)
    for (int x = 0; x < b->ClientWidth(); ++x)
      px.push_back(WindowPixel(b, x, y));
  return px;
}

int Channel(COLORREF c, int shift) {
  return int((c >> shift) & 0xFF);
}
bool Near(COLORREF a, COLORREF b, int tolerance) {
  for (int s : {0, 8, 16})
    if (std::abs(Channel(a, s) - Channel(b, s)) > tolerance) return false;
  return true;
}

/// The pixels where two shots differ, as their bounding box and their colours.
struct TDiff {
  TRect Box{1 << 20, 1 << 20, -1, -1};
  std::vector<COLORREF> Colours; // of `after`
  std::vector<int> Rows;         // rows with a difference
};
TDiff Difference(const std::vector<COLORREF>& before, const std::vector<COLORREF>& after,
                 int width) {
  TDiff d;
  for (std::size_t i = 0; i < before.size(); ++i) {
    if (before[i] == after[i]) continue;
    const int x = int(i) % width, y = int(i) / width;
    d.Box.Left = std::min(d.Box.Left, x);
    d.Box.Top = std::min(d.Box.Top, y);
    d.Box.Right = std::max(d.Box.Right, x + 1);
    d.Box.Bottom = std::max(d.Box.Bottom, y + 1);
    d.Colours.push_back(after[i]);
    if (d.Rows.empty() || d.Rows.back() != y) d.Rows.push_back(y);
  }
  return d;
}

/// The height the rows with text span, first to last.
int Span(const std::vector<int>& rows) {
  return rows.empty() ? 0 : rows.back() - rows.front() + 1;
}
} // namespace

// ---- the down state and groups ---------------------------------------------------------------

TEST(GlassButton, WritingDownFollowsStyleAndGroup) {
  TGlass g;
  struct TRow {
    const char* name;
    int group;
    TOwToolButtonStyle style;
    bool allowAllUp;
    std::vector<bool> writes, expected;
  } rows[] = {
      {"plain button stays up", 0, TOwToolButtonStyle::tasButton, false, {true}, {false}},
      {"check toggles freely", 0, TOwToolButtonStyle::tasCheck, false, {true, false}, {true, false}},
      {"group button latches", 1, TOwToolButtonStyle::tasButton, false, {true}, {true}},
      {"down group button stays down", 1, TOwToolButtonStyle::tasButton, false, {true, false},
       {true, true}},
      {"all-up lets it go", 1, TOwToolButtonStyle::tasButton, true, {true, false}, {true, false}},
  };
  for (const TRow& row : rows) {
    TOwGlassButton* b = g.Add();
    b->SetGroupIndex(row.group);
    b->SetStyle(row.style);
    b->SetAllowAllUp(row.allowAllUp);
    for (std::size_t i = 0; i < row.writes.size(); ++i) {
      b->SetDown(row.writes[i]);
      EXPECT_EQ(b->Down(), row.expected[i]) << row.name << ", write " << i;
    }
    if (row.style == TOwToolButtonStyle::tasCheck) {
      EXPECT_EQ(b->State(), gbsUp) << row.name;
    }
    delete b;
  }
}

TEST(GlassButton, PressingAGroupButtonReleasesTheOther) {
  TGlass g;
  TOwGlassButton* b[3];
  int clicks[3] = {0, 0, 0};
  for (int i = 0; i < 3; ++i) {
    b[i] = g.Add(10 + 70 * i, 10, 60, 21);
    b[i]->SetGroupIndex(1);
    b[i]->OnClick = [&clicks, i](TPersistent*) { ++clicks[i]; };
  }
  g.host.Show();
  TestInput::Click(b[0], TMouseButton::mbLeft, 5, 5);
  EXPECT_TRUE(b[0]->Down());
  EXPECT_EQ(b[0]->State(), gbsLatched);
  TestInput::Click(b[2], TMouseButton::mbLeft, 5, 5);
  EXPECT_FALSE(b[0]->Down());
  EXPECT_EQ(b[0]->State(), gbsUp);
  EXPECT_TRUE(b[2]->Down());
  // Pressing the down button again does nothing...
  TestInput::Click(b[2], TMouseButton::mbLeft, 5, 5);
  EXPECT_TRUE(b[2]->Down());
  // ...unless the group may be all up (which the others learn from it).
  b[2]->SetAllowAllUp(true);
  EXPECT_TRUE(b[0]->AllowAllUp());
  TestInput::Click(b[2], TMouseButton::mbLeft, 5, 5);
  EXPECT_FALSE(b[2]->Down());
  EXPECT_EQ(clicks[0], 1);
  EXPECT_EQ(clicks[1], 0);
  EXPECT_EQ(clicks[2], 3);
}

TEST(GlassButton, CheckStyleTogglesOnEveryClickAndLeavesOthersAlone) {
  TGlass g;
  TOwGlassButton* check = g.Add(10, 10, 60, 21);
  check->SetStyle(TOwToolButtonStyle::tasCheck);
  TOwGlassButton* other = g.Add(80, 10, 60, 21);
  other->SetStyle(TOwToolButtonStyle::tasCheck);
  other->SetDown(true);
  g.host.Show();
  for (bool expected : {true, false, true}) {
    TestInput::Click(check, TMouseButton::mbLeft, 5, 5);
    EXPECT_EQ(check->Down(), expected);
    EXPECT_TRUE(other->Down());
  }
}

TEST(GlassButton, DownReadFromAStoredFormIsAppliedOnceLoaded) {
  // Down comes before GroupIndex in the stored order; the end of loading
  // writes it again.
  TGlass g;
  ReadDefinition(g.host.form, R"(object Host: TForm
  object b1: TOwGlassButton
    Left = 10
    Top = 10
    Width = 60
    Height = 21
    Down = True
    GroupIndex = 2
  end
end
)");
  auto* b = dynamic_cast<TOwGlassButton*>(g.host.form->FindComponent("b1"));
  ASSERT_NE(b, nullptr);
  EXPECT_TRUE(b->Down());
  EXPECT_EQ(b->State(), gbsLatched);
}

TEST(GlassButton, MovingOutAndBackWhilePressed) {
  TGlass g;
  TOwGlassButton* b = g.Add();
  int clicks = 0;
  b->OnClick = [&](TPersistent*) { ++clicks; };
  g.host.Show();
  TestInput::MouseDown(b, TMouseButton::mbLeft, 10, 10);
  EXPECT_EQ(b->State(), gbsPressed);
  EXPECT_TRUE(b->Tracking());
  const TShiftState left{TShiftStateItem::ssLeft};
  struct TStep {
    int x, y;
    std::uint8_t state;
  } steps[] = {{200, 10, gbsUp}, {10, 10, gbsPressed}, {10, 21, gbsPressed}, {10, 22, gbsUp},
               {-1, 5, gbsUp},   {126, 5, gbsPressed}, {127, 5, gbsUp}};
  for (const TStep& s : steps) {
    TestInput::MouseMove(b, s.x, s.y, left);
    EXPECT_EQ(b->State(), s.state) << s.x << "," << s.y;
  }
  TestInput::MouseUp(b, TMouseButton::mbLeft, 200, 10);
  EXPECT_EQ(clicks, 0);
  EXPECT_FALSE(b->Tracking());
  EXPECT_FALSE(b->PressedFlag());
  TestInput::Click(b, TMouseButton::mbLeft, 10, 10);
  EXPECT_EQ(clicks, 1);
}

TEST(GlassButton, HoverEndsAtTheNextTickWithoutALeaveMessage) {
  TManualTimerClock clock;
  TGlass g;
  TOwGlassButton* b = g.Add();
  TSpy spy;
  b->OnMouseEnter = spy.Note("enter");
  b->OnMouseLeave = spy.Note("leave");
  g.host.Show();
  Mouse()->SetCursorPos(b->ClientToScreen(TPoint(5, 5)));
  b->Perform(CM_MOUSEENTER, 0, 0);
  EXPECT_TRUE(b->Hovering());
  EXPECT_TRUE(b->HoverTimer()->Running());
  clock.Advance(5); // still over the button
  EXPECT_TRUE(b->Hovering());
  Mouse()->SetCursorPos(b->ClientToScreen(TPoint(150, 5)));
  clock.Advance(1);
  EXPECT_FALSE(b->Hovering());
  EXPECT_FALSE(b->HoverTimer()->Running());
  EXPECT_EQ(spy.Log, std::vector<std::string>({"enter"}));
  // A move while neither tracking nor hovering asks who is under the cursor.
  Mouse()->SetCursorPos(b->ClientToScreen(TPoint(5, 5)));
  TestInput::MouseMove(b, 5, 5);
  EXPECT_TRUE(b->Hovering());
  Mouse()->SetCursorPos(b->ClientToScreen(TPoint(150, 5)));
  b->RecheckHover();
  EXPECT_FALSE(b->Hovering());
  EXPECT_EQ(spy.Log, std::vector<std::string>({"enter", "enter", "leave"}));
}

TEST(GlassButton, KeyboardAndCommandsClick) {
  TGlass g;
  TOwGlassButton* b = g.Add();
  b->SetCaption("&Open");
  b->SetTabStop(true);
  int clicks = 0;
  b->OnClick = [&](TPersistent*) { ++clicks; };
  g.host.Show();
  b->SetFocus();
  struct TRow {
    const char* name;
    UINT msg;
    WPARAM w;
    LRESULT result;
    int clicks;
  } rows[] = {
      {"accelerator", CM_DIALOGCHAR, 'o', 1, 1},   {"other letter", CM_DIALOGCHAR, 'p', 0, 0},
      {"Enter", CM_DIALOGKEY, VK_RETURN, 1, 1},    {"Escape", CM_DIALOGKEY, VK_ESCAPE, 0, 0},
      {"command code 0", CN_COMMAND, 0, 0, 1},     {"command code 1", CN_COMMAND, 0x10000, 0, 0},
  };
  for (const TRow& row : rows) {
    clicks = 0;
    EXPECT_EQ(b->Perform(row.msg, row.w, 0), row.result) << row.name;
    EXPECT_EQ(clicks, row.clicks) << row.name;
  }
  clicks = 0;
  TestInput::KeyDown(b, VK_SPACE, {}, " ");
  TestInput::KeyUp(b, VK_SPACE);
  EXPECT_EQ(clicks, 1);
  // Enter goes to the focused button only.
  TOwGlassButton* other = g.Add(10, 50);
  clicks = 0;
  other->OnClick = [&](TPersistent*) { clicks += 10; };
  EXPECT_EQ(other->Perform(CM_DIALOGKEY, VK_RETURN, 0), 0);
  EXPECT_EQ(clicks, 0);
}

TEST(GlassButton, SettingRules) {
  TGlass g;
  TOwGlassButton* b = g.Add();
  EXPECT_EQ(b->Version(), "1.0.1.0");
  b->SetVersion("9.9");
  EXPECT_EQ(b->Version(), "1.0.1.0");
  b->SetCornerRadius(-1);
  EXPECT_EQ(b->CornerRadius(), 4);
  b->SetCornerRadius(30);
  EXPECT_EQ(b->CornerRadius(), 30); // only the designer limits it
  // Defaults of a new button.
  TOwGlassButton fresh(nullptr);
  EXPECT_EQ(fresh.Width(), 100);
  EXPECT_EQ(fresh.Height(), 32);
  EXPECT_EQ(fresh.Font()->Name(), "Tahoma");
  EXPECT_EQ(fresh.BackColor(), clBlack);
  EXPECT_EQ(fresh.GlowColor(), TColor(0x00FFBD8D));
  EXPECT_EQ(fresh.ShortCutHintPos(), TShortCutHintPos::shpTop);
  EXPECT_FALSE(fresh.HoverTimer()->Enabled());
  EXPECT_EQ(fresh.HoverTimer()->Interval(), 1u);
}

TEST(GlassButton, DesignTimeRadiusIsAtMostHalfTheHeight) {
  class TDesignedButton : public TOwGlassButton {
  public:
    using TOwGlassButton::TOwGlassButton;
    void SetDesigning() { state_.Include(TComponentStateItem::csDesigning); }
  };
  TDesignedButton b(nullptr);
  b.SetBounds(0, 0, 100, 21);
  b.SetDesigning();
  b.SetCornerRadius(30);
  EXPECT_EQ(b.CornerRadius(), 10);
}

TEST(GlassButton, KeyTipPlacesItselfAroundTheButton) {
  TGlass g;
  g.host.form->SetBounds(100, 100, 300, 120);
  TOwGlassButton* b = g.Add(40, 30, 100, 30);
  b->SetShortCutHint("O");
  g.host.Show();
  const TPoint o = b->ClientToScreen(TPoint(0, 0));
  EXPECT_EQ(b->Perform(CM_HINTSHOW, 1, 1), 1);
  TShortCutHintWindow* tip = b->KeyTip();
  ASSERT_NE(tip, nullptr);
  EXPECT_EQ(tip->Caption(), "O");
  const int kw = tip->Width(), kh = tip->Height();
  EXPECT_GE(kw, tip->MinimumWidth());
  struct TRow {
    TShortCutHintPos pos;
    TPoint at;
  } rows[] = {
      {TShortCutHintPos::shpLeft, {o.x - kw / 2, o.y + (30 - kh) / 2}},
      {TShortCutHintPos::shpTop, {o.x + (100 - kw) / 2, o.y - kh / 2}},
      {TShortCutHintPos::shpRight, {o.x + 100 - kw / 2, o.y + (30 - kh) / 2}},
      {TShortCutHintPos::shpBottom, {o.x + (100 - kw) / 2, o.y + 30 - kh / 2}},
      {TShortCutHintPos::shpCenter, {o.x + (100 - kw) / 2, o.y + 30 - kh / 2}}, // where it was
  };
  for (const TRow& row : rows) {
    b->SetShortCutHintPos(row.pos);
    b->Perform(CM_HINTSHOW, 1, 1);
    ASSERT_EQ(b->KeyTip(), tip); // made once
    EXPECT_EQ(TPoint(tip->Left(), tip->Top()), row.at) << int(row.pos);
    EXPECT_TRUE(tip->IsShown());
  }
  EXPECT_EQ(b->Perform(CM_HINTSHOW, 1, 0), 1);
  EXPECT_EQ(b->KeyTip(), nullptr);
  // Without a parent nothing is shown.
  TOwGlassButton loose(nullptr);
  EXPECT_EQ(loose.Perform(CM_HINTSHOW, 1, 1), 1);
  EXPECT_EQ(loose.KeyTip(), nullptr);
}

// ---- the key-tip window and the hint info -------------------------------------------------------

TEST(ShortCutHintWindow, GradientTextAndMinimumWidth) {
  TShortCutHintWindow tip(nullptr);
  tip.SetBounds(0, 0, 2, 20);
  EXPECT_EQ(tip.Width(), tip.MinimumWidth()); // "A" alone would be narrower
  int w = 0, h = 0;
  MeasureTextInFont(*tip.Font(), "O", w, h);
  EXPECT_EQ(tip.MinimumWidth(), w + 8);
  tip.SetBounds(0, 0, 40, 20);
  tip.ActivateHint(TRect(0, 0, 40, 20), "");
  // Left at black, the tip is black inside its grey outline.
  EXPECT_EQ(WindowPixel(&tip, 20, 10), 0u);
  EXPECT_EQ(WindowPixel(&tip, 20, 0), 0x808080u);
  tip.SetColor(clWhite);
  tip.SetColorTo(clSilver);
  UpdateWindow(tip.Handle());
  // Sixteen bands of 1.25 rows, each drawn one row longer than that:
  // row 1 shows band 1, row 10 band 8, row 18 band 14.
  EXPECT_EQ(WindowPixel(&tip, 20, 1), 0xFBFBFBu);
  EXPECT_EQ(WindowPixel(&tip, 20, 10), 0xDFDFDFu);
  EXPECT_EQ(WindowPixel(&tip, 20, 18), 0xC8C8C8u);
  tip.ReleaseHandle();
}

TEST(OwHintInfo, AssignCopiesLinesAndPicture) {
  TOwHintInfo source, copy;
  source.SetTitle("Map");
  source.Notes()->Add("first");
  source.Notes()->Add("second");
  source.SetShowHelp(true);
  source.SetWideTitle(u"Zemljevid");
  auto bitmap = FilledBitmap(4, 3, clRed);
  source.Picture()->Assign(bitmap.get());
  copy.Assign(&source);
  EXPECT_EQ(copy.Title(), "Map");
  ASSERT_EQ(copy.Notes()->Count(), 2);
  EXPECT_EQ(copy.Notes()->Get(1), "second");
  EXPECT_TRUE(copy.ShowHelp());
  EXPECT_EQ(copy.WideTitle(), u"Zemljevid");
  EXPECT_EQ(copy.Picture()->Width(), 4);
  // The source is untouched and the lists are separate.
  copy.Notes()->Add("third");
  EXPECT_EQ(source.Notes()->Count(), 2);
  EXPECT_EQ(source.Picture()->Width(), 4);
  // Any other source is ignored.
  TStringList notAHint;
  copy.Assign(nullptr);
  EXPECT_EQ(copy.Title(), "Map");
}

// ---- painting ----------------------------------------------------------------------------------

TEST(GlassButtonPaint, AppButtonGlassOverTheMap) {
  TGlass g;
  TOwGlassButton* b = AppButton(g);
  b->SetShowCaption(false);
  g.host.Show();
  const std::vector<COLORREF> px = Shot(b);
  auto at = [&](int x, int y) { return px[std::size_t(y * 127 + x)]; };
  // Outer white outline on (0, 0, 126, 20), black inner one on (1, 1, 124, 18).
  EXPECT_EQ(at(63, 0), 0xFFFFFFu);
  EXPECT_EQ(at(0, 10), 0xFFFFFFu);
  EXPECT_EQ(at(126, 10), 0xFFFFFFu);
  EXPECT_EQ(at(63, 20), 0xFFFFFFu);
  EXPECT_EQ(at(63, 1), 0u);
  EXPECT_EQ(at(125, 10), 0u);
  EXPECT_EQ(at(63, 19), 0u);
  // The rounded corner shows the map.
  EXPECT_EQ(at(0, 0), COLORREF(kMap));
  // Below the shine: silver at alpha 127 over the map (blue 0x80, green 0x40).
  EXPECT_TRUE(Near(at(63, 15), RGB(96, 128, 160), 3)) << std::hex << at(63, 15);
  // The shine (rows 1 … 10) is lighter at its top than at its bottom, and
  // lighter than the body below it.
  EXPECT_GT(Channel(at(63, 3), 0), Channel(at(63, 9), 0));
  EXPECT_GT(Channel(at(63, 9), 0), Channel(at(63, 15), 0));
}

TEST(GlassButtonPaint, GlowWhilePressedOrDownNotOnHover) {
  TGlass g;
  TOwGlassButton* b = AppButton(g);
  b->SetShowCaption(false);
  b->SetGroupIndex(1);
  b->SetAllowAllUp(true);
  g.host.Show();
  const std::vector<COLORREF> up = Shot(b);
  b->Perform(CM_MOUSEENTER, 0, 0);
  EXPECT_EQ(Shot(b), up) << "hover alone draws no glow";
  b->SetDown(true);
  const std::vector<COLORREF> down = Shot(b);
  // The glow is strongest at the bottom middle: blue rises there.
  const std::size_t bottom = 17 * 127 + 63, top = 3 * 127 + 63;
  EXPECT_GT(Channel(down[bottom], 16), Channel(up[bottom], 16) + 20);
  EXPECT_GT(Channel(down[bottom], 16) - Channel(up[bottom], 16),
            Channel(down[top], 16) - Channel(up[top], 16));
  b->SetDown(false);
  EXPECT_EQ(Shot(b), up);
  TestInput::MouseDown(b, TMouseButton::mbLeft, 10, 10);
  EXPECT_EQ(Shot(b), down);
  TestInput::MouseUp(b, TMouseButton::mbLeft, 200, 10);
}

TEST(GlassButtonPaint, SymbolsShineAndColours) {
  TGlass g;
  TOwGlassButton* b = g.Add(10, 10, 60, 40);
  b->SetShowCaption(false);
  g.host.Show();
  const std::vector<COLORREF> plain = Shot(b);
  // A stop symbol: a rectangle in the middle, unless its colour is clNone.
  b->SetBackGroundSymbol(TBackGroundSymbol::bsStop);
  const TDiff stop = Difference(plain, Shot(b), 60);
  ASSERT_FALSE(stop.Colours.empty());
  // (W/4 + W/20, H/4 + H/20, W/2 - W/10, H/2 - H/10) with W 59, H 39.
  EXPECT_NEAR(stop.Box.Left, 17.7, 1.0);
  EXPECT_NEAR(stop.Box.Top, 11.7, 1.0);
  EXPECT_NEAR(stop.Box.Right, 17.7 + 23.6, 1.5);
  EXPECT_NEAR(stop.Box.Bottom, 11.7 + 15.6, 1.5);
  b->SetBackGroundSymbolColor(clNone);
  EXPECT_EQ(Shot(b), plain);
  // Every symbol draws something inside the button.
  b->SetBackGroundSymbolColor(clWhite);
  for (int s = 0; s < int(TBackGroundSymbol::bsNone); ++s) {
    b->SetBackGroundSymbol(TBackGroundSymbol(s));
    EXPECT_FALSE(Difference(plain, Shot(b), 60).Colours.empty()) << "symbol " << s;
  }
  b->SetBackGroundSymbol(TBackGroundSymbol::bsNone);
  // A system colour is not resolved: clBtnFace's low byte is taken as red.
  EXPECT_EQ(GlassArgb(127, clBtnFace), 0x7F0F0000u);
  EXPECT_EQ(GlassArgb(51, 0x00112233), 0x33332211u);
  // A button of client height 4 draws no shine.
  b->SetBounds(10, 10, 60, 4);
  const std::vector<COLORREF> low = Shot(b);
  b->SetShineColor(clRed);
  EXPECT_EQ(Shot(b), low);
  b->SetBounds(10, 10, 60, 5);
  const std::vector<COLORREF> five = Shot(b);
  b->SetShineColor(clWhite);
  EXPECT_NE(Shot(b), five);
}

TEST(GlassButtonPaint, CurvedShapeHasItsRoundEndOnTheNamedSide) {
  TGlass g;
  TOwGlassButton* b = g.Add(10, 10, 100, 30);
  b->SetShowCaption(false);
  b->SetButtonShape(TButtonShape::btsCurvedRectangle);
  g.host.Show();
  std::vector<COLORREF> px = Shot(b);
  auto at = [&](int x, int y) { return px[std::size_t(y * 100 + x)]; };
  // bdRight: the right corners show the map, the middle of the right end
  // is glass; the left edge is drawn down its whole height.
  EXPECT_EQ(at(99, 0), COLORREF(kMap));
  EXPECT_EQ(at(99, 29), COLORREF(kMap));
  EXPECT_NE(at(95, 15), COLORREF(kMap));
  EXPECT_NE(at(0, 1), COLORREF(kMap));
  b->SetButtonDirection(TButtonDirection::bdLeft);
  px = Shot(b);
  EXPECT_EQ(at(0, 0), COLORREF(kMap));
  EXPECT_EQ(at(0, 29), COLORREF(kMap));
  EXPECT_NE(at(99, 1), COLORREF(kMap));
}

TEST(GlassButtonPaint, OverlappingSiblingIsRedrawnWithForceTransparent) {
  TGlass g;
  TOwGlassButton* under = g.Add(10, 10, 60, 30);
  under->SetShowCaption(false);
  under->SetBackColor(clRed);
  TOwGlassButton* over = g.Add(40, 10, 60, 30);
  over->SetShowCaption(false);
  g.host.Show();
  const std::vector<COLORREF> plain = Shot(over);
  over->SetForceTransparent(true);
  const TDiff d = Difference(plain, Shot(over), 60);
  // Only the overlap (x 0 … 29 of `over`) changes: the sibling's red body.
  ASSERT_FALSE(d.Colours.empty());
  EXPECT_LT(d.Box.Right, 31);
  EXPECT_TRUE(std::any_of(d.Colours.begin(), d.Colours.end(),
                          [](COLORREF c) { return Channel(c, 0) > Channel(c, 16); }));
}

TEST(GlassButtonPaint, CaptionCentredSmoothOrPlain) {
  TGlass g;
  TOwGlassButton* b = AppButton(g);
  b->Font()->SetColor(clRed);
  g.host.Show();
  b->SetShowCaption(false);
  const std::vector<COLORREF> bare = Shot(b);
  b->SetShowCaption(true);
  const TDiff smooth = Difference(bare, Shot(b), 127);
  ASSERT_FALSE(smooth.Colours.empty());
  // Centred in the 127 x 21 button (the text box starts 2 pixels in and is 2 narrower).
  const double cx = (smooth.Box.Left + smooth.Box.Right) / 2.0;
  const double cy = (smooth.Box.Top + smooth.Box.Bottom) / 2.0;
  EXPECT_NEAR(cx, 127 / 2.0 + 1, 2.5);
  EXPECT_NEAR(cy, 21 / 2.0, 2.5);
  // Anti-aliased: edges in colours other than the font's.
  auto notFontColour = [](const TDiff& d) {
    return std::count_if(d.Colours.begin(), d.Colours.end(),
                         [](COLORREF c) { return c != 0x0000FFu; });
  };
  EXPECT_GT(notFontColour(smooth), 10);
  // Without anti-aliasing, or in a face that is not installed, DrawText
  // draws it in the font's colour alone, still centred vertically.
  struct TRow {
    const char* name;
    TAntiAlias aa;
    const char* face;
  } rows[] = {{"aaNone", TAntiAlias::aaNone, "Tahoma"},
              {"not installed", TAntiAlias::aaClearType, "No Such Face"}};
  for (const TRow& row : rows) {
    b->SetAntiAlias(row.aa);
    b->Font()->SetName(row.face);
    const TDiff plain = Difference(bare, Shot(b), 127);
    ASSERT_FALSE(plain.Colours.empty()) << row.name;
    EXPECT_EQ(notFontColour(plain), 0) << row.name;
    EXPECT_NEAR((plain.Box.Top + plain.Box.Bottom) / 2.0, 21 / 2.0, 2.5) << row.name;
  }
}

TEST(GlassButtonPaint, DisabledCaptionIsGreyAndBackslashNBreaksTheLine) {
  TGlass g;
  TOwGlassButton* b = g.Add(10, 10, 120, 44);
  b->Font()->SetColor(clRed);
  g.host.Show();
  b->SetShowCaption(false);
  const std::vector<COLORREF> bare = Shot(b);
  b->SetShowCaption(true);
  // Two lines: taller than one line and shorter than three (no empty line
  // between them).
  for (TAntiAlias aa : {TAntiAlias::aaClearType, TAntiAlias::aaNone}) {
    b->SetAntiAlias(aa);
    b->SetCaption("Map size");
    const int one = Span(Difference(bare, Shot(b), 120).Rows);
    b->SetCaption("Map\\nsize");
    const int two = Span(Difference(bare, Shot(b), 120).Rows);
    EXPECT_GT(two, one + 6) << int(aa);
    EXPECT_LT(two, 2 * one + 4) << int(aa);
  }
  b->SetAntiAlias(TAntiAlias::aaClearType);
  b->SetCaption("Map");
  b->SetEnabled(false);
  std::vector<COLORREF> disabledBare;
  {
    b->SetShowCaption(false);
    disabledBare = Shot(b);
    b->SetShowCaption(true);
  }
  const TDiff grey = Difference(disabledBare, Shot(b), 120);
  ASSERT_FALSE(grey.Colours.empty());
  EXPECT_EQ(std::count(grey.Colours.begin(), grey.Colours.end(), 0x0000FFu), 0);
  EXPECT_GT(std::count(grey.Colours.begin(), grey.Colours.end(), 0x808080u), 0);
}

TEST(GlassButtonPaint, APictureWithoutCaptionIsCentred) {
  TGlass g;
  TOwGlassButton* b = AppButton(g);
  b->SetCaption("");
  // A bitmap picture: drawn unscaled, its bottom-left colour transparent.
  auto bitmap = FilledBitmap(10, 6, clRed);
  bitmap->Canvas()->SetPixels(0, 5, clBlue);
  TGpPicture picture;
  picture.Assign(bitmap.get());
  g.host.Show();
  const std::vector<COLORREF> bare = Shot(b);
  for (TButtonLayout layout : {TButtonLayout::blGlyphLeft, TButtonLayout::blGlyphBottomAdjusted}) {
    b->SetLayout(layout);
    b->SetPicture(&picture);
    const TDiff d = Difference(bare, Shot(b), 127);
    EXPECT_EQ(d.Box, TRect(58, 7, 68, 13)) << int(layout);
    EXPECT_EQ(std::count(d.Colours.begin(), d.Colours.end(), 0x0000FFu), 59);
  }
  // With a caption the picture stands left of it.
  b->SetCaption("Map");
  const TDiff beside = Difference(bare, Shot(b), 127);
  EXPECT_LT(beside.Box.Left, 58);
}

TEST(GlassButtonPaint, ContentSizeOfTheLayouts) {
  TBitmap surface(200, 100, pf24bit);
  TFont font;
  font.SetName("Tahoma");
  font.SetHeight(-11);
  auto bitmap = FilledBitmap(16, 16, clRed);
  TGpPicture picture;
  picture.Assign(bitmap.get());
  TCaptionPaint p;
  p.Rect = TRect(0, 0, 120, 40);
  p.Caption = "Open";
  p.Font = &font;
  p.Picture = &picture;
  p.MeasureOnly = true;
  int tw = 0, th = 0;
  p.Picture = nullptr;
  const TSize textOnly = DrawCaptionAndPicture(surface.Canvas(), p);
  tw = textOnly.cx - 2;
  th = textOnly.cy - 2;
  EXPECT_GT(tw, 15);
  p.Picture = &picture;
  p.Layout = TButtonLayout::blGlyphLeft;
  EXPECT_EQ(DrawCaptionAndPicture(surface.Canvas(), p), TSize(tw + 18 + 2, std::max(th, 16) + 2));
  p.Layout = TButtonLayout::blGlyphTop;
  EXPECT_EQ(DrawCaptionAndPicture(surface.Canvas(), p), TSize(std::max(tw, 18) + 2, th + 16 + 2));
  p.ShowCaption = false;
  EXPECT_EQ(DrawCaptionAndPicture(surface.Canvas(), p), TSize(16, 16));
}
