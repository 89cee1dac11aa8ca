// TOwTrackBar: an owner-drawn track bar. An integer Position between Min and
// Max changes by dragging the thumb, clicking beside it, keys, the wheel, or
// the optional end buttons (repeating while held); a drag shows the value in
// a small hint window. Its look lives in five owned settings objects: Thumb,
// Slider, TickMark, Buttons and TrackLabel.
//
// Files: OwTrackBarSettings.cpp (the settings objects and the style
// presets), OwTrackBar.cpp (model, layout, position changes, input, hint
// window), OwTrackBarPaint.cpp (background, slider, ticks, label, end
// buttons, rating cells), OwTrackBarThumb.cpp (the thumb shapes),
// OwTrackBarRegistration.cpp (published properties).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "controls/GpPicture.h"
#include "controls/OwPaintUtil.h"
#include "platform/forms/Controls.h"
#include "platform/forms/StdCtrls.h"

class TTimer;
class TCustomImageList;
class TCustomTrackBar;

enum class TTrackBarOrientation { trHorizontal, trVertical };
enum class TTickMark { tmBottomRight, tmTopLeft, tmBoth };
enum class TTickStyle { tsNone, tsAuto, tsManual };
enum class TThumbShape {
  tsPointer,
  tsRectangle,
  tsRoundRect,
  tsRound,
  tsLine,
  tsPointerRightUp,
  tsPointerLeftUp,
  tsTriangle,
  tsTriangleLeft,
  tsTriangleRight
};
enum class TTrackButtonShape { bsRound, bsRectangle };
enum class TLabelPosition {
  lpTopCenter,
  lpTopLeft,
  lpTopRight,
  lpBottomCenter,
  lpBottomLeft,
  lpBottomRight
};

/// Something whose colours follow one of ten numbered presets.
class IStyleTarget {
public:
  virtual ~IStyleTarget() = default;
  virtual void ApplyStyle(int style) = 0;
};

/// Base of the five settings objects: a change event the bar wires to its
/// repaint.
class TTrackBarSettings : public TPersistent {
public:
  TNotifyEvent OnChange;
  TCustomTrackBar* Owner() const { return owner_; }
  void SetOwner(TCustomTrackBar* owner) { owner_ = owner; }

protected:
  void Changed() {
    if (OnChange) OnChange(this);
  }
  /// Stores a changed value and signals Changed.
  template <class T> void Set(T& field, const T& value) {
    if (StoreChanged(field, value)) Changed();
  }
  /// Makes `picture` report its changes to `handler`.
  void WatchPicture(TGpPicture& picture, std::function<void()> handler);
  TCustomTrackBar* owner_ = nullptr;
};

class TTrackBarTick : public TTrackBarSettings {
public:
  TTrackBarTick();
  std::string ClassName() const override { return "TTrackBarTick"; }
  void Assign(const TPersistent* source) override;

  TColor Color() const { return color_; }
  void SetColor(TColor v) { Set(color_, v); }
  TColor ColorDisabled() const { return colorDisabled_; }
  void SetColorDisabled(TColor v) { Set(colorDisabled_, v); }
  TGpPicture& Picture() { return picture_; }
  TGpPicture& PictureDisabled() { return pictureDisabled_; }
  TTickMark Position() const { return position_; }
  void SetPosition(TTickMark v) { Set(position_, v); }
  TTickStyle Style() const { return style_; }
  void SetStyle(TTickStyle v) { Set(style_, v); }
  bool ShowText() const { return showText_; }
  void SetShowText(bool v) { Set(showText_, v); }
  TFont* Font() { return &font_; }
  const TFont* Font() const { return &font_; }
  bool Line3D() const { return line3D_; }
  void SetLine3D(bool v) { Set(line3D_, v); }
  bool ShowImageAtThumbOnly() const { return showImageAtThumbOnly_; }
  void SetShowImageAtThumbOnly(bool v) { Set(showImageAtThumbOnly_, v); }
  int ShowImageAtSteps() const { return showImageAtSteps_; }
  void SetShowImageAtSteps(int v) { Set(showImageAtSteps_, v); }
  int Spacing() const { return spacing_; }
  void SetSpacing(int v) { Set(spacing_, v); }
  int Size() const { return size_; }
  void SetSize(int v) { Set(size_, v); }
  bool RotateFontVert() const { return rotateFontVert_; }
  void SetRotateFontVert(bool v) { Set(rotateFontVert_, v); }

private:
  TColor color_ = clBlack;
  TGpPicture picture_;
  TColor colorDisabled_ = clBlack;
  TGpPicture pictureDisabled_;
  TTickMark position_ = TTickMark::tmBottomRight;
  TTickStyle style_ = TTickStyle::tsAuto;
  bool showText_ = false;
  TFont font_;
  bool line3D_ = false;
  bool showImageAtThumbOnly_ = false;
  int showImageAtSteps_ = 1;
  int spacing_ = 8;
  int size_ = 4;
  bool rotateFontVert_ = true;
};

