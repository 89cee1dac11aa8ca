// TOwGlassButton: a push or toggle button drawn as glass (a rounded or
// curved body in a translucent colour over whatever lies behind it, a shine
// over its upper half, a glow while pressed, an optional symbol), with a
// caption and a picture laid out by DrawCaptionAndPicture. It behaves like a
// speed button (group index, down state, all-up, check style), can take the
// focus, answers the keyboard, and shows a small key tip on request.
// TOwCustomGlassButton holds the behaviour; TOwGlassButton publishes it.
//
// Visual states: 0 up, 1 disabled, 2 pressed, 4 latched (down in a group).
//
// Files: OwGlassButton.cpp (model, states, input, key tip),
// OwGlassButtonPaint.cpp (painting, the glass shapes and symbols),
// OwCaptionPainter.cpp (DrawCaptionAndPicture), OwGlassButtonRegistration.cpp
// (published properties).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "controls/GpPicture.h"
#include "controls/OwGDIP.h"
#include "controls/OwGlowButton.h"
#include "controls/OwHintInfo.h"
#include "platform/forms/Controls.h"
#include "platform/graphics/Canvas.h"

class TTimer;
class TCustomImageList;
class TGraphic;

enum class TOwToolButtonStyle { tasButton, tasCheck };
enum class TBackGroundSymbol {
  bsArrowLeft,
  bsArrowRight,
  bsArrowUp,
  bsArrowDown,
  bsPlay,
  bsPause,
  bsStop,
  bsFastForward,
  bsForward,
  bsBackward,
  bsFastBackward,
  bsSpeaker,
  bsNoSpeaker,
  bsNone
};
enum class TButtonShape { btsRectangle, btsCurvedRectangle };
/// The side of the curved shape's round end.
enum class TButtonDirection { bdLeft, bdRight };
enum class TShortCutHintPos { shpLeft, shpTop, shpRight, shpBottom, shpCenter };

/// The glass button's visual states.
enum : std::uint8_t { gbsUp = 0, gbsDisabled = 1, gbsPressed = 2, gbsLatched = 4 };

// ---- shapes -------------------------------------------------------------------------------------

/// A box of the glass shapes: X, Y, width, height.
struct TBox {
  int X = 0, Y = 0, W = 0, H = 0;
};

/// The rounded rectangle's first three pieces (upper corners rounded), then
/// straight down the right side, along the bottom and up the left side.
std::unique_ptr<TGPGraphicsPath> RoundedTopPath(const TBox& box, int radius);
/// A rectangle with a bulging cardinal curve on one side and a semicircular
/// end on the side `direction` names.
std::unique_ptr<TGPGraphicsPath> CurvedRectPath(const TBox& box, TButtonDirection direction);
/// The shine of the curved shape.
std::unique_ptr<TGPGraphicsPath> CurvedTopPath(const TBox& box, TButtonDirection direction);
/// An ellipse centred on the rectangle's horizontal middle and on its
/// bottom edge, 1.7 times as wide and 2.3 times as high (edges L, T, R, B).
std::unique_ptr<TGPGraphicsPath> GlowEllipsePath(const TRect& edges);
/// The curved shape's outline, one pixel wide (nothing without a surface).
void DrawCurvedOutline(TGPGraphics* graphics, const TBox& box, TButtonDirection direction,
                       TColor color);
/// A colour's bytes as they are (red the low byte, no system colours
/// resolved) with the given alpha: the glass fills' colours.
ARGB GlassArgb(std::uint8_t alpha, TColor color);

// ---- the caption and picture painter -----------------------------------------------------------

