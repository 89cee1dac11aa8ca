// The track bar: position changes, range setters, keys, wheel, mouse, the
// repeat timer, the drag hint, the settings objects and presets, and the
// zoom bar of the tool window painted from its stored definition.
#include <gtest/gtest.h>

#include <climits>

#include "AppDefinitions.h"
#include "ControlsTestSupport.h"
#include "controls/OwTrackBar.h"
#include "platform/forms/Loading.h"
#include "platform/forms/Properties.h"
#include "platform/forms/TestInput.h"
#include "platform/forms/Timers.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"

namespace {

struct TZoomBar {
  THostForm host{300, 120, clBtnFace};
  TOwTrackBar* bar = nullptr;
  TZoomBar() {
    ReadDefinition(host.form, kToolControlsDefinition);
    bar = dynamic_cast<TOwTrackBar*>(host.form->FindComponent("Egzoom"));
    host.Show();
    UpdateWindow(bar->Handle());
  }
  COLORREF At(int x, int y) { return WindowPixel(bar, x, y); }
};

/// A plain bar on a form (no window shown unless asked).
struct TPlainBar {
  THostForm host;
  TOwTrackBar* bar;
  TSpy spy;
  explicit TPlainBar(int w = 150, int h = 26) {
    bar = host.Add<TOwTrackBar>(10, 10, w, h);
    bar->OnChange = spy.Note("change");
  }
};
} // namespace

TEST(TrackBar, ChangePositionClampsRepaintsAndNotifies) {
  TPlainBar t;
  t.bar->SetMin(2);
  t.bar->SetMax(18);
  t.bar->SetPosition(6);
  t.spy.Log.clear();
  struct TRow {
    int value, position, changes;
  } rows[] = {
      {100, 18, 1}, // clamped
      {100, 18, 1}, // beyond the end it sits at: notified again
      {18, 18, 0},  // equal: nothing
      {-5, 2, 1},   {7, 7, 1},
  };
  for (const TRow& row : rows) {
    t.spy.Log.clear();
    t.bar->ChangePosition(row.value);
    EXPECT_EQ(t.bar->Position(), row.position) << row.value;
    EXPECT_EQ(int(t.spy.Log.size()), row.changes) << row.value;
  }
}

namespace {
class TDesignedBar : public TOwTrackBar {
public:
  using TOwTrackBar::TOwTrackBar;
  void SetDesigning() { state_.Include(TComponentStateItem::csDesigning); }
};
} // namespace

TEST(TrackBar, DesignModeOnlyInvalidates) {
  THostForm host;
  auto* bar = host.Add<TDesignedBar>(0, 0, 150, 26);
  TSpy spy;
  bar->OnChange = spy.Note("change");
  bar->SetDesigning();
  bar->ChangePosition(5);
  EXPECT_EQ(bar->Position(), 5);
  EXPECT_TRUE(spy.Log.empty());
}

TEST(TrackBar, RangeSettersKeepThePositionInside) {
  TPlainBar t;
  t.bar->SetPosition(5);
  t.spy.Log.clear();
  t.bar->SetMin(7);
  EXPECT_EQ(t.bar->Position(), 7);
  EXPECT_EQ(t.spy.Log.size(), 1u);
  // Min <= Max is not enforced; the clamp takes Min first.
  t.bar->SetMax(3);
  EXPECT_EQ(t.bar->Max(), 3);
  EXPECT_EQ(t.bar->Position(), 7);
  EXPECT_EQ(t.spy.Log.size(), 2u);
}

