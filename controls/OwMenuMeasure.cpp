// Measuring styled menu items, short-cut texts and the side bar rule.
#include "controls/OwMenus.h"

#include <algorithm>
#include <cctype>

#include "platform/forms/ImgList.h"
#include "platform/forms/Windows.h"

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

/// The keyboard layout's name of a virtual key, recased: the first
/// character kept, the rest lower case, the one after the first "(" upper.
std::string LayoutKeyName(UINT key) {
  LONG code = LONG(MapVirtualKeyA(key, 0) << 16);
  if (key != VK_BACK && key != VK_RETURN && key != VK_SHIFT && key != VK_CONTROL && key != VK_MENU)
    code |= 0x01000000;
  char buffer[256] = {};
  const int n = GetKeyNameTextA(code, buffer, 255);
  std::string name(buffer, std::size_t(std::max(n, 0)));
  for (std::size_t i = 1; i < name.size(); ++i)
    name[i] = char(std::tolower(static_cast<unsigned char>(name[i])));
  const std::size_t paren = name.find('(');
  if (paren != std::string::npos && paren + 1 < name.size())
    name[paren + 1] = char(std::toupper(static_cast<unsigned char>(name[paren + 1])));
  return name;
}

} // namespace

bool MenuItemInFirstColumn(TMenuItem* item) {
  TMenuItem* parent = item->Parent();
  if (!parent) return true;
  for (int i = 0; i < parent->Count(); ++i) {
    TMenuItem* sibling = parent->Items(i);
    if (sibling->Visible() && sibling->Break()) return false;
    if (sibling == item) break;
  }
  return true;
}

std::string MenuShortCutText(TShortCut shortCut, bool keyboardNames) {
  if (!keyboardNames) {
    const std::string text = ShortCutToText(TShortCut(shortCut & ~0x0200));
    return (shortCut & 0x0200) ? kWinPrefix + text : text;
  }
  std::string text = LayoutKeyName(shortCut & 0xFF);
  if (shortCut & scShift) text = LayoutKeyName(VK_SHIFT) + "+" + text;
  if (shortCut & scCtrl) text = LayoutKeyName(VK_CONTROL) + "+" + text;
  if (shortCut & scAlt) text = LayoutKeyName(VK_MENU) + "+" + text;
  return text;
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
  if (TCustomImageList* images = item->GetImageList())
    height = MenuMax(height, images->Height());
  else if (item->HasBitmap())
    height = MenuMax(height, 16);
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
  if (sideBar && MenuItemInFirstColumn(item))
    width += s.SideBar()->Size + s.SideBar()->SplitterWidth;
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