/// Everything DrawCaptionAndPicture is given besides the canvas.
struct TCaptionPaint {
  TRect Rect;
  std::string Caption;
  TButtonDirection Direction = TButtonDirection::bdRight;
  TButtonShape Shape = TButtonShape::btsRectangle;
  int Trimming = 0;
  int Spacing = 2;
  int CornerRadius = 4;
  bool RoundedFocus = true;
  bool MeasureOnly = false;
  bool MultiLine = true;
  bool TextOverWholeArea = false;
  /// A class-library glyph (the first kind of picture), or none.
  TGraphic* Glyph = nullptr;
  bool DrawPicture = true;
  TAntiAlias AntiAlias = TAntiAlias::aaClearType;
  TGpPicture* Picture = nullptr;
  bool DropDownAtBottom = false;
  bool Focus = false;
  bool Enabled = true;
  bool DropDown = false;
  TButtonLayout Layout = TButtonLayout::blGlyphLeft;
  bool ImageEnabled = true;
  int ImageIndex = -1;
  TCustomImageList* Images = nullptr;
  const TFont* Font = nullptr;
  bool ShowCaption = true;
  std::u16string WideCaption;
};

/// Lays out and draws a caption with one picture (glyph, picture or image of
/// a list) in one of eight layouts; returns the size the content needs. The
/// caption is drawn anti-aliased when the font allows it and with GDI text
/// otherwise; the two characters backslash and n start a new line.
TSize DrawCaptionAndPicture(TCanvas* canvas, const TCaptionPaint& p);

// ---- the button ----------------------------------------------------------------------------------

class TOwCustomGlassButton : public TCustomControl {
  SK_CLASS(TOwCustomGlassButton, TCustomControl)
public:
  explicit TOwCustomGlassButton(TComponent* owner);
  ~TOwCustomGlassButton() override;

  int GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(int v);
  bool Down() const { return down_; }
  void SetDown(bool v);
  bool AllowAllUp() const { return allowAllUp_; }
  void SetAllowAllUp(bool v);
  TOwToolButtonStyle Style() const { return style_; }
  void SetStyle(TOwToolButtonStyle v);
  TOwHintInfo* OfficeHint() const { return officeHint_.get(); }
  void SetOfficeHint(const TOwHintInfo* v);
  TGpPicture* Picture() const { return picture_.get(); }
  void SetPicture(const TGpPicture* v);
  TGpPicture* PictureDown() const { return pictureDown_.get(); }
  void SetPictureDown(const TGpPicture* v);
  TGpPicture* PictureDisabled() const { return pictureDisabled_.get(); }
  void SetPictureDisabled(const TGpPicture* v);
  TShortCutHintPos ShortCutHintPos() const { return shortCutHintPos_; }
  void SetShortCutHintPos(TShortCutHintPos v) { shortCutHintPos_ = v; }
  const std::string& ShortCutHint() const { return shortCutHint_; }
  void SetShortCutHint(const std::string& v) { shortCutHint_ = v; }
  TColor BackColor() const { return backColor_; }
  void SetBackColor(TColor v);
  /// Stored and published; the painting does not use it.
  TColor ForeColor() const { return foreColor_; }
  void SetForeColor(TColor v);
  TColor InnerBorderColor() const { return innerBorderColor_; }
  void SetInnerBorderColor(TColor v);
  TColor OuterBorderColor() const { return outerBorderColor_; }
  void SetOuterBorderColor(TColor v);
  TColor ShineColor() const { return shineColor_; }
  void SetShineColor(TColor v);
  TColor GlowColor() const { return glowColor_; }
  void SetGlowColor(TColor v);
  TButtonLayout Layout() const { return layout_; }
  void SetLayout(TButtonLayout v);
  TAntiAlias AntiAlias() const { return antiAlias_; }
  void SetAntiAlias(TAntiAlias v);
  bool ShowCaption() const { return showCaption_; }
  void SetShowCaption(bool v);
  bool ShowFocusRect() const { return showFocusRect_; }
  void SetShowFocusRect(bool v);
  int CornerRadius() const { return cornerRadius_; }
  /// Ignored when equal or negative; while designing at most Height div 2.
  void SetCornerRadius(int v);
  TBackGroundSymbol BackGroundSymbol() const { return backGroundSymbol_; }
  void SetBackGroundSymbol(TBackGroundSymbol v);
  TColor BackGroundSymbolColor() const { return backGroundSymbolColor_; }
  void SetBackGroundSymbolColor(TColor v);
  TButtonShape ButtonShape() const { return buttonShape_; }
  void SetButtonShape(TButtonShape v);
  TButtonDirection ButtonDirection() const { return buttonDirection_; }
  void SetButtonDirection(TButtonDirection v);
  bool ForceTransparent() const { return forceTransparent_; }
  void SetForceTransparent(bool v);

