// Styled menus: utility routines, gradients, the styler and its objects,
// styler lifetimes on the menus, measuring, item drawing by pixel, and the
// map window's menus from their stored definition.
#include <gtest/gtest.h>

#include "AppDefinitions.h"
#include "ControlsTestSupport.h"
#include "controls/OwMenus.h"
#include "platform/forms/Loading.h"
#include "platform/forms/Properties.h"
#include "platform/forms/SystemSettings.h"
#include "platform/forms/Windows.h"

namespace {
int Red(TBitmap& b, int x, int y) {
  return GetRValue(ColorToRGB(b.Canvas()->Pixels(x, y)));
}

struct TMenuFixture {
  THostForm host;
  TOwMenuStyler* styler;
  TOwPopupMenu* menu;
  TMenuFixture() {
    styler = new TOwMenuStyler(host.form);
    menu = new TOwPopupMenu(host.form);
    menu->SetMenuStyler(styler);
  }
  TMenuItem* Add(const std::string& caption) {
    auto* item = new TMenuItem(host.form);
    item->SetCaption(caption);
    menu->Items()->Add(item);
    return item;
  }
};
} // namespace

TEST(MenuUtil, RectanglesColoursFonts) {
  TRect r(0, 0, 24, 20);
  CenterRect(r, 16, 16);
  EXPECT_EQ(r, TRect(4, 2, 20, 18));
  TRect s(0, 0, 5, 5);
  CenterRect(s, 2, 2);
  EXPECT_EQ(s, TRect(1, 1, 3, 3));
  EXPECT_EQ(PackRGBA(1, 2, 3, 0), 0x030201u);
  EXPECT_EQ(PackRGBA(257, 2, 3, 4), 0x04030201u);
  int red, green, blue;
  SplitRGB(clBtnFace, red, green, blue);
  EXPECT_EQ(TColor(RGB(red, green, blue)), TColor(ColorToRGB(clBtnFace)));
  TFont bold;
  bold.SetName("Tahoma");
  bold.SetSize(8);
  bold.SetStyle(fsBold);
  for (int angle : {90, -90}) {
    HFONT f = CreateRotatedFont(bold, angle);
    LOGFONT lf{};
    GetObject(f, sizeof lf, &lf);
    EXPECT_EQ(lf.lfEscapement, angle * 10);
    EXPECT_EQ(lf.lfWeight, 700);
    DeleteObject(f);
  }
  try {
    RaiseInvalidPropertyIndex(4);
    FAIL();
  } catch (const EInvalidPropertyIndex& e) {
    EXPECT_EQ(e.Message(), "Invalid property index 4.");
  }
}

TEST(MenuUtil, AnimationIsOffWhileTheLibraryRuns) {
  // ControlsInitialize switched it off; a nested user restores nothing.
  EXPECT_FALSE(MenuAnimationEnabled());
  MenuAnimationOff();
  MenuAnimationRestore();
  EXPECT_FALSE(MenuAnimationEnabled());
}

TEST(MenuUtil, LayeredWindowProbeReportsThemAbsent) {
  // There is no user32 library here (the start-up ran the probe).
  const TLayeredWindowProbe& probe = LayeredWindowProbe();
  EXPECT_FALSE(probe.Available);
  EXPECT_EQ(probe.UpdateLayeredWindow, nullptr);
  EXPECT_EQ(probe.SetLayeredWindowAttributes, nullptr);
}

TEST(MenuGradients, FillGradientTruncatesTowardTheEnd) {
  auto b = FilledBitmap(4, 4, clWhite);
  FillGradient(b->Canvas(), TRect(0, 0, 4, 4), 0x000000, 0x0000FF,
               TMenuGradientDirection::gdVertical);
  EXPECT_EQ(Red(*b, 1, 0), 0);
  EXPECT_EQ(Red(*b, 1, 1), 63);
  EXPECT_EQ(Red(*b, 1, 2), 127);
  EXPECT_EQ(Red(*b, 1, 3), 191);
  auto solid = FilledBitmap(4, 4, clWhite);
  FillGradient(solid->Canvas(), TRect(0, 0, 4, 4), clRed, clNone,
               TMenuGradientDirection::gdVertical);
  EXPECT_EQ(solid->Canvas()->Pixels(3, 3), clRed);
}

TEST(MenuGradients, PartsJoinIntoTheWholeGradient) {
  auto whole = FilledBitmap(2, 100, clWhite), part = FilledBitmap(2, 100, clWhite);
  FillGradient(whole->Canvas(), TRect(0, 0, 2, 100), 0, 100, TMenuGradientDirection::gdVertical);
  FillGradientPart(part->Canvas(), TRect(0, 0, 2, 100), TRect(0, 50, 2, 60), 0, 100,
                   TMenuGradientDirection::gdVertical);
  for (int y = 50; y < 60; ++y)
    EXPECT_EQ(Red(*part, 0, y), y) << y;
  EXPECT_EQ(part->Canvas()->Pixels(0, 49), clWhite);
  auto outside = FilledBitmap(2, 10, clWhite);
  FillGradientPart(outside->Canvas(), TRect(0, 0, 2, 10), TRect(5, 0, 9, 10), 0, 100,
                   TMenuGradientDirection::gdVertical);
  EXPECT_EQ(outside->Canvas()->Pixels(0, 5), clWhite);
}