TEST(TrackBar, Keys) {
  struct TRow {
    const char* name;
    TTrackBarOrientation orientation;
    int from;
    Word key;
    bool shift;
    int to;
  } rows[] = {
      {"page up", TTrackBarOrientation::trHorizontal, 6, VK_PRIOR, false, 7},
      {"page down", TTrackBarOrientation::trHorizontal, 6, VK_NEXT, false, 5},
      {"home", TTrackBarOrientation::trHorizontal, 6, VK_HOME, false, 2},
      {"end", TTrackBarOrientation::trHorizontal, 6, VK_END, false, 18},
      {"home vertical", TTrackBarOrientation::trVertical, 6, VK_HOME, false, 18},
      {"right at max", TTrackBarOrientation::trHorizontal, 18, VK_RIGHT, false, 18},
      {"left at min", TTrackBarOrientation::trHorizontal, 2, VK_LEFT, false, 2},
      {"up", TTrackBarOrientation::trHorizontal, 6, VK_UP, false, 7},
      {"down", TTrackBarOrientation::trHorizontal, 6, VK_DOWN, false, 5},
      {"shift held", TTrackBarOrientation::trHorizontal, 6, VK_PRIOR, true, 6},
  };
  for (const TRow& row : rows) {
    TPlainBar t;
    t.bar->SetOrientation(row.orientation);
    t.bar->SetMin(2);
    t.bar->SetMax(18);
    t.bar->SetPosition(row.from);
    TestInput::KeyDown(t.bar, row.key,
                       row.shift ? TShiftState{TShiftStateItem::ssShift} : TShiftState{});
    EXPECT_EQ(t.bar->Position(), row.to) << row.name;
  }
  TPlainBar t;
  EXPECT_EQ(t.bar->Perform(WM_GETDLGCODE), 1);
}

TEST(TrackBar, WheelStepsOncePerMessage) {
  struct TRow {
    TTrackBarOrientation orientation;
    int delta, to;
  } rows[] = {
      {TTrackBarOrientation::trHorizontal, -120, 6}, {TTrackBarOrientation::trHorizontal, -600, 6},
      {TTrackBarOrientation::trHorizontal, 120, 4},  {TTrackBarOrientation::trHorizontal, 0, 4},
      {TTrackBarOrientation::trVertical, -120, 4},   {TTrackBarOrientation::trVertical, 120, 6},
  };
  for (const TRow& row : rows) {
    TPlainBar t;
    t.bar->SetOrientation(row.orientation);
    t.bar->SetPosition(5);
    TestInput::Wheel(t.bar, row.delta, 5, 5);
    EXPECT_EQ(t.bar->Position(), row.to) << row.delta;
  }
}

TEST(TrackBar, ZoomBarGeometry) {
  TZoomBar z;
  const int lefts[][2] = {{2, 3}, {6, 37}, {18, 139}};
  for (auto [position, left] : lefts) {
    z.bar->ChangePosition(position);
    EXPECT_EQ(z.bar->ThumbRect().Left, left) << position;
    EXPECT_EQ(z.bar->ThumbRect().Right, left + 17) << position;
  }
  z.bar->ChangePosition(6);
  const TRect thumb = z.bar->ThumbRect(), label = z.bar->LabelRect();
  const TRect ticks = z.bar->BottomTickRect(), slider = z.bar->SliderRect();
  // Everything stays inside the 43 pixels (3 of frame and margin).
  EXPECT_EQ(slider.Top, 10);
  EXPECT_EQ(slider.Bottom, 16);
  EXPECT_EQ(thumb.Top, 3);
  EXPECT_EQ(thumb.Bottom, 23);
  EXPECT_EQ(ticks.Top, 19);
  EXPECT_EQ(ticks.Bottom, 23);
  EXPECT_EQ(ticks.Left, 11);
  EXPECT_EQ(label.Top, 24);
  EXPECT_LE(label.Bottom, 40);
  EXPECT_GT(label.Bottom - label.Top, 10);
}

