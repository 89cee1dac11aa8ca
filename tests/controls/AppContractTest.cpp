// What the application's two windows use of their owner-drawn controls, on
// the controls built from their authored definitions: the zoom bar's
// position writer and click, the picker's selection and events, the check
// boxes' state, the page control's OnEnter, and the viewer's styled menu.
#include <gtest/gtest.h>

#include "AppDefinitions.h"
#include "ControlsTestSupport.h"
#include "controls/ImagePicker.h"
#include "controls/OwMenus.h"
#include "controls/OwPageControl.h"
#include "controls/OwTrackBar.h"
#include "controls/zq/zqCheckCtrls.h"
#include "platform/forms/Loading.h"
#include "platform/forms/MenuWindow.h"
#include "platform/forms/StdCtrls.h"
#include "platform/forms/TestInput.h"

namespace {
/// The tool window's controls on one form, as its definitions give them.
struct TToolWindow {
  THostForm host{340, 240, clWhite};
  TOwTrackBar* zoom = nullptr;
  TImagePicker* picker = nullptr;
  TzqCheckbox* stayOnTop = nullptr;
  TzqCheckbox* description = nullptr;
  TSpy spy;
  TToolWindow() {
    ReadDefinition(host.form, kToolControlsDefinition);
    ReadDefinition(host.form, kPickerDefinition);
    ReadDefinition(host.form, kCheckBoxesDefinition);
    zoom = dynamic_cast<TOwTrackBar*>(host.form->FindComponent("Egzoom"));
    picker = dynamic_cast<TImagePicker*>(host.form->FindComponent("mapPick"));
    stayOnTop = dynamic_cast<TzqCheckbox*>(host.form->FindComponent("Cstayontop"));
    description = dynamic_cast<TzqCheckbox*>(host.form->FindComponent("cdescr"));
    for (int i = 0; i < 9; ++i)
      picker->AddItem(i / 3, kPickerCaptions[i]);
    picker->RebuildListStrings();
    picker->SetItemIndex(0);
    host.Show();
  }
  /// Nothing waits to be painted in the control's window.
  static bool Painted(TWinControl* c) {
    TRect r;
    return !GetUpdateRect(c->Handle(), &r, false);
  }
};
} // namespace

TEST(AppContract, ZoomBarPositionWriterAndClick) {
  TToolWindow w;
  ASSERT_NE(w.zoom, nullptr);
  EXPECT_EQ(w.zoom->Min(), 2);
  EXPECT_EQ(w.zoom->Max(), 18);
  EXPECT_EQ(w.zoom->Position(), 6);
  EXPECT_EQ(w.zoom->TrackLabel()->Format(), "zoom: %d");
  w.zoom->OnChange = w.spy.Note("change");
  w.zoom->OnClick = w.spy.Note("click");
  struct TRow {
    int written, position;
  } rows[] = {{100, 18}, {0, 2}, {12, 12}};
  for (const TRow& row : rows) {
    UpdateWindow(w.zoom->Handle());
    w.zoom->ChangePosition(row.written);
    EXPECT_EQ(w.zoom->Position(), row.position) << row.written;
    // The thumb and the tick area wait to be painted again.
    EXPECT_FALSE(TToolWindow::Painted(w.zoom)) << row.written;
  }
  // Writing the position it has does nothing.
  UpdateWindow(w.zoom->Handle());
  w.spy.Log.clear();
  w.zoom->ChangePosition(12);
  EXPECT_TRUE(w.spy.Log.empty());
  EXPECT_TRUE(TToolWindow::Painted(w.zoom));
  // A click on the bar (on the thumb: no page step) fires OnClick.
  const TRect thumb = w.zoom->ThumbRect();
  TestInput::Click(w.zoom, TMouseButton::mbLeft, (thumb.Left + thumb.Right) / 2, thumb.Top + 12);
  EXPECT_EQ(w.spy.Log, (std::vector<std::string>{"click"}));
  EXPECT_EQ(w.zoom->Position(), 12);
}