class TTrackBarSlider : public TTrackBarSettings {
public:
  TTrackBarSlider();
  std::string ClassName() const override { return "TTrackBarSlider"; }
  void Assign(const TPersistent* source) override;

  int GradientSteps() const { return gradientSteps_; }
  TColor Color() const { return color_; }
  void SetColor(TColor v) { Set(color_, v); }
  TColor ColorTo() const { return colorTo_; }
  void SetColorTo(TColor v) { Set(colorTo_, v); }
  TGradientDirection Direction() const { return direction_; }
  void SetDirection(TGradientDirection v) { Set(direction_, v); }
  TColor BorderColor() const { return borderColor_; }
  void SetBorderColor(TColor v) { Set(borderColor_, v); }
  bool Rounded() const { return rounded_; }
  void SetRounded(bool v) { Set(rounded_, v); }
  bool Border3D() const { return border3D_; }
  void SetBorder3D(bool v) { Set(border3D_, v); }
  TGpPicture& Picture() { return picture_; }
  const TGpPicture& Picture() const { return picture_; }
  TColor ColorDisabledTo() const { return colorDisabledTo_; }
  void SetColorDisabledTo(TColor v) { Set(colorDisabledTo_, v); }
  TColor BorderColorDisabled() const { return borderColorDisabled_; }
  void SetBorderColorDisabled(TColor v) { Set(borderColorDisabled_, v); }
  TColor ColorDisabled() const { return colorDisabled_; }
  void SetColorDisabled(TColor v) { Set(colorDisabled_, v); }
  TGpPicture& PictureDisabled() { return pictureDisabled_; }
  int Size() const { return size_; }
  void SetSize(int v) { Set(size_, v); }
  bool Visible() const { return visible_; }
  void SetVisible(bool v) { Set(visible_, v); }
  bool PictureStretched() const { return pictureStretched_; }
  void SetPictureStretched(bool v) { Set(pictureStretched_, v); }
  TColor ColorCompletedDisabledTo() const { return colorCompletedDisabledTo_; }
  void SetColorCompletedDisabledTo(TColor v) { Set(colorCompletedDisabledTo_, v); }
  TColor ColorCompletedTo() const { return colorCompletedTo_; }
  void SetColorCompletedTo(TColor v) { Set(colorCompletedTo_, v); }
  TColor ColorCompleted() const { return colorCompleted_; }
  void SetColorCompleted(TColor v) { Set(colorCompleted_, v); }
  TColor ColorCompletedDisabled() const { return colorCompletedDisabled_; }
  void SetColorCompletedDisabled(TColor v) { Set(colorCompletedDisabled_, v); }
  TGpPicture& PictureCompletedDisabled() { return pictureCompletedDisabled_; }
  TGpPicture& PictureCompleted() { return pictureCompleted_; }
  int Offset() const { return offset_; }
  void SetOffset(int v) { Set(offset_, v); }

private:
  friend class TCustomTrackBar;
  void PictureChanged();
  int gradientSteps_ = 20;
  TColor color_ = clWhite;
  TColor colorTo_ = clBlack;
  TGradientDirection direction_ = TGradientDirection::gdHorizontal;
  TColor borderColor_ = 0xC29674;
  bool rounded_ = false;
  bool border3D_ = true;
  TGpPicture picture_;
  TColor colorDisabledTo_ = 0;
  TColor borderColorDisabled_ = 0;
  TColor colorDisabled_ = 0;
  TGpPicture pictureDisabled_;
  int size_ = 2;
  bool visible_ = true;
  bool pictureStretched_ = false;
  TColor colorCompletedDisabledTo_ = clNone;
  TColor colorCompletedTo_ = clNone;
  TColor colorCompleted_ = clNone;
  TColor colorCompletedDisabled_ = clNone;
  TGpPicture pictureCompletedDisabled_;
  TGpPicture pictureCompleted_;
  int offset_ = 10;
};

