#include <gtest/gtest.h>

#include <QScrollBar>
#include <QWidget>

#include "platform/forms/Loading.h"
#include "platform/forms/StdCtrls.h"
#include "platform/forms/WindowTable.h"
#include "platform/forms/Windows.h"
#include "platform/graphics/Bitmap.h"
#include "tests/platform/forms/FormsTestSupport.h"

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kWhite = RGB(255, 255, 255);

class Painting : public ::testing::Test {
protected:
  void SetUp() override {
    form = new TForm(nullptr);
    form->SetBounds(0, 0, 308, 227);
    spy = new TSpyControl(form, &log);
    spy->SetBounds(10, 10, 100, 80);
    spy->SetColor(clWhite);
    spy->SetParent(form);
    spy->Filter = {"WM_ERASEBKGND", "WM_PAINT", "WM_SIZE", "Resize"};
    spy->Handle();
    PumpEvents();
    log.clear();
  }
  void TearDown() override { delete form; }
  std::vector<TSpyEntry> log;
  TForm* form = nullptr;
  TSpyControl* spy = nullptr;
};

TEST_F(Painting, InvalidationsCoalesceIntoOneEraseThenOnePaint) {
  HWND h = spy->Handle();
  TRect a(0, 0, 10, 10), b(50, 50, 60, 60);
  InvalidateRect(h, &a, true);
  InvalidateRect(h, &b, false);
  EXPECT_TRUE(log.empty()); // painting waits for the loop
  TRect box;
  EXPECT_TRUE(GetUpdateRect(h, &box, false));
  EXPECT_EQ(box, TRect(0, 0, 60, 60));
  PumpEvents();
  EXPECT_EQ(Names(log), (std::vector<std::string>{"WM_ERASEBKGND", "WM_PAINT"}));
  EXPECT_FALSE(GetUpdateRect(h, &box, false));
  EXPECT_EQ(BufferPixel(spy, 5, 5), kRed);
}

TEST_F(Painting, PaintingIsClippedToTheInvalidArea) {
  HWND h = spy->Handle();
  spy->Invalidate();
  spy->Update(); // synchronous
  EXPECT_EQ(BufferPixel(spy, 50, 50), kRed);
  spy->PaintColor = kBlue;
  TRect r(10, 10, 20, 20);
  InvalidateRect(h, &r, false);
  log.clear();
  UpdateWindow(h);
  EXPECT_EQ(Names(log), (std::vector<std::string>{"WM_PAINT"})); // no erase asked
  EXPECT_EQ(BufferPixel(spy, 10, 10), kBlue);
  EXPECT_EQ(BufferPixel(spy, 19, 19), kBlue);
  EXPECT_EQ(BufferPixel(spy, 20, 20), kRed);
  EXPECT_EQ(BufferPixel(spy, 9, 15), kRed);
  // A validated window is not painted.
  int paints = spy->Paints;
  InvalidateRect(h, nullptr, true);
  ValidateRect(h, nullptr);
  UpdateWindow(h);
  PumpEvents();
  EXPECT_EQ(spy->Paints, paints);
}

TEST_F(Painting, EraseFillsWithTheColourUnlessTheControlAnswersIt) {
  HWND h = spy->Handle();
  spy->Invalidate();
  spy->Update();
  TRect r(0, 0, 5, 5);
  auto paintBlue = [&] {
    HDC dc = GetDC(h); // drawing outside a paint goes straight to the buffer
    EXPECT_EQ(WindowFromDC(dc), h);
    HBRUSH blue = CreateSolidBrush(kBlue);
    FillRect(dc, &r, blue);
    DeleteObject(blue);
    ReleaseDC(h, dc);
  };
  std::vector<COLORREF> seenAtPaint;
  TWndMethod old = spy->WindowProc;
  TWindowProcGuard restoreProc{spy, old};
  spy->WindowProc = [&](TMessage& m) {
    if (m.Msg == WM_PAINT) seenAtPaint.push_back(BufferPixel(spy, 2, 2));
    old(m);
  };
  paintBlue();
  EXPECT_EQ(BufferPixel(spy, 2, 2), kBlue);
  spy->AnswerEraseOnly = true; // answers 1 and erases nothing
  InvalidateRect(h, &r, true);
  UpdateWindow(h);
  paintBlue();
  spy->AnswerEraseOnly = false; // the default fills with Color
  InvalidateRect(h, &r, true);
  UpdateWindow(h);
  EXPECT_EQ(seenAtPaint, (std::vector<COLORREF>{kBlue, kWhite}));
  EXPECT_EQ(BufferPixel(spy, 2, 2), kRed);
}