  /// "1.0.1.0"; writing it is ignored.
  std::string Version() const;
  void SetVersion(const std::string&) {}
  virtual std::uint32_t PackedVersion() const { return 0x01000100u; }

  std::uint8_t State() const { return visualState_; }
  bool Hovering() const { return hover_; }
  bool PressedFlag() const { return pressed_; }
  bool Tracking() const { return tracking_; }
  bool FocusedFlag() const { return focused_; }
  TTimer* HoverTimer() const { return hoverTimer_; }
  /// The key tip while it exists (null otherwise).
  TShortCutHintWindow* KeyTip() const { return keyTip_; }

  /// Releases the other down button of the group (CM_BUTTONPRESSED to the
  /// parent's controls) when the group index is not 0.
  void NotifyGroup();
  /// Delivers a mouse-enter or mouse-leave notification to this button,
  /// depending on whether it is the control under the cursor.
  void RecheckHover();
  /// The hover timer's tick: ends hover once the cursor has left.
  void HoverPollTick();
  void ShowKeyTip();
  void HideKeyTip();

  /// Draws the glass body onto `canvas` and the caption and picture onto the
  /// button's own canvas.
  virtual void RenderButton(TCanvas* canvas);
  void RenderGlass(TGPGraphics& graphics);

  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;

  void Loaded() override;
  void Click() override;

protected:
  void Paint() override;
  void Dispatch(TMessage& message) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void KeyPress(char& key) override;
  void DoEnter() override;
  void DoExit() override;

private:
  bool Designing() const;
  bool Inside(int x, int y) const;
  void LButtonUp(TMessage& message);
  void ButtonPressed(TMessage& message);
  void HintShow(TMessage& message);
  void PaintSiblingsOver();
  TGpPicture* ChosenPicture() const;
  void DrawSymbol(TGPGraphics& graphics, int width, int height);

  int groupIndex_ = 0;
  bool down_ = false;
  bool allowAllUp_ = false;
  bool hover_ = false;
  TOwToolButtonStyle style_ = TOwToolButtonStyle::tasButton;
  std::uint8_t visualState_ = gbsUp;
  bool pressed_ = false;
  bool tracking_ = false;
  TTimer* hoverTimer_ = nullptr; // owned as a component of the button
  bool loadedDown_ = false;
  std::unique_ptr<TOwHintInfo> officeHint_;
  std::unique_ptr<TGpPicture> pictureDown_;
  std::unique_ptr<TGpPicture> pictureDisabled_;
  std::unique_ptr<TGpPicture> picture_;
  TShortCutHintWindow* keyTip_ = nullptr; // owned as a component of the button
  TShortCutHintPos shortCutHintPos_ = TShortCutHintPos::shpTop;
  std::string shortCutHint_;
  TColor backColor_ = clBlack;
  TColor foreColor_ = clWhite;
  TColor innerBorderColor_ = clBlack;
  TColor outerBorderColor_ = clWhite;
  TColor shineColor_ = clWhite;
  TColor glowColor_ = 0x00FFBD8D;
  TButtonLayout layout_ = TButtonLayout::blGlyphLeft;
  TAntiAlias antiAlias_ = TAntiAlias::aaClearType;
  bool showCaption_ = true;
  bool showFocusRect_ = false;
  bool focused_ = false;
  int cornerRadius_ = 4;
  TBackGroundSymbol backGroundSymbol_ = TBackGroundSymbol::bsNone;
  TColor backGroundSymbolColor_ = clWhite;
  TButtonShape buttonShape_ = TButtonShape::btsRectangle;
  TButtonDirection buttonDirection_ = TButtonDirection::bdRight;
  bool forceTransparent_ = false;
};

class TOwGlassButton : public TOwCustomGlassButton {
  SK_CLASS(TOwGlassButton, TOwCustomGlassButton)
public:
  using TOwCustomGlassButton::TOwCustomGlassButton;
};

void RegisterOwGlassButton();