TEST(AppContract, PickerSelection) {
  TToolWindow w;
  ASSERT_NE(w.picker, nullptr);
  EXPECT_EQ(w.picker->ItemIndex(), 0);
  w.picker->OnChange = w.spy.Note("change");
  w.picker->OnClick = w.spy.Note("click");
  // Writing selects, silently.
  w.picker->SetItemIndex(6);
  EXPECT_EQ(w.picker->ItemIndex(), 6);
  w.picker->SetItemIndex(-1);
  EXPECT_EQ(w.picker->ItemIndex(), -1);
  EXPECT_TRUE(w.spy.Log.empty());
  // The user's choice fires OnChange (and OnClick on the click).
  TestInput::Click(w.picker, TMouseButton::mbLeft, 10, 5);
  TComboListWindow* list = w.picker->ListWindow();
  const int h = int(w.picker->Perform(CB_GETITEMHEIGHT, 0, 0));
  w.spy.Log.clear();
  TestInput::Click(list, TMouseButton::mbLeft, 5, 1 + 4 * h + h / 2);
  EXPECT_EQ(w.picker->ItemIndex(), 4);
  EXPECT_EQ(w.spy.Log, (std::vector<std::string>{"click", "change", "change"}));
}

TEST(AppContract, CheckBoxesToggleOnClickOnly) {
  TToolWindow w;
  for (TzqCheckbox* box : {w.stayOnTop, w.description}) {
    ASSERT_NE(box, nullptr);
    w.spy.Log.clear();
    box->OnClick = w.spy.Note("click");
    EXPECT_TRUE(box->Checked());
    TestInput::Click(box, TMouseButton::mbLeft, 5, 8);
    EXPECT_FALSE(box->Checked());
    EXPECT_EQ(w.spy.Log, (std::vector<std::string>{"click"}));
    // As the form storage restores it: stored and repainted, no event.
    UpdateWindow(box->Handle());
    box->SetChecked(true);
    EXPECT_TRUE(box->Checked());
    EXPECT_EQ(w.spy.Log.size(), 1u);
    EXPECT_FALSE(TToolWindow::Painted(box));
  }
}

TEST(AppContract, PageControlReportsTheFocusEntering) {
  THostForm host{320, 240, clWhite};
  host.form->SetClientWidth(320);
  host.form->SetClientHeight(195);
  ReadDefinition(host.form, kPageControlDefinition);
  auto* pages = dynamic_cast<TOwPageControl*>(host.form->FindComponent("OwPageControl1"));
  ASSERT_NE(pages, nullptr);
  auto* panel = dynamic_cast<TWinControl*>(host.form->FindComponent("Panel1"));
  ASSERT_NE(panel, nullptr);
  auto* edit = new TEdit(host.form);
  edit->SetParent(panel);
  TSpy spy;
  pages->OnEnter = spy.Note("enter");
  host.Show();
  EXPECT_EQ(pages->ActivePage()->Caption(), " Navigation ");
  edit->SetFocus();
  spy.Log.clear();
  pages->SetFocus();
  EXPECT_EQ(spy.Log, (std::vector<std::string>{"enter"}));
  // The page control fills the window below the top panel.
  EXPECT_EQ(pages->BoundsRect(), TRect(0, 45, 320, 195));
}

TEST(AppContract, ViewerMenuItemsClickAfterTheMenuCloses) {
  THostForm host;
  ReadDefinition(host.form, kMapMenusDefinition);
  auto* p = dynamic_cast<TOwPopupMenu*>(host.form->FindComponent("p"));
  ASSERT_NE(p, nullptr);
  std::vector<std::string> clicks;
  for (int i = 0; i < p->Items()->Count(); ++i) {
    TMenuItem* item = p->Items()->Items(i);
    item->OnClick = [&clicks, item](TPersistent*) { clicks.push_back(item->Name()); };
  }
  SetScreenMetricsForTests(TScreenMetrics{1024, 768, 96, 32, TRect(0, 0, 1024, 768)});
  SetMenuWindowHook([&](TMenuWindow* window) {
    const TRect second = window->ItemRect(1);
    TestInput::MouseMove(window, second.Left + 30, second.Top + 5);
    TestInput::Click(window, TMouseButton::mbLeft, second.Left + 30, second.Top + 5);
    EXPECT_TRUE(clicks.empty());
  });
  p->Popup(200, 200);
  SetMenuWindowHook(nullptr);
  SetScreenMetricsForTests(std::nullopt);
  EXPECT_EQ(clicks, (std::vector<std::string>{"CopyUTMtoclipboard1"}));
}