TEST_F(Painting, XorDrawingOutsidePaintTwiceRestoresThePixels) {
  HWND h = spy->Handle();
  spy->Invalidate();
  spy->Update();
  HDC dc = GetDC(h);
  SetROP2(dc, R2_XORPEN);
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  Rectangle(dc, 10, 10, 40, 30);
  EXPECT_EQ(BufferPixel(spy, 10, 20), RGB(0, 255, 255)); // red xor white
  EXPECT_EQ(BufferPixel(spy, 20, 20), kRed);             // inside: untouched
  Rectangle(dc, 10, 10, 40, 30);
  EXPECT_EQ(BufferPixel(spy, 10, 20), kRed);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(pen);
  ReleaseDC(h, dc);
}

TEST_F(Painting, ScrollWindowMovesPixelsAndThePendingRegion) {
  HWND h = spy->Handle();
  spy->Invalidate();
  spy->Update();
  HDC dc = GetDC(h);
  SetPixel(dc, 10, 10, kBlue);
  ReleaseDC(h, dc);
  TRect pending(30, 30, 35, 35);
  InvalidateRect(h, &pending, false);
  TRect uncovered;
  int kind =
      ScrollWindowEx(h, 5, 3, nullptr, nullptr, nullptr, &uncovered, SW_INVALIDATE | SW_ERASE);
  EXPECT_EQ(kind, SIMPLEREGION);
  EXPECT_EQ(BufferPixel(spy, 15, 13), kBlue);
  EXPECT_EQ(uncovered, TRect(0, 0, 100, 80)); // the L-shaped strip's box
  // The paint that follows is clipped to the strip and the moved region.
  std::vector<std::pair<int, int>> inside, outside;
  TWndMethod old = spy->WindowProc;
  TWindowProcGuard restoreProc{spy, old};
  bool checked = false;
  spy->WindowProc = [&](TMessage& m) {
    if (m.Msg != WM_PAINT) return old(m);
    PAINTSTRUCT ps;
    HDC pdc = BeginPaint(h, &ps);
    HRGN clip = CreateRectRgn(0, 0, 0, 0);
    GetClipRgn(pdc, clip);
    for (auto [x, y] : {std::pair{36, 34}, {2, 40}, {50, 1}})
      if (PtInRegion(clip, x, y)) inside.push_back({x, y});
    for (auto [x, y] : {std::pair{31, 31}, {50, 50}, {15, 13}})
      if (!PtInRegion(clip, x, y)) outside.push_back({x, y});
    DeleteObject(clip);
    EndPaint(h, &ps);
    checked = true;
  };
  PumpEvents();
  ASSERT_TRUE(checked);
  EXPECT_EQ(inside.size(), 3u);
  EXPECT_EQ(outside.size(), 3u);
  EXPECT_EQ(BufferPixel(spy, 15, 13), kBlue); // the clipped paint left it alone
  EXPECT_EQ(ScrollWindowEx(0x7FFFFFF0, 1, 1, nullptr, nullptr, nullptr, nullptr, 0), ERROR);
}

