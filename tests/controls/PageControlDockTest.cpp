// The page control as a docking site: docked forms become pages that follow
// their caption and visibility, a press on their tab starts a drag, a double
// click floats them and their page goes; refusals and failures leave the
// pages as they were.
#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "controls/OwPageControl.h"
#include "platform/forms/Docking.h"
#include "platform/forms/StdCtrls.h"
#include "platform/forms/TestInput.h"

namespace {
/// A docking page control with two pages of its own and a form to dock.
struct TDockPages {
  THostForm host{400, 300, clWhite};
  TOwPageControl* pc;
  std::vector<TOwTabSheet*> sheets;
  TForm* docked = new TForm(nullptr);
  TDockPages() {
    pc = host.Add<TOwPageControl>(0, 0, 380, 200);
    pc->SetDockSite(true);
    for (const char* caption : {" First  ", " Second  "}) {
      auto* s = new TOwTabSheet(host.form);
      s->SetCaption(caption);
      s->AttachToPageControl(pc);
      sheets.push_back(s);
    }
    pc->SetActivePage(sheets[0]);
    docked->SetBounds(450, 40, 150, 100);
    docked->SetCaption("Layers  ");
    docked->Show();
    host.Show();
    // The pointer lies off the tabs, so page steps count as keyboard steps.
    Mouse()->SetCursorPos(pc->ClientToScreen(TPoint(300, 150)));
  }
  ~TDockPages() { delete docked; }
  /// A point on the tab of a page.
  TPoint OnTab(TOwTabSheet* page) const {
    const TRect r = pc->TabRect(page->VisibleTabIndex());
    return TPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
  }
};
} // namespace

TEST(PageControlDock, ADockedFormBecomesTheActivePageWithItsCaption) {
  TDockPages d;
  ASSERT_TRUE(d.docked->ManualDock(d.pc));
  ASSERT_EQ(d.pc->PageCount(), 3);
  TOwTabSheet* page = d.pc->Pages(2);
  EXPECT_EQ(d.pc->ActivePage(), page);
  EXPECT_EQ(d.pc->DockPageOf(d.docked), page);
  EXPECT_EQ(d.docked->Parent(), page);
  EXPECT_EQ(page->Owner(), d.pc);
  EXPECT_EQ(page->Caption(), "Layers  ");
  EXPECT_EQ(d.pc->TabText(2), "Layers");
  // The form fills its page.
  EXPECT_EQ(d.docked->Align(), TAlign::alClient);
  EXPECT_EQ(d.docked->BoundsRect(), page->ClientRect());
  EXPECT_EQ(d.pc->DockPageOf(d.sheets[0]), nullptr);

  // The tab follows the caption, up to its first line break.
  struct TRow {
    const char* caption;
    const char* tab;
  } rows[] = {{"Legend  ", "Legend  "},
              {"Legend  \r\nsecond line", "Legend  "},
              {"Scale  \nbar", "Scale  "},
              {"\nnothing before", ""}};
  for (const TRow& row : rows) {
    d.docked->SetCaption(row.caption);
    EXPECT_EQ(page->Caption(), row.tab) << row.caption;
  }
}

TEST(PageControlDock, TheTabHidesAndShowsWithTheForm) {
  TDockPages d;
  ASSERT_TRUE(d.docked->ManualDock(d.pc));
  TOwTabSheet* page = d.pc->DockPageOf(d.docked);
  d.docked->Hide();
  EXPECT_FALSE(page->TabVisible());
  EXPECT_EQ(d.pc->TabCount(), 2);
  EXPECT_NE(d.pc->ActivePage(), page);
  d.docked->Show();
  EXPECT_TRUE(page->TabVisible());
  EXPECT_EQ(d.pc->TabCount(), 3);

  // A form docked while hidden gets a hidden tab and does not become active.
  auto* hidden = new TForm(d.host.form);
  hidden->SetCaption("Hidden  ");
  ASSERT_TRUE(hidden->ManualDock(d.pc));
  EXPECT_FALSE(d.pc->DockPageOf(hidden)->TabVisible());
  EXPECT_NE(d.pc->ActivePage(), d.pc->DockPageOf(hidden));
}

TEST(PageControlDock, FloatingTheActiveDockedPageStepsOnAndFreesItsSheet) {
  TDockPages d;
  ASSERT_TRUE(d.docked->ManualDock(d.pc));
  TOwTabSheet* page = d.pc->DockPageOf(d.docked);
  TSpy spy;
  page->OnHide = spy.Note("page hidden");
  d.pc->OnChange = spy.Note("change");
  const TPoint tab = d.OnTab(page);
  TestInput::DoubleClick(d.pc, TMouseButton::mbLeft, tab.x, tab.y);
  EXPECT_EQ(d.pc->PageCount(), 2);
  EXPECT_EQ(d.pc->ActivePage(), d.sheets[0]); // the next visible page, wrapping
  EXPECT_EQ(spy.Log, (std::vector<std::string>{"page hidden", "change"}));
  EXPECT_EQ(d.docked->HostDockSite(), nullptr);
  EXPECT_EQ(d.docked->Parent(), nullptr);
  EXPECT_EQ(d.docked->Align(), TAlign::alNone);
  EXPECT_TRUE(d.docked->Showing());
  EXPECT_EQ(d.pc->DockClientCount(), 0);

  // Docked again it gets a new page.
  ASSERT_TRUE(d.docked->ManualDock(d.pc));
  EXPECT_EQ(d.pc->PageCount(), 3);
}