TEST(MenuGradients, BoxesAndBands) {
  auto b = FilledBitmap(20, 20, clWhite);
  DrawGradientBox(b->Canvas(), TRect(0, 0, 20, 20), clNone, clNone,
                  TMenuGradientDirection::gdVertical, clBlack, true);
  EXPECT_EQ(b->Canvas()->Pixels(0, 5), clBlack);
  EXPECT_EQ(b->Canvas()->Pixels(5, 5), clWhite);
  auto m = FilledBitmap(20, 20, clWhite);
  DrawMirrorGradientBox(m->Canvas(), TRect(0, 0, 20, 20), clRed, clRed, clBlue, clBlue,
                        TMenuGradientDirection::gdVertical, clNone, true);
  EXPECT_EQ(m->Canvas()->Pixels(5, 9), clRed);
  EXPECT_EQ(m->Canvas()->Pixels(5, 10), clBlue);
  // The separator defaults: a solid line inset by the margin.
  auto line = FilledBitmap(140, 10, clWhite);
  DrawBandedLine(line->Canvas(), TRect(30, 5, 130, 6), 0x8F6D6E, clNone,
                 TMenuGradientDirection::gdHorizontal, TGradientType::gtBoth, 0, 2);
  EXPECT_EQ(line->Canvas()->Pixels(31, 5), clWhite);
  EXPECT_EQ(line->Canvas()->Pixels(32, 5), TColor(0x8F6D6E));
  EXPECT_EQ(line->Canvas()->Pixels(127, 5), TColor(0x8F6D6E));
  EXPECT_EQ(line->Canvas()->Pixels(128, 5), clWhite);
  // Faded ends of 10 pixels around a solid middle of 80.
  auto faded = FilledBitmap(120, 4, clWhite);
  DrawBandedLine(faded->Canvas(), TRect(0, 0, 100, 1), clBlack, clWhite,
                 TMenuGradientDirection::gdHorizontal, TGradientType::gtBoth, 20, 0);
  EXPECT_EQ(faded->Canvas()->Pixels(50, 0), clBlack);
  EXPECT_EQ(faded->Canvas()->Pixels(10, 0), clBlack);
  EXPECT_NE(faded->Canvas()->Pixels(1, 0), clBlack);
}

TEST(MenuStyles, InitialValuesIndexesAndCopies) {
  TOwMenuStyler styler(nullptr);
  EXPECT_EQ(styler.MenuBorderColor(), TColor(0x7C7C94));
  EXPECT_EQ(styler.IconBar()->Size(), 24);
  EXPECT_EQ(styler.SelectedItem()->Color(), TColor(0xC2EEFF));
  EXPECT_EQ(styler.SideBar()->SplitterColorTo, clNone);
  EXPECT_EQ(styler.NotesFont()->Color(), clGray);
  EXPECT_EQ(styler.ButtonAppearance()->CaptionFont()->Name(), "Tahoma");
  styler.IconBar()->SetSize(10);
  EXPECT_EQ(styler.IconBar()->Size(), 16);
  styler.IconBar()->SetSize(30);
  EXPECT_EQ(styler.IconBar()->Size(), 30);
  EXPECT_EQ(styler.RootItem()->GetHoverColor(3), clNone);
  EXPECT_THROW(styler.RootItem()->GetHoverColor(4), EInvalidPropertyIndex);
  EXPECT_THROW(styler.IconBar()->GetColor(2), EInvalidPropertyIndex);

  TSelectedItem a, b;
  b.SetColor(clRed);
  b.ColorMirror = clBlue;
  b.BorderColor = clLime;
  b.Boxes.Check[0] = clYellow;
  b.Boxes.CheckBorder = clRed;
  b.NotesFont()->SetColor(clRed);
  a.Assign(&b);
  EXPECT_EQ(a.ColorMirror, clBlue);
  EXPECT_EQ(a.BorderColor, clLime);
  EXPECT_EQ(a.Boxes.Check[0], clYellow);
  EXPECT_EQ(a.Color(), TColor(0xC2EEFF)); // not copied
  EXPECT_NE(a.NotesFont()->Color(), clRed);
}

TEST(MenuStyles, RefreshesGoToTheLastTaker) {
  TMenuFixture f;
  auto* other = new TOwPopupMenu(f.host.form);
  other->SetMenuStyler(f.styler);
  const int before = f.menu->UpdateCount(), otherBefore = other->UpdateCount();
  f.styler->SetUseSystemFont(false);
  f.styler->IconBar()->SetSize(20);
  EXPECT_EQ(f.menu->UpdateCount(), before);
  EXPECT_EQ(other->UpdateCount(), otherBefore + 2);
  f.styler->IconBar()->Boxes.Check[0] = clRed; // a plain store
  EXPECT_EQ(other->UpdateCount(), otherBefore + 2);
}

TEST(PopupMenu, StylerLifetimesInEitherOrder) {
  {
    // The styler goes first: the menus fall back to fresh internal stylers.
    TMenuFixture f;
    auto* other = new TOwPopupMenu(f.host.form);
    other->SetMenuStyler(f.styler);
    delete f.styler;
    for (TOwPopupMenu* m : {f.menu, other}) {
      EXPECT_EQ(m->MenuStyler(), nullptr);
      ASSERT_NE(m->CurrentStyler(), nullptr);
      EXPECT_EQ(m->CurrentStyler()->Name(), "InternalMenuStyler");
      EXPECT_EQ(m->CurrentStyler()->IconBar()->Size(), 24);
    }
  }
  {
    // The menu goes first: the styler and its objects forget it.
    TMenuFixture f;
    delete f.menu;
    EXPECT_EQ(f.styler->BoundMenu(), nullptr);
    EXPECT_EQ(f.styler->IconBar()->BoundMenu(), nullptr);
    f.styler->SetUseSystemFont(false); // no refresh of a freed menu
  }
  {
    // A styler owned by its menu.
    THostForm host;
    auto* menu = new TOwPopupMenu(host.form);
    auto* own = new TOwMenuStyler(menu);
    menu->SetMenuStyler(own);
    delete own;
    ASSERT_NE(menu->CurrentStyler(), nullptr);
    EXPECT_EQ(menu->MenuStyler(), nullptr);
  }
  {
    // Taking the styler away gives an internal one with initial values.
    TMenuFixture f;
    f.styler->IconBar()->SetSize(40);
    f.menu->SetMenuStyler(nullptr);
    EXPECT_EQ(f.menu->CurrentStyler()->IconBar()->Size(), 24);
    EXPECT_EQ(f.styler->BoundMenu(), nullptr);
  }
}

TEST(PopupMenu, PopupPosition) {
  SetScreenMetricsForTests(TScreenMetrics{1024, 768, 96, 32, TRect(0, 0, 1024, 768)});
  TMenuFixture f;
  TMenuItem* item = f.Add("Google");
  // Measured first item: width w from 10 x 10; W = w + 17.
  TCanvas measure;
  HDC dc = CreateCompatibleDC(nullptr);
  measure.SetHandle(dc);
  AssignMenuFont(*measure.Font());
  int w = 10, h = 10;
  MeasureStyledItem(item, &measure, w, h, false);
  measure.SetHandle(nullptr);
  DeleteDC(dc);
  const int W = w + 17;
  struct TRow {
    TOwPopupMenu::TPopupAlignment alignment;
    int x, expected;
  } rows[] = {
      {TOwPopupMenu::TPopupAlignment::paLeft, 5, 5},
      {TOwPopupMenu::TPopupAlignment::paLeft, 1024 - W - 34, 1024 - W - 34 + 17},
      {TOwPopupMenu::TPopupAlignment::paLeft, 1024 - W - 35, 1024 - W - 35},
      {TOwPopupMenu::TPopupAlignment::paCenter, 1020, 1023},
      {TOwPopupMenu::TPopupAlignment::paRight, 5, 5},
      {TOwPopupMenu::TPopupAlignment::paRight, 500, 517},
  };
  for (const TRow& row : rows) {
    f.menu->SetAlignment(row.alignment);
    EXPECT_EQ(f.menu->PopupX(row.x), row.expected) << row.x;
  }
  SetScreenMetricsForTests(std::nullopt);
  EXPECT_EQ(f.menu->Version(), "2.5.2.0");
}