TEST_F(Painting, ResizeSendsSizeAtOnceAndTheBufferFollows) {
  spy->SetBounds(10, 10, 120, 90);
  EXPECT_EQ(Names(log), (std::vector<std::string>{"WM_SIZE", "Resize"}));
  TMessage sent{WM_SIZE, log[0].W, log[0].L, 0};
  TWMSize size{sent};
  EXPECT_EQ(size.Width(), 120);
  EXPECT_EQ(size.Height(), 90);
  EXPECT_EQ(spy->BackBuffer()->size(), QSize(120, 90));
  // A sunken border takes two pixels each side from the client area.
  spy->SetBorderStyle(TBorderStyle::bsSingle);
  EXPECT_EQ(spy->ClientWidth(), 116);
  EXPECT_EQ(spy->BackBuffer()->size(), QSize(116, 86));
  EXPECT_EQ(GetWindowLongPtr(spy->Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE, WS_EX_CLIENTEDGE);
  spy->SetCtl3D(false);
  EXPECT_EQ(GetWindowLongPtr(spy->Handle(), GWL_STYLE) & WS_BORDER, WS_BORDER);
  EXPECT_EQ(spy->ClientWidth(), 118);
  // A hidden control gets its WM_SIZE too.
  spy->Hide();
  log.clear();
  spy->SetWidth(60);
  EXPECT_EQ(Names(log).front(), "WM_SIZE");
}

// A class without the redraw styles keeps what it painted when its window
// changes size; only the area a growing window newly shows is painted.
TEST_F(Painting, AWindowWithoutRedrawStylesPaintsOnlyWhatItGrowsBy) {
  struct TNoRedraw : TSpyControl {
    explicit TNoRedraw(TComponent* owner) : TSpyControl(owner) {
      classStyle_ &= ~std::uint32_t(CS_HREDRAW | CS_VREDRAW);
    }
  };
  auto* c = new TNoRedraw(form);
  c->SetBounds(10, 100, 100, 50);
  c->SetParent(form);
  HWND h = c->Handle();
  UpdateWindow(h);
  EXPECT_EQ(BufferPixel(c, 50, 25), kRed);
  c->PaintColor = kBlue;
  struct TStep {
    int Width, Height;
    bool Painted;
    TRect Update; // the update area right after the change
  };
  const TStep steps[] = {
      {150, 50, true, TRect(100, 0, 150, 50)}, // wider: the strip on the right
      {150, 80, true, TRect(0, 50, 150, 80)},  // taller: the strip below
      {120, 60, false, TRect()},               // smaller: nothing new to show
      {170, 90, true, TRect(0, 0, 170, 90)},   // both: the two strips
  };
  for (const TStep& step : steps) {
    c->SetBounds(10, 100, step.Width, step.Height);
    TRect box;
    EXPECT_EQ(GetUpdateRect(h, &box, false), step.Painted) << step.Width;
    if (step.Painted) {
      EXPECT_EQ(box, step.Update) << step.Width;
    }
    UpdateWindow(h);
  }
  EXPECT_EQ(BufferPixel(c, 50, 25), kRed); // painted once, kept throughout
  EXPECT_EQ(BufferPixel(c, 130, 25), kBlue);
  EXPECT_EQ(BufferPixel(c, 50, 70), kBlue);
  EXPECT_EQ(BufferPixel(c, 160, 85), kBlue);
  // With the redraw styles every size change repaints the whole window.
  spy->PaintColor = kBlue;
  spy->SetBounds(10, 10, 90, 70);
  TRect box;
  ASSERT_TRUE(GetUpdateRect(spy->Handle(), &box, false));
  EXPECT_EQ(box, TRect(0, 0, 90, 70));
}

TEST_F(Painting, AlignmentTopBottomLeftRightThenClient) {
  auto make = [&](TAlign a, int w, int h) {
    auto* c = new TSpyControl(form);
    c->SetBounds(0, 0, w, h);
    c->SetAlign(a);
    c->SetParent(form);
    return c;
  };
  spy->Hide();
  TControl* client = make(TAlign::alClient, 10, 10);
  TControl* top = make(TAlign::alTop, 10, 20);
  TControl* bottom = make(TAlign::alBottom, 10, 27);
  TControl* left = make(TAlign::alLeft, 30, 10);
  TControl* right = make(TAlign::alRight, 40, 10);
  int cw = form->ClientWidth(), ch = form->ClientHeight();
  EXPECT_EQ(top->BoundsRect(), TRect(0, 0, cw, 20));
  EXPECT_EQ(bottom->BoundsRect(), TRect(0, ch - 27, cw, ch));
  EXPECT_EQ(left->BoundsRect(), TRect(0, 20, 30, ch - 27));
  EXPECT_EQ(right->BoundsRect(), TRect(cw - 40, 20, cw, ch - 27));
  EXPECT_EQ(client->BoundsRect(), TRect(30, 20, cw - 40, ch - 27));
  // A form resize realigns.
  form->SetWidth(form->Width() + 50);
  EXPECT_EQ(client->Width(), cw + 50 - 70);
}

/// A control with both scroll bars.
class TScrolled : public TCustomControl {
  SK_CLASS(TScrolled, TCustomControl)
public:
  using TCustomControl::TCustomControl;
  std::vector<std::pair<int, int>> scrolls;

protected:
  void CreateParams(TCreateParams& p) override {
    TCustomControl::CreateParams(p);
    p.Style |= WS_HSCROLL | WS_VSCROLL;
  }
  void Dispatch(TMessage& m) override {
    if (m.Msg == WM_VSCROLL) {
      TWMScroll s{m};
      scrolls.emplace_back(s.ScrollCode(), s.Pos());
      return;
    }
    TCustomControl::Dispatch(m);
  }
};

TEST_F(Painting, ScrollBarsTakeClientRoomAndAnEmptyRangeDisablesThem) {
  auto* c = new TScrolled(form);
  c->SetBounds(0, 0, 200, 150);
  c->SetParent(form);
  HWND h = c->Handle();
  EXPECT_EQ(c->ClientWidth(), 184);
  EXPECT_EQ(c->ClientHeight(), 134);
  SCROLLINFO si;
  si.fMask = SIF_ALL;
  si.nMin = 0;
  si.nMax = 15000;
  si.nPage = 600;
  si.nPos = 20000;
  EXPECT_EQ(SetScrollInfo(h, SB_VERT, &si, true), 15000 - 599); // clamped
  EXPECT_TRUE(IsScrollBarEnabled(h, SB_VERT));
  si.nMax = 0;
  si.nPage = 1;
  si.nPos = 0;
  SetScrollInfo(h, SB_VERT, &si, true);
  EXPECT_FALSE(IsScrollBarEnabled(h, SB_VERT));
  EXPECT_EQ(c->ClientHeight(), 134); // still there, only disabled
  SCROLLINFO back;
  back.fMask = SIF_ALL;
  GetScrollInfo(h, SB_VERT, &back);
  EXPECT_EQ(back.nMax, 0);
  EXPECT_EQ(back.nPage, 1u);
}

TEST_F(Painting, ScrollBarActionsSendTheirCodesAndTheWindowPlacesTheThumb) {
  auto* c = new TScrolled(form);
  c->SetBounds(0, 0, 200, 150);
  c->SetParent(form);
  HWND h = c->Handle();
  SCROLLINFO si;
  si.fMask = SIF_ALL;
  si.nMin = 0;
  si.nMax = 15000;
  si.nPage = 600;
  si.nPos = 3000;
  SetScrollInfo(h, SB_VERT, &si, true);
  QScrollBar* bar = nullptr;
  for (QScrollBar* b : c->Widget()->findChildren<QScrollBar*>())
    if (b->orientation() == Qt::Vertical) bar = b;
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->minimum(), 0);
  EXPECT_EQ(bar->maximum(), 15000 - 600 + 1);
  EXPECT_EQ(bar->pageStep(), 600);
  EXPECT_EQ(bar->value(), 3000);

  using A = QAbstractSlider::SliderAction;
  const std::pair<A, int> rows[] = {
      {A::SliderSingleStepSub, SB_LINEUP}, {A::SliderSingleStepAdd, SB_LINEDOWN},
      {A::SliderPageStepSub, SB_PAGEUP},   {A::SliderPageStepAdd, SB_PAGEDOWN},
      {A::SliderToMinimum, SB_TOP},        {A::SliderToMaximum, SB_BOTTOM}};
  for (auto [action, code] : rows) {
    c->scrolls.clear();
    bar->triggerAction(action);
    EXPECT_EQ(c->scrolls, (std::vector<std::pair<int, int>>{{code, 0}, {SB_ENDSCROLL, 0}})) << code;
    EXPECT_EQ(bar->value(), 3000) << code; // the window did not move it
  }

  // Dragging the thumb: tracking positions, then the final one on release.
  c->scrolls.clear();
  bar->setSliderDown(true);
  bar->setSliderPosition(7000);
  SCROLLINFO track;
  track.fMask = SIF_TRACKPOS;
  GetScrollInfo(h, SB_VERT, &track);
  EXPECT_EQ(track.nTrackPos, 7000);
  bar->setSliderDown(false);
  EXPECT_EQ(c->scrolls, (std::vector<std::pair<int, int>>{
                            {SB_THUMBTRACK, 7000}, {SB_THUMBPOSITION, 7000}, {SB_ENDSCROLL, 0}}));
  EXPECT_EQ(bar->value(), 3000);
  // The window moves the thumb with SetScrollInfo.
  si.fMask = SIF_POS;
  si.nPos = 7000;
  SetScrollInfo(h, SB_VERT, &si, true);
  EXPECT_EQ(bar->value(), 7000);
}

} // namespace