/// The colours of one state of a glossy face (thumb or end button).
struct TGlossColors {
  TColor Border, Color, ColorTo, Mirror, MirrorTo;
};

class TTrackBarThumb : public TTrackBarSettings {
public:
  TTrackBarThumb();
  std::string ClassName() const override { return "TTrackBarThumb"; }
  /// Another class is ignored silently.
  void Assign(const TPersistent* source) override;

  int GradientSteps() const { return gradientSteps_; }
  TColor Color() const { return color_; }
  void SetColor(TColor v) { Set(color_, v); }
  TColor ColorTo() const { return colorTo_; }
  void SetColorTo(TColor v) { Set(colorTo_, v); }
  TColor BorderColor() const { return borderColor_; }
  void SetBorderColor(TColor v) { Set(borderColor_, v); }
  TColor ColorHot() const { return colorHot_; }
  void SetColorHot(TColor v) { Set(colorHot_, v); }
  TColor ColorHotTo() const { return colorHotTo_; }
  void SetColorHotTo(TColor v) { Set(colorHotTo_, v); }
  TColor BorderColorHot() const { return borderColorHot_; }
  void SetBorderColorHot(TColor v) { Set(borderColorHot_, v); }
  int Width() const { return width_; }
  /// Changes only while Picture is empty.
  void SetWidth(int v);
  TColor ColorDisabled() const { return colorDisabled_; }
  void SetColorDisabled(TColor v) { Set(colorDisabled_, v); }
  TColor ColorDisabledTo() const { return colorDisabledTo_; }
  void SetColorDisabledTo(TColor v) { Set(colorDisabledTo_, v); }
  TColor BorderColorDown() const { return borderColorDown_; }
  void SetBorderColorDown(TColor v) { Set(borderColorDown_, v); }
  TColor BorderColorDisabled() const { return borderColorDisabled_; }
  void SetBorderColorDisabled(TColor v) { Set(borderColorDisabled_, v); }
  TColor ColorDown() const { return colorDown_; }
  void SetColorDown(TColor v) { Set(colorDown_, v); }
  TColor ColorDownTo() const { return colorDownTo_; }
  void SetColorDownTo(TColor v) { Set(colorDownTo_, v); }
  TGpPicture& Picture() { return picture_; }
  TGpPicture& PictureDisabled() { return pictureDisabled_; }
  TGpPicture& PictureDown() { return pictureDown_; }
  TGpPicture& PictureHot() { return pictureHot_; }
  TThumbShape Shape() const { return shape_; }
  void SetShape(TThumbShape v) { Set(shape_, v); }
  TColor ColorMirror() const { return colorMirror_; }
  void SetColorMirror(TColor v) { Set(colorMirror_, v); }
  TColor ColorMirrorTo() const { return colorMirrorTo_; }
  void SetColorMirrorTo(TColor v) { Set(colorMirrorTo_, v); }
  TColor ColorMirrorHot() const { return colorMirrorHot_; }
  void SetColorMirrorHot(TColor v) { Set(colorMirrorHot_, v); }
  TColor ColorMirrorHotTo() const { return colorMirrorHotTo_; }
  void SetColorMirrorHotTo(TColor v) { Set(colorMirrorHotTo_, v); }
  TColor ColorMirrorDown() const { return colorMirrorDown_; }
  void SetColorMirrorDown(TColor v) { Set(colorMirrorDown_, v); }
  TColor ColorMirrorDownTo() const { return colorMirrorDownTo_; }
  void SetColorMirrorDownTo(TColor v) { Set(colorMirrorDownTo_, v); }
  TColor ColorMirrorDisabled() const { return colorMirrorDisabled_; }
  void SetColorMirrorDisabled(TColor v) { Set(colorMirrorDisabled_, v); }
  TColor ColorMirrorDisabledTo() const { return colorMirrorDisabledTo_; }
  void SetColorMirrorDisabledTo(TColor v) { Set(colorMirrorDisabledTo_, v); }
  TGpGradient Gradient() const { return gradient_; }
  void SetGradient(TGpGradient v) { Set(gradient_, v); }
  TGpGradient GradientMirror() const { return gradientMirror_; }
  void SetGradientMirror(TGpGradient v) { Set(gradientMirror_, v); }
  int Size() const { return size_; }
  /// Changes only while Picture is empty.
  void SetSize(int v);
  bool ShowAtMinMax() const { return showAtMinMax_; }
  void SetShowAtMinMax(bool v) { Set(showAtMinMax_, v); }