TEST(MenuMeasure, PlainItemsSeparatorsAndNotes) {
  TMenuFixture f;
  TMenuItem* item = f.Add("Google");
  TMenuItem* separator = f.Add("-");
  TMenuItem* notes = f.Add("Open\\nOpens a file");
  auto bmp = FilledBitmap(10, 10, clWhite);
  TCanvas* c = bmp->Canvas();
  AssignMenuFont(*c->Font());
  const int textWidth = c->TextWidth("Google");
  int w = 0, h = 19;
  MeasureStyledItem(item, c, w, h, false);
  EXPECT_EQ(w, 24 + 15 + textWidth + 7 + 17);
  EXPECT_EQ(h, 22); // 19 - 3 + 5 = 21, rounded up to even
  w = 0, h = 19;
  MeasureStyledItem(separator, c, w, h, false);
  EXPECT_EQ(h, 3);
  EXPECT_EQ(w, -2);
  // Own fonts: the text height + 6, rounded to even.
  f.styler->SetUseSystemFont(false);
  const int textHeight = c->TextHeight("Google");
  w = 0, h = 19;
  MeasureStyledItem(item, c, w, h, false);
  EXPECT_EQ(h, ((textHeight + 6 + 1) / 2) * 2);
  f.styler->SetUseSystemFont(true);
  // Notes add a line; without notes the whole caption is one line.
  int wn = 0, hn = 19, wp = 0, hp = 19;
  MeasureStyledItem(notes, c, wn, hn, false);
  f.menu->SetShowNotes(false);
  MeasureStyledItem(notes, c, wp, hp, false);
  EXPECT_GT(hn, hp);
  // A short-cut widens the item; the Windows-key bit adds "Win+".
  item->SetShortCut(TShortCut(scCtrl | 'C'));
  int ws = 0, hs = 19;
  MeasureStyledItem(item, c, ws, hs, false);
  EXPECT_EQ(ws, 24 + 15 + c->TextWidth("GoogleCtrl+C") + 7 + 17);
  EXPECT_EQ(MenuShortCutText(TShortCut(0x0200 | scCtrl | 'C'), false), "Win+Ctrl+C");
}

TEST(MenuDraw, ItemPixels) {
  TMenuFixture f;
  TMenuItem* plain = f.Add("Google");
  TMenuItem* checked = f.Add("Yahoo");
  checked->SetChecked(true);
  TMenuItem* separator = f.Add("-");
  // A menu window 140 wide: items 20 high, the strip of 17 on the right.
  auto b = FilledBitmap(140, 60, clBlack);
  TCanvas* c = b->Canvas();
  const TRect area(0, 0, 140, 60);
  DrawStyledItem(plain, c, TRect(0, 0, 140, 20), area, false, 1 /* selected */);
  DrawStyledItem(checked, c, TRect(0, 20, 140, 40), area, false, 0);
  DrawStyledItem(separator, c, TRect(0, 40, 140, 43), area, false, 0);
  // The selection box: $C2EEFF framed $6F4B4B, to 17 short of the right.
  EXPECT_EQ(c->Pixels(60, 10), TColor(0xC2EEFF));
  EXPECT_EQ(c->Pixels(0, 10), TColor(0x6F4B4B));
  EXPECT_EQ(c->Pixels(122, 10), TColor(0x6F4B4B));
  EXPECT_EQ(c->Pixels(123, 10), clBlack); // the hidden strip is not drawn
  // The check box: 18 x 18 in the icon column (rows 21 .. 38, x 3 .. 20).
  EXPECT_EQ(c->Pixels(3, 30), TColor(0x6F4B4B));
  EXPECT_EQ(c->Pixels(4, 22), TColor(0x6FC0FF));
  // The background beside the icon column.
  EXPECT_EQ(c->Pixels(100, 25), TColor(0xFFFAFD));
  // The icon column's gradient starts at $FFF9F9 on the left.
  EXPECT_EQ(c->Pixels(0, 25), TColor(0xFFF9F9));
  // The separator line: middle row, from the column + 2 to right - 2.
  EXPECT_EQ(c->Pixels(24 + 2, 41), TColor(0x8F6D6E));
  EXPECT_EQ(c->Pixels(24 + 1, 41), TColor(0xFFFAFD));
  EXPECT_EQ(c->Pixels(120, 41), TColor(0x8F6D6E));
  // Caption text starts 8 pixels right of the icon column.
  bool text = false;
  for (int y = 0; y < 20; ++y)
    for (int x = 32; x < 40; ++x)
      text |= c->Pixels(x, y) == clBlack || GetRValue(ColorToRGB(c->Pixels(x, y))) < 80;
  EXPECT_TRUE(text);
}

TEST(MenuDraw, ShortCutEndsTenPixelsBeforeTheItem) {
  TMenuFixture f;
  TMenuItem* item = f.Add("Copy");
  item->SetShortCut(TShortCut(scCtrl | 'C'));
  auto b = FilledBitmap(200, 20, clWhite);
  DrawStyledItem(item, b->Canvas(), TRect(0, 0, 200, 20), TRect(0, 0, 200, 20), false, 0);
  int last = -1;
  for (int x = 0; x < 200; ++x)
    for (int y = 0; y < 20; ++y)
      if (b->Canvas()->Pixels(x, y) == clBlack) last = x;
  EXPECT_LE(last, 200 - 17 - 10 - 1);
  EXPECT_GE(last, 200 - 17 - 10 - 3);
}