TEST(PageControlDock, AHostedControlCannotDockTwice) {
  TDockPages d;
  ASSERT_TRUE(d.docked->ManualDock(d.pc));
  TOwTabSheet* page = d.pc->DockPageOf(d.docked);
  EXPECT_FALSE(d.docked->ManualDock(d.pc));
  EXPECT_EQ(d.pc->PageCount(), 3);
  EXPECT_EQ(d.pc->DockPageOf(d.docked), page);
  TRect influence;
  bool canDock = true;
  d.pc->GetSiteInfo(d.docked, influence, TPoint(0, 0), canDock);
  EXPECT_FALSE(canDock);
  canDock = false; // a control nobody hosts may
  d.pc->GetSiteInfo(d.sheets[0], influence, TPoint(0, 0), canDock);
  EXPECT_TRUE(canDock);
  // Dock-over offers the whole page control.
  TDragDockObject drag;
  bool accept = true;
  d.pc->DockOver(drag, 5, 5, TDragState::dsDragMove, accept);
  const TPoint origin = d.pc->ClientToScreen(TPoint(0, 0));
  EXPECT_EQ(drag.DockRect, TRect(origin.x, origin.y, origin.x + 380, origin.y + 200));
  EXPECT_TRUE(accept);
}

TEST(PageControlDock, AFailedDockFreesTheNewSheet) {
  TDockPages d;
  // The form that holds the page control cannot go inside it.
  EXPECT_THROW(d.host.form->ManualDock(d.pc), EInvalidOperation);
  EXPECT_EQ(d.pc->PageCount(), 2);
  EXPECT_EQ(d.pc->TabCount(), 2);
  EXPECT_EQ(d.pc->ActivePage(), d.sheets[0]);
  EXPECT_EQ(d.host.form->HostDockSite(), nullptr);
  EXPECT_EQ(d.pc->DockClientCount(), 0);
  // The next dock starts afresh.
  ASSERT_TRUE(d.docked->ManualDock(d.pc));
  EXPECT_EQ(d.docked->Parent(), d.pc->Pages(2));
}

TEST(PageControlDock, APressOnADockedTabStartsItsDrag) {
  TDockPages d;
  ASSERT_TRUE(d.docked->ManualDock(d.pc));
  std::vector<std::tuple<TControl*, bool, int>> starts;
  TDragStartHook old = SetDragStartHook([&](TControl* c, bool immediate, int threshold) {
    starts.emplace_back(c, immediate, threshold);
  });
  const TPoint own = d.OnTab(d.sheets[1]);
  TestInput::Click(d.pc, TMouseButton::mbLeft, own.x, own.y);
  EXPECT_TRUE(starts.empty()) << "a page of its own";
  EXPECT_EQ(d.pc->DockClientAt(own), nullptr);
  const TPoint tab = d.OnTab(d.pc->DockPageOf(d.docked));
  EXPECT_EQ(d.pc->DockClientAt(tab), d.docked);
  TestInput::Click(d.pc, TMouseButton::mbLeft, tab.x, tab.y);
  EXPECT_EQ(starts, (std::vector<std::tuple<TControl*, bool, int>>{{d.docked, false, -1}}));
  EXPECT_EQ(d.pc->DockClientAt(TPoint(300, 150)), nullptr) << "off the tabs";
  // Hidden tabs before it do not shift it, and without DockSite there is none.
  d.sheets[0]->SetTabVisible(false);
  EXPECT_EQ(d.pc->DockClientAt(d.OnTab(d.pc->DockPageOf(d.docked))), d.docked);
  d.pc->SetDockSite(false);
  EXPECT_EQ(d.pc->DockClientAt(tab), nullptr);
  SetDragStartHook(old);
}

TEST(PageControlDock, TheCloseGlyphOfADockingSiteClosesOnePageOnThePress) {
  TDockPages d;
  auto* third = new TOwTabSheet(d.host.form);
  third->SetCaption(" Third  ");
  third->AttachToPageControl(d.pc);
  for (TOwTabSheet* s : {d.sheets[0], d.sheets[1], third})
    s->SetShowClose(true);
  TSpy spy;
  d.sheets[0]->OnClose = spy.Note("first closed");
  d.sheets[1]->OnClose = spy.Note("second closed");
  const TRect r = d.pc->TabRect(0);
  TestInput::MouseDown(d.pc, TMouseButton::mbLeft, r.Left + 5, r.Top + 5);
  EXPECT_EQ(spy.Log, (std::vector<std::string>{"first closed"}));
  EXPECT_EQ(d.pc->ActivePage(), d.sheets[1]);
  // The second page's glyph now lies under the pointer: the release keeps it.
  ASSERT_TRUE(d.pc->CloseGlyphHit(0, TPoint(r.Left + 5, r.Top + 5)));
  TestInput::MouseUp(d.pc, TMouseButton::mbLeft, r.Left + 5, r.Top + 5);
  EXPECT_EQ(spy.Log, (std::vector<std::string>{"first closed"}));
  EXPECT_EQ(d.pc->ActivePage(), d.sheets[1]);
}