namespace {

TEST_F(Painting, SetRedrawOffHoldsPaintingBackUntilItIsOnAgain) {
  HWND h = spy->Handle();
  SendMessage(h, WM_SETREDRAW, 0, 0);
  spy->Invalidate();
  PumpEvents();
  UpdateWindow(h);
  EXPECT_TRUE(log.empty());
  SendMessage(h, WM_SETREDRAW, 1, 0); // invalidates everything
  PumpEvents();
  EXPECT_EQ(Names(log), (std::vector<std::string>{"WM_ERASEBKGND", "WM_PAINT"}));
  // A window region becomes the widget's mask.
  HRGN round = CreateEllipticRgn(0, 0, 100, 80);
  EXPECT_EQ(SetWindowRgn(h, round, true), 1);
  EXPECT_FALSE(spy->Widget()->mask().contains(QPoint(0, 0)));
  EXPECT_TRUE(spy->Widget()->mask().contains(QPoint(50, 40)));
  SetWindowRgn(h, nullptr, true);
  EXPECT_TRUE(spy->Widget()->mask().isEmpty());
}

} // namespace

namespace {

/// A control that notes the canvas clip box of each paint.
class TClipNoter : public TCustomControl {
  SK_CLASS(TClipNoter, TCustomControl)
public:
  using TCustomControl::TCustomControl;
  std::vector<TRect> Clips;

protected:
  void Paint() override { Clips.push_back(Canvas()->ClipRect()); }
};

TEST_F(Painting, RepaintErasesAtOnceUnlessTheControlIsOpaque) {
  struct Row {
    bool opaque;
    std::vector<std::string> expected;
  };
  const Row rows[] = {{false, {"WM_ERASEBKGND", "WM_PAINT"}}, {true, {"WM_PAINT"}}};
  for (const Row& r : rows) {
    TControlStyle style = spy->ControlStyle();
    if (r.opaque)
      style.Include(TControlStyleItem::csOpaque);
    else
      style.Exclude(TControlStyleItem::csOpaque);
    spy->SetControlStyle(style);
    log.clear();
    spy->Repaint(); // Invalidate, then Update: painted before it returns
    EXPECT_EQ(Names(log), r.expected) << r.opaque;
    log.clear();
    spy->Invalidate(); // alone it waits for the loop
    EXPECT_TRUE(log.empty());
    PumpEvents();
    EXPECT_EQ(Names(log), r.expected) << r.opaque;
  }
}

TEST_F(Painting, ParentColorFollowsTheParentUntilAColourIsSet) {
  // The erase step shows the colour the control has at that moment.
  auto erasedColour = [&] {
    spy->AnswerEraseOnly = false;
    spy->PaintColor = RGB(1, 2, 3);
    TRect r(0, 0, 4, 4);
    HWND h = spy->Handle();
    TWndMethod old = spy->WindowProc;
    TWindowProcGuard restoreProc{spy, old};
    COLORREF seen = 0;
    spy->WindowProc = [&](TMessage& m) {
      if (m.Msg == WM_PAINT) seen = BufferPixel(spy, 1, 1);
      old(m);
    };
    InvalidateRect(h, &r, true);
    UpdateWindow(h);
    return seen;
  };
  form->SetColor(clLime);
  spy->SetParentColor(true);
  EXPECT_EQ(spy->Color(), clLime);
  EXPECT_EQ(erasedColour(), RGB(0, 255, 0));
  form->SetColor(clBlue); // told through CM_PARENTCOLORCHANGED
  EXPECT_EQ(spy->Color(), clBlue);
  EXPECT_EQ(erasedColour(), kBlue);
  spy->SetColor(clRed); // a colour of its own ends the link
  EXPECT_FALSE(spy->ParentColor());
  form->SetColor(clLime);
  EXPECT_EQ(spy->Color(), clRed);
  EXPECT_EQ(erasedColour(), kRed);
}

TEST_F(Painting, WindowAndClientGeometryThroughTheWindowCalls) {
  struct Row {
    TBorderStyle style;
    bool ctl3D;
    int border; // client inset on every side
  };
  const Row rows[] = {{TBorderStyle::bsNone, true, 0},
                      {TBorderStyle::bsSingle, true, 2},
                      {TBorderStyle::bsSingle, false, 1}};
  for (const Row& r : rows) {
    spy->SetBorderStyle(r.style);
    spy->SetCtl3D(r.ctl3D);
    HWND h = spy->Handle();
    EXPECT_EQ(GetParent(h), form->Handle());
    TRect client, window;
    ASSERT_TRUE(GetClientRect(h, &client));
    ASSERT_TRUE(GetWindowRect(h, &window));
    EXPECT_EQ(client, TRect(0, 0, 100 - 2 * r.border, 80 - 2 * r.border)) << r.border;
    TPoint origin = form->ClientOrigin();
    EXPECT_EQ(window, TRect(origin.x + 10, origin.y + 10, origin.x + 110, origin.y + 90));
    TPoint p(3, 4);
    ASSERT_TRUE(ClientToScreen(h, &p));
    EXPECT_EQ(p, TPoint(window.Left + r.border + 3, window.Top + r.border + 4)) << r.border;
    ASSERT_TRUE(ScreenToClient(h, &p));
    EXPECT_EQ(p, TPoint(3, 4));
  }
  // A handle that is no window answers false.
  TRect none;
  TPoint p;
  EXPECT_FALSE(GetClientRect(HWND(0x7FFFFFF), &none));
  EXPECT_FALSE(ScreenToClient(HWND(0x7FFFFFF), &p));
}

TEST(PaintingCanvas, TheCanvasClipRectIsTheInvalidArea) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 308, 227);
  auto* c = new TClipNoter(&form);
  c->SetBounds(0, 0, 100, 80);
  c->SetParent(&form);
  HWND h = c->Handle();
  UpdateWindow(h);
  TRect a(10, 20, 30, 40), b(50, 20, 60, 25);
  InvalidateRect(h, &a, false);
  InvalidateRect(h, &b, false);
  UpdateWindow(h);
  ASSERT_EQ(c->Clips.size(), 2u);
  EXPECT_EQ(c->Clips[0], TRect(0, 0, 100, 80));
  EXPECT_EQ(c->Clips[1], TRect(10, 20, 60, 40));
  EXPECT_EQ(c->PaintDC(), nullptr); // only while painting
}