TEST(MenuBackground, PicturePositionsAndCacheInvalidation) {
  TBackground bg;
  auto pic = FilledBitmap(40, 20, clRed);
  TPicture picture;
  picture.SetGraphic(pic.get());
  bg.SetImage(&picture);
  EXPECT_EQ(PicturePosition(bg, TRect(0, 0, 100, 50)), TPoint(30, 15));
  bg.Position = TBackgroundPosition::bpBottomRight;
  EXPECT_EQ(PicturePosition(bg, TRect(0, 0, 100, 50)), TPoint(60, 30));
  TOwMenuStyler styler(nullptr);
  styler.SetPictureCacheValid(true);
  styler.Background()->SetImage(&picture);
  EXPECT_FALSE(styler.PictureCacheValid());
}

TEST(MapMenus, FromTheirDefinition) {
  THostForm host;
  ReadDefinition(host.form, kMapMenusDefinition);
  auto* styler = dynamic_cast<TOwMenuStyler*>(host.form->FindComponent("OwMenuStyler1"));
  auto* p = dynamic_cast<TOwPopupMenu*>(host.form->FindComponent("p"));
  auto* pmap = dynamic_cast<TOwPopupMenu*>(host.form->FindComponent("pmap"));
  ASSERT_TRUE(styler && p && pmap);
  EXPECT_EQ(p->MenuStyler(), styler);
  EXPECT_EQ(pmap->CurrentStyler(), styler);
  EXPECT_EQ(styler->BoundMenu(), static_cast<IStyledMenu*>(pmap)); // the last taker
  EXPECT_EQ(styler->SideBar()->SplitterColorTo, clBlack);
  EXPECT_EQ(styler->NotesFont()->Height(), -8);
  ASSERT_EQ(p->Items()->Count(), 2);
  EXPECT_EQ(p->Items()->Items(1)->Caption(), "Copy UTM to clipboard");
  EXPECT_EQ(pmap->Items()->Count(), 3);
  // The stored fonts, the side bar's bold italic one too.
  EXPECT_EQ(styler->SideBar()->Font()->Style(), fsBold | fsItalic);
  EXPECT_EQ(styler->SideBar()->Font()->Height(), -19);
  EXPECT_EQ(styler->SelectedItem()->NotesFont()->Color(), clWindowText);
  EXPECT_EQ(styler->RootItem()->Font()->Color(), clMenuText);
  EXPECT_EQ(styler->ButtonAppearance()->CaptionFont()->Name(), "Tahoma");
  EXPECT_EQ(styler->SideBar()->Image()->Position, TBackgroundPosition::bpCenter);
  // The loaded step hooked every item of both menus.
  for (TOwPopupMenu* menu : {p, pmap}) {
    EXPECT_TRUE(menu->OwnerDraw());
    for (int i = 0; i < menu->Items()->Count(); ++i) {
      TMenuItem* item = menu->Items()->Items(i);
      EXPECT_NE(item->OnMeasureItem.target<TOwPopupMenu::TMeasureHandler>(), nullptr) << i;
      EXPECT_NE(item->OnAdvancedDrawItem.target<TOwPopupMenu::TDrawHandler>(), nullptr) << i;
    }
  }
  // What a stored form writes: values off their defaults, and always the
  // anti-aliasing mode, positions, gradient type and fonts.
  struct TStored {
    const char* name;
    bool stored;
  } stored[] = {{"IconBar.Size", false},
                {"SideBar.SplitterColorTo", true},
                {"AntiAlias", true},
                {"Background.Position", true},
                {"Separator.GradientType", true},
                {"SideBar.Font.Style", true},
                {"MenuBorderColor", false},
                {"SelectedItem.CheckColor", false},
                {"RootItem.HoverColorMirrorTo", false}};
  for (const TStored& row : stored) {
    const TPropInfo* info = GetPropInfo(*styler, row.name);
    ASSERT_NE(info, nullptr) << row.name;
    EXPECT_EQ(IsStoredProp(*styler, *info), row.stored) << row.name;
  }
  // The viewer's menu answers through the windowing layer's menu loop.
  int clicks = 0;
  p->Items()->Items(0)->OnClick = [&](TPersistent*) { ++clicks; };
  SetMenuAnswerer([](TPopupMenu* menu, TPoint) { return menu->Items()->Items(0); });
  p->Popup(100, 100);
  SetMenuAnswerer(nullptr);
  EXPECT_EQ(clicks, 1);
}

#include "platform/forms/MenuWindow.h"
#include "platform/forms/TestInput.h"
#include "platform/forms/Windows.h"

TEST(MenuWindow, StyledPopupShowsDrawsAndClicksOnceAfterClosing) {
  SetScreenMetricsForTests(TScreenMetrics{1024, 768, 96, 32, TRect(0, 0, 1024, 768)});
  TMenuFixture f;
  TMenuItem* google = f.Add("Google");
  f.Add("-");
  f.Add("Yahoo");
  std::vector<std::string> log;
  google->OnClick = [&](TPersistent*) { log.push_back("click"); };
  struct TSeen {
    TRect bounds, area, region;
    int items = 0;
    COLORREF border = 0, inner = 0, selected = 0;
    bool openAtClick = false;
  } seen;
  SetMenuWindowHook([&](TMenuWindow* w) {
    seen.bounds = w->BoundsRect();
    seen.items = w->ItemCount();
    seen.area = MenuItemArea(w->Item(0), w->Handle());
    UpdateWindow(w->Handle());
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    GetWindowRgn(w->Handle(), rgn);
    GetRgnBox(rgn, &seen.region);
    DeleteObject(rgn);
    seen.border = WindowPixel(w, 1, 10);
    seen.inner = WindowPixel(w, 2, 10);
    const TRect first = w->ItemRect(0);
    TestInput::MouseMove(w, first.Left + 30, first.Top + 5);
    UpdateWindow(w->Handle());
    seen.selected = WindowPixel(w, first.Left + 60, first.Top + 3);
    TestInput::Click(w, TMouseButton::mbLeft, first.Left + 30, first.Top + 5);
    seen.openAtClick = !log.empty();
  });
  f.menu->Popup(100, 200);
  SetMenuWindowHook(nullptr);
  SetScreenMetricsForTests(std::nullopt);
  EXPECT_EQ(seen.items, 3);
  EXPECT_FALSE(seen.openAtClick);
  EXPECT_EQ(log, (std::vector<std::string>{"click"}));
  // Moved once by (-1, -2) from (100, 200).
  EXPECT_EQ(seen.bounds.Left, 99);
  EXPECT_EQ(seen.bounds.Top, 198);
  const int w = seen.bounds.Right - seen.bounds.Left, h = seen.bounds.Bottom - seen.bounds.Top;
  EXPECT_EQ(seen.region, TRect(1, 1, w - 1 - 17, h - 1));
  EXPECT_EQ(seen.border, 0x7C7C94u); // MenuBorderColor
  EXPECT_EQ(seen.inner, 0xFFFAFDu);  // the background colour, one pixel in
  EXPECT_EQ(seen.selected, 0xC2EEFFu);
  // The items' area on the screen: the window less its 3-pixel frame.
  EXPECT_EQ(seen.area, TRect(seen.bounds.Left + 3, seen.bounds.Top + 3, seen.bounds.Right - 3,
                             seen.bounds.Bottom - 3));
}

