// The tab-control model and the page control: tab geometry, activation,
// page order, hidden tabs, the user's changes, keys, closing, and the tool
// window's page control painted from its stored definition.
#include <gtest/gtest.h>

#include "AppDefinitions.h"
#include "ControlsTestSupport.h"
#include "controls/OwPageControl.h"
#include "platform/forms/Loading.h"
#include "platform/forms/Messages.h"
#include "platform/forms/TestInput.h"
#include "platform/rtl/Strings.h"

namespace {
struct TPages {
  THostForm host{400, 300, clWhite};
  TOwPageControl* pc;
  std::vector<TOwTabSheet*> sheets;
  explicit TPages(int count = 4) {
    pc = host.Add<TOwPageControl>(0, 0, 380, 200);
    for (int i = 0; i < count; ++i) {
      auto* s = new TOwTabSheet(host.form);
      s->SetCaption(" Page " + IntToStr(i) + "  "); // tab text " Page i"
      s->AttachToPageControl(pc);
      sheets.push_back(s);
    }
    pc->SetActivePage(sheets[0]);
    // The pointer lies off the tabs, so changes count as keyboard changes.
    Mouse()->SetCursorPos(pc->ClientToScreen(TPoint(300, 150)));
  }
  std::vector<std::string> Tabs() const {
    std::vector<std::string> t;
    for (int i = 0; i < pc->TabCount(); ++i)
      t.push_back(pc->TabText(i));
    return t;
  }
};

struct TAppPages {
  THostForm host{340, 220, clWhite};
  TOwPageControl* pc = nullptr;
  TAppPages() {
    ReadDefinition(host.form, kPageControlDefinition);
    pc = dynamic_cast<TOwPageControl*>(host.form->FindComponent("OwPageControl1"));
    host.Show();
    UpdateWindow(pc->Handle());
  }
};
} // namespace

TEST(TabControl, GeometryFromTextsFontAndImageRoom) {
  THostForm host;
  auto* tc = host.Add<TCustomTabControl>(0, 0, 300, 150);
  tc->InsertTab(0, "ab", nullptr);
  tc->InsertTab(1, "abcd", nullptr);
  TCanvas measure;
  HDC dc = CreateCompatibleDC(nullptr);
  measure.SetHandle(dc);
  measure.Font()->Assign(*tc->Font());
  const int w1 = measure.TextWidth("ab"), w2 = measure.TextWidth("abcd");
  const int h = measure.TextHeight("gh");
  measure.SetHandle(nullptr);
  DeleteDC(dc);
  EXPECT_EQ(tc->TabRect(0), TRect(2, 2, 2 + w1 + 12, 2 + h + 6));
  EXPECT_EQ(tc->TabRect(1), TRect(2 + w1 + 12, 2, 2 + w1 + w2 + 24, 2 + h + 6));
  tc->SetImageRoom(16);
  EXPECT_EQ(tc->TabRect(0).Right, 2 + w1 + 12 + 16);
  tc->SetTabHeight(30);
  EXPECT_EQ(tc->TabRect(1).Bottom, 32);
  EXPECT_EQ(tc->DisplayRect(), TRect(4, 36, 296, 146));
  EXPECT_EQ(tc->IndexOfTabAt(TPoint(3, 3)), 0);
  EXPECT_EQ(tc->IndexOfTabAt(TPoint(tc->TabRect(1).Left, 10)), 1);
  EXPECT_EQ(tc->IndexOfTabAt(TPoint(5, 40)), -1);
}