  /// The colours of a state (pressed wins over hot; disabled over both).
  TGlossColors StateColors(bool pressed, bool hot, bool enabled) const;
  /// The picture of that state (falling back to Picture).
  TGpPicture& StatePicture(bool pressed, bool hot, bool enabled);
  /// Sizes the thumb after its picture (run again by the bar after loading).
  void PictureChanged();

private:
  friend class TCustomTrackBar;
  int gradientSteps_ = 64;
  TColor color_ = 0xEEDBC8, colorTo_ = 0xF6DDC9;
  TColor borderColor_ = 0x9D6F40;
  TColor colorHotTo_ = 0xACECFF, colorHot_ = 0xEBFDFF;
  TColor borderColorHot_ = 0x99CEDB;
  int width_ = 10;
  TColor colorDisabledTo_ = 0;
  TColor borderColorDown_ = 0x45667B;
  TColor borderColorDisabled_ = 0;
  TColor colorDown_ = 0x76AFF1, colorDownTo_ = 0x4190F3;
  TColor colorDisabled_ = 0;
  TGpPicture picture_;
  TThumbShape shape_ = TThumbShape::tsPointer;
  TGpPicture pictureDisabled_, pictureDown_, pictureHot_;
  TColor colorMirrorHot_ = 0x59DAFF;
  TColor colorMirror_ = 0xEDD4C0, colorMirrorTo_ = 0xF7E1D0;
  TColor colorMirrorDisabledTo_ = 0, colorMirrorDisabled_ = 0;
  TColor colorMirrorHotTo_ = 0xA4E9FF;
  TColor colorMirrorDown_ = 0x0E72F1, colorMirrorDownTo_ = 0x4C9FFD;
  TGpGradient gradient_ = TGpGradient::ggVertical;
  TGpGradient gradientMirror_ = TGpGradient::ggRadial;
  int size_ = 15;
  bool showAtMinMax_ = true;
};

class TTrackBarButtons : public TTrackBarSettings {
public:
  TTrackBarButtons();
  std::string ClassName() const override { return "TTrackBarButtons"; }
  void Assign(const TPersistent* source) override;