TEST(PaintingCanvas, FormSizeIsClientPlusAFixedFrame) {
  struct Row {
    TBorderStyle style;
    int extraW, extraH;
  };
  const Row rows[] = {{TBorderStyle::bsSizeable, 8, 27},
                      {TBorderStyle::bsSingle, 6, 25},
                      {TBorderStyle::bsDialog, 6, 25},
                      {TBorderStyle::bsNone, 0, 0}};
  for (const Row& r : rows) {
    TForm f(nullptr);
    f.SetBorderStyle(r.style);
    f.SetClientWidth(10);
    f.SetClientHeight(10);
    EXPECT_EQ(f.Width(), 10 + r.extraW);
    EXPECT_EQ(f.Height(), 10 + r.extraH);
    f.SetBounds(100, 50, 200, 150);
    // The frame is counted in the size only: the window sits at its
    // position (a window manager draws its frame there).
    EXPECT_EQ(f.ClientOrigin(), TPoint(100, 50));
    TRect wr;
    GetWindowRect(f.Handle(), &wr);
    EXPECT_EQ(wr, TRect(100, 50, 300, 200));
  }
}

/// A windowless control whose paint raises.
class TFailingPaint : public TGraphicControl {
  SK_CLASS(TFailingPaint, TGraphicControl)
public:
  using TGraphicControl::TGraphicControl;

protected:
  void Paint() override { throw Exception("paint failed"); }
};

