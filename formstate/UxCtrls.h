// The speed button of the form-state library and its glyph painter.
//
// TUxButtonGlyph draws a button face: the glyph in one of five states (up,
// disabled, down, exclusive, inactive: 0..4), the caption and an optional
// drop-down arrow, laid out by glyph position, margin and spacing. Each
// state image is built once and kept in a TGlyphList shared by every painter
// whose glyph cells have the same size; the lists live in the process-wide
// TGlyphCache, which goes when its last list goes.
//
// TUxSpeedButton is a windowless push button over that painter: flat look
// with hot tracking, transparency, greyed glyph while a flat button is not
// under the mouse, grouping (radio-style), auto-repeat while held, and an
// attached drop-down menu. The whole face is composed off screen and copied
// in one draw.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/forms/Controls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Menus.h"
#include "platform/forms/StdCtrls.h"
#include "platform/forms/Timers.h"
#include "platform/graphics/Bitmap.h"
#include "platform/rtl/Lists.h"

enum class TButtonState { bsUp, bsDisabled, bsDown, bsExclusive, bsInactive };
// The speed button's four glyph positions, in the order stored forms number
// them. They live apart from the glow button's eight positions of the same
// name (controls/OwGlowButton.h): one program links both libraries.
namespace ux {
enum class TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
}  // namespace ux
enum class TButtonStyle { bsAutoDetect, bsWin31, bsNew };
enum class TUxDropDownMenuPos { dmpBottom, dmpRight };

/// Images of one cell size; freed slots are reused.
class TGlyphList {
public:
  TGlyphList(int width, int height) : width_(width), height_(height) {}
  int Width() const { return width_; }
  int Height() const { return height_; }
  int UsedCount() const { return usedCount_; }
  int Capacity() const { return int(images_.size()); }
  /// Copies the image (its size) with the colour that is transparent in it.
  int AddMasked(const TBitmap& image, TColor maskColor);
  void Delete(int index);
  /// Draws the image, leaving its transparent pixels out.
  void Draw(TCanvas* canvas, int x, int y, int index) const;
  const TBitmap* Image(int index) const;

private:
  int allocate();
  int width_, height_;
  std::vector<std::unique_ptr<TBitmap>> images_;
  std::vector<COLORREF> masks_;
  TBits used_;
  int usedCount_ = 0;
};

class TGlyphCache {
public:
  TGlyphList* GetList(int width, int height);
  /// Frees the list when none of its slots is used.
  void ReturnList(TGlyphList* list);
  bool Empty() const { return lists_.empty(); }
  int ListCount() const { return int(lists_.size()); }

private:
  std::vector<std::unique_ptr<TGlyphList>> lists_;
};

/// The process-wide cache; null while no painter exists.
TGlyphCache* SharedGlyphCache();

/// Grey of a colour: (77 R + 150 G + 29 B) / 256; the transparent colour and
/// clBtnFace stay.
TColor ToGray(TColor color, TColor transparent);

struct TFaceLayout {
  TPoint GlyphPos;
  TRect TextBounds;
};

class TUxButtonGlyph {
public:
  TUxButtonGlyph();
  ~TUxButtonGlyph();
  TUxButtonGlyph(const TUxButtonGlyph&) = delete;
  TUxButtonGlyph& operator=(const TUxButtonGlyph&) = delete;

  TBitmap* Glyph() { return glyph_.get(); }
  /// Copies the bitmap (null empties the glyph).
  void SetGlyph(const TBitmap* value);
  int NumGlyphs() const { return numGlyphs_; }
  void SetNumGlyphs(int value);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool v) { wordWrap_ = v; }
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment v) { alignment_ = v; }
  TColor MaskColor() const { return maskColor_; }

  /// The image index of a state in the shared list; -1 when none.
  int BuildStateGlyph(TButtonState state);
  void ReleaseGlyphs();
  TGlyphList* SharedList() const { return list_; }

  /// Lays out glyph and caption in `client`; the caption may be shortened.
  TFaceLayout ComputeFaceLayout(TCanvas* canvas, const TRect& client, std::string& caption,
                                ux::TButtonLayout layout, int margin, int spacing, bool mark,
                                UINT captionFlags);
  /// Draws glyph, caption and mark; gives the caption's rectangle.
  TRect PaintContent(TCanvas* canvas, const TRect& client, const std::string& caption,
                     ux::TButtonLayout layout, int margin, int spacing, TButtonState state, bool mark,
                     UINT captionFlags);

  std::function<void()> OnChange;

private:
  void glyphChanged();
  TSize drawGlyphImage(TCanvas* canvas, int x, int y, TButtonState state);
  void drawCaption(TCanvas* canvas, const std::string& caption, TRect bounds, TButtonState state,
                   UINT flags);
  std::string fitCaption(TCanvas* canvas, const std::string& caption, int width);
  std::unique_ptr<TBitmap> glyph_;
  TGlyphList* list_ = nullptr;
  std::array<int, 5> indexes_{-1, -1, -1, -1, -1};
  TColor maskColor_ = 0x00FF00FF;
  int numGlyphs_ = 1;
  bool wordWrap_ = false;
  TAlignment alignment_ = TAlignment::taCenter;
};

