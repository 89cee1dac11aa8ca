// The styled menus' published properties (the parts stored definitions set).
#include "controls/OwMenus.h"
#include "platform/forms/Properties.h"

namespace {
const std::vector<std::string> kAntiAlias = {"aaNone", "aaClearType", "aaAntiAlias"};
const std::vector<std::string> kPositions = {
    "bpTopLeft",      "bpTopRight", "bpBottomLeft", "bpBottomRight", "bpTopCenter",
    "bpBottomCenter", "bpTiled",    "bpStretched",  "bpCenter",      "bpXY"};
const std::vector<std::string> kGradientTypes = {"gtLeft", "gtRight", "gtBoth"};
} // namespace

// A font of the styler reached by `Get`, stored as Name, Height and Color.
#define SK_MENU_FONT(Path, Get)                                                                    \
  .String(                                                                                         \
      Path ".Name", [](const S& s) { return const_cast<S&>(s).Get->Name(); },                      \
      [](S& s, const std::string& v) { s.Get->SetName(v); })                                       \
      .Integer(                                                                                    \
          Path ".Height", [](const S& s) { return const_cast<S&>(s).Get->Height(); },              \
          [](S& s, int v) { s.Get->SetHeight(v); })                                                \
      .Integer(                                                                                    \
          Path ".Color", [](const S& s) { return const_cast<S&>(s).Get->Color(); },                \
          [](S& s, int v) { s.Get->SetColor(v); })

void RegisterOwMenus() {
  EnsureFormsClassesRegistered();
  using S = TCustomAdvMenuStyler;
  RegisterProperties<S>()
      .Enum<TAntiAlias>("AntiAlias", "TAntiAlias", &S::AntiAlias, &S::SetAntiAlias, kAntiAlias)
      .Boolean("UseSystemFont", &S::UseSystemFont, &S::SetUseSystemFont, true)
      .Integer("MenuBorderColor", &S::MenuBorderColor, &S::SetMenuBorderColor, 0x7C7C94)
      .Enum<TBackgroundPosition>(
          "Background.Position", "TBackgroundPosition",
          [](const S& s) { return const_cast<S&>(s).Background()->Position; },
          [](S& s, TBackgroundPosition v) { s.Background()->Position = v; }, kPositions)
      .Enum<TGradientType>(
          "Separator.GradientType", "TGradientType",
          [](const S& s) { return const_cast<S&>(s).Separator()->GradientType; },
          [](S& s, TGradientType v) { s.Separator()->GradientType = v; }, kGradientTypes)
      .Integer(
          "SideBar.SplitterColorTo",
          [](const S& s) { return const_cast<S&>(s).SideBar()->SplitterColorTo; },
          [](S& s, int v) { s.SideBar()->SplitterColorTo = v; }, clNone)
      .Boolean(
          "SideBar.Visible", [](const S& s) { return const_cast<S&>(s).SideBar()->Visible(); },
          [](S& s, bool v) { s.SideBar()->SetVisible(v); }, false)
      .Integer(
          "IconBar.Size", [](const S& s) { return const_cast<S&>(s).IconBar()->Size(); },
          [](S& s, int v) { s.IconBar()->SetSize(v); }, 24) SK_MENU_FONT("Font", Font())
          SK_MENU_FONT("NotesFont", NotesFont())
              SK_MENU_FONT("SelectedItem.Font", SelectedItem()->Font())
                  SK_MENU_FONT("SelectedItem.NotesFont", SelectedItem()->NotesFont())
                      SK_MENU_FONT("RootItem.Font", RootItem()->Font())
                          SK_MENU_FONT("SideBar.Font", SideBar()->Font());
  RegisterProperties<TOwMenuStyler>();
  RegisterComponentClass<TOwMenuStyler>();
  using M = TOwPopupMenu;
  RegisterProperties<M>()
      .Reference<TCustomAdvMenuStyler>(
          "MenuStyler", [](const M& m) { return m.MenuStyler(); },
          [](M& m, TCustomAdvMenuStyler* s) { m.SetMenuStyler(s); })
      .Boolean(
          "ShowNotes", [](const M& m) { return m.ShowNotes(); },
          [](M& m, bool v) { m.SetShowNotes(v); }, true)
      .Boolean(
          "IntlKeybShortCuts", [](const M& m) { return m.IntlKeybShortCuts(); },
          [](M& m, bool v) { m.SetIntlKeybShortCuts(v); }, false)
      .String("Version", &M::Version, &M::SetVersion, "2.5.2.0");
  RegisterComponentClass<M>();
}