TEST(PaintingCanvas, AChildPaintThatRaisesLeavesTheDCAsItWas) {
  TForm f(nullptr);
  f.SetBounds(0, 0, 200, 150);
  auto* child = new TFailingPaint(&f);
  child->SetBounds(30, 20, 50, 40);
  child->SetParent(&f);
  TBitmap target(120, 100, pf32bit);
  HDC dc = target.Canvas()->Handle();
  POINT originBefore{};
  GetViewportOrgEx(dc, &originBefore);
  RECT clipBefore{};
  GetClipBox(dc, &clipBefore);
  const int depthBefore = SaveDC(dc);
  RestoreDC(dc, depthBefore);

  EXPECT_THROW(f.PaintControls(dc, nullptr), Exception);

  POINT origin{};
  GetViewportOrgEx(dc, &origin);
  EXPECT_EQ(origin.x, originBefore.x);
  EXPECT_EQ(origin.y, originBefore.y);
  RECT clip{};
  GetClipBox(dc, &clip);
  EXPECT_EQ(TRect(clip), TRect(clipBefore));
  const int depth = SaveDC(dc); // no level left behind by the failed paint
  RestoreDC(dc, depth);
  EXPECT_EQ(depth, depthBefore);
}

} // namespace

namespace {

/// $00BBGGRR of a pixel of what a widget shows.
COLORREF ShownPixel(const QImage& shown, int x, int y) {
  QRgb p = shown.pixel(x, y);
  return RGB(qRed(p), qGreen(p), qBlue(p));
}

// A bordered control shows its whole client area inside the border: the
// frame takes the outermost columns and rows, the client the ones between.
TEST(PaintingBorders, TheFrameSurroundsTheWholeClientArea) {
  const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW), light = GetSysColor(COLOR_BTNHIGHLIGHT),
                 dark = GetSysColor(COLOR_3DDKSHADOW), face = GetSysColor(COLOR_BTNFACE);
  struct Row {
    const char* name;
    bool ctl3D;
    int border;
    // left/top columns from the outside in, then right/bottom ones
    std::vector<COLORREF> topLeft, bottomRight;
  } rows[] = {
      {"sunken edge", true, 2, {shadow, dark}, {light, face}},
      {"single line", false, 1, {RGB(0, 0, 0)}, {RGB(0, 0, 0)}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    auto* form = new TForm(nullptr);
    form->SetBounds(0, 0, 200, 150);
    auto* spy = new TSpyControl(form);
    spy->SetCtl3D(r.ctl3D);
    spy->SetBorderStyle(TBorderStyle::bsSingle);
    spy->SetBounds(10, 10, 41, 31);
    spy->SetParent(form);
    form->Show();
    PumpEvents();
    ASSERT_EQ(spy->ClientWidth(), 41 - 2 * r.border);
    ASSERT_EQ(spy->ClientHeight(), 31 - 2 * r.border);
    QImage shown = spy->Widget()->grab().toImage();
    ASSERT_EQ(shown.width(), 41);
    ASSERT_EQ(shown.height(), 31);
    for (int i = 0; i < r.border; ++i) {
      EXPECT_EQ(ShownPixel(shown, i, 15), r.topLeft[size_t(i)]) << "left column " << i;
      EXPECT_EQ(ShownPixel(shown, 20, i), r.topLeft[size_t(i)]) << "top row " << i;
      EXPECT_EQ(ShownPixel(shown, 40 - i, 15), r.bottomRight[size_t(i)]) << "right column " << i;
      EXPECT_EQ(ShownPixel(shown, 20, 30 - i), r.bottomRight[size_t(i)]) << "bottom row " << i;
    }
    // The client's first and last columns and rows are the client's.
    int b = r.border;
    for (auto [x, y] : {std::pair{b, b}, {40 - b, 15}, {20, 30 - b}, {40 - b, 30 - b}})
      EXPECT_EQ(ShownPixel(shown, x, y), RGB(255, 0, 0)) << x << "," << y;
    delete form;
  }
}

} // namespace