TEST(TrackBar, ZoomBarPaints) {
  TZoomBar z;
  // Ticks at x = 11 + Trunc(8.5 k), k = 0 … 16, in rows 19 … 22.
  int ticks = 0;
  std::string row;
  for (int x = 0; x < 159; ++x) {
    const bool tick = z.At(x, 21) == 0x927476;
    row += tick ? 'X' : '.';
    if (tick) ++ticks;
  }
  EXPECT_EQ(ticks, 16) << row; // the thumb's tip covers the tick at 45
  for (int k = 0; k <= 16; ++k) {
    const int x = 11 + (17 * k) / 2;
    if (x == 45) continue; // under the thumb's tip
    EXPECT_EQ(z.At(x, 21), 0x927476u) << "tick " << k << " at " << x;
    EXPECT_NE(z.At(x + 1, 21), 0x927476u) << "beside tick " << k;
  }
  // The thumb (37 … 53 across, 3 … 23 down): apex of its tip at (45, 23),
  // white / black / white outline rings, the grip line in the middle.
  EXPECT_EQ(z.At(37, 10), 0xFFFFFFu); // pass 1, white
  EXPECT_EQ(z.At(38, 10), 0x000000u); // pass 2, the border colour
  EXPECT_EQ(z.At(39, 10), 0xFFFFFFu); // pass 3, white
  EXPECT_EQ(z.At(45, 10), 0x000000u); // the grip, x 45, rows 9 … 16
  EXPECT_EQ(z.At(45, 16), 0x000000u);
  EXPECT_NE(z.At(45, 18), 0x000000u);
  // The tip's apex (45, 23): white, then the border colour, then white.
  EXPECT_EQ(z.At(45, 23), 0xFFFFFFu);
  EXPECT_EQ(z.At(45, 22), 0x000000u);
  EXPECT_EQ(z.At(45, 21), 0xFFFFFFu);
  EXPECT_EQ(z.At(44, 21), 0x000000u);
  EXPECT_EQ(z.At(45, 24), ColorToRGB(clBtnFace));
  // Outside the tip the ticks' row shows the background.
  EXPECT_EQ(z.At(38, 22), ColorToRGB(clBtnFace));
  // The rounded slider's corner shows the parent.
  EXPECT_EQ(z.At(3, 10), ColorToRGB(clBtnFace));
  // The label: dark text pixels in rows 24 … 40 around the centre, none
  // outside the bar.
  int text = 0;
  for (int y = 24; y < 41; ++y)
    for (int x = 50; x < 110; ++x)
      if (z.At(x, y) == 0) ++text;
  EXPECT_GT(text, 20);
}

TEST(TrackBar, ThumbOutsideTheRangeMathStaysSound) {
  TPlainBar t;
  // A range this wide overflows a 32-bit product.
  t.bar->SetMax(100000000);
  t.bar->SetPosition(100000000);
  const TRect track = t.bar->TrackRect();
  EXPECT_EQ(t.bar->ThumbRect().Left, track.Right - t.bar->Thumb()->Width());
  t.bar->SetPosition(50000000);
  EXPECT_EQ(t.bar->ThumbRect().Left, track.Left + (track.Right - track.Left - 10) / 2);
  // Max = Min and Max < Min: every ratio is 0, the thumb sits at the start;
  // an empty range draws one tick.
  for (int max : {0, -3}) {
    TPlainBar same;
    same.bar->TickMark()->SetColor(clRed);
    same.bar->SetMax(max);
    EXPECT_EQ(same.bar->ThumbRect().Left, same.bar->TrackRect().Left) << max;
    same.host.Show();
    UpdateWindow(same.bar->Handle());
    const TRect ticks = same.bar->BottomTickRect();
    int columns = 0;
    for (int x = 0; x < same.bar->Width(); ++x) {
      bool tick = false;
      for (int y = ticks.Top; y < ticks.Bottom; ++y)
        tick = tick || WindowPixel(same.bar, x, y) == 0x0000FFu;
      columns += tick;
    }
    if (max == 0) {
      EXPECT_EQ(columns, 1) << max;
    }
  }
}

TEST(TrackBar, DragRoundsHalfToEvenAndKeepsTheValueOnAnEmptySpan) {
  // Track 37 wide (client 43), thumb 10: the drag span is 37 - 5 = 32.
  TPlainBar t(43, 26);
  t.bar->SetMax(2);
  t.host.Show();
  const TRect thumb = t.bar->ThumbRect();
  const int y = thumb.Top + 2;
  TestInput::MouseDown(t.bar, TMouseButton::mbLeft, thumb.Left + 1, y);
  EXPECT_TRUE(t.bar->Dragging());
  EXPECT_TRUE(t.bar->ThumbPressed());
  const TShiftState left{TShiftStateItem::ssLeft};
  TestInput::MouseMove(t.bar, 3 + 5 + 8, y, left); // d 8: 0.5 rounds to 0
  EXPECT_EQ(t.bar->Position(), 0);
  TestInput::MouseMove(t.bar, 3 + 5 + 9, y, left);
  EXPECT_EQ(t.bar->Position(), 1);
  TestInput::MouseMove(t.bar, 3 + 5 + 24, y, left); // d 24: 1.5 rounds to 2
  EXPECT_EQ(t.bar->Position(), 2);
  TestInput::MouseMove(t.bar, 500, y, left);
  EXPECT_EQ(t.bar->Position(), 2);
  TestInput::MouseMove(t.bar, -500, y, left);
  EXPECT_EQ(t.bar->Position(), 0);
  TestInput::MouseUp(t.bar, TMouseButton::mbLeft, -500, y);
  EXPECT_FALSE(t.bar->Dragging());

  // A track shorter than half the thumb: the value stays.
  TPlainBar narrow(10, 26); // track 4 wide: the span 4 - 5 is empty
  narrow.bar->SetMax(4);
  narrow.bar->SetPosition(2);
  narrow.host.Show();
  const TRect r = narrow.bar->ThumbRect();
  TestInput::MouseDown(narrow.bar, TMouseButton::mbLeft, std::max(r.Left, 0), r.Top + 1);
  ASSERT_TRUE(narrow.bar->Dragging());
  TestInput::MouseMove(narrow.bar, 9, r.Top + 1, left);
  EXPECT_EQ(narrow.bar->Position(), 2);
  TestInput::MouseUp(narrow.bar, TMouseButton::mbLeft, 9, r.Top + 1);
}

