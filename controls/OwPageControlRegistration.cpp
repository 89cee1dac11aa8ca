// The page control's and the tab sheet's published properties.
#include "controls/OwPageControl.h"
#include "platform/forms/Properties.h"

void RegisterOwPageControl() {
  EnsureFormsClassesRegistered();
  using P = TOwPageControl;
  using S = TOwTabSheet;
  static const std::vector<std::string> styles = {"tsClassic", "tsDotNet", "tsTarvex"};
  static const std::vector<std::string> directions = {"gdVertical", "gdHorizontal"};
  static const std::vector<std::string> positions = {"tpTop", "tpBottom", "tpLeft", "tpRight"};
  RegisterProperties<TCustomTabControl>()
      .Integer("TabHeight", &TCustomTabControl::TabHeight, &TCustomTabControl::SetTabHeight, 0)
      .Boolean("MultiLine", &TCustomTabControl::MultiLine, &TCustomTabControl::SetMultiLine, false);
  RegisterProperties<P>()
      .Reference<TOwTabSheet>("ActivePage", &P::ActivePage, &P::SetActivePage)
      .Enum<TTabPosition>("TabPosition", "TTabPosition", &P::TabPosition, &P::SetTabPosition,
                          positions, TTabPosition::tpTop)
      .Integer("ActiveColor", &P::ActiveColor, &P::SetActiveColor, clBtnFace)
      .Integer("ActiveColorTo", &P::ActiveColorTo, &P::SetActiveColorTo, clNone)
      .Integer("DefaultTextColor", &P::DefaultTextColor, &P::SetDefaultTextColor, clBlack)
      .Integer("DefaultTabColor", &P::DefaultTabColor, &P::SetDefaultTabColor, clBtnFace)
      .Integer("DefaultTabColorTo", &P::DefaultTabColorTo, &P::SetDefaultTabColorTo, clNone)
      .Integer("TabBorderColor", &P::TabBorderColor, &P::SetTabBorderColor, clGray)
      .Integer("TabSheetBorderColor", &P::TabSheetBorderColor, &P::SetTabSheetBorderColor, clGray)
      .Integer("TabBackGroundColor", &P::TabBackGroundColor, &P::SetTabBackGroundColor, clBtnFace)
      .Integer("TabHoverColor", &P::TabHoverColor, &P::SetTabHoverColor, clNone)
      .Integer("TabHoverColorTo", &P::TabHoverColorTo, &P::SetTabHoverColorTo, clNone)
      .Integer("TabHoverBorder", &P::TabHoverBorder, &P::SetTabHoverBorder, clNone)
      .Boolean("TabBorder3D", &P::TabBorder3D, &P::SetTabBorder3D, false)
      .Boolean("TabSheet3D", &P::TabSheet3D, &P::SetTabSheet3D, false)
      .Boolean("TabSplitLine", &P::TabSplitLine, &P::SetTabSplitLine, false)
      .Boolean("RoundEdges", &P::RoundEdges, &P::SetRoundEdges, false)
      .Boolean("ShowFocus", &P::ShowFocus, &P::SetShowFocus, false)
      .Boolean("FreeOnClose", &P::FreeOnClose, &P::SetFreeOnClose, false)
      .Boolean("DockSite", &P::DockSite, &P::SetDockSite, false)
      .Enum<TTabStyle>("TabStyle", "TTabStyle", &P::TabStyle, &P::SetTabStyle, styles,
                       TTabStyle::tsClassic)
      .Integer("LowerActive", &P::LowerActive, &P::SetLowerActive, 2)
      .Integer("TabOverlap", &P::TabOverlap, &P::SetTabOverlap, 0)
      .Integer(
          "TabMargin.LeftMargin", [](const P& p) { return p.TabMargin()->LeftMargin(); },
          [](P& p, int v) { p.TabMargin()->SetLeftMargin(v); }, 0)
      .Integer(
          "TabMargin.TopMargin", [](const P& p) { return p.TabMargin()->TopMargin(); },
          [](P& p, int v) { p.TabMargin()->SetTopMargin(v); }, 0)
      .Integer(
          "TabMargin.RightMargin", [](const P& p) { return p.TabMargin()->RightMargin(); },
          [](P& p, int v) { p.TabMargin()->SetRightMargin(v); })
      .String(
          "ActiveFont.Name", [](const P& p) { return p.ActiveFont()->Name(); },
          [](P& p, const std::string& v) { p.ActiveFont()->SetName(v); }, "Tahoma")
      .Integer(
          "ActiveFont.Height", [](const P& p) { return p.ActiveFont()->Height(); },
          [](P& p, int v) { p.ActiveFont()->SetHeight(v); })
      .String("Version", &P::Version, &P::SetVersion, "1.5.0.8");
  RegisterComponentClass<P>();
  RegisterProperties<S>()
      .Integer("ColorTo", &S::ColorTo, &S::SetColorTo, clNone)
      .Integer("TabColor", &S::TabColor, &S::SetTabColor, clNone)
      .Integer("TabColorTo", &S::TabColorTo, &S::SetTabColorTo, clNone)
      .Integer("TextColor", &S::TextColor, &S::SetTextColor, clBlack)
      .Boolean("ShowClose", &S::ShowClose, &S::SetShowClose, false)
      .Boolean("TabVisible", &S::TabVisible, &S::SetTabVisible, true)
      .Boolean("TabEnable", &S::TabEnable, &S::SetTabEnable, true)
      .Boolean("Highlighted", &S::Highlighted, &S::SetHighlighted, false)
      .Integer("ImageIndex", &S::ImageIndex, &S::SetImageIndex, 0)
      .Enum<TTabGradientDirection>("TabGradientDirection", "TGradientDirection",
                                   &S::TabGradientDirection, &S::SetTabGradientDirection,
                                   directions, TTabGradientDirection::gdVertical)
      .Enum<TTabGradientDirection>("HoverGradientDirection", "TGradientDirection",
                                   &S::HoverGradientDirection, &S::SetHoverGradientDirection,
                                   directions, TTabGradientDirection::gdVertical);
  RegisterComponentClass<S>();
}
