#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>

#include "platform/forms/Menus.h"
#include "platform/forms/TestInput.h"
#include "platform/rtl/Strings.h"
#include "tests/platform/forms/FormsTestSupport.h"

namespace {

using S = TShiftStateItem;

class Input : public ::testing::Test {
protected:
  void SetUp() override {
    form = new TForm(nullptr);
    form->SetBounds(10, 10, 308, 227);
    spy = new TSpyControl(form, &log);
    spy->SetBounds(20, 30, 100, 80);
    spy->SetParent(form);
    spy->Filter = {
        "WM_LBUTTONDOWN", "WM_LBUTTONUP", "WM_LBUTTONDBLCLK", "WM_RBUTTONDOWN", "WM_RBUTTONUP",
        "WM_CONTEXTMENU", "Click",        "DblClick",         "MouseDown",      "MouseUp",
        "MouseMove",      "WM_KEYDOWN",   "WM_CHAR",          "WM_KEYUP",       "CN_KEYDOWN",
        "WM_MOUSEWHEEL"};
    log.clear();
  }
  void TearDown() override {
    SetMenuAnswerer(nullptr);
    delete form;
  }
  std::vector<TSpyEntry> log;
  TForm* form = nullptr;
  TSpyControl* spy = nullptr;
};

TEST_F(Input, ClickComesBeforeMouseUpAndOnlyOverTheControl) {
  TestInput::Click(spy, TMouseButton::mbLeft, 5, 6);
  EXPECT_EQ(Names(log), (std::vector<std::string>{"WM_LBUTTONDOWN", "MouseDown", "WM_LBUTTONUP",
                                                  "Click", "MouseUp"}));
  EXPECT_EQ(GetXLParam(log[1].L), 5);
  EXPECT_EQ(GetYLParam(log[1].L), 6);
  EXPECT_EQ(TShiftState::FromBits(log[1].W), (TShiftState{S::ssLeft}));

  log.clear();
  TestInput::MouseDown(spy, TMouseButton::mbLeft, 5, 6);
  TestInput::MouseUp(spy, TMouseButton::mbLeft, 150, 6); // released outside
  EXPECT_EQ(Names(log),
            (std::vector<std::string>{"WM_LBUTTONDOWN", "MouseDown", "WM_LBUTTONUP", "MouseUp"}));
}

TEST_F(Input, DoubleClicksNeedTheStyle) {
  TestInput::DoubleClick(spy, TMouseButton::mbLeft, 5, 5);
  EXPECT_EQ(Names(log),
            (std::vector<std::string>{"WM_LBUTTONDOWN", "MouseDown", "WM_LBUTTONUP", "Click",
                                      "MouseUp", "WM_LBUTTONDBLCLK", "DblClick", "MouseDown",
                                      "WM_LBUTTONUP", "Click", "MouseUp"}));
  EXPECT_TRUE(TShiftState::FromBits(log[7].W).Contains(S::ssDouble));

  log.clear();
  spy->SetControlStyle(spy->ControlStyle() - TControlStyle{TControlStyleItem::csDoubleClicks});
  TestInput::DoubleClick(spy, TMouseButton::mbLeft, 5, 5);
  std::vector<std::string> names = Names(log);
  EXPECT_EQ(std::count(names.begin(), names.end(), "WM_LBUTTONDOWN"), 2);
  EXPECT_EQ(std::count(names.begin(), names.end(), "DblClick"), 0);
}

TEST_F(Input, MovesCarryTheHeldButtonsAndCaptureFollowsThePress) {
  TestInput::MouseDown(spy, TMouseButton::mbLeft, 5, 5);
  EXPECT_TRUE(spy->MouseCapture());
  EXPECT_EQ(GetCapture(), spy->Handle());
  TestInput::MouseMove(spy, -30, 200, {S::ssLeft}); // outside the client area
  ASSERT_EQ(log.back().What, "MouseMove");
  EXPECT_EQ(TShiftState::FromBits(log.back().W), (TShiftState{S::ssLeft}));
  EXPECT_EQ(GetXLParam(log.back().L), -30);
  EXPECT_EQ(GetYLParam(log.back().L), 200);
  TestInput::MouseUp(spy, TMouseButton::mbLeft, -30, 200);
  EXPECT_FALSE(spy->MouseCapture());
  // Losing the capture to another window cancels the mode; releasing it
  // does not.
  spy->Filter.push_back("WM_CANCELMODE");
  log.clear();
  SetCapture(spy->Handle());
  ReleaseCapture();
  EXPECT_TRUE(log.empty());
  SetCapture(spy->Handle());
  SetCapture(form->Handle());
  EXPECT_EQ(Names(log), (std::vector<std::string>{"WM_CANCELMODE"}));
  ReleaseCapture();
  TestInput::MouseMove(spy, 7, 8, {S::ssCtrl});
  EXPECT_EQ(TShiftState::FromBits(log.back().W), (TShiftState{S::ssCtrl}));
}

TEST_F(Input, RightButtonUpIsFollowedByTheContextMenu) {
  auto* menu = new TPopupMenu(form);
  auto* item = new TMenuItem(form);
  item->SetCaption("&Copy");
  menu->Items()->Add(item);
  int clicks = 0;
  item->OnClick = [&](TPersistent*) {
    log.push_back({"ItemClick"});
    ++clicks;
  };
  TPoint at;
  SetMenuAnswerer([&](TPopupMenu* m, TPoint p) {
    log.push_back({"MenuShown"});
    at = p;
    return m->Items()->Items(0);
  });
  spy->SetPopupMenu(menu);
  TestInput::Click(spy, TMouseButton::mbRight, 4, 3);
  EXPECT_EQ(Names(log),
            (std::vector<std::string>{"WM_RBUTTONDOWN", "MouseDown", "WM_RBUTTONUP",
                                      "WM_CONTEXTMENU", "MenuShown", "ItemClick", "MouseUp"}));
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(menu->PopupComponent(), spy);
  EXPECT_EQ(at, spy->ClientToScreen(TPoint(4, 3)));

  // A control that takes the menu away while it handles the button-up
  // (as the map viewer does with its mode button) gets no menu.
  log.clear();
  TWndMethod old = spy->WindowProc;
  TWindowProcGuard restoreProc{spy, old};
  spy->WindowProc = [&](TMessage& m) {
    if (m.Msg != WM_RBUTTONUP) return old(m);
    TPopupMenu* saved = spy->PopupMenu();
    spy->SetPopupMenu(nullptr);
    old(m);
    spy->SetPopupMenu(saved);
  };
  TestInput::Click(spy, TMouseButton::mbRight, 4, 3);
  EXPECT_EQ(std::count(log.begin(), log.end(), TSpyEntry{"MenuShown"}), 0);
  // Freeing the menu clears the control's reference.
  delete menu;
  EXPECT_EQ(spy->PopupMenu(), nullptr);
}

TEST_F(Input, WheelEventsAndTheirBubblingToTheForm) {
  std::vector<std::string> events;
  spy->OnMouseWheelDown = [&](TPersistent*, TShiftState, TPoint p, bool& handled) {
    events.push_back("spy down " + IntToStr(p.x));
    handled = true;
  };
  form->OnMouseWheelUp = [&](TPersistent*, TShiftState, TPoint, bool& handled) {
    events.push_back("form up");
    handled = true;
  };
  TestInput::Wheel(spy, -120, 5, 5);
  TestInput::Wheel(spy, 120, 5, 5); // not handled by the control: the form gets it
  TPoint screen = spy->ClientToScreen(TPoint(5, 5));
  EXPECT_EQ(events, (std::vector<std::string>{"spy down " + IntToStr(screen.x), "form up"}));
}

TEST_F(Input, KeysCarryTheTrackedModifierState) {
  std::vector<std::string> events;
  spy->OnKeyDown = [&](TPersistent*, Word& key, TShiftState shift) {
    events.push_back("down " + IntToStr(key) + (shift.Contains(S::ssCtrl) ? " ctrl" : "") +
                     (GetKeyState(VK_CONTROL) < 0 ? " held" : ""));
  };
  spy->OnKeyPress = [&](TPersistent*, char& key) { events.push_back(std::string("press ") + key); };
  TestInput::KeyDown(spy, 'N', {S::ssCtrl});
  TestInput::KeyDown(spy, 'P', {}, "p");
  EXPECT_EQ(events, (std::vector<std::string>{"down 78 ctrl held", "down 80", "press p"}));
  EXPECT_EQ(GetKeyState(VK_CONTROL), 0);

  // A control that answers CN_KEYDOWN keeps the key from WM_KEYDOWN.
  log.clear();
  TWndMethod old = spy->WindowProc;
  TWindowProcGuard restoreProc{spy, old};
  spy->WindowProc = [&](TMessage& m) {
    old(m);
    if (m.Msg == CN_KEYDOWN && m.WParam == VK_RETURN) m.Result = 1;
  };
  TestInput::KeyDown(spy, VK_RETURN);
  TestInput::KeyDown(spy, VK_TAB);
  EXPECT_EQ(Names(log), (std::vector<std::string>{"CN_KEYDOWN", "CN_KEYDOWN", "WM_KEYDOWN"}));
}

TEST_F(Input, QtEventsTakeTheSamePath) {
  form->Show();
  QWidget* w = spy->Widget();
  ASSERT_NE(w, nullptr);
  QPointF p(12, 9);
  QMouseEvent press(QEvent::MouseButtonPress, p, w->mapToGlobal(p), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QMouseEvent release(QEvent::MouseButtonRelease, p, w->mapToGlobal(p), Qt::LeftButton,
                      Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(w, &press);
  QApplication::sendEvent(w, &release);
  EXPECT_EQ(Names(log), (std::vector<std::string>{"WM_LBUTTONDOWN", "MouseDown", "WM_LBUTTONUP",
                                                  "Click", "MouseUp"}));
  EXPECT_EQ(GetXLParam(log[0].L), 12);

  log.clear();
  bool handled = false;
  spy->OnMouseWheelDown = [&](TPersistent*, TShiftState, TPoint, bool& h) { handled = h = true; };
  QWheelEvent wheel(p, w->mapToGlobal(p), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(w, &wheel);
  EXPECT_TRUE(handled);
  EXPECT_EQ(Names(log), (std::vector<std::string>{"WM_MOUSEWHEEL"}));
  EXPECT_EQ(short(log[0].W >> 16), -120);
}

} // namespace

namespace {

TEST_F(Input, MouseEnterAndLeaveFromQt) {
  form->Show();
  std::vector<std::string> events;
  spy->OnMouseEnter = [&](TPersistent*) { events.push_back("enter"); };
  spy->OnMouseLeave = [&](TPersistent*) { events.push_back("leave"); };
  QEnterEvent enter(QPointF(3, 3), QPointF(3, 3), spy->Widget()->mapToGlobal(QPointF(3, 3)));
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(spy->Widget(), &enter);
  QApplication::sendEvent(spy->Widget(), &leave);
  EXPECT_EQ(events, (std::vector<std::string>{"enter", "leave"}));
  TestInput::MouseMove(spy, 7, 9);
  EXPECT_EQ(Mouse()->CursorPos(), spy->ClientToScreen(TPoint(7, 9)));
}

} // namespace

namespace {

TEST(ShortCuts, KeysWithModifiersAndTheirTexts) {
  using S = TShiftStateItem;
  struct Row {
    Word key;
    TShiftState shift;
    TShortCut code;
    const char* text;
  };
  const Row rows[] = {{VK_DOWN, {S::ssAlt}, 32808, "Alt+Down"},
                      {'N', {S::ssCtrl}, 0x4000 | 'N', "Ctrl+N"},
                      {VK_F1 + 4, {}, VK_F1 + 4, "F5"},
                      {VK_F12, {}, VK_F12, "F12"},
                      {VK_DELETE, {S::ssShift, S::ssCtrl}, 0x6000 | VK_DELETE, "Shift+Ctrl+Del"}};
  for (const Row& r : rows) {
    EXPECT_EQ(ShortCut(r.key, r.shift), r.code) << r.text;
    EXPECT_EQ(ShortCutToText(r.code), r.text);
    EXPECT_EQ(TextToShortCut(r.text), r.code) << r.text;
    Word key;
    TShiftState shift;
    ShortCutToKey(r.code, key, shift);
    EXPECT_EQ(key, r.key);
    EXPECT_EQ(shift, r.shift);
  }
  EXPECT_EQ(TextToShortCut("Hyper+X"), 0);
  EXPECT_EQ(ShortCutToText(0), "");
}

} // namespace