TEST(TrackBar, DragHintFollowsThePointerAndHidesOnRelease) {
  TPlainBar t;
  t.bar->SetTrackHint(true);
  std::vector<int> asked;
  t.bar->OnGetTrackHint = [&](TPersistent*, int position, std::string& hint) {
    asked.push_back(position);
    hint = "at " + IntToStr(position);
  };
  t.host.Show();
  const TRect thumb = t.bar->ThumbRect();
  const int y = thumb.Top + 2;
  TestInput::MouseDown(t.bar, TMouseButton::mbLeft, thumb.Left + 2, y);
  TestInput::MouseMove(t.bar, 80, y, {TShiftStateItem::ssLeft});
  ASSERT_TRUE(t.bar->HintShowing());
  const TPoint cursor = Mouse()->CursorPos();
  EXPECT_EQ(cursor, t.bar->ClientToScreen(TPoint(80, y)));
  EXPECT_EQ(t.bar->HintWindow()->Left(), cursor.x + 10);
  EXPECT_EQ(t.bar->HintWindow()->Top(), cursor.y);
  EXPECT_EQ(t.bar->HintWindow()->Caption(), "at " + IntToStr(t.bar->Position()));
  EXPECT_EQ(t.bar->HintWindow()->Width(), t.bar->HintWindow()->TextWidth() + 16);
  // The same value again does not ask for a new text.
  const size_t asks = asked.size();
  TestInput::MouseMove(t.bar, 81, y, {TShiftStateItem::ssLeft});
  EXPECT_EQ(asked.size(), asks);
  TestInput::MouseUp(t.bar, TMouseButton::mbLeft, 81, y);
  EXPECT_FALSE(t.bar->HintShowing());
  EXPECT_FALSE(t.bar->HintWindow()->IsShown());
}

TEST(TrackBar, HintWindowStaysOnTheScreen) {
  TPlainBar t;
  TTrackHintWindow* w = t.bar->HintWindow();
  w->ActivateHint(TRect(Screen()->Width() - 5, Screen()->Height() - 3, 0, 0), "1234");
  EXPECT_EQ(w->Left() + w->Width(), Screen()->Width() - 2);
  EXPECT_EQ(w->Top() + w->Height(), Screen()->Height() - 2);
  w->ReleaseHandle();
}

TEST(TrackBar, ClickComesBeforeTheBarsReleaseSteps) {
  TPlainBar t;
  t.bar->Buttons()->SetVisible(true);
  t.bar->SetPosition(5);
  t.host.Show();
  std::vector<std::string> order;
  t.bar->OnClick = [&](TPersistent*) {
    order.push_back("click at " + IntToStr(t.bar->Position()));
  };
  t.bar->OnMouseUp = [&](TPersistent*, TMouseButton, TShiftState, int, int) {
    order.push_back("mouse up at " + IntToStr(t.bar->Position()));
  };
  t.bar->OnChange = [&](TPersistent*) { order.push_back("change"); };
  const TRect max = t.bar->MaxButtonRect();
  TestInput::MouseDown(t.bar, TMouseButton::mbLeft, max.Left + 3, max.Top + 3);
  EXPECT_TRUE(t.bar->MaxButtonPressed());
  EXPECT_EQ(t.bar->Position(), 5); // the press itself does not step
  TestInput::MouseUp(t.bar, TMouseButton::mbLeft, max.Left + 3, max.Top + 3);
  EXPECT_EQ(order, (std::vector<std::string>{"click at 5", "mouse up at 5", "change"}));
  EXPECT_EQ(t.bar->Position(), 6);

  // A click beside the thumb pages before OnClick.
  order.clear();
  const TRect track = t.bar->TrackRect();
  TestInput::Click(t.bar, TMouseButton::mbLeft, track.Left + 1, track.Top + 2);
  EXPECT_EQ(order.front(), "change");
  EXPECT_EQ(order[1], "click at 5");
}