TEST(TabControl, PressAndArrowKeysNotifyWithAVeto) {
  THostForm host;
  auto* tc = host.Add<TCustomTabControl>(0, 0, 300, 150);
  for (const char* t : {"one", "two", "three"})
    tc->InsertTab(tc->TabCount(), t, nullptr);
  tc->SetTabIndex(0);
  host.Show();
  std::vector<std::string> log;
  bool allow = true;
  tc->OnChanging = [&](TPersistent*, bool& a) {
    log.push_back("changing " + IntToStr(tc->TabIndex()));
    a = allow;
  };
  tc->OnChange = [&](TPersistent*) { log.push_back("change " + IntToStr(tc->TabIndex())); };
  const TRect second = tc->TabRect(1);
  TestInput::Click(tc, TMouseButton::mbLeft, second.Left + 2, second.Top + 2);
  TestInput::KeyDown(tc, VK_RIGHT);
  allow = false;
  TestInput::KeyDown(tc, VK_LEFT);
  EXPECT_EQ(log, (std::vector<std::string>{"changing 0", "change 1", "changing 1", "change 2",
                                           "changing 2"}));
  EXPECT_EQ(tc->TabIndex(), 2);
}

TEST(TabSheet, TabTextAndImageIndex) {
  TPages p(1);
  TOwTabSheet* s = p.sheets[0];
  s->SetCaption(" Map size ");
  EXPECT_EQ(s->TabText(), " Map siz");
  s->SetShowClose(true);
  EXPECT_EQ(s->TabText(), " Map size  ");
  s->SetShowClose(false);
  s->SetCaption("x");
  EXPECT_EQ(s->TabText(), "");
  s->SetImageIndex(-5);
  EXPECT_EQ(s->ImageIndex(), -1);
  EXPECT_EQ(s->SpacingImageIndex(), 0);
}

TEST(PageControl, ActivationShowsOneSheetAndFiresShowBeforeHide) {
  TPages p;
  std::vector<std::string> log;
  p.sheets[0]->OnHide = [&](TPersistent*) { log.push_back("hide 0"); };
  p.sheets[2]->OnShow = [&](TPersistent*) { log.push_back("show 2"); };
  p.pc->SetActivePage(p.sheets[2]);
  EXPECT_EQ(log, (std::vector<std::string>{"show 2", "hide 0"}));
  EXPECT_EQ(p.pc->ActiveIndex(), 2);
  EXPECT_EQ(p.pc->TabIndex(), 2);
  EXPECT_TRUE(p.sheets[2]->Visible());
  EXPECT_FALSE(p.sheets[0]->Visible());
  // A sheet of another page control is ignored.
  TPages other(1);
  p.pc->SetActivePage(other.sheets[0]);
  EXPECT_EQ(p.pc->ActivePage(), p.sheets[2]);
  // None: no active page, but the old sheet stays visible.
  p.pc->SetActivePage(nullptr);
  EXPECT_EQ(p.pc->ActivePage(), nullptr);
  EXPECT_TRUE(p.sheets[2]->Visible());
  // A disabled tab cannot become active; the active one cannot be disabled.
  p.sheets[1]->SetTabEnable(false);
  p.pc->SetActivePage(p.sheets[1]);
  EXPECT_EQ(p.pc->ActivePage(), nullptr);
  p.pc->SetActivePage(p.sheets[3]);
  try {
    p.sheets[3]->SetTabEnable(false);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Can not disable active tab.");
  }
  EXPECT_TRUE(p.sheets[3]->TabEnable());
}

TEST(PageControl, HiddenTabsAndPageOrder) {
  TPages p;
  p.sheets[1]->SetTabVisible(false);
  EXPECT_EQ(p.pc->TabCount(), 3);
  EXPECT_EQ(p.sheets[1]->VisibleTabIndex(), -1);
  EXPECT_EQ(p.sheets[2]->VisibleTabIndex(), 1);
  // Moving a sheet moves its tab to its new visible position.
  p.sheets[3]->SetPageIndex(0);
  EXPECT_EQ(p.Tabs(), (std::vector<std::string>{" Page 3", " Page 0", " Page 2"}));
  EXPECT_EQ(p.sheets[3]->PageIndex(), 0);
  try {
    p.sheets[3]->SetPageIndex(4);
    FAIL();
  } catch (const EListError& e) {
    EXPECT_EQ(e.Message(), "4 is an invalid PageIndex value.  PageIndex must be between 0 and 3");
  }
  // Hiding the active page's tab selects the tab now at its place.
  p.pc->SetActivePage(p.sheets[0]); // visible tab 1
  p.sheets[0]->SetTabVisible(false);
  EXPECT_EQ(p.pc->ActivePage(), p.sheets[2]);
  // PageIndexAt maps a tab to its page past the hidden ones.
  const TRect tab = p.pc->TabRect(1);
  EXPECT_EQ(p.pc->PageIndexAt(TPoint(tab.Left + 3, tab.Top + 3)), 3);
}