TEST(MenuWindow, TheHookLastsWhileTheWindowShows) {
  SetScreenMetricsForTests(TScreenMetrics{1024, 768, 96, 32, TRect(0, 0, 1024, 768)});
  TMenuFixture f;
  f.Add("Google");
  f.Add("Yahoo");
  struct TSeen {
    LONG_PTR procHooked = 0, userHooked = 0, procAfter = 0, userAfter = 0;
    bool regionAfter = true;
    TRect bounds, again, region, regionAgain;
  } seen;
  auto regionOf = [](HWND h, TRect& box) {
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    const bool has = GetWindowRgn(h, rgn) != 0;
    GetRgnBox(rgn, &box);
    DeleteObject(rgn);
    return has;
  };
  SetMenuWindowHook([&](TMenuWindow* w) {
    const HWND h = w->Handle();
    seen.procHooked = GetWindowLong(h, GWL_WNDPROC);
    seen.userHooked = GetWindowLong(h, GWL_USERDATA);
    seen.bounds = w->BoundsRect();
    regionOf(h, seen.region);
    // The items drawn again: no second move, the same region.
    w->Invalidate();
    UpdateWindow(h);
    seen.again = w->BoundsRect();
    regionOf(h, seen.regionAgain);
    // Hiding takes the region and the hook away.
    SendMessage(h, WM_SHOWWINDOW, FALSE, 0);
    seen.procAfter = GetWindowLong(h, GWL_WNDPROC);
    seen.userAfter = GetWindowLong(h, GWL_USERDATA);
    TRect none;
    seen.regionAfter = regionOf(h, none);
    TestInput::KeyDown(w, VK_ESCAPE);
  });
  f.menu->Popup(100, 200);
  SetMenuWindowHook(nullptr);
  SetScreenMetricsForTests(std::nullopt);
  EXPECT_EQ(seen.procHooked, MenuWindowProcToken());
  EXPECT_NE(seen.userHooked, 0);
  EXPECT_EQ(seen.again, seen.bounds);
  EXPECT_EQ(seen.regionAgain, seen.region);
  EXPECT_EQ(seen.procAfter, seen.userHooked);
  EXPECT_EQ(seen.userAfter, 0);
  EXPECT_FALSE(seen.regionAfter);
}

TEST(PopupMenu, ItemsKeepTheProgramsOwnHandlers) {
  TMenuFixture f;
  TMenuItem* plain = f.Add("Plain");
  auto* drawn = new TMenuItem(f.host.form);
  drawn->SetCaption("Drawn");
  int ownDraws = 0, ownMeasures = 0;
  drawn->OnAdvancedDrawItem = [&](TPersistent*, TCanvas*, const TRect&, UINT) { ++ownDraws; };
  f.menu->Items()->Add(drawn);
  auto* measured = new TMenuItem(f.host.form);
  measured->SetCaption("Measured");
  measured->OnMeasureItem = [&](TPersistent*, TCanvas*, int&, int&) { ++ownMeasures; };
  f.menu->Items()->Add(measured);
  struct TRow {
    const char* name;
    TMenuItem* item;
    bool engineMeasures, engineDraws;
  } rows[] = {{"plain", plain, true, true},
              {"own draw handler", drawn, true, false},
              {"own measure handler", measured, false, true}};
  for (const TRow& row : rows) {
    EXPECT_EQ(row.item->OnMeasureItem.target<TOwPopupMenu::TMeasureHandler>() != nullptr,
              row.engineMeasures)
        << row.name;
    EXPECT_EQ(row.item->OnAdvancedDrawItem.target<TOwPopupMenu::TDrawHandler>() != nullptr,
              row.engineDraws)
        << row.name;
  }
  // The menu's window measures and draws each item through its handlers.
  SetMenuWindowHook([](TMenuWindow* w) { TestInput::KeyDown(w, VK_ESCAPE); });
  f.menu->Popup(100, 200);
  SetMenuWindowHook(nullptr);
  EXPECT_EQ(ownDraws, 1);
  EXPECT_EQ(ownMeasures, 1);
}

TEST(MenuWindow, OpensLeftOfThePointNearTheEdgeAndEscapeChoosesNothing) {
  SetScreenMetricsForTests(TScreenMetrics{1024, 768, 96, 32, TRect(0, 0, 1024, 768)});
  TMenuFixture f;
  TMenuItem* item = f.Add("Google");
  int clicks = 0;
  item->OnClick = [&](TPersistent*) { ++clicks; };
  TRect bounds;
  SetMenuWindowHook([&](TMenuWindow* w) {
    bounds = w->BoundsRect();
    TestInput::KeyDown(w, VK_ESCAPE);
  });
  f.menu->Popup(950, 100); // shown at 967: it would pass the edge, so it ends there
  SetMenuWindowHook(nullptr);
  SetScreenMetricsForTests(std::nullopt);
  EXPECT_EQ(clicks, 0);
  EXPECT_EQ(bounds.Right + 1, 967); // the window's right edge at X (before the -1 move)
}