  bool Visible() const { return visible_; }
  void SetVisible(bool v) { Set(visible_, v); }
  TColor ColorHot() const { return colorHot_; }
  void SetColorHot(TColor v) { Set(colorHot_, v); }
  TColor Color() const { return color_; }
  void SetColor(TColor v) { Set(color_, v); }
  TColor ColorTo() const { return colorTo_; }
  void SetColorTo(TColor v) { Set(colorTo_, v); }
  TColor ColorHotTo() const { return colorHotTo_; }
  void SetColorHotTo(TColor v) { Set(colorHotTo_, v); }
  TColor ColorDownTo() const { return colorDownTo_; }
  void SetColorDownTo(TColor v) { Set(colorDownTo_, v); }
  TColor ColorDown() const { return colorDown_; }
  void SetColorDown(TColor v) { Set(colorDown_, v); }
  TColor BorderColorDown() const { return borderColorDown_; }
  void SetBorderColorDown(TColor v) { Set(borderColorDown_, v); }
  TColor BorderColorHot() const { return borderColorHot_; }
  void SetBorderColorHot(TColor v) { Set(borderColorHot_, v); }
  TColor BorderColor() const { return borderColor_; }
  void SetBorderColor(TColor v) { Set(borderColor_, v); }
  TGpPicture& MaxPictureHot() { return maxPictureHot_; }
  TGpPicture& MaxPictureDown() { return maxPictureDown_; }
  TGpPicture& MinPicture() { return minPicture_; }
  TGpPicture& MaxPicture() { return maxPicture_; }
  TGpPicture& MinPictureHot() { return minPictureHot_; }
  TGpPicture& MinPictureDown() { return minPictureDown_; }
  TTrackButtonShape Shape() const { return shape_; }
  void SetShape(TTrackButtonShape v) { Set(shape_, v); }
  TColor ColorMirror() const { return colorMirror_; }
  void SetColorMirror(TColor v) { Set(colorMirror_, v); }
  TColor ColorMirrorTo() const { return colorMirrorTo_; }
  void SetColorMirrorTo(TColor v) { Set(colorMirrorTo_, v); }
  TColor ColorMirrorHot() const { return colorMirrorHot_; }
  void SetColorMirrorHot(TColor v) { Set(colorMirrorHot_, v); }
  TColor ColorMirrorDownTo() const { return colorMirrorDownTo_; }
  void SetColorMirrorDownTo(TColor v) { Set(colorMirrorDownTo_, v); }
  TColor ColorMirrorHotTo() const { return colorMirrorHotTo_; }
  void SetColorMirrorHotTo(TColor v) { Set(colorMirrorHotTo_, v); }
  TColor ColorMirrorDown() const { return colorMirrorDown_; }
  void SetColorMirrorDown(TColor v) { Set(colorMirrorDown_, v); }
  TGpGradient GradientMirror() const { return gradientMirror_; }
  void SetGradientMirror(TGpGradient v) { Set(gradientMirror_, v); }
  TGpGradient Gradient() const { return gradient_; }
  void SetGradient(TGpGradient v) { Set(gradient_, v); }
  bool RepeatClick() const { return repeatClick_; }
  void SetRepeatClick(bool v) { Set(repeatClick_, v); }
  int InitRepeatPause() const { return initRepeatPause_; }
  void SetInitRepeatPause(int v) { Set(initRepeatPause_, v); }
  int RepeatPause() const { return repeatPause_; }
  void SetRepeatPause(int v) { Set(repeatPause_, v); }
  int Size() const { return size_; }
  /// Changes only while MinPicture and MaxPicture are empty.
  void SetSize(int v);
  int Spacing() const { return spacing_; }
  void SetSpacing(int v) { Set(spacing_, v); }
  bool RotateText() const { return rotateText_; }
  void SetRotateText(bool v) { Set(rotateText_, v); }

  /// Sizes the buttons after their pictures (run again after loading).
  void PictureChanged();

private:
  friend class TCustomTrackBar;
  bool visible_ = false;
  TColor colorHot_ = 0xEBFDFF, color_ = 0xEEDBC8, colorTo_ = 0xF6DDC9, colorHotTo_ = 0xACECFF,
         colorDownTo_ = 0x4190F3, colorDown_ = 0x76AFF1;
  TColor borderColorDown_ = 0x45667B, borderColorHot_ = 0x99CEDB, borderColor_ = 0x8D572F;
  TGpPicture maxPictureHot_, maxPictureDown_, minPicture_, maxPicture_, minPictureHot_,
      minPictureDown_;
  TTrackButtonShape shape_ = TTrackButtonShape::bsRound;
  TColor colorMirror_ = 0xEDD4C0, colorMirrorTo_ = 0xF7E1D0, colorMirrorHot_ = 0x59DAFF,
         colorMirrorDownTo_ = 0x4C9FFD, colorMirrorHotTo_ = 0xA4E9FF, colorMirrorDown_ = 0x0E72F1;
  TGpGradient gradientMirror_ = TGpGradient::ggVertical, gradient_ = TGpGradient::ggVertical;
  bool repeatClick_ = true;
  int initRepeatPause_ = 400;
  int repeatPause_ = 100;
  int size_ = 20;
  int spacing_ = 2;
  bool rotateText_ = true;
};

class TTrackBarLabel : public TTrackBarSettings {
public:
  TTrackBarLabel();
  std::string ClassName() const override { return "TTrackBarLabel"; }
  void Assign(const TPersistent* source) override;

