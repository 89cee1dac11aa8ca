// The tab-control model page controls stand on: tab geometry on every side,
// image room, multi-line rows, the scrolling row, the user's changes with a
// veto, and the raised tabs it draws itself unless owner-drawn.
#include <gtest/gtest.h>

#include "FormsTestSupport.h"
#include "platform/forms/ImgList.h"
#include "platform/forms/TabControl.h"
#include "platform/forms/TestInput.h"
#include "platform/rtl/Strings.h"

namespace {

/// A list of `count` square images of one colour each.
TImageList* ColourImages(TComponent* owner, int size, std::initializer_list<TColor> colours) {
  auto* list = new TImageList(owner);
  list->SetWidth(size);
  list->SetHeight(size);
  for (TColor c : colours) {
    TBitmap b(size, size, pf24bit);
    b.Canvas()->Brush()->SetColor(c);
    b.Canvas()->FillRect(TRect(0, 0, size, size));
    list->Add(&b, nullptr);
  }
  return list;
}
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

TEST(TabControl, TabsOnEverySide) {
  THostForm host;
  auto* tc = host.Add<TCustomTabControl>(0, 0, 300, 150);
  tc->InsertTab(0, "ab", nullptr);
  tc->InsertTab(1, "abcd", nullptr);
  tc->SetTabHeight(20);
  const int l0 = tc->TabRect(0).Right - tc->TabRect(0).Left;
  const int l1 = tc->TabRect(1).Right - tc->TabRect(1).Left;
  struct TRow {
    TTabPosition pos;
    TRect first, second, display;
  } rows[] = {
      {TTabPosition::tpTop, TRect(2, 2, 2 + l0, 22), TRect(2 + l0, 2, 2 + l0 + l1, 22),
       TRect(4, 26, 296, 146)},
      {TTabPosition::tpBottom, TRect(2, 128, 2 + l0, 148), TRect(2 + l0, 128, 2 + l0 + l1, 148),
       TRect(4, 4, 296, 124)},
      {TTabPosition::tpLeft, TRect(2, 2, 22, 2 + l0), TRect(2, 2 + l0, 22, 2 + l0 + l1),
       TRect(26, 4, 296, 146)},
      {TTabPosition::tpRight, TRect(278, 2, 298, 2 + l0), TRect(278, 2 + l0, 298, 2 + l0 + l1),
       TRect(4, 4, 274, 146)},
  };
  for (const TRow& row : rows) {
    tc->SetTabPosition(row.pos);
    const int side = int(row.pos);
    EXPECT_EQ(tc->TabRect(0), row.first) << side;
    EXPECT_EQ(tc->TabRect(1), row.second) << side;
    EXPECT_EQ(tc->DisplayRect(), row.display) << side;
    const TRect second = row.second;
    EXPECT_EQ(tc->IndexOfTabAt(TPoint(second.Left + 1, second.Top + 1)), 1) << side;
  }
  // Bottom and right tabs follow a new size.
  tc->SetTabPosition(TTabPosition::tpRight);
  tc->SetBounds(0, 0, 200, 150);
  EXPECT_EQ(tc->TabRect(0).Right, 198);
}

TEST(TabControl, MultiLineRowsPutTheSelectedRowNextToThePages) {
  THostForm host;
  auto* tc = host.Add<TCustomTabControl>(0, 0, 120, 150);
  for (const char* t : {"first", "second", "third", "fourth", "fifth"})
    tc->InsertTab(tc->TabCount(), t, nullptr);
  tc->SetTabHeight(20);
  EXPECT_EQ(tc->RowCount(), 1);
  tc->SetMultiLine(true);
  ASSERT_GE(tc->RowCount(), 2);
  const int rows = tc->RowCount();
  const int pageSide = 2 + rows * 20; // the bottom of the row next to the pages
  EXPECT_EQ(tc->DisplayRect().Top, pageSide + 4);
  for (int selected : {0, tc->TabCount() - 1}) {
    tc->SetTabIndex(selected);
    EXPECT_EQ(tc->TabRect(selected).Bottom, pageSide) << selected;
    // Every tab lies inside the control, the rows one above the other.
    for (int i = 0; i < tc->TabCount(); ++i) {
      const TRect r = tc->TabRect(i);
      EXPECT_LE(r.Right, 120 - 2 + 1) << i;
      EXPECT_EQ((r.Top - 2) % 20, 0) << i;
    }
  }
  // The first and the last tab share no row (five tabs do not fit in one).
  EXPECT_NE(tc->TabRect(0).Top, tc->TabRect(tc->TabCount() - 1).Top);
}

TEST(TabControl, OneLongRowScrollsWithItsArrowButtons) {
  THostForm host;
  auto* tc = host.Add<TCustomTabControl>(0, 0, 160, 100);
  for (const char* t : {"first", "second", "third", "fourth", "fifth"})
    tc->InsertTab(tc->TabCount(), t, nullptr);
  tc->SetTabHeight(20);
  host.Show();
  ASSERT_TRUE(tc->Scrolling());
  const TRect left = tc->ScrollButtonRect(false), right = tc->ScrollButtonRect(true);
  EXPECT_EQ(left.Left, 160 - 34);
  EXPECT_EQ(right.Right, 160 - 2);
  EXPECT_EQ(tc->TabRect(0).Left, 2);
  // The right button shows later tabs; the first one moves out of sight.
  TestInput::Click(tc, TMouseButton::mbLeft, right.Left + 4, right.Top + 4);
  EXPECT_EQ(tc->FirstShownTab(), 1);
  EXPECT_EQ(tc->TabRect(1).Left, 2);
  EXPECT_LT(tc->TabRect(0).Right, 3);
  EXPECT_EQ(tc->IndexOfTabAt(TPoint(3, 5)), 1);
  EXPECT_EQ(tc->IndexOfTabAt(TPoint(right.Left + 4, right.Top + 4)), -1);
  // Scrolling stops once the last tab shows; the left button goes back.
  for (int i = 0; i < 10; ++i)
    TestInput::Click(tc, TMouseButton::mbLeft, right.Left + 4, right.Top + 4);
  EXPECT_LE(tc->TabRect(4).Right, 160 - 35);
  const int last = tc->FirstShownTab();
  TestInput::Click(tc, TMouseButton::mbLeft, left.Left + 4, left.Top + 4);
  EXPECT_EQ(tc->FirstShownTab(), last - 1);
  // Selecting a tab out of sight scrolls it into view.
  tc->SetTabIndex(0);
  EXPECT_EQ(tc->FirstShownTab(), 0);
  tc->SetTabIndex(4);
  EXPECT_LE(tc->TabRect(4).Right, 160 - 35);
  EXPECT_GE(tc->TabRect(4).Left, 2);
  // The buttons are drawn: the left one with a black arrow, the right one
  // (at its end) greyed.
  UpdateWindow(tc->Handle());
  auto blackIn = [&](const TRect& b) {
    int n = 0;
    for (int y = b.Top; y < b.Bottom; ++y)
      for (int x = b.Left; x < b.Right; ++x)
        if (BufferPixel(tc, x, y) == 0u) ++n;
    return n;
  };
  EXPECT_GE(blackIn(left), 10);
  EXPECT_LT(blackIn(right), blackIn(left));
  // Multi-line rows and wide controls do not scroll.
  tc->SetMultiLine(true);
  EXPECT_FALSE(tc->Scrolling());
  tc->SetMultiLine(false);
  tc->SetBounds(0, 0, 600, 100);
  EXPECT_FALSE(tc->Scrolling());
  EXPECT_TRUE(tc->ScrollButtonRect(true).IsEmpty());
}

TEST(TabControl, ImagesReserveRoomForTabsWithAnImage) {
  THostForm host;
  auto* tc = host.Add<TCustomTabControl>(0, 0, 300, 150);
  tc->InsertTab(0, "ab", nullptr);
  tc->InsertTab(1, "ab", nullptr);
  const int plain = tc->TabRect(0).Right - tc->TabRect(0).Left;
  TImageList* images = ColourImages(host.form, 16, {clRed});
  // Tab 1 reports no image (-1).
  tc->OnGetImageIndex = [](TPersistent*, int tab, int& image) {
    if (tab == 1) image = -1;
  };
  tc->SetTabImages(images);
  struct TRow {
    const char* name;
    int tab, length;
  } rows[] = {{"with an image", 0, plain + 16}, {"without", 1, plain}};
  for (const TRow& row : rows)
    EXPECT_EQ(tc->TabRect(row.tab).Right - tc->TabRect(row.tab).Left, row.length) << row.name;
  // Left and right tabs reserve the images' height.
  images->SetHeight(10);
  tc->SetTabPosition(TTabPosition::tpLeft);
  EXPECT_EQ(tc->TabRect(0).Bottom - tc->TabRect(0).Top, plain + 10);
  // A freed list reserves nothing.
  delete images;
  EXPECT_EQ(tc->TabImages(), nullptr);
  EXPECT_EQ(tc->TabRect(0).Bottom - tc->TabRect(0).Top, plain);
}

TEST(TabControl, DrawsRaisedTabsUnlessOwnerDrawn) {
  THostForm host;
  auto* tc = host.Add<TCustomTabControl>(0, 0, 280, 150);
  tc->SetColor(clBtnFace);
  tc->InsertTab(0, "first", nullptr);
  tc->InsertTab(1, "second", nullptr);
  tc->SetTabImages(ColourImages(host.form, 16, {clRed, clBlue}));
  tc->SetTabIndex(1);
  host.Show();
  auto count = [&](const TRect& r, COLORREF c) {
    int n = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x)
        n += BufferPixel(tc, x, y) == c;
    return n;
  };
  const COLORREF face = ColorToRGB(clBtnFace);
  struct TRow {
    const char* name;
    bool ownerDraw;
  } rows[] = {{"drawn by the model", false}, {"owner-drawn", true}};
  for (const TRow& row : rows) {
    tc->SetOwnerDraw(row.ownerDraw);
    tc->Invalidate();
    UpdateWindow(tc->Handle());
    const TRect first = tc->TabRect(0), second = tc->TabRect(1);
    const int area = (first.Right - first.Left) * (first.Bottom - first.Top);
    if (row.ownerDraw) {
      // Only the background: the control above draws the tabs.
      EXPECT_EQ(count(first, face), area) << row.name;
      EXPECT_EQ(count(second, ColorToRGB(clBlue)), 0) << row.name;
    } else {
      // Each tab shows its image and its text inside a raised edge; the
      // selected one stands out and joins the page (no frame line under it).
      EXPECT_EQ(count(first, ColorToRGB(clRed)), 16 * 16) << row.name;
      EXPECT_EQ(count(second, ColorToRGB(clBlue)), 16 * 16) << row.name;
      EXPECT_GT(count(first, 0x000000), 10) << row.name;
      // The raised edges' outer light line: along the tabs' tops (2 pixels
      // higher on the selected one) and along the page frame's top.
      const COLORREF light = ColorToRGB(cl3DLight);
      EXPECT_EQ(BufferPixel(tc, first.Left + 4, first.Top), light) << row.name;
      EXPECT_EQ(BufferPixel(tc, second.Left + 4, second.Top - 2), light) << row.name;
      EXPECT_EQ(BufferPixel(tc, second.Left + 4, second.Bottom), face) << row.name;
      EXPECT_EQ(BufferPixel(tc, 200, tc->DisplayRect().Top - 4), light) << row.name;
    }
  }
}