namespace {

// A control's back buffer holds what the screens can show: no stored size
// makes it larger, and painting and scrolling go on as before.
TEST(PaintingBuffers, AreBoundedByWhatCanBeShown) {
  const QSize bound = forms_detail::BackBufferBound();
  ASSERT_GT(bound.width(), 0);
  auto* form = new TForm(nullptr);
  ReadDefinition(form, "object F: TForm\n  object P: TPanel\n    Width = 16000\n"
                       "    Height = 16000\n  end\nend\n");
  auto* panel = dynamic_cast<TWinControl*>(form->FindComponent("P"));
  ASSERT_NE(panel, nullptr);
  panel->Handle();
  EXPECT_EQ(panel->ClientWidth(), 16000);
  EXPECT_LE(panel->BackBuffer()->width(), bound.width());
  EXPECT_LE(panel->BackBuffer()->height(), bound.height());

  auto* spy = new TSpyControl(form);
  spy->SetBounds(0, 0, 2000000000, 2000000000);
  spy->SetParent(form);
  form->Show();
  PumpEvents();
  EXPECT_EQ(spy->BackBuffer()->size(), bound.boundedTo(QSize(2000000000, 2000000000)));
  EXPECT_GT(spy->Paints, 0);
  EXPECT_EQ(BufferPixel(spy, 5, 5), RGB(255, 0, 0));
  // Scrolling moves what the buffer holds; the strip it uncovers is repainted.
  spy->PaintColor = RGB(0, 0, 255);
  TRect strip(0, 0, 100, 10);
  HDC dc = GetDC(spy->Handle());
  HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
  FillRect(dc, &strip, green);
  DeleteObject(green);
  ReleaseDC(spy->Handle(), dc);
  ScrollWindowEx(spy->Handle(), 0, 20, nullptr, nullptr, nullptr, nullptr, SW_INVALIDATE);
  EXPECT_EQ(BufferPixel(spy, 5, 25), RGB(0, 255, 0));
  // What scrolls in from beyond the buffer is repainted.
  ScrollWindowEx(spy->Handle(), -30, -3000000, nullptr, nullptr, nullptr, nullptr, SW_INVALIDATE);
  PumpEvents();
  EXPECT_EQ(BufferPixel(spy, 5, 5), RGB(0, 0, 255));
  delete form;
}

} // namespace
