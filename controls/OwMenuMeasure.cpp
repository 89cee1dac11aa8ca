// Measuring styled menu items, short-cut texts and the side bar rule.
#include "controls/OwMenus.h"

#include "platform/forms/ImgList.h"

namespace {
const std::string kNoteSeparator = "\\n";
const std::string kWinPrefix = "Win+";

/// The font a styled item is measured and drawn in (not selected).
void SelectItemFont(TCanvas* c, TCustomAdvMenuStyler& s) {
  if (!s.UseSystemFont())
    c->Font()->Assign(*s.Font());
  else if (!s.SelectedItem()->UseSystemFont())
    c->Font()->Assign(*s.SelectedItem()->Font());
}

/// No visible item at or before this one in its parent starts a column.
bool InFirstColumn(TMenuItem* item) {
  TMenuItem* parent = item->Parent();
  if (!parent) return true;
  for (int i = 0; i < parent->Count(); ++i) {
    TMenuItem* sibling = parent->Items(i);
    if (sibling->Visible() && sibling->Break()) return false;
    if (sibling == item) break;
  }
  return true;
}
} // namespace

std::string MenuShortCutText(TShortCut shortCut, bool keyboardNames) {
  // Key names come from a fixed English table: the class library's texts.
  (void)keyboardNames;
  const std::string text = ShortCutToText(TShortCut(shortCut & ~0x0200));
  return (shortCut & 0x0200) ? kWinPrefix + text : text;
}

bool SideBarShown(TMenuItem* item) {
  IStyledMenu* menu = StyledMenuOf(item);
  if (!menu || !menu->CurrentStyler()) return false;
  TSideBar* bar = menu->CurrentStyler()->SideBar();
  if (!bar->Visible()) return false;
  switch (bar->VisibleIn) {
  case TSideBarVisibleIn::viFirstVisible:
    return false; // only menu bars have a first visible drop-down
  case TSideBarVisibleIn::viFirstLevel:
    return item->Parent() && !item->Parent()->Parent();
  case TSideBarVisibleIn::viAnyLevel:
    return true;
  }
  return false;
}

void MeasureStyledItem(TMenuItem* item, TCanvas* canvas, int& width, int& height, bool sideBar) {
  IStyledMenu* menu = StyledMenuOf(item);
  if (!menu || !menu->CurrentStyler()) return;
  TCustomAdvMenuStyler& s = *menu->CurrentStyler();
  if (item->Caption() == "-") {
    height = s.Separator()->Width + 2;
    width = -2;
    return;
  }
  width = s.IconBar()->Size();
  auto* popup = static_cast<TOwPopupMenu*>(menu->Menu());
  if (popup->Images())
    height = MenuMax(height, popup->Images()->Height());
  else
    height -= 3;
  width += 15;
  height += 5;
  std::string text = item->Caption();
  const std::size_t note = text.find(kNoteSeparator);
  const bool notes = note != std::string::npos && menu->ShowNotes();
  if (notes) text = text.substr(0, note);
  if (item->ShortCut()) text += MenuShortCutText(item->ShortCut(), menu->IntlKeybShortCuts());
  SelectItemFont(canvas, s);
  TRect r(0, 0, 0, 0);
  canvas->TextExtent(""); // selects the font
  DrawText(canvas->Handle(), text.c_str(), int(text.size()), &r, DT_CALCRECT | DT_SINGLELINE);
  width += MenuRectWidth(r) + 7;
  if (!s.UseSystemFont()) height = MenuRectHeight(r) + 6;
  if (item->ShortCut() & 0x0200) width += canvas->TextWidth(kWinPrefix);
  if (sideBar && InFirstColumn(item)) width += s.SideBar()->Size + s.SideBar()->SplitterWidth;
  height = ((height + 1) / 2) * 2;
  width += 17;
  if (!notes) return;
  canvas->Font()->Assign(*s.NotesFont());
  const int line = canvas->TextHeight("gh");
  std::string rest = item->Caption();
  for (std::size_t at; (at = rest.find(kNoteSeparator)) != std::string::npos;) {
    width = MenuMax(width, canvas->TextWidth(rest.substr(0, at)));
    height += line;
    rest = rest.substr(at + kNoteSeparator.size());
  }
  if (!rest.empty()) width = MenuMax(width, canvas->TextWidth(rest) + s.IconBar()->Size() + 32);
}
