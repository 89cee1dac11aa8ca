#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

#include "platform/forms/StdCtrls.h"
#include "platform/forms/TestInput.h"
#include "platform/forms/WindowPlacement.h"
#include "tests/platform/forms/FormsTestSupport.h"
#include "tests/support/ScreenOverride.h"

namespace {

TEST(WindowCalls, ShowEnableRaiseMoveAndEnumerate) {
  TForm a(nullptr), b(nullptr);
  a.SetBounds(0, 0, 200, 100);
  b.SetBounds(50, 50, 200, 100);
  HWND ha = a.Handle(), hb = b.Handle();
  EXPECT_FALSE(IsWindowVisible(ha));
  ShowWindow(ha, SW_SHOWNORMAL);
  ShowWindow(hb, SW_SHOWMINIMIZED);
  EXPECT_TRUE(IsWindowVisible(ha));
  EXPECT_TRUE(IsIconic(hb));
  ShowWindow(hb, SW_RESTORE);
  EXPECT_FALSE(IsIconic(hb));
  EXPECT_EQ(b.WindowState(), TWindowState::wsNormal);

  SetForegroundWindow(ha);
  EXPECT_EQ(GetActiveWindow(), ha);
  std::vector<HWND> order;
  EnumWindows([&](HWND h) {
    order.push_back(h);
    return true;
  });
  ASSERT_GE(order.size(), 2u);
  EXPECT_EQ(order[0], ha); // raised last
  auto posB = std::find(order.begin(), order.end(), hb);
  EXPECT_NE(posB, order.end());
  int visited = 0;
  EnumWindows([&](HWND) { return ++visited < 1; });
  EXPECT_EQ(visited, 1);

  EXPECT_FALSE(EnableWindow(ha, false)); // was enabled
  EXPECT_FALSE(IsWindowEnabled(ha));
  EXPECT_TRUE(EnableWindow(ha, true));
  MoveWindow(ha, 5, 6, 300, 150, true);
  EXPECT_EQ(a.BoundsRect(), TRect(5, 6, 305, 156));
  SetWindowPos(ha, HWND_TOP, 0, 0, 100, 60, SWP_NOMOVE);
  EXPECT_EQ(a.BoundsRect(), TRect(5, 6, 105, 66));
  ShowWindow(ha, SW_HIDE);
  EXPECT_FALSE(a.Visible());
  EXPECT_EQ(GetSystemMetrics(SM_CXVSCROLL), 16);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), Screen()->Width());
}

TEST(WindowCalls, WindowsThatStayOnTopStayAboveTheOthers) {
  TForm tool(nullptr), map(nullptr), note(nullptr);
  tool.SetFormStyle(TFormStyle::fsStayOnTop);
  tool.SetBounds(100, 100, 200, 100);
  map.SetBounds(0, 0, 400, 300);
  note.SetBounds(150, 120, 100, 60);
  const HWND ht = tool.Handle(), hm = map.Handle(), hn = note.Handle();
  auto order = [&] {
    std::vector<HWND> ours;
    EnumWindows([&](HWND h) {
      if (h == ht || h == hm || h == hn) ours.push_back(h);
      return true;
    });
    return ours;
  };
  struct Step {
    const char* what;
    std::function<void()> act;
    std::vector<HWND> expected;
  };
  const Step steps[] = {
      {"the tool window, then the map window shown",
       [&] {
         tool.Show();
         map.Show();
       },
       {ht, hm, hn}},
      {"the map window raised and made active", [&] { SetForegroundWindow(hm); }, {ht, hm, hn}},
      {"a second window that stays on top", [&] {
         note.SetFormStyle(TFormStyle::fsStayOnTop);
         note.Show();
       },
       {hn, ht, hm}},
      {"the map window raised again", [&] { map.Show(); }, {hn, ht, hm}},
      {"the tool window no longer on top, the map window raised",
       [&] {
         tool.SetFormStyle(TFormStyle::fsNormal);
         map.Show();
       },
       {hn, hm, ht}},
  };
  for (const Step& s : steps) {
    s.act();
    EXPECT_EQ(order(), s.expected) << s.what;
  }
}

TEST(WindowCalls, FormsSitWhereTheyArePlaced) {
  // The window manager draws its frame at the form's position; without one
  // the window itself is there. Screen coordinates follow the window.
  TForm f(nullptr);
  f.SetBounds(120, 80, 300, 200);
  TPanel* panel = new TPanel(&f);
  panel->SetParent(&f);
  panel->SetBounds(10, 20, 50, 40);
  f.Show();
  QWidget* w = f.Widget();
  EXPECT_EQ(w->pos(), QPoint(120, 80));
  const QPoint client = w->mapToGlobal(QPoint(0, 0));
  EXPECT_EQ(f.ClientToScreen(TPoint(0, 0)), TPoint(client.x(), client.y()));
  const QPoint inPanel = panel->Widget()->mapToGlobal(QPoint(3, 4));
  EXPECT_EQ(panel->ClientToScreen(TPoint(3, 4)), TPoint(inPanel.x(), inPanel.y()));
  // Moved, it goes where it is told.
  f.SetBounds(40, 30, 300, 200);
  EXPECT_EQ(w->pos(), QPoint(40, 30));
  f.Hide();
}