TEST(TrackBar, EndButtonRepeatsOnTheTimer) {
  TManualTimerClock clock;
  TPlainBar t;
  t.bar->Buttons()->SetVisible(true);
  t.host.Show();
  const TRect max = t.bar->MaxButtonRect();
  TestInput::MouseDown(t.bar, TMouseButton::mbLeft, max.Left + 3, max.Top + 3);
  clock.Advance(399);
  EXPECT_EQ(t.bar->Position(), 0);
  clock.Advance(1);
  EXPECT_EQ(t.bar->Position(), 1);
  clock.Advance(99);
  EXPECT_EQ(t.bar->Position(), 1);
  clock.Advance(1);
  EXPECT_EQ(t.bar->Position(), 2);
  TestInput::MouseUp(t.bar, TMouseButton::mbLeft, max.Left + 3, max.Top + 3);
  EXPECT_EQ(t.bar->Position(), 3); // the release over the button steps once more
  clock.Advance(1000);
  EXPECT_EQ(t.bar->Position(), 3);

  // Released outside the button: the repeat stops without the extra step.
  TestInput::MouseDown(t.bar, TMouseButton::mbLeft, max.Left + 3, max.Top + 3);
  clock.Advance(400);
  EXPECT_EQ(t.bar->Position(), 4);
  TestInput::MouseUp(t.bar, TMouseButton::mbLeft, 1, 1);
  clock.Advance(1000);
  EXPECT_EQ(t.bar->Position(), 4);
}

TEST(TrackBar, SettingsSignalOnlyRealChanges) {
  TTrackBarSlider slider;
  int changes = 0;
  slider.OnChange = [&](TPersistent*) { ++changes; };
  slider.SetSize(2);
  EXPECT_EQ(changes, 0);
  slider.SetSize(3);
  EXPECT_EQ(changes, 1);
  TTrackBarLabel label;
  label.OnChange = [&](TPersistent*) { ++changes; };
  label.SetFormat("Pos: %d");
  EXPECT_EQ(changes, 1);
}

TEST(TrackBar, AssignCopiesWhatEachClassCopies) {
  TTrackBarSlider a, b;
  a.SetDirection(TGradientDirection::gdVertical);
  b.SetSize(9);
  b.SetColor(clRed);
  a.Assign(&b);
  EXPECT_EQ(a.Size(), 9);
  EXPECT_EQ(a.Color(), clRed);
  EXPECT_EQ(a.Direction(), TGradientDirection::gdVertical);

  TTrackBarLabel la, lb;
  la.SetSpacing(9);
  lb.SetFormat("x %d");
  la.Assign(&lb);
  EXPECT_EQ(la.Format(), "x %d");
  EXPECT_EQ(la.Spacing(), 9);

  TTrackBarThumb ta;
  ta.SetShowAtMinMax(false);
  TTrackBarThumb tb;
  tb.SetWidth(33);
  ta.Assign(&tb);
  EXPECT_EQ(ta.Width(), 33);
  EXPECT_FALSE(ta.ShowAtMinMax());
  ta.Assign(&la); // another class: ignored silently
  EXPECT_EQ(ta.Width(), 33);
  EXPECT_THROW(la.Assign(&ta), Exception);
}

