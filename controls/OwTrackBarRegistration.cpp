// The track bar's published properties, so stored window definitions can set
// them by name (nested settings as "Thumb.Width" and the like). Colours,
// pictures, fonts, the thumb's shape and gradients, the background direction
// and TrackHint are always stored; other properties are not stored when they
// equal the value the constructor gives them.
#include "controls/OwTrackBar.h"
#include "platform/forms/Properties.h"

namespace {
const std::vector<std::string> kOrientations = {"trHorizontal", "trVertical"};
const std::vector<std::string> kTickMarks = {"tmBottomRight", "tmTopLeft", "tmBoth"};
const std::vector<std::string> kTickStyles = {"tsNone", "tsAuto", "tsManual"};
const std::vector<std::string> kThumbShapes = {
    "tsPointer",        "tsRectangle",     "tsRoundRect", "tsRound",        "tsLine",
    "tsPointerRightUp", "tsPointerLeftUp", "tsTriangle",  "tsTriangleLeft", "tsTriangleRight"};
const std::vector<std::string> kButtonShapes = {"bsRound", "bsRectangle"};
const std::vector<std::string> kLabelPositions = {
    "lpTopCenter", "lpTopLeft", "lpTopRight", "lpBottomCenter", "lpBottomLeft", "lpBottomRight"};
const std::vector<std::string> kTrackBarDirections = {"gdHorizontal", "gdVertical", "gdHorizontalInOut",
                                              "gdVerticalInOut"};
const std::vector<std::string> kGradients = {"ggRadial", "ggVertical", "ggDiagonalForward",
                                             "ggDiagonalBackward"};
} // namespace