TEST(PageControl, NextVisiblePageAndCtrlTab) {
  TPages p;
  p.sheets[1]->SetTabVisible(false);
  EXPECT_EQ(p.pc->NextVisiblePage(p.sheets[0], true, true), p.sheets[2]);
  EXPECT_EQ(p.pc->NextVisiblePage(p.sheets[0], false, true), p.sheets[3]);
  EXPECT_EQ(p.pc->NextVisiblePage(p.sheets[0], true, false), p.sheets[1]);
  p.pc->SetActivePage(p.sheets[3]);
  p.host.Show();
  p.pc->SetFocus();
  TestInput::KeyDown(p.pc, VK_CONTROL, {TShiftStateItem::ssCtrl});
  EXPECT_EQ(p.pc->Perform(CM_DIALOGKEY, VK_TAB), 1);
  EXPECT_EQ(p.pc->ActivePage(), p.sheets[0]); // wrapped
  TestInput::KeyDown(p.pc, VK_SHIFT, {TShiftStateItem::ssCtrl, TShiftStateItem::ssShift});
  p.pc->Perform(CM_DIALOGKEY, VK_TAB);
  EXPECT_EQ(p.pc->ActivePage(), p.sheets[3]); // back over the hidden page
  TestInput::KeyUp(p.pc, VK_SHIFT);
  TestInput::KeyUp(p.pc, VK_CONTROL);
  EXPECT_EQ(p.pc->Perform(CM_DIALOGKEY, VK_TAB), 0);

  TPages one(1);
  EXPECT_EQ(one.pc->NextVisiblePage(one.sheets[0], true, true), one.sheets[0]);
  one.sheets[0]->SetTabVisible(false);
  EXPECT_EQ(one.pc->NextVisiblePage(one.sheets[0], true, true), nullptr);
}

TEST(PageControl, CanChangeVetoKeepsThePage) {
  TPages p;
  std::vector<std::string> log;
  bool allow = false;
  p.pc->OnCanChange = [&](TPersistent*, int from, int to, bool& a) {
    log.push_back(IntToStr(from) + "->" + IntToStr(to));
    a = allow;
  };
  p.host.Show();
  const TRect tab = p.pc->TabRect(2);
  Mouse()->SetCursorPos(p.pc->ClientToScreen(TPoint(tab.Left + 3, tab.Top + 3)));
  TestInput::Click(p.pc, TMouseButton::mbLeft, tab.Left + 3, tab.Top + 3);
  EXPECT_EQ(p.pc->ActivePage(), p.sheets[0]);
  allow = true;
  TestInput::Click(p.pc, TMouseButton::mbLeft, tab.Left + 3, tab.Top + 3);
  EXPECT_EQ(p.pc->ActivePage(), p.sheets[2]);
  EXPECT_EQ(log, (std::vector<std::string>{"0->2", "0->2"}));
}

