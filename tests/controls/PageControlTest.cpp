// The page control: activation,
// page order, hidden tabs, the user's changes, keys, closing, and the tool
// window's page control painted from its stored definition.
#include <gtest/gtest.h>

#include "AppDefinitions.h"
#include "ControlsTestSupport.h"
#include "controls/OwPageControl.h"
#include "controls/OwPaintUtil.h"
#include "platform/forms/ImgList.h"
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
    // The tool window's client area below its top panel is 320 x 150.
    host.form->SetClientWidth(320);
    host.form->SetClientHeight(195);
    ReadDefinition(host.form, kPageControlDefinition);
    pc = dynamic_cast<TOwPageControl*>(host.form->FindComponent("OwPageControl1"));
    host.Show();
    UpdateWindow(pc->Handle());
  }
};
} // namespace

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

TEST(PageControl, TabBorder3DHandsTheTabsToTheTabModel) {
  TPages p(3);
  p.pc->TabMargin()->SetLeftMargin(4);
  p.pc->Loaded(); // the spacing is worked out at the end of loading
  auto* images = new TImageList(p.host.form);
  images->SetWidth(12);
  p.pc->SetImages(images);
  p.sheets[1]->SetShowClose(true);
  p.pc->SetActivePage(p.sheets[1]);
  p.pc->SetTabHoverColor(clYellow);
  p.host.Show();
  const int spacing = p.pc->ImageRoom();
  EXPECT_EQ(spacing, 12 + 4);
  EXPECT_EQ(p.pc->TabText(0), " Page 0");
  p.pc->SetTabBorder3D(true);
  // The model shows the captions and Images; the spacing is not reserved.
  EXPECT_TRUE(p.pc->TabBorder3D());
  EXPECT_FALSE(p.pc->OwnerDraw());
  EXPECT_EQ(p.pc->TabImages(), images);
  EXPECT_EQ(p.pc->ImageRoom(), 0);
  EXPECT_EQ(p.pc->TabText(0), " Page 0  ");
  // No close glyph and no hover.
  std::vector<std::string> log;
  p.sheets[1]->OnCanClose = [&](TPersistent*, bool&) { log.push_back("can close"); };
  const TRect tab = p.pc->TabRect(1);
  TestInput::Click(p.pc, TMouseButton::mbLeft, tab.Left + 5, tab.Top + 5);
  TestInput::MouseMove(p.pc, p.pc->TabRect(0).Left + 5, p.pc->TabRect(0).Top + 5);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(p.pc->HoverIndex(), -1);
  // Back: the painter's tab texts and spacing return.
  p.pc->SetTabBorder3D(false);
  EXPECT_TRUE(p.pc->OwnerDraw());
  EXPECT_EQ(p.pc->TabImages(), nullptr);
  EXPECT_EQ(p.pc->ImageRoom(), spacing);
  EXPECT_EQ(p.pc->TabText(0), " Page 0");
  // A tab reports its page's spacing image, or what OnGetImageIndex says.
  p.sheets[2]->SetImageIndex(-3);
  EXPECT_EQ(p.pc->GetImageIndex(2), 0);
  p.sheets[0]->SetImageIndex(5);
  EXPECT_EQ(p.pc->GetImageIndex(0), 5);
  p.pc->OnGetImageIndex = [](TPersistent*, int, int& image) { image = 7; };
  EXPECT_EQ(p.pc->GetImageIndex(0), 7);
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

TEST(PageControl, AppTabsHoldTheirCaptionsWhicheverIsActive) {
  // Tabs are measured in Font and the active one is drawn in ActiveFont:
  // with the window's Tahoma both agree, and every caption (its trailing
  // space aside) ends inside its own tab, active or not.
  TAppPages a;
  TOwPageControl* pc = a.pc;
  EXPECT_EQ(pc->Font()->Name(), "Tahoma");
  EXPECT_EQ(pc->Font()->Height(), pc->ActiveFont()->Height());
  for (int active = 0; active < pc->PageCount(); ++active) {
    pc->SetActivePage(pc->Pages(active));
    UpdateWindow(pc->Handle());
    for (int j = 0; j < pc->PageCount(); ++j) {
      const TRect r = pc->PageTabRect(j);
      std::string caption = pc->Pages(j)->Caption();
      while (!caption.empty() && caption.back() == ' ')
        caption.pop_back();
      int w = 0, h = 0;
      MeasureTextInFont(j == active ? *pc->ActiveFont() : *pc->Font(), caption, w, h);
      EXPECT_LE(r.Left + 4 + w, r.Right) << caption << " with page " << active << " active";
    }
    // No caption pixel of the active tab lies in the next tab's first columns.
    const TRect r = pc->PageTabRect(active);
    for (int y = r.Top + 1; y < r.Bottom - 1; ++y)
      for (int x = r.Right; x < r.Right + 3; ++x)
        EXPECT_NE(WindowPixel(pc, x, y), 0u) << "page " << active << " at " << x << "," << y;
  }
}

TEST(PageControl, OnEnterFiresOnce) {
  TAppPages a;
  int enters = 0;
  a.pc->OnEnter = [&](TPersistent*) { ++enters; };
  a.pc->SetFocus();
  Pump();
  EXPECT_EQ(enters, 1);
}

TEST(PageControl, MultiLineChangesHoldTheRedrawLockUntilDone) {
  struct TRow {
    bool multiLine, allow;
    int lockInChange, lockAfter, activeAfter;
  } rows[] = {
      {true, true, 1, 0, 1},
      {true, false, -1, 0, 0}, // a veto leaves redraw on
      {false, true, 0, 0, 1},
  };
  for (const TRow& row : rows) {
    TPages p(3);
    p.pc->SetMultiLine(row.multiLine);
    p.host.Show();
    int lockInChange = -1;
    p.pc->OnChange = [&](TPersistent*) { lockInChange = p.pc->RedrawLock(); };
    p.pc->OnCanChange = [&](TPersistent*, int, int, bool& allow) { allow = row.allow; };
    TestInput::KeyDown(p.pc, VK_RIGHT);
    EXPECT_EQ(lockInChange, row.lockInChange) << row.multiLine << row.allow;
    EXPECT_EQ(p.pc->RedrawLock(), row.lockAfter) << row.multiLine << row.allow;
    EXPECT_EQ(p.pc->ActiveIndex(), row.activeAfter) << row.multiLine << row.allow;
    // Painting goes on afterwards.
    p.pc->Invalidate();
    UpdateWindow(p.pc->Handle());
    EXPECT_EQ(WindowPixel(p.pc, p.pc->Width() - 2, 5), ColorToRGB(p.pc->TabBackGroundColor()));
  }
}

TEST(PageControl, PagesJoinTheirActiveTabOnEverySide) {
  for (TTabPosition pos :
       {TTabPosition::tpTop, TTabPosition::tpBottom, TTabPosition::tpLeft, TTabPosition::tpRight}) {
    TPages p(3);
    p.pc->SetTabPosition(pos);
    p.pc->SetActiveColor(clWhite);
    p.pc->SetDefaultTabColor(0xDADADA);
    for (TOwTabSheet* s : p.sheets)
      s->SetColor(clWhite);
    p.pc->SetActivePage(p.sheets[1]);
    p.host.Show();
    UpdateWindow(p.pc->Handle());
    const int side = int(pos);
    // The pixel just past each tab's edge at the page: open (white) under
    // the active tab, the grey frame under the others.
    auto pageEdge = [&](int index) {
      const TRect r = p.pc->PageTabRect(index);
      const int mx = (r.Left + r.Right) / 2, my = (r.Top + r.Bottom) / 2;
      switch (pos) {
      case TTabPosition::tpTop:
        return WindowPixel(p.pc, mx, r.Bottom);
      case TTabPosition::tpBottom:
        return WindowPixel(p.pc, mx, r.Top - 1);
      case TTabPosition::tpLeft:
        return WindowPixel(p.pc, r.Right, my);
      default:
        return WindowPixel(p.pc, r.Left - 1, my);
      }
    };
    EXPECT_EQ(pageEdge(1), 0xFFFFFFu) << side;
    EXPECT_EQ(pageEdge(0), 0x808080u) << side;
    EXPECT_EQ(pageEdge(2), 0x808080u) << side;
    // Inactive tabs are filled grey; the caption ink of a side tab runs
    // along the tab (taller than wide).
    const TRect r = p.pc->PageTabRect(0);
    int grey = 0, top = 999, bottom = -1, left = 999, right = -1;
    for (int y = r.Top + 1; y < r.Bottom - 1; ++y)
      for (int x = r.Left + 1; x < r.Right - 1; ++x) {
        const COLORREF c = WindowPixel(p.pc, x, y);
        if (c == 0xDADADA) ++grey;
        if (GetRValue(c) < 100) {
          top = std::min(top, y), bottom = std::max(bottom, y);
          left = std::min(left, x), right = std::max(right, x);
        }
      }
    EXPECT_GT(grey, 50) << side;
    ASSERT_GE(bottom, 0) << side;
    const bool alongY = pos == TTabPosition::tpLeft || pos == TTabPosition::tpRight;
    EXPECT_EQ(bottom - top > right - left, alongY) << side;
  }
}

TEST(PageControl, CloseGlyphLooksFollowThePointer) {
  TPages p(3);
  p.sheets[0]->SetShowClose(true);
  p.pc->SetTabHoverColor(clYellow); // hover tracking on
  p.host.Show();
  UpdateWindow(p.pc->Handle());
  const TRect tab = p.pc->PageTabRect(0);
  // The glyph box of the active top tab: anchor (Left, Top - 1 + LowerActive).
  const int x = tab.Left, y = tab.Top - 1 + p.pc->LowerActive();
  struct TLook {
    const char* name;
    COLORREF outline, cross, inside;
  };
  auto look = [&] {
    return TLook{"", WindowPixel(p.pc, x + 2, y + 6), WindowPixel(p.pc, x + 8, y + 7),
                 WindowPixel(p.pc, x + 4, y + 11)};
  };
  const TLook normal = look();
  TestInput::MouseMove(p.pc, x + 8, y + 7);
  const TLook hot = look();
  TestInput::MouseMove(p.pc, x + 40, y + 7);
  const TLook back = look();
  TestInput::MouseDown(p.pc, TMouseButton::mbLeft, x + 8, y + 7);
  const TLook down = look();
  EXPECT_EQ(normal.outline, 0x808080u);
  EXPECT_EQ(normal.cross, 0u);
  EXPECT_EQ(normal.inside, 0xFFFFFFu);
  EXPECT_EQ(hot.outline, 0u);
  EXPECT_EQ(hot.cross, 0x808080u);
  EXPECT_EQ(hot.inside, 0xFFFFFFu);
  EXPECT_EQ(back.outline, 0x808080u);
  EXPECT_EQ(back.cross, 0u);
  EXPECT_EQ(down.outline, 0u);
  EXPECT_EQ(down.cross, 0u);
  EXPECT_EQ(down.inside, 0xC0C0C0u);
}

TEST(PageControl, SkinsStretchTheirMiddleAndKeepTheirCorners) {
  // A 10 x 4 skin: fuchsia (bottom-left, transparent) corners, a red left
  // half with a blue column 4, a green right half.
  TBitmap skin(10, 4, pf24bit);
  for (int yy = 0; yy < 4; ++yy)
    for (int xx = 0; xx < 10; ++xx)
      skin.Canvas()->SetPixels(xx, yy, xx < 5 ? (xx == 4 ? clBlue : clRed) : clLime);
  skin.Canvas()->SetPixels(0, 3, clFuchsia);
  skin.Canvas()->SetPixels(9, 0, clFuchsia);
  auto target = FilledBitmap(40, 4, clWhite);
  DrawSkinHorizontal(&skin, target->Canvas(), 2, 30, 0);
  TCanvas* c = target->Canvas();
  EXPECT_EQ(c->Pixels(0, 0), clWhite);
  EXPECT_EQ(c->Pixels(2, 0), clRed);
  EXPECT_EQ(c->Pixels(2, 3), clWhite); // transparent corner
  EXPECT_EQ(c->Pixels(6, 1), clBlue);  // the left half's last column
  // The middle: source columns 4 and 5 stretched over 20 pixels.
  EXPECT_EQ(c->Pixels(7, 1), clBlue);
  EXPECT_EQ(c->Pixels(26, 1), clLime);
  EXPECT_EQ(c->Pixels(31, 1), clLime);
  EXPECT_EQ(c->Pixels(31, 0), clWhite); // the right half's transparent corner
  EXPECT_EQ(c->Pixels(32, 0), clWhite);
  // Down a column the same way.
  auto column = FilledBitmap(4, 40, clWhite);
  TBitmap tall(4, 10, pf24bit);
  tall.Canvas()->Brush()->SetColor(clRed);
  tall.Canvas()->FillRect(TRect(0, 0, 4, 10));
  tall.Canvas()->SetPixels(0, 9, clFuchsia);
  DrawSkinVertical(&tall, column->Canvas(), 0, 30, 5);
  EXPECT_EQ(column->Canvas()->Pixels(1, 4), clWhite);
  EXPECT_EQ(column->Canvas()->Pixels(1, 5), clRed);
  EXPECT_EQ(column->Canvas()->Pixels(1, 34), clRed);
  EXPECT_EQ(column->Canvas()->Pixels(0, 34), clWhite);
  EXPECT_EQ(column->Canvas()->Pixels(1, 35), clWhite);
}