TEST(MenuDraw, BackgroundPictureFollowsItsSettingsAndNotesAreNotDrawnWhileMeasuring) {
  TMenuFixture f;
  TMenuItem* item = f.Add("Open\\nOpens a file");
  auto red = FilledBitmap(4, 4, clRed);
  red->Canvas()->SetPixels(0, 3, clWhite); // the transparent colour of a menu picture
  TPicture picture;
  picture.SetGraphic(red.get());
  f.styler->Background()->SetImage(&picture);
  f.styler->Background()->Position = TBackgroundPosition::bpTopLeft;
  const TRect area(0, 0, 140, 40);
  auto first = FilledBitmap(140, 40, clWhite);
  DrawStyledItem(item, first->Canvas(), TRect(0, 0, 140, 40), area, false, 0);
  // With a new position and the same menu size the picture moves.
  f.styler->Background()->Position = TBackgroundPosition::bpBottomRight;
  auto second = FilledBitmap(140, 40, clWhite);
  DrawStyledItem(item, second->Canvas(), TRect(0, 0, 140, 40), area, false, 0);
  EXPECT_NE(first->Canvas()->Pixels(120, 38), clRed);
  EXPECT_EQ(second->Canvas()->Pixels(120, 38), clRed);
  // The text is drawn once: caption and one note line below it.
  int dark = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 30; x < 120; ++x)
      if (GetRValue(ColorToRGB(second->Canvas()->Pixels(x, y))) < 100) ++dark;
  EXPECT_GT(dark, 10);
}

TEST(MenuDraw, SmoothTextModesCentreTheCaptionAndRightAlignTheShortCut) {
  struct TRow {
    TAntiAlias mode;
    bool smooth;
  } rows[] = {{TAntiAlias::aaNone, false},
              {TAntiAlias::aaAntiAlias, true},
              {TAntiAlias::aaClearType, true}};
  for (const TRow& row : rows) {
    TMenuFixture f;
    f.styler->SetAntiAlias(row.mode);
    TMenuItem* item = f.Add("&Copy");
    item->SetShortCut(TShortCut(scCtrl | 'C'));
    auto b = FilledBitmap(200, 24, clWhite);
    const int before = GdipLiveObjects();
    DrawStyledItem(item, b->Canvas(), TRect(0, 0, 200, 24), TRect(0, 0, 200, 24), false, 0);
    EXPECT_EQ(GdipLiveObjects(), before);
    const COLORREF background = 0xFFFAFD;
    int top = 99, bottom = -1, last = -1, greys = 0;
    for (int y = 0; y < 24; ++y)
      for (int x = 24; x < 200; ++x) {
        const COLORREF c = ColorToRGB(b->Canvas()->Pixels(x, y));
        if (c == background || x >= 183) continue;
        if (c != 0) ++greys;
        if (GetRValue(c) > 128) continue; // faint edges do not count as ink
        top = std::min(top, y);
        bottom = std::max(bottom, y);
        last = std::max(last, x);
      }
    const int mode = int(row.mode);
    // Caption and short-cut about the item's middle row.
    EXPECT_NEAR((top + bottom) / 2.0, 12, 2.5) << mode;
    EXPECT_LE(last, 200 - 17 - 10) << mode;
    EXPECT_GE(last, 200 - 17 - 10 - 3) << mode;
    if (row.smooth) {
      EXPECT_GT(greys, 20) << mode;
    } else {
      EXPECT_EQ(greys, 0) << mode;
    }
    // The caption starts 8 pixels right of the icon column.
    int first = 999;
    for (int y = 0; y < 24; ++y)
      for (int x = 24; x < 60; ++x)
        if (GetRValue(ColorToRGB(b->Canvas()->Pixels(x, y))) < 128) first = std::min(first, x);
    EXPECT_NEAR(first, 32, 2) << mode;
  }
}

TEST(MenuDraw, SmoothNotesGoBelowTheCaptionInTheNotesFont) {
  TMenuFixture f;
  f.styler->SetAntiAlias(TAntiAlias::aaAntiAlias);
  f.styler->NotesFont()->SetColor(clRed);
  TMenuItem* item = f.Add("Open\\nOpens a file");
  auto b = FilledBitmap(160, 44, clWhite);
  DrawStyledItem(item, b->Canvas(), TRect(0, 0, 160, 44), TRect(0, 0, 160, 44), false, 0);
  // Dark caption ink above, red note ink 20 pixels lower.
  int captionBottom = -1, noteTop = 99;
  for (int y = 0; y < 44; ++y)
    for (int x = 30; x < 140; ++x) {
      const COLORREF c = ColorToRGB(b->Canvas()->Pixels(x, y));
      if (GetRValue(c) < 100 && GetBValue(c) < 100) captionBottom = std::max(captionBottom, y);
      if (GetRValue(c) > 200 && GetBValue(c) < 100 && GetGValue(c) < 100)
        noteTop = std::min(noteTop, y);
    }
  ASSERT_GE(captionBottom, 0);
  ASSERT_LT(noteTop, 44);
  EXPECT_GT(noteTop, captionBottom - 3);
}