TEST(PageControl, RemovingPages) {
  struct TRow {
    const char* name;
    int active, removed, expectActive;
  } rows[] = {
      {"the active page", 1, 1, 2},
      {"another page", 0, 2, 3}, // the page after the removed one becomes active
      {"the last page wraps", 3, 3, 0},
  };
  for (const TRow& row : rows) {
    TPages p;
    p.pc->SetActivePage(p.sheets[std::size_t(row.active)]);
    p.pc->RemovePage(p.sheets[std::size_t(row.removed)]);
    EXPECT_EQ(p.pc->ActivePage(), p.sheets[std::size_t(row.expectActive)]) << row.name;
    EXPECT_EQ(p.pc->PageCount(), 3) << row.name;
    EXPECT_EQ(p.sheets[std::size_t(row.removed)]->PageControl(), nullptr) << row.name;
  }
  TPages single(1);
  single.pc->RemovePage(single.sheets[0]);
  EXPECT_EQ(single.pc->ActivePage(), nullptr);
  // Freeing the active sheet activates the next one without asking.
  TPages freed;
  bool asked = false;
  freed.pc->OnCanChange = [&](TPersistent*, int, int, bool&) { asked = true; };
  delete freed.sheets[0];
  EXPECT_EQ(freed.pc->ActivePage(), freed.sheets[1]);
  EXPECT_FALSE(asked);
}

TEST(PageControl, AcceleratorsGoThroughTheVisibleTabIndex) {
  TPages p;
  p.sheets[2]->SetCaption("&Settings");
  p.sheets[0]->SetTabVisible(false); // the tabs before shift by one
  p.pc->SetActivePage(p.sheets[1]);
  p.host.Show();
  EXPECT_EQ(p.pc->Perform(CM_DIALOGCHAR, 's'), 1);
  EXPECT_EQ(p.pc->ActivePage(), p.sheets[2]);
  EXPECT_EQ(p.pc->TabIndex(), 1);
  EXPECT_TRUE(p.pc->CanShowTab(1));
  EXPECT_FALSE(p.pc->CanShowTab(3));
}

TEST(PageControl, CloseGlyphProtocol) {
  for (bool canClose : {false, true}) {
    TPages p;
    p.pc->SetActivePage(p.sheets[1]);
    p.sheets[1]->SetShowClose(true);
    std::vector<std::string> log;
    p.sheets[1]->OnCanClose = [&](TPersistent*, bool& c) {
      log.push_back("can close");
      c = canClose;
    };
    p.sheets[1]->OnClose = [&](TPersistent*) { log.push_back("close"); };
    p.pc->OnChange = [&](TPersistent*) { log.push_back("change"); };
    p.host.Show();
    const TRect tab = p.pc->TabRect(1);
    TestInput::Click(p.pc, TMouseButton::mbLeft, tab.Left + 5, tab.Top + 5);
    if (!canClose) {
      EXPECT_EQ(log, (std::vector<std::string>{"can close"}));
      EXPECT_EQ(p.pc->ActivePage(), p.sheets[1]);
    } else {
      EXPECT_EQ(log, (std::vector<std::string>{"can close", "close", "change"}));
      EXPECT_EQ(p.pc->ActivePage(), p.sheets[2]);
      EXPECT_EQ(p.pc->PageCount(), 3);
      EXPECT_EQ(p.sheets[1]->PageControl(), nullptr); // kept by its owner
    }
  }
}

TEST(PageControl, DefaultsAndSettingRules) {
  TPages p(2);
  p.sheets[1]->SetTabColor(clRed);
  p.pc->SetDefaultTabColor(clYellow);
  EXPECT_EQ(p.sheets[0]->TabColor(), clYellow);
  EXPECT_EQ(p.sheets[1]->TabColor(), clRed);
  p.pc->SetTabStyle(TTabStyle::tsDotNet);
  try {
    p.pc->SetTabSplitLine(true);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "TabSplitLine must be false when TabStyle is tsDotNet/tsTarvex");
  }
  EXPECT_FALSE(p.pc->TabSplitLine());
  p.pc->SetTabStyle(TTabStyle::tsClassic);
  p.pc->SetTabSplitLine(true);
  p.pc->SetTabStyle(TTabStyle::tsTarvex); // no check this way round
  EXPECT_TRUE(p.pc->TabSplitLine());
  EXPECT_EQ(p.pc->Version(), "1.5.0.8");
  try {
    p.pc->TabMargin()->SetMargin(4, 1);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Invalid property index 4.");
  }
  // A new sheet takes the page control's default colours.
  p.pc->SetDefaultTextColor(clNavy);
  auto* s = new TOwTabSheet(p.host.form);
  s->AttachToPageControl(p.pc);
  EXPECT_EQ(s->TextColor(), clNavy);
  EXPECT_EQ(s->TabColor(), clYellow);
}