TEST(WindowCalls, AStoredPlacementKeepsTheWindowOnTheScreen) {
  const sktest::TScreenOverride screen(1280, 1024);
  struct TRow {
    const char* What;
    TRect Stored;
    TPoint At;
  } rows[] = {
      {"from a 2560-pixel screen", TRect(1800, 319, 2429, 662), TPoint(651, 319)},
      {"damaged", TRect(-5000, -5000, -4371, -4657), TPoint(0, 0)},
      {"below the screen", TRect(100, 3000, 729, 3343), TPoint(100, 681)},
      {"caption above the screen", TRect(100, -30, 729, 313), TPoint(100, 0)},
      {"partly off at the right, still to grab", TRect(1000, 100, 1629, 443), TPoint(1000, 100)},
      {"on the screen", TRect(195, 194, 824, 537), TPoint(195, 194)},
  };
  for (const TRow& row : rows) {
    TForm f(nullptr);
    WINDOWPLACEMENT p;
    p.showCmd = SW_SHOWNORMAL;
    p.rcNormalPosition = row.Stored;
    ASSERT_TRUE(SetWindowPlacement(f.Handle(), &p));
    EXPECT_EQ(TPoint(f.Left(), f.Top()), row.At) << row.What;
    EXPECT_EQ(f.Width(), 629) << row.What;
  }
}

TEST(WindowCalls, FormsCenterByPositionOnFirstShow) {
  TScreenMetrics m;
  m.Width = 1024;
  m.Height = 768;
  SetScreenMetricsForTests(m);
  TForm f(nullptr);
  f.SetBounds(0, 0, 300, 200);
  f.SetPosition(TPosition::poScreenCenter);
  f.Show();
  EXPECT_EQ(f.Left(), 362);
  EXPECT_EQ(f.Top(), 284);
  f.Hide();
  f.SetLeft(0);
  f.Show(); // only the first show places it
  EXPECT_EQ(f.Left(), 0);
  SetScreenMetricsForTests(std::nullopt);
}

/// A windowless control that paints itself green and logs its mouse input.
class TGreenBox : public TGraphicControl {
  SK_CLASS(TGreenBox, TGraphicControl)
public:
  using TGraphicControl::TGraphicControl;
  std::vector<std::string> Events;

protected:
  void Paint() override {
    TRect r(-50, -50, 500, 500); // larger than the box: clipped to it
    HBRUSH b = CreateSolidBrush(RGB(0, 255, 0));
    FillRect(PaintDC(), &r, b);
    DeleteObject(b);
    SetPixel(PaintDC(), 0, 0, RGB(0, 0, 255)); // the origin is the box's corner
  }
  void MouseDown(TMouseButton, TShiftState, int x, int y) override {
    Events.push_back("down " + std::string(1, char('0' + x)) + std::string(1, char('0' + y)));
  }
  void Click() override { Events.push_back("click"); }
};

TEST(WindowCalls, WindowlessChildrenPaintIntoTheParentAndGetItsMouseInput) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 208, 127);
  auto* host = new TSpyControl(&form);
  host->SetBounds(0, 0, 100, 80);
  host->SetParent(&form);
  auto* box = new TGreenBox(&form);
  box->SetBounds(20, 10, 30, 20);
  box->SetParent(host);
  host->HandleNeeded();
  host->Invalidate();
  host->Update();
  EXPECT_EQ(BufferPixel(host, 20, 10), RGB(0, 0, 255));
  EXPECT_EQ(BufferPixel(host, 49, 29), RGB(0, 255, 0));
  EXPECT_EQ(BufferPixel(host, 50, 30), RGB(255, 0, 0)); // the host's own paint
  EXPECT_EQ(BufferPixel(host, 19, 10), RGB(255, 0, 0));
  TestInput::Click(host, TMouseButton::mbLeft, 23, 14);
  TestInput::Click(host, TMouseButton::mbLeft, 70, 70); // not over the box
  EXPECT_EQ(box->Events, (std::vector<std::string>{"down 34", "click"}));
  EXPECT_EQ(host->Paints, 1);
}

TEST(WindowCalls, AControlFreedInsideItsOwnInputEventIsSafe) {
  auto* form = new TForm(nullptr);
  form->SetBounds(0, 0, 208, 127);
  auto* c = new TSpyControl(form);
  c->SetBounds(0, 0, 100, 80);
  c->SetParent(form);
  form->Show();
  bool freed = false;
  c->OnMouseDown = [&](TPersistent*, TMouseButton, TShiftState, int, int) {
    // The handler itself goes with the control: it touches nothing afterwards.
    freed = true;
    delete form; // the form and the control go while Qt delivers the press
  };
  QWidget* w = c->Widget();
  QPointF p(5, 5);
  QMouseEvent press(QEvent::MouseButtonPress, p, w->mapToGlobal(p), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(w, &press);
  EXPECT_TRUE(freed);
  PumpEvents(); // the widgets go now
}

} // namespace