// A property of one of the settings objects: Obj is the bar's accessor, Prop
// the settings property (Prop() / SetProp()).
#define SK_TB_INT(Obj, Prop, Def)                                                                  \
  .Integer(                                                                                        \
      #Obj "." #Prop, [](const TOwTrackBar& b) { return b.Obj()->Prop(); },                        \
      [](TOwTrackBar& b, int v) { b.Obj()->Set##Prop(v); }, Def)
#define SK_TB_COLOR(Obj, Prop) SK_TB_INT(Obj, Prop, std::nullopt)
#define SK_TB_BOOL(Obj, Prop, Def)                                                                 \
  .Boolean(                                                                                        \
      #Obj "." #Prop, [](const TOwTrackBar& b) { return b.Obj()->Prop(); },                        \
      [](TOwTrackBar& b, bool v) { b.Obj()->Set##Prop(v); }, Def)
#define SK_TB_ENUM(Obj, Prop, Type, Names, Def)                                                    \
  .Enum<Type>(                                                                                     \
      #Obj "." #Prop, #Type, [](const TOwTrackBar& b) { return b.Obj()->Prop(); },                 \
      [](TOwTrackBar& b, Type v) { b.Obj()->Set##Prop(v); }, Names, Def)

void RegisterOwTrackBar() {
  EnsureFormsClassesRegistered();
  RegisterProperties<TCustomTrackBar>();
  using B = TOwTrackBar;
  RegisterProperties<TOwTrackBar>()
      .Integer("Min", &B::Min, &B::SetMin, 0)
      .Integer("Max", &B::Max, &B::SetMax, 10)
      .Integer("Position", &B::Position, &B::SetPosition, 0)
      .Integer("PageSize", &B::PageSize, &B::SetPageSize, 1)
      .Enum<TTrackBarOrientation>("Orientation", "TTrackBarOrientation", &B::Orientation,
                                  &B::SetOrientation, kOrientations,
                                  TTrackBarOrientation::trHorizontal)
      // The constructor's clNone is the default, so a bar left at clNone
      // reads back as clNone.
      .Integer("Color", &B::Color, &B::SetColor, clNone)
      .Integer("ColorTo", &B::ColorTo, &B::SetColorTo)
      .Integer("ColorDisabled", &B::ColorDisabled, &B::SetColorDisabled)
      .Integer("ColorDisabledTo", &B::ColorDisabledTo, &B::SetColorDisabledTo)
      .Integer("BorderColor", &B::BorderColor, &B::SetBorderColor)
      .Integer("BorderColorDisabled", &B::BorderColorDisabled, &B::SetBorderColorDisabled)
      .Enum<TGradientDirection>("Direction", "TGradientDirection", &B::Direction, &B::SetDirection,
                                kTrackBarDirections)
      .Boolean("Transparent", &B::Transparent, &B::SetTransparent, true)
      .Boolean("BackGroundStretched", &B::BackGroundStretched, &B::SetBackGroundStretched, false)
      .Boolean("ShowFocus", &B::ShowFocus, &B::SetShowFocus, false)
      .Boolean("TrackHint", &B::TrackHint, &B::SetTrackHint)
      .Boolean("TabStop", &B::TabStop, &B::SetTabStop, true)
      // Thumb
      SK_TB_COLOR(Thumb, Color) SK_TB_COLOR(Thumb, ColorTo) SK_TB_COLOR(Thumb, BorderColor)
          SK_TB_COLOR(Thumb, ColorHot) SK_TB_COLOR(Thumb, ColorHotTo) SK_TB_COLOR(
              Thumb, BorderColorHot) SK_TB_COLOR(Thumb, ColorDown) SK_TB_COLOR(Thumb, ColorDownTo)
              SK_TB_COLOR(Thumb, BorderColorDown) SK_TB_COLOR(Thumb, ColorDisabled)
                  SK_TB_COLOR(Thumb, ColorDisabledTo) SK_TB_COLOR(Thumb, BorderColorDisabled)
                      SK_TB_COLOR(Thumb, ColorMirror) SK_TB_COLOR(Thumb, ColorMirrorTo) SK_TB_COLOR(
                          Thumb, ColorMirrorHot) SK_TB_COLOR(Thumb, ColorMirrorHotTo)
                          SK_TB_COLOR(Thumb, ColorMirrorDown) SK_TB_COLOR(Thumb, ColorMirrorDownTo)
                              SK_TB_COLOR(Thumb, ColorMirrorDisabled)
                                  SK_TB_COLOR(Thumb, ColorMirrorDisabledTo)
                                      SK_TB_INT(Thumb, Width, 10) SK_TB_INT(Thumb, Size, 15)
                                          SK_TB_BOOL(Thumb, ShowAtMinMax, true) SK_TB_ENUM(
                                              Thumb, Shape, TThumbShape, kThumbShapes, std::nullopt)
                                              SK_TB_ENUM(Thumb, Gradient, TGpGradient, kGradients,
                                                         std::nullopt)
                                                  SK_TB_ENUM(Thumb, GradientMirror, TGpGradient,
                                                             kGradients, std::nullopt)
      // Slider
      SK_TB_COLOR(Slider, Color) SK_TB_COLOR(Slider, ColorTo) SK_TB_COLOR(Slider, BorderColor)
          SK_TB_COLOR(Slider, ColorDisabled) SK_TB_COLOR(Slider, ColorDisabledTo)
              SK_TB_COLOR(Slider, BorderColorDisabled) SK_TB_COLOR(Slider, ColorCompleted)
                  SK_TB_COLOR(Slider, ColorCompletedTo) SK_TB_COLOR(Slider, ColorCompletedDisabled)
                      SK_TB_COLOR(Slider, ColorCompletedDisabledTo) SK_TB_ENUM(
                          Slider, Direction, TGradientDirection, kTrackBarDirections, std::nullopt)
                          SK_TB_BOOL(Slider, Rounded, false) SK_TB_BOOL(Slider, Border3D, true)
                              SK_TB_INT(Slider, Size, 2) SK_TB_BOOL(Slider, Visible, true)
                                  SK_TB_BOOL(Slider, PictureStretched, false)
                                      SK_TB_INT(Slider, Offset, 10)
      // Tick marks
      SK_TB_COLOR(TickMark, Color) SK_TB_COLOR(TickMark, ColorDisabled)
          SK_TB_ENUM(TickMark, Position, TTickMark, kTickMarks, TTickMark::tmBottomRight)
              SK_TB_ENUM(TickMark, Style, TTickStyle, kTickStyles, TTickStyle::tsAuto)
                  SK_TB_BOOL(TickMark, ShowText, false) SK_TB_BOOL(TickMark, Line3D, false)
                      SK_TB_BOOL(TickMark, ShowImageAtThumbOnly, false)
                          SK_TB_INT(TickMark, ShowImageAtSteps, 1) SK_TB_INT(TickMark, Spacing, 8)
                              SK_TB_INT(TickMark, Size, 4)
                                  SK_TB_BOOL(TickMark, RotateFontVert, true)
      // End buttons
      SK_TB_BOOL(Buttons, Visible, false) SK_TB_COLOR(Buttons, Color) SK_TB_COLOR(Buttons, ColorTo)
          SK_TB_COLOR(Buttons, ColorHot) SK_TB_COLOR(Buttons, ColorHotTo)
              SK_TB_COLOR(Buttons, ColorDown) SK_TB_COLOR(Buttons, ColorDownTo)
                  SK_TB_COLOR(Buttons, BorderColor) SK_TB_COLOR(Buttons, BorderColorHot)
                      SK_TB_COLOR(Buttons, BorderColorDown)
      // The constructor's mirror colours are the defaults (so a stored form
      // that leaves them out reads back what was written).
      SK_TB_INT(Buttons, ColorMirror, 0xEDD4C0) SK_TB_INT(Buttons, ColorMirrorTo, 0xF7E1D0)
          SK_TB_COLOR(Buttons, ColorMirrorHot) SK_TB_COLOR(Buttons, ColorMirrorHotTo)
              SK_TB_COLOR(Buttons, ColorMirrorDown) SK_TB_COLOR(Buttons, ColorMirrorDownTo)
                  SK_TB_ENUM(Buttons, Shape, TTrackButtonShape, kButtonShapes,
                             TTrackButtonShape::bsRound)
                      SK_TB_ENUM(Buttons, Gradient, TGpGradient, kGradients, std::nullopt)
                          SK_TB_ENUM(Buttons, GradientMirror, TGpGradient, kGradients, std::nullopt)
                              SK_TB_BOOL(Buttons, RepeatClick, true)
                                  SK_TB_INT(Buttons, InitRepeatPause, 400)
                                      SK_TB_INT(Buttons, RepeatPause, 100)
                                          SK_TB_INT(Buttons, Size, 20)
                                              SK_TB_INT(Buttons, Spacing, 2)
                                                  SK_TB_BOOL(Buttons, RotateText, true)
      // Value label
      SK_TB_BOOL(TrackLabel, Visible, false)
      .String(
          "TrackLabel.Format", [](const B& b) { return b.TrackLabel()->Format(); },
          [](B& b, const std::string& v) { b.TrackLabel()->SetFormat(v); }, "Pos: %d")
          SK_TB_ENUM(TrackLabel, Position, TLabelPosition, kLabelPositions,
                     TLabelPosition::lpTopCenter) SK_TB_INT(TrackLabel, Spacing, 4)
      .String(
          "TrackLabel.Font.Name", [](const B& b) { return b.TrackLabel()->Font()->Name(); },
          [](B& b, const std::string& v) { b.TrackLabel()->Font()->SetName(v); }, "Tahoma")
      .Integer(
          "TrackLabel.Font.Color", [](const B& b) { return b.TrackLabel()->Font()->Color(); },
          [](B& b, int v) { b.TrackLabel()->Font()->SetColor(v); });
  RegisterComponentClass<TOwTrackBar>();
}