/// The drop-down arrow: rows of 7, 5 and 3 pixels and one below.
void DrawArrowMark(TCanvas* canvas, int x, int y, TColor color);

class TUxSpeedButton : public TGraphicControl {
  SK_CLASS(TUxSpeedButton, TGraphicControl)
public:
  explicit TUxSpeedButton(TComponent* owner);
  ~TUxSpeedButton() override;

  TUxButtonGlyph* GlyphPainter() const { return painter_.get(); }
  TBitmap* Glyph() { return painter_->Glyph(); }
  void SetGlyph(const TBitmap* value);
  int NumGlyphs() const { return painter_->NumGlyphs(); }
  void SetNumGlyphs(int value);
  int GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(int value);
  bool Down() const { return down_; }
  void SetDown(bool value);
  bool AllowAllUp() const { return allowAllUp_; }
  void SetAllowAllUp(bool value);
  bool Flat() const { return flat_; }
  void SetFlat(bool value);
  ux::TButtonLayout Layout() const { return layout_; }
  void SetLayout(ux::TButtonLayout value);
  int Spacing() const { return spacing_; }
  void SetSpacing(int value);
  int Margin() const { return margin_; }
  void SetMargin(int value);
  TButtonStyle Style() const { return style_; }
  void SetStyle(TButtonStyle value);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value);
  bool GrayedInactive() const { return grayedInactive_; }
  void SetGrayedInactive(bool value);
  bool MarkDropDown() const { return markDropDown_; }
  void SetMarkDropDown(bool value);
  TPopupMenu* DropDownMenu() const { return dropDownMenu_; }
  void SetDropDownMenu(TPopupMenu* value);
  TUxDropDownMenuPos MenuPosition() const { return menuPosition_; }
  void SetMenuPosition(TUxDropDownMenuPos v) { menuPosition_ = v; }
  bool AllowTimer() const { return allowTimer_; }
  void SetAllowTimer(bool value);
  int InitPause() const { return initPause_; }
  void SetInitPause(int v) { initPause_ = v; }
  int RepeatInterval() const { return repeatInterval_; }
  void SetRepeatInterval(int v) { repeatInterval_ = v; }
  TModalResult ModalResult() const { return modalResult_; }
  void SetModalResult(TModalResult v) { modalResult_ = v; }
  bool WordWrap() const { return painter_->WordWrap(); }
  void SetWordWrap(bool value);
  TAlignment Alignment() const { return painter_->Alignment(); }
  void SetAlignment(TAlignment value);

  TButtonState State() const { return state_; }
  bool Hovered() const { return hovered_; }
  bool Pressing() const { return pressing_; }
  /// The point (button coordinates) the drop-down menu opens at.
  TPoint DropDownMenuOrigin() const;
  void Click() override;
  void Dispatch(TMessage& message) override;
  void Loaded() override;

protected:
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void Notification(TComponent* component, TOperation operation) override;
  /// Draws glyph, caption and mark into the face rectangle.
  virtual void PaintFaceContent(TCanvas* canvas, const TRect& rect, TButtonState state,
                                bool drawMark);
  /// Draws the frame and gives the inner rectangle.
  TRect PaintButtonEdges(TCanvas* canvas, TRect r, bool down);
  bool inside(int x, int y) const;

private:
  void finishPress(TMouseButton button, int x, int y);
  void notifyGroup();
  void repeatTick();
  bool openDropDownMenu(TPoint p, bool manual);
  void setHovered(bool value);
  std::unique_ptr<TUxButtonGlyph> painter_;
  std::unique_ptr<TBitmap> offscreen_;
  TTimer* repeatTimer_ = nullptr; // owned as a component
  int groupIndex_ = 0;
  TButtonStyle style_ = TButtonStyle::bsAutoDetect;
  bool down_ = false;
  bool pressing_ = false;
  bool flat_ = false;
  bool hovered_ = false;
  bool allowAllUp_ = false;
  ux::TButtonLayout layout_ = ux::TButtonLayout::blGlyphTop;
  int spacing_ = 1;
  int margin_ = -1;
  TModalResult modalResult_ = mrNone;
  bool transparent_ = false;
  bool markDropDown_ = true;
  TPopupMenu* dropDownMenu_ = nullptr;
  TUxDropDownMenuPos menuPosition_ = TUxDropDownMenuPos::dmpBottom;
  bool grayedInactive_ = true;
  bool pressInProgress_ = false;
  bool allowTimer_ = false;
  int initPause_ = 500;
  int repeatInterval_ = 100;
  TButtonState state_ = TButtonState::bsUp;
};