TEST(MenuMeasure, ShortCutTextsInTheLibrarysOrTheLayoutsWords) {
  struct TRow {
    int shortCut;
    bool layoutNames;
    const char* text;
  } rows[] = {
      {scCtrl | (VK_F1 + 4), true, "Ctrl+F5"},
      {scCtrl | (VK_F1 + 4), false, "Ctrl+F5"},
      {scShift | scCtrl | scAlt | 'S', true, "Alt+Ctrl+Shift+S"},
      {scShift | scCtrl | scAlt | 'S', false, "Shift+Ctrl+Alt+S"},
      {0x21 /* Page Up */, true, "Page up"},
      {scCtrl | 0x2E /* Delete */, true, "Ctrl+Delete"},
      {VK_BACK, true, "Backspace"},
      {VK_RETURN, true, "Enter"},
      {0x0200 | 'E', false, "Win+E"},
      {0x0200 | 'E', true, "E"}, // the Windows key is not shown in this form
      {scCtrl | 0x07 /* no such key */, true, "Ctrl+"},
  };
  for (const TRow& row : rows)
    EXPECT_EQ(MenuShortCutText(TShortCut(row.shortCut), row.layoutNames), row.text)
        << row.shortCut << " " << row.layoutNames;
  // The layout's own calls: a short buffer keeps what fits.
  char buffer[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(GetKeyNameTextA(LONG(MapVirtualKeyA(VK_BACK, 0) << 16), buffer, 3), 2);
  EXPECT_STREQ(buffer, "Ba");
  EXPECT_EQ(MapVirtualKeyA('A', 0), 0x1Eu);
  EXPECT_EQ(MapVirtualKeyA('A', 1), 0u);
  EXPECT_EQ(GetKeyNameTextA(0, buffer, 4), 0);
  EXPECT_STREQ(buffer, "");
}

TEST(MenuDraw, SideBarOnEitherSide) {
  for (int side : {0, 1}) {
    TMenuFixture f;
    TSideBar& bar = *f.styler->SideBar();
    bar.SetVisible(true);
    bar.VisibleIn = TSideBarVisibleIn::viFirstLevel;
    bar.Side = side;
    bar.Caption = "Maps";
    bar.Font()->SetName("Tahoma");
    bar.Font()->SetSize(10);
    bar.Font()->SetColor(clWhite);
    bar.Background()->SetColor(clRed);
    bar.Background()->SetColorTo(clRed);
    bar.Image()->SetColor(clNone); // no second layer over the background
    TMenuItem* first = f.Add("Google");
    TMenuItem* second = f.Add("Yahoo");
    ASSERT_TRUE(SideBarShown(first));
    auto b = FilledBitmap(140, 40, clBlack);
    TCanvas* c = b->Canvas();
    const TRect area(0, 0, 140, 40);
    DrawStyledItem(first, c, TRect(0, 0, 140, 20), area, SideBarShown(first), 0);
    DrawStyledItem(second, c, TRect(0, 20, 140, 40), area, SideBarShown(second), 0);
    // The bar: 24 + 1 wide at the area's left end, or ending 17 short of
    // its right end; frame $A19D9D on all but the splitter column.
    const int left = side == 0 ? 0 : 140 - 17 - 25;
    EXPECT_EQ(c->Pixels(left + (side == 0 ? 0 : 1), 10), TColor(0xA19D9D)) << side;
    EXPECT_EQ(c->Pixels(left + (side == 0 ? 23 : 24), 30), TColor(0xA19D9D)) << side;
    EXPECT_EQ(c->Pixels(left + (side == 0 ? 24 : 0), 30), TColor(0x808080)) << side;
    // Red inside, with the caption written in white across it.
    int red = 0, white = 0;
    for (int y = 1; y < 39; ++y)
      for (int x = left + 2; x < left + 22; ++x) {
        if (c->Pixels(x, y) == clRed) ++red;
        if (c->Pixels(x, y) == clWhite) ++white;
      }
    EXPECT_GT(red, 300) << side;
    EXPECT_GT(white, 15) << side;
    // The caption runs along the bar: taller than wide.
    int top = 99, bottom = -1, l = 999, r = -1;
    for (int y = 0; y < 40; ++y)
      for (int x = left + 1; x < left + 23; ++x)
        if (c->Pixels(x, y) == clWhite) {
          top = std::min(top, y), bottom = std::max(bottom, y);
          l = std::min(l, x), r = std::max(r, x);
        }
    EXPECT_GT(bottom - top, r - l) << side;
    // The icon column starts beside the bar.
    const int icon = side == 0 ? 25 : 0;
    EXPECT_EQ(c->Pixels(icon, 30), TColor(0xFFF9F9)) << side;
  }
}

TEST(MenuDraw, SideBarOnlyWhereItApplies) {
  struct TRow {
    const char* name;
    TSideBarVisibleIn in;
    bool visible, breakFirst, shown;
  } rows[] = {
      {"first visible: menu bars only", TSideBarVisibleIn::viFirstVisible, true, false, false},
      {"first level", TSideBarVisibleIn::viFirstLevel, true, false, true},
      {"any level", TSideBarVisibleIn::viAnyLevel, true, false, true},
      {"hidden bar", TSideBarVisibleIn::viAnyLevel, false, false, false},
      {"second column", TSideBarVisibleIn::viAnyLevel, true, true, false},
  };
  for (const TRow& row : rows) {
    TMenuFixture f;
    TSideBar& bar = *f.styler->SideBar();
    bar.SetVisible(row.visible);
    bar.VisibleIn = row.in;
    bar.Background()->SetColor(clRed);
    bar.Background()->SetColorTo(clRed);
    bar.Image()->SetColor(clNone);
    TMenuItem* item = f.Add("Google");
    item->SetBreak(row.breakFirst);
    auto b = FilledBitmap(140, 20, clBlack);
    DrawStyledItem(item, b->Canvas(), TRect(0, 0, 140, 20), TRect(0, 0, 140, 20),
                   SideBarShown(item), 0);
    EXPECT_EQ(b->Canvas()->Pixels(10, 10) == clRed, row.shown) << row.name;
  }
  // The picture layer, unless its colour is clNone, lies over the background.
  TMenuFixture f;
  TSideBar& bar = *f.styler->SideBar();
  bar.SetVisible(true);
  bar.VisibleIn = TSideBarVisibleIn::viAnyLevel;
  bar.Background()->SetColor(clRed);
  bar.Image()->SetColor(clBlue);
  bar.Image()->SetColorTo(clBlue);
  TMenuItem* item = f.Add("Google");
  auto b = FilledBitmap(140, 20, clBlack);
  DrawStyledItem(item, b->Canvas(), TRect(0, 0, 140, 20), TRect(0, 0, 140, 20), true, 0);
  EXPECT_EQ(b->Canvas()->Pixels(10, 10), clBlue);
}

namespace {
/// A menu: "Maps" with the sub-items "Google" and "Yahoo", then "Copy".
struct TSubmenuFixture : TMenuFixture {
  TMenuItem* maps = Add("Maps");
  TMenuItem* google = Sub("Google");
  TMenuItem* yahoo = Sub("Yahoo");
  TMenuItem* copy = Add("Copy");
  std::vector<std::string> clicks;
  TSubmenuFixture() {
    for (TMenuItem* item : {maps, google, yahoo, copy})
      item->OnClick = [this, item](TPersistent*) { clicks.push_back(item->Caption()); };
  }
  TMenuItem* Sub(const std::string& caption) {
    auto* item = new TMenuItem(host.form);
    item->SetCaption(caption);
    maps->Add(item);
    return item;
  }
};

struct TScreenScope {
  explicit TScreenScope(int width = 1024) {
    SetScreenMetricsForTests(TScreenMetrics{width, 768, 96, 32, TRect(0, 0, width, 768)});
  }
  ~TScreenScope() {
    SetMenuWindowHook(nullptr);
    SetScreenMetricsForTests(std::nullopt);
  }
};
} // namespace

TEST(MenuWindow, SubmenuOpensBesideItsItemInItsOwnWindow) {
  TScreenScope screen;
  TSubmenuFixture f;
  TRect rootBounds, subBounds, subRegion;
  int subLevel = 0, subItems = 0;
  bool opensRight = false, closedOnPlainItem = false;
  COLORREF subBorder = 0;
  SetMenuWindowHook([&](TMenuWindow* w) {
    rootBounds = w->BoundsRect();
    const TRect maps = w->ItemRect(0);
    TestInput::MouseMove(w, maps.Left + 20, maps.Top + 5);
    TMenuWindow* sub = w->Submenu();
    ASSERT_NE(sub, nullptr);
    UpdateWindow(sub->Handle());
    subBounds = sub->BoundsRect();
    subLevel = sub->Level();
    subItems = sub->ItemCount();
    opensRight = SubmenuOpensRight(sub->Item(0), sub->Handle());
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    GetWindowRgn(sub->Handle(), rgn);
    GetRgnBox(rgn, &subRegion);
    DeleteObject(rgn);
    subBorder = WindowPixel(sub, 1, 10);
    // A second paint moves nothing.
    sub->Invalidate();
    UpdateWindow(sub->Handle());
    EXPECT_EQ(sub->BoundsRect(), subBounds);
    // Pointing at a plain item closes the submenu; back on Maps opens it.
    const TRect copy = w->ItemRect(1);
    TestInput::MouseMove(w, copy.Left + 20, copy.Top + 5);
    closedOnPlainItem = w->Submenu() == nullptr;
    TestInput::MouseMove(w, maps.Left + 20, maps.Top + 5);
    ASSERT_NE(w->Submenu(), nullptr);
    const TRect yahoo = w->Submenu()->ItemRect(1);
    TestInput::MouseMove(w->Submenu(), yahoo.Left + 20, yahoo.Top + 5);
    TestInput::Click(w->Submenu(), TMouseButton::mbLeft, yahoo.Left + 20, yahoo.Top + 5);
    EXPECT_TRUE(f.clicks.empty()); // the click comes after the menu has closed
  });
  f.menu->Popup(100, 200);
  EXPECT_EQ(f.clicks, (std::vector<std::string>{"Yahoo"}));
  EXPECT_EQ(subLevel, 2);
  EXPECT_EQ(subItems, 2);
  EXPECT_TRUE(opensRight);
  EXPECT_TRUE(closedOnPlainItem);
  // Beside the item, overlapping the frame, then moved 14 pixels left.
  EXPECT_EQ(subBounds.Left, rootBounds.Right - 6 - 14);
  EXPECT_EQ(subBounds.Top, rootBounds.Top);
  const int w = subBounds.Right - subBounds.Left, h = subBounds.Bottom - subBounds.Top;
  EXPECT_EQ(subRegion, TRect(1, 1, w - 1 - 17, h - 1));
  EXPECT_EQ(subBorder, 0x7C7C94u);
  // The submenu's visible left edge meets the parent's visible right edge.
  EXPECT_EQ(subBounds.Left + 1, rootBounds.Right - 1 - 17 - 1);
}

TEST(MenuWindow, SubmenuByKeyboardAndLeftOrEscapeCloseOnlyIt) {
  TScreenScope screen;
  TSubmenuFixture f;
  std::vector<std::string> steps;
  SetMenuWindowHook([&](TMenuWindow* w) {
    TestInput::KeyDown(w, VK_DOWN); // Maps
    TestInput::KeyDown(w, VK_RIGHT);
    steps.push_back(w->Submenu() ? "open" : "closed");
    TestInput::KeyDown(w, VK_LEFT);
    steps.push_back(w->Submenu() ? "open" : "closed");
    TestInput::KeyDown(w, VK_RETURN);
    steps.push_back(w->Submenu() ? "open" : "closed");
    TestInput::KeyDown(w, VK_ESCAPE);
    steps.push_back(w->Submenu() ? "open" : "closed");
    steps.push_back(w->Visible() ? "shown" : "hidden");
    TestInput::KeyDown(w, VK_RIGHT);
    ASSERT_NE(w->Submenu(), nullptr);
    EXPECT_EQ(w->Submenu()->HotIndex(), 0);
    TestInput::KeyDown(w, VK_DOWN); // Yahoo
    TestInput::KeyDown(w, VK_RETURN);
  });
  f.menu->Popup(100, 200);
  EXPECT_EQ(steps, (std::vector<std::string>{"open", "closed", "open", "closed", "shown"}));
  EXPECT_EQ(f.clicks, (std::vector<std::string>{"Yahoo"}));
}

TEST(MenuWindow, SubmenuOpensLeftNearTheDesktopEdge) {
  TScreenScope screen(400);
  TSubmenuFixture f;
  TRect rootBounds, subBounds;
  bool opensRight = true;
  SetMenuWindowHook([&](TMenuWindow* w) {
    rootBounds = w->BoundsRect();
    const TRect maps = w->ItemRect(0);
    TestInput::MouseMove(w, maps.Left + 20, maps.Top + 5);
    ASSERT_NE(w->Submenu(), nullptr);
    UpdateWindow(w->Submenu()->Handle());
    subBounds = w->Submenu()->BoundsRect();
    opensRight = SubmenuOpensRight(w->Submenu()->Item(0), w->Submenu()->Handle());
    TestInput::KeyDown(w, VK_ESCAPE);
    TestInput::KeyDown(w, VK_ESCAPE);
  });
  f.menu->Popup(390, 100);
  EXPECT_TRUE(f.clicks.empty());
  EXPECT_FALSE(opensRight);
  // Ending over the parent's frame, then moved 20 pixels right.
  const int w = subBounds.Right - subBounds.Left;
  EXPECT_EQ(subBounds.Left, rootBounds.Left - w + 6 + 20);
}

TEST(MenuDraw, SubmenuArrowIsDrawnInBlack) {
  TMenuFixture f;
  TMenuItem* maps = f.Add("Maps");
  auto* google = new TMenuItem(f.host.form);
  google->SetCaption("Google");
  maps->Add(google);
  for (UINT state : {0u, 1u}) {
    auto b = FilledBitmap(140, 20, clBlack);
    DrawStyledItem(maps, b->Canvas(), TRect(0, 0, 140, 20), TRect(0, 0, 140, 20), false, state);
    // The 4 x 7 arrow centred on (Right - 8, y) … (Right - 5, y + 6), Right = 123.
    int black = 0, white = 0;
    for (int y = 4; y < 16; ++y)
      for (int x = 110; x < 121; ++x) {
        if (b->Canvas()->Pixels(x, y) == clBlack) ++black;
        if (b->Canvas()->Pixels(x, y) == clWhite) ++white;
      }
    EXPECT_EQ(black, 16) << state; // 1 + 2 + 3 + 4 + 3 + 2 + 1
    EXPECT_EQ(white, 0) << state;
  }
}