  bool Visible() const { return visible_; }
  void SetVisible(bool v) { Set(visible_, v); }
  const std::string& Format() const { return format_; }
  void SetFormat(const std::string& v) { Set(format_, v); }
  TFont* Font() { return &font_; }
  const TFont* Font() const { return &font_; }
  TLabelPosition Position() const { return position_; }
  void SetPosition(TLabelPosition v) { Set(position_, v); }
  int Spacing() const { return spacing_; }
  void SetSpacing(int v) { Set(spacing_, v); }

private:
  bool visible_ = false;
  std::string format_ = "Pos: %d";
  TFont font_;
  TLabelPosition position_ = TLabelPosition::lpTopCenter;
  int spacing_ = 4;
};

/// The drag hint: a borderless window beside the pointer showing the value.
class TTrackHintWindow : public THintWindow {
  SK_CLASS(TTrackHintWindow, THintWindow)
public:
  explicit TTrackHintWindow(TComponent* owner);
  /// Shows `text` with its top-left corner at rect's, kept on the monitor.
  void ActivateHint(TRect rect, const std::string& hint) override;
  TRect CalcHintRect(int maxWidth, const std::string& hint) override;
  int TextWidth() const { return textWidth_; }
  int TextHeight() const { return textHeight_; }

protected:
  void CreateParams(TCreateParams& params) override;
  void Paint() override;
  void Dispatch(TMessage& message) override;

private:
  int textWidth_ = 0, textHeight_ = 0;
};

using TDrawTickEvent = std::function<void(
    TPersistent* Sender, TCanvas* Canvas, TPoint Location, int Position, TTickMark TickPos,
    int& Length, TColor& Color, TColor& TextColor, std::string& Text, bool& DefaultDraw)>;
using TGetTrackHintEvent =
    std::function<void(TPersistent* Sender, int Position, std::string& Hint)>;

class TCustomTrackBar : public TCustomControl, public IStyleTarget {
  SK_CLASS(TCustomTrackBar, TCustomControl)
public:
  explicit TCustomTrackBar(TComponent* owner);
  ~TCustomTrackBar() override;

  // ---- model
  int Min() const { return min_; }
  void SetMin(int value);
  int Max() const { return max_; }
  void SetMax(int value);
  int Position() const { return position_; }
  void SetPosition(int value) { ChangePosition(value); }
  int PageSize() const { return pageSize_; }
  void SetPageSize(int v) { pageSize_ = v; }
  TTrackBarOrientation Orientation() const { return orientation_; }
  void SetOrientation(TTrackBarOrientation value);
  /// The writer of Position: clamps, repaints what changed and fires
  /// OnChange (also when a value beyond the end it sits at is asked for).
  virtual void ChangePosition(int value);

  // ---- settings
  TTrackBarThumb* Thumb() const { return thumb_.get(); }
  TTrackBarSlider* Slider() const { return slider_.get(); }
  TTrackBarTick* TickMark() const { return tickMark_.get(); }
  TTrackBarButtons* Buttons() const { return buttons_.get(); }
  TTrackBarLabel* TrackLabel() const { return label_.get(); }
  void SetThumb(const TTrackBarThumb* v) { thumb_->Assign(v); }
  void SetSlider(const TTrackBarSlider* v) { slider_->Assign(v); }
  void SetTickMark(const TTrackBarTick* v) { tickMark_->Assign(v); }
  void SetButtons(const TTrackBarButtons* v) { buttons_->Assign(v); }
  void SetTrackLabel(const TTrackBarLabel* v) { label_->Assign(v); }
  TGpPicture* BackGround() const { return background_.get(); }
  TGpPicture* BackGroundDisabled() const { return backgroundDisabled_.get(); }
  TGpPicture* RateActive() const { return rateActive_.get(); }
  TGpPicture* RateInActive() const { return rateInActive_.get(); }

