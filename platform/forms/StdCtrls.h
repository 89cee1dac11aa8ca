// Standard controls: TPanel (custom drawn, bevels and a caption), TLabel
// (windowless text) and TEdit (a native line editor: its widget does Qt's own
// editing when the key messages reach the default handler).
#pragma once

#include <string>

#include "platform/forms/Controls.h"
#include "platform/graphics/Bitmap.h"
#include "platform/rtl/StringList.h"

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
enum class TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

class TPanel : public TCustomControl {
  SK_CLASS(TPanel, TCustomControl)
public:
  explicit TPanel(TComponent* owner);

  TBevelCut BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TBevelCut v);
  TBevelCut BevelInner() const { return bevelInner_; }
  void SetBevelInner(TBevelCut v);
  int BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int v);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment v);
  void SetText(const std::string& value) override;

protected:
  void Paint() override;

private:
  TBevelCut bevelOuter_ = TBevelCut::bvRaised;
  TBevelCut bevelInner_ = TBevelCut::bvNone;
  int bevelWidth_ = 1;
  TAlignment alignment_ = TAlignment::taCenter;
};

class TLabel : public TGraphicControl {
  SK_CLASS(TLabel, TGraphicControl)
public:
  explicit TLabel(TComponent* owner);

  void SetText(const std::string& value) override;
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool v);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment v);
  /// Sets the size to the caption's extent (with AutoSize).
  void AdjustBounds();

protected:
  void Paint() override;
  void FontChanged() override;
  void Loaded() override;

private:
  bool autoSize_ = true;
  bool transparent_ = false;
  TAlignment alignment_ = TAlignment::taLeftJustify;
};

class TEdit : public TWinControl {
  SK_CLASS(TEdit, TWinControl)
public:
  explicit TEdit(TComponent* owner);

  void SetText(const std::string& value) override;
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool v);
  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int v);
  int SelStart() const;
  void SetSelStart(int v);
  int SelLength() const;
  void SetSelLength(int v);
  std::string SelText() const;
  void SelectAll();
  bool AutoSelect() const { return autoSelect_; }
  void SetAutoSelect(bool v) { autoSelect_ = v; }

  TNotifyEvent OnChange;

protected:
  QWidget* CreateWidget(QWidget* parent) override;
  bool HasBackBuffer() const override { return false; }
  void CreateParams(TCreateParams& params) override;
  virtual void Change();
  void DoEnter() override;
  /// Keeps its characters and arrow keys (WM_GETDLGCODE).
  void Dispatch(TMessage& message) override;

private:
  void syncFromWidget();
  bool readOnly_ = false;
  int maxLength_ = 0;
  bool autoSelect_ = true;
  bool syncing_ = false;
};

/// A multi-line native editor. Text joins the lines with CR LF.
class TMemo : public TWinControl {
  SK_CLASS(TMemo, TWinControl)
public:
  explicit TMemo(TComponent* owner);
  ~TMemo() override;

  TStrings* Lines() { return lines_.get(); }
  void SetText(const std::string& value) override;
  /// The lines joined with CR LF.
  std::string MemoText() const { return lines_->Text(); }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool v);

  TNotifyEvent OnChange;

protected:
  QWidget* CreateWidget(QWidget* parent) override;
  bool HasBackBuffer() const override { return false; }
  void CreateParams(TCreateParams& params) override;
  /// Keeps its characters, arrows and Return (WM_GETDLGCODE).
  void Dispatch(TMessage& message) override;
  virtual void Change();

private:
  void linesChanged();
  void syncFromWidget();
  std::unique_ptr<TStringList> lines_;
  bool readOnly_ = false;
  bool syncing_ = false;
};

/// A frame with a caption around a group of controls.
class TGroupBox : public TCustomControl {
  SK_CLASS(TGroupBox, TCustomControl)
public:
  explicit TGroupBox(TComponent* owner);
  void SetText(const std::string& value) override;

protected:
  void Paint() override;
};

/// A windowless push button with a caption and a glyph. Buttons of one
/// GroupIndex (> 0) in the same parent stay down one at a time.
class TSpeedButton : public TGraphicControl {
  SK_CLASS(TSpeedButton, TGraphicControl)
public:
  explicit TSpeedButton(TComponent* owner);
  ~TSpeedButton() override;

  void SetText(const std::string& value) override;
  /// The picture: NumGlyphs images side by side (up, disabled, down,
  /// exclusive); the bottom-left pixel's colour is transparent.
  TBitmap* Glyph() { return glyph_.get(); }
  void SetGlyph(const TBitmap* bitmap);
  int NumGlyphs() const { return numGlyphs_; }
  void SetNumGlyphs(int v);
  bool Flat() const { return flat_; }
  void SetFlat(bool v);
  int GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(int v);
  bool Down() const { return down_; }
  void SetDown(bool v);
  bool AllowAllUp() const { return allowAllUp_; }
  void SetAllowAllUp(bool v) { allowAllUp_ = v; }
  /// True while the mouse holds the button pressed.
  bool Pressed() const { return pressed_; }
  void Click() override;
  void Dispatch(TMessage& message) override;

protected:
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

private:
  std::unique_ptr<TBitmap> glyph_;
  int numGlyphs_ = 1;
  bool flat_ = false;
  int groupIndex_ = 0;
  bool down_ = false;
  bool allowAllUp_ = false;
  bool pressed_ = false;
  bool dragging_ = false;
};

/// The hint window: a top-level, never activated box of text in clInfoBk.
class THintWindow : public TCustomControl {
  SK_CLASS(THintWindow, TCustomControl)
public:
  explicit THintWindow(TComponent* owner);
  /// The rectangle (at 0, 0) the text needs, lines broken at maxWidth.
  virtual TRect CalcHintRect(int maxWidth, const std::string& hint);
  /// Shows the hint over `rect` (screen coordinates).
  virtual void ActivateHint(TRect rect, const std::string& hint);
  /// Hides the hint window.
  void ReleaseHandle();
  bool IsShown() const;

protected:
  QWidget* CreateWidget(QWidget* parent) override;
  void CreateParams(TCreateParams& params) override;
  void Paint() override;
};
