// Menu windows of owner-drawn popup menus: items measured and drawn through
// their events, columns, item rectangles on the screen, placement at the
// desktop's edge, the messages of hiding, and the menu's change reports.
#include <gtest/gtest.h>

#include "FormsTestSupport.h"
#include "platform/forms/MenuWindow.h"
#include "platform/forms/Menus.h"
#include "platform/forms/TestInput.h"
#include "platform/rtl/Strings.h"

namespace {
/// An owner-drawn popup menu whose items measure 60 x `height` (80 wide
/// for "wide") and log their drawing.
struct TOwnerMenu {
  TForm* form = new TForm(nullptr);
  TPopupMenu* menu = new TPopupMenu(form);
  std::vector<std::string> drawn;
  TOwnerMenu() {
    menu->SetOwnerDraw(true);
    SetScreenMetricsForTests(TScreenMetrics{1024, 768, 96, 32, TRect(0, 0, 1024, 768)});
  }
  ~TOwnerMenu() {
    SetMenuWindowHook(nullptr);
    SetScreenMetricsForTests(std::nullopt);
    delete form;
  }
  TMenuItem* Add(const std::string& caption, int height = 20, TMenuItem* parent = nullptr) {
    auto* item = new TMenuItem(form);
    item->SetCaption(caption);
    item->OnMeasureItem = [caption, height](TPersistent*, TCanvas*, int& w, int& h) {
      w = caption == "wide" ? 80 : 60;
      h = height;
    };
    item->OnAdvancedDrawItem = [this, caption](TPersistent*, TCanvas* c, const TRect& r,
                                               UINT state) {
      // The canvas draws on the menu window; items start at (0, 0).
      const bool onWindow = dynamic_cast<TMenuWindow*>(FindControl(WindowFromDC(c->Handle())));
      drawn.push_back(caption + " " + IntToStr(r.Left) + "," + IntToStr(r.Top) +
                      (state & ODS_MENU_SELECTED ? " selected" : "") +
                      (state & ODS_MENU_DISABLED ? " disabled" : "") +
                      (state & ODS_MENU_CHECKED ? " checked" : "") +
                      (onWindow ? "" : " elsewhere"));
    };
    (parent ? parent : menu->Items())->Add(item);
    return item;
  }
};
} // namespace

TEST(MenuWindow, ItemsAreMeasuredAndDrawnThroughTheirEventsInColumns) {
  TOwnerMenu m;
  m.Add("one");
  TMenuItem* hidden = m.Add("hidden");
  hidden->SetVisible(false);
  m.Add("wide", 24)->SetChecked(true);
  TMenuItem* next = m.Add("next column");
  next->SetBreak(true);
  m.Add("off", 20)->SetEnabled(false);
  struct TSeen {
    TRect bounds;
    std::vector<TRect> items;
    std::vector<std::string> drawn;
  } seen;
  SetMenuWindowHook([&](TMenuWindow* w) {
    seen.bounds = w->BoundsRect();
    for (int i = 0; i < w->ItemCount(); ++i)
      seen.items.push_back(w->ItemClientRect(i));
    seen.drawn = m.drawn;
    TestInput::KeyDown(w, VK_ESCAPE);
  });
  m.menu->Popup(100, 50);
  // Two columns: 80 and 60 wide; 20 + 24 and 20 + 20 high; a 3-pixel frame.
  EXPECT_EQ(seen.bounds, TRect(100, 50, 100 + 140 + 6, 50 + 44 + 6));
  EXPECT_EQ(seen.items, (std::vector<TRect>{TRect(0, 0, 80, 20), TRect(0, 20, 80, 44),
                                            TRect(80, 0, 140, 20), TRect(80, 20, 140, 40)}));
  EXPECT_EQ(seen.drawn, (std::vector<std::string>{"one 0,0", "wide 0,20 checked",
                                                  "next column 80,0", "off 80,20 disabled"}));
}

TEST(MenuWindow, HighlightAndDrawingEventsInTheirOrder) {
  TOwnerMenu m;
  TMenuItem* plain = m.Add("plain");
  TMenuItem* simple = m.Add("simple");
  simple->OnAdvancedDrawItem = nullptr;
  std::vector<std::string> simpleDraws;
  simple->OnDrawItem = [&](TPersistent*, TCanvas*, const TRect&, bool selected) {
    simpleDraws.push_back(selected ? "selected" : "plain");
  };
  TMenuItem* chosen = nullptr;
  plain->OnClick = [&](TPersistent*) { chosen = plain; };
  SetMenuWindowHook([&](TMenuWindow* w) {
    m.drawn.clear();
    const TRect first = w->ItemRect(0);
    TestInput::MouseMove(w, first.Left + 5, first.Top + 5);
    UpdateWindow(w->Handle());
    EXPECT_EQ(w->HotIndex(), 0);
    TestInput::Click(w, TMouseButton::mbLeft, first.Left + 5, first.Top + 5);
    EXPECT_EQ(chosen, nullptr); // the click comes after the window closed
  });
  m.menu->Popup(100, 50);
  EXPECT_EQ(chosen, plain);
  EXPECT_EQ(m.drawn, (std::vector<std::string>{"plain 0,0 selected"}));
  // The item with only a plain draw event was drawn through it.
  ASSERT_FALSE(simpleDraws.empty());
  EXPECT_EQ(simpleDraws.front(), "plain");
}