  TColor ColorDisabled() const { return colorDisabled_; }
  void SetColorDisabled(TColor v) { colorDisabled_ = v; }
  TColor ColorTo() const { return colorTo_; }
  void SetColorTo(TColor v);
  TColor BorderColorDisabled() const { return borderColorDisabled_; }
  void SetBorderColorDisabled(TColor v) { borderColorDisabled_ = v; }
  TColor BorderColor() const { return borderColor_; }
  void SetBorderColor(TColor v);
  TColor ColorDisabledTo() const { return colorDisabledTo_; }
  void SetColorDisabledTo(TColor v) { colorDisabledTo_ = v; }
  TGradientDirection Direction() const { return direction_; }
  void SetDirection(TGradientDirection v);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v);
  bool BackGroundStretched() const { return backgroundStretched_; }
  void SetBackGroundStretched(bool v);
  TCustomImageList* TickImages() const { return tickImages_; }
  void SetTickImages(TCustomImageList* v);
  bool ShowFocus() const { return showFocus_; }
  void SetShowFocus(bool v) { showFocus_ = v; }
  bool TrackHint() const { return trackHint_; }
  void SetTrackHint(bool v) { trackHint_ = v; }
  int TrackMargin() const { return trackMargin_; }
  int TickTextGap() const { return tickTextGap_; }
  int FrameWidth() const { return frameWidth_; }
  int TickTextExtent() const { return tickTextExtent_; }

  // ---- layout (client coordinates; an empty rectangle has all edges -1)
  TRect InnerRect() const;
  TRect MinButtonRect() const;
  TRect MaxButtonRect() const;
  TRect TrackRect() const;
  TRect TopTickRect() const;
  TRect BottomTickRect() const;
  TRect SliderRect() const;
  TRect ThumbRect() const;
  /// `textExtent`: narrowed along the bar to the text (repaints, vertical
  /// labels); otherwise the full row.
  TRect LabelRect(bool textExtent = false) const;
  TRect RateCellRect(int value) const;
  int RateCellAt(TPoint p) const;
  bool IsRatingMode() const;
  bool HasCompletedPart() const;
  void UpdateTickTextExtent();

  // ---- state (tests and painting)
  bool Dragging() const { return dragging_; }
  bool ThumbHot() const { return thumbHot_; }
  bool ThumbPressed() const { return thumbPressed_; }
  bool MinButtonPressed() const { return minPressed_; }
  bool MaxButtonPressed() const { return maxPressed_; }
  bool HintShowing() const { return hintShowing_; }
  TTrackHintWindow* HintWindow() const { return hintWindow_; }
  TTimer* RepeatTimer() const { return repeatTimer_; }

  void ApplyStyle(int style) override;
  void Loaded() override;

  TNotifyEvent OnChange;
  TDrawTickEvent OnDrawTick;
  TGetTrackHintEvent OnGetTrackHint;

  // The painters (also called directly for immediate feedback).
  virtual void DrawSlider();
  virtual void DrawThumb();
  void DrawBackground();
  void DrawLabel();
  void DrawTicks();
  void DrawButtons();
  void DrawMinButton();
  void DrawMaxButton();
  void DrawRating();
  void DrawRateCell(int value);

protected:
  virtual void RepeatTimerTick();
  virtual bool TrackClickEnabled() const { return true; }
  virtual std::string GetLabelText() const;
  virtual std::unique_ptr<TTrackBarSlider> CreateSlider();
  virtual bool ThumbDragEnabled() const { return true; }
  virtual bool IsValidPosition(int value) const { return value >= min_ && value <= max_; }
  virtual int FirstPosition() const { return min_; }
  virtual int LastPosition() const { return max_; }
  virtual void Changed();

  void Dispatch(TMessage& message) override;
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void KeyDown(Word& key, TShiftState shift) override;
  void DoEnter() override;
  void DoExit() override;
  void Notification(TComponent* component, TOperation operation) override;

