// Standard controls: TPanel (custom drawn, bevels and a caption), TLabel
// (windowless text) and TEdit (a native line editor: its widget does Qt's own
// editing when the key messages reach the default handler).
#pragma once

#include <string>

#include "platform/forms/Controls.h"
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
  virtual void Change();

private:
  void linesChanged();
  void syncFromWidget();
  std::unique_ptr<TStringList> lines_;
  bool readOnly_ = false;
  bool syncing_ = false;
};