TEST(PageControl, BoldActiveFontPadsTheActiveTab) {
  TPages p(2);
  p.pc->ActiveFont()->SetStyle(fsBold);
  p.pc->UpdateActiveTabText(p.sheets[0]);
  const std::string padded = p.pc->TabText(0);
  EXPECT_GT(padded.size(), p.sheets[0]->TabText().size());
  EXPECT_EQ(padded.substr(0, p.sheets[0]->TabText().size()), p.sheets[0]->TabText());
  p.pc->SetActivePage(p.sheets[1]);
  EXPECT_EQ(p.pc->TabText(0), p.sheets[0]->TabText());
  EXPECT_GT(p.pc->TabText(1).size(), p.sheets[1]->TabText().size());
}

TEST(PageControl, AppPageControlPaints) {
  TAppPages a;
  TOwPageControl* pc = a.pc;
  ASSERT_EQ(pc->PageCount(), 5);
  EXPECT_EQ(pc->ActivePage()->Caption(), " Navigation ");
  EXPECT_EQ(pc->TabText(2), " Navigatio");
  EXPECT_EQ(pc->ActivePage()->BoundsRect(), pc->DisplayRect());
  const int B = pc->TabRect(0).Bottom;
  const TRect active = pc->TabRect(2), inactive = pc->TabRect(0);
  auto at = [&](int x, int y) { return WindowPixel(pc, x, y); };
  // Row B: the page colour under the active tab, clGray under the others.
  EXPECT_EQ(at(active.Left + 10, B), 0xFFFFFFu);
  EXPECT_EQ(at(inactive.Left + 10, B), 0x808080u);
  // The inactive tabs are $DADADA inside a clGray outline.
  EXPECT_EQ(at(inactive.Left + 2, inactive.Top + 2), 0xDADADAu);
  EXPECT_EQ(at(inactive.Left, inactive.Top + 5), 0x808080u);
  EXPECT_EQ(at(inactive.Left + 5, inactive.Top - 1), 0x808080u);
  // The active tab is white, outlined on three sides.
  EXPECT_EQ(at(active.Left + 2, active.Top + 1), 0xFFFFFFu);
  EXPECT_EQ(at(active.Left, active.Top + 5), 0x808080u);
  // The caption starts at r.Left + 4 (no dark pixel before it).
  bool textBefore = false, textAt = false;
  for (int y = inactive.Top; y < inactive.Bottom; ++y) {
    for (int x = inactive.Left + 1; x < inactive.Left + 4; ++x)
      textBefore |= at(x, y) == 0;
    for (int x = inactive.Left + 4; x < inactive.Left + 12; ++x)
      textAt |= at(x, y) == 0;
  }
  EXPECT_FALSE(textBefore);
  EXPECT_TRUE(textAt);
  // The page is white inside its clGray frame.
  EXPECT_EQ(at(0, B + 20), 0x808080u);
  EXPECT_EQ(at(2, B + 20), 0xFFFFFFu);
  EXPECT_EQ(at(100, 100), 0xFFFFFFu);
}

TEST(PageControl, OnEnterFiresOnce) {
  TAppPages a;
  int enters = 0;
  a.pc->OnEnter = [&](TPersistent*) { ++enters; };
  a.pc->SetFocus();
  Pump();
  EXPECT_EQ(enters, 1);
}