TEST(TrackBar, ThumbPictureSizesTheThumb) {
  TPlainBar t;
  TGpPicture png;
  png.LoadFromFile(std::string(std::getenv("SK_TEST_DATA")) + "/gppicture/thumb-24x12.png");
  t.bar->Thumb()->Picture().Assign(&png);
  EXPECT_EQ(t.bar->Thumb()->Size(), 12);
  EXPECT_EQ(t.bar->Thumb()->Width(), 24);
  t.bar->Thumb()->SetWidth(5);
  EXPECT_EQ(t.bar->Thumb()->Width(), 24);

  TGpPicture slider;
  slider.Assign(&png);
  t.bar->Slider()->Picture().Assign(&slider);
  EXPECT_EQ(t.bar->Slider()->BorderColor(), clNone);
  EXPECT_EQ(t.bar->Slider()->Size(), 12);
}

TEST(TrackBar, PresetsRewriteTheColours) {
  TPlainBar t;
  t.bar->ApplyStyle(0);
  EXPECT_EQ(t.bar->TickMark()->Color(), TColor(0xC29674));
  EXPECT_EQ(t.bar->Thumb()->BorderColor(), TColor(0xE0B99B));
  EXPECT_EQ(t.bar->Buttons()->Color(), TColor(0xFEECDD));
  EXPECT_EQ(t.bar->Thumb()->ColorMirrorHotTo(), TColor(0x91D0FF));
  t.bar->ApplyStyle(3);
  EXPECT_EQ(t.bar->Thumb()->ColorTo(), TColor(0xC9D1D5));
  EXPECT_EQ(t.bar->Buttons()->BorderColor(), TColor(0x000000));
  EXPECT_EQ(t.bar->Slider()->BorderColor(), TColor(0x927476));
  EXPECT_EQ(t.bar->Thumb()->ColorMirrorHotTo(), TColor(0xA4E9FF));
  // Style 8 changes no colour, only resets the shapes and offsets.
  t.bar->Slider()->SetOffset(3);
  t.bar->Thumb()->SetShape(TThumbShape::tsRound);
  t.bar->ApplyStyle(8);
  EXPECT_EQ(t.bar->Slider()->Offset(), 10);
  EXPECT_EQ(t.bar->Thumb()->Shape(), TThumbShape::tsPointer);
  EXPECT_EQ(t.bar->Slider()->BorderColor(), TColor(0x927476));
}

TEST(TrackBar, StoredDefaultsAreTheConstructorValues) {
  TPlainBar t;
  const TPropInfo* color = GetPropInfo(*t.bar, "Color");
  ASSERT_NE(color, nullptr);
  EXPECT_EQ(t.bar->Color(), clNone);
  EXPECT_FALSE(IsStoredProp(*t.bar, *color));
  const TPropInfo* mirror = GetPropInfo(*t.bar, "Buttons.ColorMirror");
  ASSERT_NE(mirror, nullptr);
  EXPECT_FALSE(IsStoredProp(*t.bar, *mirror));
  t.bar->Buttons()->SetColorMirror(0xC0C0C0);
  EXPECT_TRUE(IsStoredProp(*t.bar, *mirror));
}

TEST(TrackBar, OrientationSwapsTheSize) {
  TPlainBar t;
  t.bar->SetOrientation(TTrackBarOrientation::trVertical);
  EXPECT_EQ(t.bar->Width(), 26);
  EXPECT_EQ(t.bar->Height(), 150);
}

TEST(TrackBar, EveryShapePaintsInEveryState) {
  // A smoke run over shapes, orientations, tick rows and states; the pixel
  // rules of the pointer are pinned above.
  for (int shape = 0; shape <= int(TThumbShape::tsTriangleRight); ++shape)
    for (auto orientation : {TTrackBarOrientation::trHorizontal, TTrackBarOrientation::trVertical})
      for (auto ticks : {TTickMark::tmBottomRight, TTickMark::tmTopLeft, TTickMark::tmBoth}) {
        TPlainBar t(60, 60);
        t.bar->SetOrientation(orientation);
        t.bar->Thumb()->SetShape(TThumbShape(shape));
        t.bar->TickMark()->SetPosition(ticks);
        t.bar->TickMark()->SetShowText(true);
        t.bar->Buttons()->SetVisible(true);
        t.bar->TrackLabel()->SetVisible(true);
        t.bar->Slider()->SetColorCompleted(clRed);
        t.host.Show();
        UpdateWindow(t.bar->Handle());
        t.bar->SetEnabled(false);
        UpdateWindow(t.bar->Handle());
      }
  SUCCEED();
}
