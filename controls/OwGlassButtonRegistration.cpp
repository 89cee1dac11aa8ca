// The glass button's published properties. Colours are always stored; the
// others are not stored when they equal their defaults. The pictures are
// binary data, which stored definitions here do not carry.
#include "controls/OwGlassButton.h"
#include "platform/forms/Properties.h"

void RegisterOwGlassButton() {
  EnsureFormsClassesRegistered();
  using B = TOwCustomGlassButton;
  static const std::vector<std::string> styles = {"tasButton", "tasCheck"};
  static const std::vector<std::string> layouts = {
      "blGlyphLeft",         "blGlyphTop",          "blGlyphRight",
      "blGlyphBottom",       "blGlyphLeftAdjusted", "blGlyphRightAdjusted",
      "blGlyphTopAdjusted",  "blGlyphBottomAdjusted"};
  static const std::vector<std::string> antiAlias = {"aaNone", "aaClearType", "aaAntiAlias"};
  static const std::vector<std::string> symbols = {
      "bsArrowLeft", "bsArrowRight", "bsArrowUp",  "bsArrowDown",    "bsPlay",
      "bsPause",     "bsStop",       "bsFastForward", "bsForward",   "bsBackward",
      "bsFastBackward", "bsSpeaker", "bsNoSpeaker", "bsNone"};
  static const std::vector<std::string> shapes = {"btsRectangle", "btsCurvedRectangle"};
  static const std::vector<std::string> directions = {"bdLeft", "bdRight"};
  static const std::vector<std::string> positions = {"shpLeft", "shpTop", "shpRight", "shpBottom",
                                                     "shpCenter"};
  RegisterProperties<B>()
      .Boolean("AllowAllUp", &B::AllowAllUp, &B::SetAllowAllUp, false)
      .Enum<TAntiAlias>("AntiAlias", "TAntiAlias", &B::AntiAlias, &B::SetAntiAlias, antiAlias,
                        TAntiAlias::aaClearType)
      .Integer("BackColor", &B::BackColor, &B::SetBackColor)
      .Enum<TBackGroundSymbol>("BackGroundSymbol", "TBackGroundSymbol", &B::BackGroundSymbol,
                               &B::SetBackGroundSymbol, symbols, TBackGroundSymbol::bsNone)
      .Integer("BackGroundSymbolColor", &B::BackGroundSymbolColor, &B::SetBackGroundSymbolColor,
               clWhite)
      .Enum<TButtonDirection>("ButtonDirection", "TButtonDirection", &B::ButtonDirection,
                              &B::SetButtonDirection, directions, TButtonDirection::bdRight)
      .Enum<TButtonShape>("ButtonShape", "TButtonShape", &B::ButtonShape, &B::SetButtonShape,
                          shapes, TButtonShape::btsRectangle)
      .Integer("CornerRadius", &B::CornerRadius, &B::SetCornerRadius, 4)
      .Boolean("Down", &B::Down, &B::SetDown, false)
      .Integer("ForeColor", &B::ForeColor, &B::SetForeColor)
      .Boolean("ForceTransparent", &B::ForceTransparent, &B::SetForceTransparent, false)
      .Integer("GlowColor", &B::GlowColor, &B::SetGlowColor)
      .Integer("GroupIndex", &B::GroupIndex, &B::SetGroupIndex, 0)
      .Integer("InnerBorderColor", &B::InnerBorderColor, &B::SetInnerBorderColor)
      .Enum<TButtonLayout>("Layout", "TButtonLayout", &B::Layout, &B::SetLayout, layouts,
                           TButtonLayout::blGlyphLeft)
      .String(
          "OfficeHint.Title", [](const B& b) { return b.OfficeHint()->Title(); },
          [](B& b, const std::string& v) { b.OfficeHint()->SetTitle(v); }, "")
      .String(
          "OfficeHint.Notes", [](const B& b) { return b.OfficeHint()->Notes()->Text(); },
          [](B& b, const std::string& v) { b.OfficeHint()->Notes()->SetText(v); }, "")
      .Boolean(
          "OfficeHint.ShowHelp", [](const B& b) { return b.OfficeHint()->ShowHelp(); },
          [](B& b, bool v) { b.OfficeHint()->SetShowHelp(v); }, false)
      .Integer("OuterBorderColor", &B::OuterBorderColor, &B::SetOuterBorderColor)
      .Integer("ShineColor", &B::ShineColor, &B::SetShineColor)
      .String("ShortCutHint", &B::ShortCutHint, &B::SetShortCutHint, "")
      .Enum<TShortCutHintPos>("ShortCutHintPos", "TShortCutHintPos", &B::ShortCutHintPos,
                              &B::SetShortCutHintPos, positions, TShortCutHintPos::shpTop)
      .Boolean("ShowCaption", &B::ShowCaption, &B::SetShowCaption, true)
      .Boolean("ShowFocusRect", &B::ShowFocusRect, &B::SetShowFocusRect, false)
      .Enum<TOwToolButtonStyle>("Style", "TOwToolButtonStyle", &B::Style, &B::SetStyle, styles,
                                TOwToolButtonStyle::tasButton)
      .String("Version", &B::Version, &B::SetVersion, "1.0.1.0");
  RegisterProperties<TOwGlassButton>();
  RegisterComponentClass<TOwGlassButton>();
}