TEST(MenuWindow, TheMouseReachesAMenuOpenedByARightClick) {
  // The control pressed with the right button holds the mouse until the
  // release, whose default handling opens the menu: the menu takes the
  // mouse from it.
  TOwnerMenu m;
  TMenuItem* first = m.Add("first");
  TMenuItem* second = m.Add("second");
  TMenuItem* chosen = nullptr;
  first->OnClick = [&](TPersistent*) { chosen = first; };
  second->OnClick = [&](TPersistent*) { chosen = second; };
  m.form->SetBounds(0, 0, 300, 200);
  auto* panel = new TCustomControl(m.form);
  panel->SetParent(m.form);
  panel->SetBounds(0, 0, 300, 200);
  panel->SetPopupMenu(m.menu);
  m.form->Show();
  int hot = -1;
  SetMenuWindowHook([&](TMenuWindow* w) {
    const TRect r = w->ItemRect(1);
    TestInput::MouseMove(w, r.Left + 5, r.Top + 5);
    hot = w->HotIndex();
    TestInput::Click(w, TMouseButton::mbLeft, r.Left + 5, r.Top + 5);
  });
  TestInput::MouseDown(panel, TMouseButton::mbRight, 40, 30);
  TestInput::MouseUp(panel, TMouseButton::mbRight, 40, 30);
  EXPECT_EQ(hot, 1);
  EXPECT_EQ(chosen, second);
  m.form->Hide();
}

TEST(MenuWindow, ItemRectanglesOnTheScreen) {
  TOwnerMenu m;
  TMenuItem* first = m.Add("first");
  m.Add("second", 30);
  TMenuItem* hidden = m.Add("hidden");
  hidden->SetVisible(false);
  struct TRow {
    const char* name;
    bool byWindow;
    int position;
    bool found;
    TRect rect;
  } rows[] = {
      {"first, by window", true, 0, true, TRect(103, 53, 163, 73)},
      {"second, found", false, 1, true, TRect(103, 73, 163, 103)},
      {"past the shown items", false, 2, false, TRect()},
      {"before the first", true, -1, false, TRect()},
  };
  SetMenuWindowHook([&](TMenuWindow* w) {
    for (const TRow& row : rows) {
      TRect r;
      const bool found =
          GetMenuItemRect(row.byWindow ? w->Handle() : 0, m.menu->Items(), row.position, &r);
      EXPECT_EQ(found, row.found) << row.name;
      if (found) {
        EXPECT_EQ(r, row.rect) << row.name;
      }
    }
    // A menu no window shows has no items on the screen.
    TRect r;
    EXPECT_FALSE(GetMenuItemRect(0, first, 0, &r));
    TestInput::KeyDown(w, VK_ESCAPE);
  });
  m.menu->Popup(100, 50);
  TRect after;
  EXPECT_FALSE(GetMenuItemRect(0, m.menu->Items(), 0, &after)); // closed
}

TEST(MenuWindow, PlacementAtTheDesktopsEdges) {
  struct TRow {
    const char* name;
    int x, y;
    TRect bounds;
  } rows[] = {
      {"beside the point", 100, 50, TRect(100, 50, 166, 76)},
      {"ending at the point near the right edge", 1000, 50, TRect(934, 50, 1000, 76)},
      {"kept above the bottom edge", 100, 760, TRect(100, 742, 166, 768)},
  };
  for (const TRow& row : rows) {
    TOwnerMenu m;
    m.Add("only");
    TRect bounds;
    SetMenuWindowHook([&](TMenuWindow* w) {
      bounds = w->BoundsRect();
      TestInput::KeyDown(w, VK_ESCAPE);
    });
    m.menu->Popup(row.x, row.y);
    EXPECT_EQ(bounds, row.bounds) << row.name;
  }
}

TEST(MenuWindow, HidingAndDestroyingReachTheWindowProcedure) {
  TOwnerMenu m;
  m.Add("only");
  std::vector<std::string> log;
  SetMenuWindowHook([&](TMenuWindow* w) {
    // A procedure in front of the window's own, as a hook would put it.
    const LONG_PTR own = GetWindowLong(w->Handle(), GWL_WNDPROC);
    const LONG_PTR spy = MakeWndProc([&log, own](HWND h, UINT msg, WPARAM wp, LPARAM lp) {
      if (msg == WM_SHOWWINDOW) log.push_back(wp ? "shown" : "hidden");
      if (msg == WM_DESTROY) log.push_back("destroyed");
      return CallWindowProc(own, h, msg, wp, lp);
    });
    SetWindowLong(w->Handle(), GWL_WNDPROC, spy);
    EXPECT_EQ(GetClassName(w->Handle()), "#32768");
    TestInput::KeyDown(w, VK_ESCAPE);
    log.push_back("closed");
  });
  m.menu->Popup(100, 50);
  EXPECT_EQ(log, (std::vector<std::string>{"hidden", "closed", "destroyed"}));
}

TEST(PopupMenu, ChangesOfItemsReachTheMenu) {
  TOwnerMenu m;
  std::vector<std::string> changes;
  m.menu->OnChange = [&](TPersistent*, TMenuItem* source) {
    changes.push_back(source ? source->Caption() : "menu");
  };
  TMenuItem* first = m.Add("first");
  TMenuItem* sub = m.Add("sub", 20, first);
  first->SetCaption("First");
  sub->SetEnabled(false);
  sub->SetEnabled(false); // unchanged: nothing
  first->Remove(sub);
  EXPECT_EQ(changes, (std::vector<std::string>{"first", "sub", "First", "sub", "First"}));
  EXPECT_EQ(first->GetParentMenu(), m.menu);
  EXPECT_EQ(sub->GetParentMenu(), nullptr);
}
