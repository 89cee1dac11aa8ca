// The windowing layer's focus and dialog-key messages as the controls see
// them when driven by real input: CM_ENTER/CM_EXIT along the containers,
// CM_FOCUSCHANGED to every control, CM_DIALOGKEY for keys the focused
// control leaves alone and CM_DIALOGCHAR for accelerators.
#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "controls/OwPageControl.h"
#include "controls/OwTrackBar.h"
#include "controls/zq/zqCheckCtrls.h"
#include "platform/forms/StdCtrls.h"
#include "platform/forms/TestInput.h"

namespace {
/// A form with an edit outside a panel, and an edit and a check box inside.
struct TFocusForm {
  THostForm host{300, 200, clWhite};
  TEdit* outside = host.Add<TEdit>(10, 10, 100, 22);
  TPanel* panel = host.Add<TPanel>(10, 50, 200, 100);
  TEdit* inside = nullptr;
  TzqCheckbox* box = nullptr;
  TSpy spy;
  TFocusForm() {
    inside = new TEdit(host.form);
    inside->SetParent(panel);
    inside->SetBounds(5, 5, 100, 22);
    box = new TzqCheckbox(host.form);
    box->SetParent(panel);
    box->SetBounds(5, 40, 120, 17);
    box->SetCaption("&Stay on top");
    outside->OnEnter = spy.Note("outside enter");
    outside->OnExit = spy.Note("outside exit");
    panel->OnEnter = spy.Note("panel enter");
    panel->OnExit = spy.Note("panel exit");
    inside->OnEnter = spy.Note("inside enter");
    inside->OnExit = spy.Note("inside exit");
    host.Show();
  }
  void Focus(TWinControl* c) {
    c->SetFocus();
    Pump();
  }
};
} // namespace

TEST(FocusRouting, EnterAndExitFollowTheContainers) {
  TFocusForm f;
  f.Focus(f.outside);
  f.spy.Log.clear();
  f.Focus(f.inside);
  EXPECT_EQ(f.spy.Log, (std::vector<std::string>{"outside exit", "panel enter", "inside enter"}));
  f.spy.Log.clear();
  f.Focus(f.box); // inside the panel still: the panel neither exits nor enters
  EXPECT_EQ(f.spy.Log, (std::vector<std::string>{"inside exit"}));
  f.spy.Log.clear();
  f.Focus(f.outside);
  EXPECT_EQ(f.spy.Log, (std::vector<std::string>{"panel exit", "outside enter"}));
}

TEST(FocusRouting, EveryControlHearsOfTheNewFocus) {
  TFocusForm f;
  // The check box keeps its focused look only while it has the focus.
  f.Focus(f.box);
  EXPECT_TRUE(f.box->DrawState().Contains(TzqDrawStateItem::dsFocused));
  f.Focus(f.outside);
  EXPECT_FALSE(f.box->DrawState().Contains(TzqDrawStateItem::dsFocused));
  // The panel (a container, not the focus) hears it too, with the control.
  std::vector<LPARAM> heard;
  TWndMethod old = f.panel->WindowProc;
  f.panel->WindowProc = [&](TMessage& m) {
    if (m.Msg == CM_FOCUSCHANGED) heard.push_back(m.LParam);
    old(m);
  };
  f.Focus(f.inside);
  f.panel->WindowProc = old;
  EXPECT_EQ(heard, std::vector<LPARAM>{LPARAM(f.inside)});
}

TEST(FocusRouting, AcceleratorsReachTheirControlFromTypedCharacters) {
  TFocusForm f;
  auto* bar = f.host.Add<TOwTrackBar>(120, 10, 150, 30); // takes no characters
  struct TRow {
    const char* name;
    TWinControl* typedInto;
    TShiftState shift;
    bool toggles;
  } rows[] = {
      {"Alt+S in an edit", f.outside, {TShiftStateItem::ssAlt}, true},
      {"S in an edit (the edit takes it)", f.outside, {}, false},
      {"S on a track bar, the box unfocused", bar, {}, false},
      {"Alt+S on a track bar", bar, {TShiftStateItem::ssAlt}, true},
      {"Alt+X (no such accelerator)", bar, {TShiftStateItem::ssAlt}, false},
  };
  for (const TRow& row : rows) {
    f.Focus(row.typedInto);
    const bool before = f.box->Checked();
    const bool x = std::string(row.name).find("Alt+X") == 0;
    TestInput::KeyDown(row.typedInto, x ? 'X' : 'S', row.shift, x ? "x" : "s");
    TestInput::KeyUp(row.typedInto, x ? 'X' : 'S', row.shift);
    EXPECT_EQ(f.box->Checked() != before, row.toggles) << row.name;
  }
}

TEST(FocusRouting, CtrlTabStepsThePagesHoldingTheFocus) {
  THostForm host{400, 300, clWhite};
  auto* pc = host.Add<TOwPageControl>(0, 0, 380, 200);
  std::vector<TOwTabSheet*> sheets;
  for (const char* caption : {" One  ", " T&wo  ", " Three  "}) {
    auto* s = new TOwTabSheet(host.form);
    s->SetCaption(caption);
    s->AttachToPageControl(pc);
    sheets.push_back(s);
  }
  pc->SetActivePage(sheets[0]);
  auto* onPage = new TEdit(host.form);
  onPage->SetParent(sheets[0]);
  onPage->SetBounds(5, 5, 100, 22);
  auto* elsewhere = host.Add<TEdit>(10, 250, 100, 22);
  auto* bar = host.Add<TOwTrackBar>(150, 240, 150, 30);
  host.Show();
  // The pointer lies off the tabs: the changes count as keyboard changes.
  Mouse()->SetCursorPos(pc->ClientToScreen(TPoint(300, 150)));
  const TShiftState ctrl{TShiftStateItem::ssCtrl};
  onPage->SetFocus();
  Pump();
  TestInput::KeyDown(onPage, VK_TAB, ctrl);
  TestInput::KeyUp(onPage, VK_TAB, ctrl);
  EXPECT_EQ(pc->ActivePage(), sheets[1]);
  elsewhere->SetFocus();
  Pump();
  TestInput::KeyDown(elsewhere, VK_TAB, ctrl);
  TestInput::KeyUp(elsewhere, VK_TAB, ctrl);
  EXPECT_EQ(pc->ActivePage(), sheets[1]); // the focus is not in the page control
  // A page's accelerator, typed on a control that takes no characters.
  pc->SetActivePage(sheets[0]);
  bar->SetFocus();
  Pump();
  TestInput::KeyDown(bar, 'W', {}, "w");
  TestInput::KeyUp(bar, 'W');
  EXPECT_EQ(pc->ActivePage(), sheets[1]);
}
