// The styled menus' published properties, as stored definitions name them
// ("SelectedItem.Font.Height", "SideBar.Background.Position"). Defaults are
// the initial values; the anti-aliasing mode, background positions, the
// separator's gradient type, strings and the fonts have none and are always
// stored. Pictures and glyph bitmaps are not read from definitions.
#include "controls/OwMenus.h"
#include "platform/forms/Properties.h"

namespace {
const std::vector<std::string> kAntiAlias = {"aaNone", "aaClearType", "aaAntiAlias"};
const std::vector<std::string> kPositions = {
    "bpTopLeft",      "bpTopRight", "bpBottomLeft", "bpBottomRight", "bpTopCenter",
    "bpBottomCenter", "bpTiled",    "bpStretched",  "bpCenter",      "bpXY"};
const std::vector<std::string> kGradientTypes = {"gtLeft", "gtRight", "gtBoth"};
const std::vector<std::string> kDirections = {"gdVertical", "gdHorizontal"};
const std::vector<std::string> kVisibleIn = {"viFirstVisible", "viFirstLevel", "viAnyLevel"};
const std::vector<std::string> kCaptionDirections = {"dDownToUp", "dUpToDown"};
const std::vector<std::string> kAlignments = {"taLeftJustify", "taRightJustify", "taCenter"};
const std::vector<std::string> kFontStyles = {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};
/// The font styles by ordinal (fsBold is bit 0 of a style).
enum class TFontStyleBit { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyleSet = TSet<TFontStyleBit>;
using S = TCustomAdvMenuStyler;
using D = TMenuGradientDirection;
} // namespace

// A font of the styler reached by `Get`: Name, Height, Color, Charset, Style.
#define SK_MENU_FONT(Path, Get)                                                                    \
  .String(                                                                                         \
      Path ".Name", [](const S& s) { return const_cast<S&>(s).Get->Name(); },                      \
      [](S& s, const std::string& v) { s.Get->SetName(v); })                                       \
      .Integer(                                                                                    \
          Path ".Height", [](const S& s) { return const_cast<S&>(s).Get->Height(); },              \
          [](S& s, int v) { s.Get->SetHeight(v); })                                                \
      .Integer(                                                                                    \
          Path ".Color", [](const S& s) { return const_cast<S&>(s).Get->Color(); },                \
          [](S& s, int v) { s.Get->SetColor(v); })                                                 \
      .Integer(                                                                                    \
          Path ".Charset", [](const S& s) { return int(const_cast<S&>(s).Get->Charset()); },       \
          [](S& s, int v) { s.Get->SetCharset(BYTE(v)); })                                         \
      .SetOf<TFontStyleBit>(                                                                       \
          Path ".Style", "TFontStyles",                                                            \
          [](const S& s) {                                                                         \
            return TFontStyleSet::FromBits(std::uint64_t(const_cast<S&>(s).Get->Style()));         \
          },                                                                                       \
          [](S& s, TFontStyleSet v) { s.Get->SetStyle(TFontStyles(v.Bits())); }, kFontStyles)

// A value read and written through an expression on the styler `s`.
#define SK_MENU_INT(Path, Expr, Def)                                                               \
  .Integer(                                                                                        \
      Path,                                                                                        \
      [](const S& cs) {                                                                            \
        auto& s = const_cast<S&>(cs);                                                              \
        return int(Expr);                                                                          \
      },                                                                                           \
      [](S& s, int v) { Expr = v; }, Def)
#define SK_MENU_ENUM(Path, Type, TypeName, Expr, Names, Def)                                       \
  .Enum<Type>(                                                                                     \
      Path, TypeName,                                                                              \
      [](const S& cs) {                                                                            \
        auto& s = const_cast<S&>(cs);                                                              \
        return Type(Expr);                                                                         \
      },                                                                                           \
      [](S& s, Type v) { Expr = v; }, Names, Def)
// A value with a getter and a setter of the object `Obj` (an expression on `s`).
#define SK_MENU_PROP(Path, Obj, Get, Set, Def)                                                     \
  .Integer(                                                                                        \
      Path,                                                                                        \
      [](const S& cs) {                                                                            \
        auto& s = const_cast<S&>(cs);                                                              \
        return int(Obj->Get());                                                                    \
      },                                                                                           \
      [](S& s, int v) { Obj->Set(v); }, Def)
#define SK_MENU_DIRECTION(Path, Obj, Def)                                                          \
  .Enum<D>(                                                                                        \
      Path, "TGradientDirection",                                                                  \
      [](const S& cs) {                                                                            \
        auto& s = const_cast<S&>(cs);                                                              \
        return Obj->GradientDirection();                                                           \
      },                                                                                           \
      [](S& s, D v) { Obj->SetGradientDirection(v); }, kDirections, Def)
// One of the root item's indexed selected or hover colours.
#define SK_MENU_ROOT_COLOR(Kind, Suffix, Index, Def)                                               \
  .Integer(                                                                                        \
      "RootItem." #Kind "Color" Suffix,                                                            \
      [](const S& s) { return const_cast<S&>(s).RootItem()->Get##Kind##Color(Index); },            \
      [](S& s, int v) { s.RootItem()->Set##Kind##Color(Index, v); }, Def)
// The check and radio boxes of the icon bar or the selection.
#define SK_MENU_BOXES(Path, Obj, Fill)                                                             \
  SK_MENU_INT(Path ".CheckColor", Obj->Boxes.Check[0], Fill)                                       \
  SK_MENU_INT(Path ".CheckColorTo", Obj->Boxes.Check[1], clNone)                                   \
  SK_MENU_INT(Path ".CheckBorder", Obj->Boxes.CheckBorder, 0x6F4B4B)                               \
  SK_MENU_ENUM(Path ".CheckGradientDirection", D, "TGradientDirection", Obj->Boxes.CheckDirection, \
               kDirections, D::gdVertical)                                                         \
  SK_MENU_INT(Path ".RadioColor", Obj->Boxes.Radio[0], Fill)                                       \
  SK_MENU_INT(Path ".RadioColorTo", Obj->Boxes.Radio[1], clNone)                                   \
  SK_MENU_INT(Path ".RadioBorder", Obj->Boxes.RadioBorder, 0x6F4B4B)                               \
  SK_MENU_ENUM(Path ".RadioGradientDirection", D, "TGradientDirection", Obj->Boxes.RadioDirection, \
               kDirections, D::gdVertical)
namespace {
void RegisterStyler() {
  RegisterProperties<S>()
      .Enum<TAntiAlias>("AntiAlias", "TAntiAlias", &S::AntiAlias, &S::SetAntiAlias, kAntiAlias)
      // Background
      SK_MENU_ENUM("Background.Position", TBackgroundPosition, "TBackgroundPosition",
                   s.Background()->Position, kPositions,
                   std::nullopt) SK_MENU_INT("Background.OffsetX", s.Background()->OffsetX, 0)
          SK_MENU_INT("Background.OffsetY", s.Background()->OffsetY, 0)
              SK_MENU_INT("Background.MarginX", s.Background()->MarginX, 0)
                  SK_MENU_INT("Background.MarginY", s.Background()->MarginY, 0)
                      SK_MENU_PROP("Background.Color", s.Background(), Color, SetColor, 0xFFFAFD)
                          SK_MENU_PROP("Background.ColorTo", s.Background(), ColorTo, SetColorTo,
                                       clNone) SK_MENU_DIRECTION("Background.GradientDirection",
                                                                 s.Background(), D::gdVertical)
      // IconBar
      SK_MENU_PROP("IconBar.Color", s.IconBar(), Color, SetColor, 0xFFF9F9)
          SK_MENU_PROP("IconBar.ColorTo", s.IconBar(), ColorTo, SetColorTo, 0xBBA0A1)
              SK_MENU_DIRECTION("IconBar.GradientDirection", s.IconBar(), D::gdHorizontal)
                  SK_MENU_BOXES("IconBar", s.IconBar(), 0x6FC0FF)
                      SK_MENU_INT("IconBar.SeparatorColor", s.IconBar()->SeparatorColor, clNone)
                          SK_MENU_PROP("IconBar.Size", s.IconBar(), Size, SetSize, 24)
      // SelectedItem
      SK_MENU_PROP("SelectedItem.Color", s.SelectedItem(), Color, SetColor, 0xC2EEFF) SK_MENU_PROP(
          "SelectedItem.ColorTo", s.SelectedItem(), ColorTo, SetColorTo,
          clNone) SK_MENU_INT("SelectedItem.ColorMirror", s.SelectedItem()->ColorMirror, clNone)
          SK_MENU_INT("SelectedItem.ColorMirrorTo", s.SelectedItem()->ColorMirrorTo, clNone)
              SK_MENU_DIRECTION("SelectedItem.GradientDirection", s.SelectedItem(), D::gdVertical)
                  SK_MENU_INT("SelectedItem.BorderColor", s.SelectedItem()->BorderColor, 0x6F4B4B)
                      SK_MENU_FONT("SelectedItem.Font", SelectedItem()->Font())
                          SK_MENU_FONT("SelectedItem.NotesFont", SelectedItem()->NotesFont())
      .Boolean(
          "SelectedItem.UseSystemFont",
          [](const S& s) { return const_cast<S&>(s).SelectedItem()->UseSystemFont(); },
          [](S& s, bool v) { s.SelectedItem()->SetUseSystemFont(v); }, true)
          SK_MENU_BOXES("SelectedItem", s.SelectedItem(), 0x3E80FE)
      // RootItem
      SK_MENU_PROP("RootItem.Color", s.RootItem(), Color, SetColor, 0xE5D7D7)
          SK_MENU_PROP("RootItem.ColorTo", s.RootItem(), ColorTo, SetColorTo, 0xF7F2F2)
              SK_MENU_DIRECTION("RootItem.GradientDirection", s.RootItem(), D::gdHorizontal)
                  SK_MENU_FONT("RootItem.Font", RootItem()->Font())
      .Boolean(
          "RootItem.UseSystemFont",
          [](const S& s) { return const_cast<S&>(s).RootItem()->UseSystemFont(); },
          [](S& s, bool v) { s.RootItem()->SetUseSystemFont(v); },
          true) SK_MENU_ROOT_COLOR(Selected, "", 0, 0xF2E8E8)
          SK_MENU_ROOT_COLOR(Selected, "To", 1, 0xCDB8B9) SK_MENU_ROOT_COLOR(
              Selected, "Mirror", 2, clNone) SK_MENU_ROOT_COLOR(Selected, "MirrorTo", 3, clNone)
              SK_MENU_ENUM("RootItem.SelectedGradientDirection", D, "TGradientDirection",
                           s.RootItem()->SelectedGradientDirection, kDirections,
                           D::gdVertical) SK_MENU_INT("RootItem.SelectedBorderColor",
                                                      s.RootItem()->SelectedBorderColor, 0x947C7C)
                  SK_MENU_INT("RootItem.SelectedTextColor", s.RootItem()->SelectedTextColor,
                              clWindowText) SK_MENU_ROOT_COLOR(Hover, "", 0, 0xCFF6FF)
                      SK_MENU_ROOT_COLOR(Hover, "To", 1, 0x9DD8FF)
                          SK_MENU_ROOT_COLOR(Hover, "Mirror", 2, clNone)
                              SK_MENU_ROOT_COLOR(Hover, "MirrorTo", 3, clNone) SK_MENU_ENUM(
                                  "RootItem.HoverGradientDirection", D, "TGradientDirection",
                                  s.RootItem()->HoverGradientDirection, kDirections, D::gdVertical)
                                  SK_MENU_INT("RootItem.HoverBorderColor",
                                              s.RootItem()->HoverBorderColor, 0x6F4B4B)
                                      SK_MENU_INT("RootItem.HoverTextColor",
                                                  s.RootItem()->HoverTextColor, clWindowText)
      // SideBar: the caption part first, then the bar's own properties
      SK_MENU_ENUM("SideBar.Alignment", TCaptionAlignment, "TAlignment", s.SideBar()->Alignment,
                   kAlignments, TCaptionAlignment::taLeftJustify)
      .String(
          "SideBar.Caption", [](const S& s) { return const_cast<S&>(s).SideBar()->Caption; },
          [](S& s, const std::string& v) { s.SideBar()->Caption = v; })
          SK_MENU_FONT("SideBar.Font", SideBar()->Font())
              SK_MENU_INT("SideBar.ShadowColor", s.SideBar()->ShadowColor,
                          clNone) SK_MENU_INT("SideBar.Depth", s.SideBar()->Depth, 1)
                  SK_MENU_ENUM("SideBar.Direction", TDirection, "TDirection",
                               s.SideBar()->Direction, kCaptionDirections, TDirection::dDownToUp)
      .Boolean(
          "SideBar.Visible", [](const S& s) { return const_cast<S&>(s).SideBar()->Visible(); },
          [](S& s, bool v) { s.SideBar()->SetVisible(v); },
          false) SK_MENU_ENUM("SideBar.VisibleIn", TSideBarVisibleIn, "TSideBarVisibleIn",
                              s.SideBar()->VisibleIn, kVisibleIn, TSideBarVisibleIn::viFirstVisible)
          SK_MENU_ENUM("SideBar.Image.Position", TBackgroundPosition, "TBackgroundPosition",
                       s.SideBar()->Image()->Position, kPositions,
                       std::nullopt) SK_MENU_INT("SideBar.Image.OffsetX",
                                                 s.SideBar()->Image()->OffsetX, 0)
              SK_MENU_INT("SideBar.Image.OffsetY", s.SideBar()->Image()->OffsetY, 0) SK_MENU_INT(
                  "SideBar.Image.MarginX", s.SideBar()->Image()->MarginX,
                  0) SK_MENU_INT("SideBar.Image.MarginY", s.SideBar()->Image()->MarginY,
                                 0) SK_MENU_PROP("SideBar.Image.Color", s.SideBar()->Image(),
                                                 Color, SetColor, 0xFFFAFD)
                  SK_MENU_PROP("SideBar.Image.ColorTo", s.SideBar()->Image(), ColorTo, SetColorTo,
                               clNone) SK_MENU_DIRECTION("SideBar.Image.GradientDirection",
                                                         s.SideBar()->Image(), D::gdVertical)
                      SK_MENU_ENUM("SideBar.Background.Position", TBackgroundPosition,
                                   "TBackgroundPosition",
                                   s.SideBar()->Background()->Position, kPositions, std::nullopt)
                          SK_MENU_INT("SideBar.Background.OffsetX",
                                      s.SideBar()->Background()->OffsetX,
                                      0) SK_MENU_INT("SideBar.Background.OffsetY",
                                                     s.SideBar()->Background()->OffsetY, 0)
                              SK_MENU_INT("SideBar.Background.MarginX",
                                          s.SideBar()->Background()->MarginX,
                                          0) SK_MENU_INT("SideBar.Background.MarginY",
                                                         s.SideBar()->Background()->MarginY, 0)
                                  SK_MENU_PROP("SideBar.Background.Color",
                                               s.SideBar()->Background(), Color, SetColor,
                                               0xFFFAFD) SK_MENU_PROP("SideBar.Background.ColorTo",
                                                                      s.SideBar()->Background(),
                                                                      ColorTo, SetColorTo, clNone)
                                      SK_MENU_DIRECTION("SideBar.Background.GradientDirection",
                                                        s.SideBar()->Background(), D::gdVertical)
                                          SK_MENU_INT("SideBar.Size", s.SideBar()->Size,
                                                      24) SK_MENU_INT("SideBar.SplitterColor",
                                                                      s.SideBar()->SplitterColor,
                                                                      0x808080)
                                              SK_MENU_INT("SideBar.SplitterColorTo",
                                                          s.SideBar()->SplitterColorTo, clNone)
                                                  SK_MENU_INT("SideBar.SplitterWidth",
                                                              s.SideBar()->SplitterWidth, 1)
                                                      SK_MENU_INT("SideBar.SplitterMargin",
                                                                  s.SideBar()->SplitterMargin, 0)
                                                          SK_MENU_INT(
                                                              "SideBar.SplitterGradientWidth",
                                                              s.SideBar()->SplitterGradientWidth, 0)
                                                              SK_MENU_ENUM(
                                                                  "SideBar.SplitterGradientType",
                                                                  TGradientType, "TGradientType",
                                                                  s.SideBar()->SplitterGradientType,
                                                                  kGradientTypes,
                                                                  TGradientType::gtBoth)
                                                                  SK_MENU_INT(
                                                                      "SideBar.BorderColor",
                                                                      s.SideBar()->BorderColor,
                                                                      0xA19D9D)
      // Separator
      SK_MENU_PROP("Separator.Color", s.Separator(), Color, SetColor, 0x8F6D6E)
          SK_MENU_PROP("Separator.ColorTo", s.Separator(), ColorTo, SetColorTo, clNone)
              SK_MENU_INT("Separator.Width", s.Separator()->Width, 1)
                  SK_MENU_ENUM("Separator.GradientType", TGradientType, "TGradientType",
                               s.Separator()->GradientType, kGradientTypes, std::nullopt)
                      SK_MENU_INT("Separator.GradientWidth", s.Separator()->GradientWidth, 0)
                          SK_MENU_INT("Separator.Margin", s.Separator()->Margin, 2)
      // The styler's own
      SK_MENU_FONT("Font", Font()) SK_MENU_FONT("NotesFont", NotesFont())
      .Boolean("UseSystemFont", &S::UseSystemFont, &S::SetUseSystemFont, true)
      .Integer("MenuBorderColor", &S::MenuBorderColor, &S::SetMenuBorderColor, 0x7C7C94)
      // ButtonAppearance
      SK_MENU_PROP("ButtonAppearance.Color", s.ButtonAppearance(), Color, SetColor, clNone)
          SK_MENU_PROP("ButtonAppearance.ColorTo", s.ButtonAppearance(), ColorTo, SetColorTo,
                       clNone) SK_MENU_PROP("ButtonAppearance.DownColor", s.ButtonAppearance(),
                                            DownColor, SetDownColor, 0xB59285)
              SK_MENU_PROP("ButtonAppearance.DownColorTo", s.ButtonAppearance(), DownColorTo,
                           SetDownColorTo, clNone)
                  SK_MENU_PROP("ButtonAppearance.HoverColor", s.ButtonAppearance(), HoverColor,
                               SetHoverColor, 0xD2BDB6)
                      SK_MENU_PROP("ButtonAppearance.HoverColorTo", s.ButtonAppearance(),
                                   HoverColorTo, SetHoverColorTo, clNone)
                          SK_MENU_DIRECTION("ButtonAppearance.GradientDirection",
                                            s.ButtonAppearance(), D::gdVertical)
                              SK_MENU_PROP("ButtonAppearance.BorderColor", s.ButtonAppearance(),
                                           BorderColor, SetBorderColor, clNone)
                                  SK_MENU_INT("ButtonAppearance.DownBorderColor",
                                              s.ButtonAppearance()->DownBorderColor, 0x6A240A)
                                      SK_MENU_INT("ButtonAppearance.HoverBorderColor",
                                                  s.ButtonAppearance()->HoverBorderColor, 0x6A240A)
                                          SK_MENU_FONT("ButtonAppearance.CaptionFont",
                                                       ButtonAppearance()->CaptionFont())
      .Boolean(
          "ButtonAppearance.UseSystemFont",
          [](const S& s) { return const_cast<S&>(s).ButtonAppearance()->UseSystemFont(); },
          [](S& s, bool v) { s.ButtonAppearance()->SetUseSystemFont(v); }, true);
}
} // namespace

void RegisterOwMenus() {
  EnsureFormsClassesRegistered();
  RegisterStyler();
  RegisterProperties<TOwMenuStyler>();
  RegisterComponentClass<TOwMenuStyler>();
  using M = TOwPopupMenu;
  RegisterProperties<M>()
      .Reference<TCustomAdvMenuStyler>(
          "MenuStyler", [](const M& m) { return m.MenuStyler(); },
          [](M& m, TCustomAdvMenuStyler* s) { m.SetMenuStyler(s); })
      .Boolean(
          "OwnerDraw", [](const M& m) { return m.OwnerDraw(); },
          [](M& m, bool v) { m.SetOwnerDraw(v); }, true)
      .Boolean(
          "ShowNotes", [](const M& m) { return m.ShowNotes(); },
          [](M& m, bool v) { m.SetShowNotes(v); }, true)
      .Boolean(
          "IntlKeybShortCuts", [](const M& m) { return m.IntlKeybShortCuts(); },
          [](M& m, bool v) { m.SetIntlKeybShortCuts(v); }, false)
      .String("Version", &M::Version, &M::SetVersion, "2.5.2.0");
  RegisterComponentClass<M>();
}