private:
  friend class TTrackBarThumb;
  friend class TTrackBarButtons;
  bool Horizontal() const { return orientation_ == TTrackBarOrientation::trHorizontal; }
  int HalfThumb() const;
  /// Thumb offset along the track for a value (64-bit product).
  int ThumbOffset(int value) const;
  /// Runs `draw` on a canvas bound to the window (outside a paint).
  void DrawNow(const std::function<void()>& draw);
  void StepBy(int delta);
  void DrawTick(const TRect& row, TTickMark side, int value, int offset);
  void DrawTickText(const TRect& row, bool first, const std::string& text, TColor textColor, int x,
                    int y);
  void DrawEndButton(bool minButton);
  void DrawButtonGlyph(const TRect& face, bool minus, TColor stroke, TColor outline);
  void PaintPointerThumb(const TRect& r, const TGlossColors& colors);
  void PaintBoxThumb(const TRect& r, const TGlossColors& colors);
  void PaintLineThumb(const TRect& r, const TGlossColors& colors);
  /// The triangles and the two slanted pointers.
  void DrawPolygonThumb(const TRect& r, const TGlossColors& colors);
  /// The thumb's shape in the state's colours.
  void PaintThumbShape(const TRect& r, const TGlossColors& colors);
  void OutlineHorizontalPointer(const TRect& r, const TRect& body, bool top, bool bottom, TPoint P1,
                                TPoint P2, TPoint P3, TPoint Q1, TPoint Q2, TPoint Q3,
                                TColor border);
  void OutlineVerticalPointer(const TRect& r, const TRect& body, bool left, bool right, TPoint P1,
                              TPoint P2, TPoint P3, TPoint Q1, TPoint Q2, TPoint Q3, TColor border);
  /// Fills (L, T, R, B) under the clip shapes: glossy, stepped or solid.
  void FillThumb(const TRect& r, HRGN gdiClip, const TGPGraphicsPath& gpClip,
                 const TGlossColors& colors, const TRect& glossRect);
  void InvalidateLabel();
  void InvalidateThumbArea(const TRect& oldThumb, const TRect& newThumb);
  int DragCandidate(int x, int y) const;
  void ShowDragHint(int value);
  void HideDragHint();
  void PressEndButtons(TPoint p);
  void TrackButtonHover(TPoint p);
  void ReleaseEndButtons(TPoint p);
  void MouseLeft();
  void StartRepeat();
  void WireSettings();

  std::unique_ptr<TTrackBarThumb> thumb_;
  std::unique_ptr<TTrackBarSlider> slider_;
  std::unique_ptr<TTrackBarTick> tickMark_;
  int max_ = 10, min_ = 0;
  TTrackBarOrientation orientation_ = TTrackBarOrientation::trHorizontal;
  int pageSize_ = 1;
  int position_ = 0;
  bool dragging_ = false;
  TColor colorDisabled_ = clNone, colorTo_ = clNone, borderColorDisabled_ = clNone,
         borderColor_ = clNone, colorDisabledTo_ = clNone;
  std::unique_ptr<TGpPicture> background_;
  TGradientDirection direction_ = TGradientDirection::gdHorizontal;
  bool transparent_ = true;
  int trackMargin_ = 2;
  int tickTextGap_ = 2;
  bool thumbHot_ = false, thumbPressed_ = false;
  TCustomImageList* tickImages_ = nullptr;
  std::unique_ptr<TGpPicture> rateInActive_, rateActive_, backgroundDisabled_;
  std::unique_ptr<TTrackBarButtons> buttons_;
  int frameWidth_ = 1;
  bool minHot_ = false, minPressed_ = false, maxHot_ = false, maxPressed_ = false;
  int tickTextExtent_ = 0;
  TTimer* repeatTimer_ = nullptr; // owned by the bar as a component
  bool trackHint_ = false;
  bool backgroundStretched_ = false;
  int lastHintValue_ = -1;
  TTrackHintWindow* hintWindow_ = nullptr; // owned by the bar as a component
  bool hintShowing_ = false;
  bool showFocus_ = false;
  std::unique_ptr<TTrackBarLabel> label_;
};

class TOwTrackBar : public TCustomTrackBar {
  SK_CLASS(TOwTrackBar, TCustomTrackBar)
public:
  explicit TOwTrackBar(TComponent* owner) : TCustomTrackBar(owner) {}
};

/// Registers the track bar's class and published properties.
/// The pointer thumb's outline: the body with its tip apexes (a tip the
/// tick position does not ask for leaves that side straight), around from
/// the body's bottom-left (right-bottom for a vertical bar).
std::unique_ptr<TGPGraphicsPath> CreatePointerPath(const TRect& body, TPoint firstApex,
                                                   TPoint secondApex, TTickMark ticks,
                                                   bool vertical);

void RegisterOwTrackBar();
