// Edits with an embedded button: TCustomComboEdit (the button at the right
// edge, in a small child window so the text stops before it), its
// TEditButton, and the folder edits TFileDirEdit / TDirectoryEdit, whose
// button opens the folder dialog and which take folders and files dropped
// from the desktop. No descendant here has a drop-down popup.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "formstate/UxCtrls.h"
#include "platform/forms/Menus.h"
#include "platform/forms/StdCtrls.h"

class TCustomComboEdit;

enum class TGlyphKind { gkCustom, gkDefault, gkDropDown, gkEllipsis };

/// The speed button inside a combo edit.
class TEditButton : public TUxSpeedButton {
  SK_CLASS(TEditButton, TUxSpeedButton)
public:
  TEditButton(TComponent* owner, TCustomComboEdit* edit);
  TCustomComboEdit* Edit() const { return edit_; }
  void Click() override;

protected:
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void Paint() override;

private:
  TCustomComboEdit* edit_;
  bool suppressClick_ = false;
};

/// The window that holds the button at the edit's right edge.
class TButtonHolder : public TCustomControl {
  SK_CLASS(TButtonHolder, TCustomControl)
public:
  explicit TButtonHolder(TComponent* owner);

protected:
  void Paint() override;
};

class TCustomComboEdit : public TEdit {
  SK_CLASS(TCustomComboEdit, TEdit)
public:
  explicit TCustomComboEdit(TComponent* owner);
  ~TCustomComboEdit() override;

  TEditButton* Button() const { return button_; }
  TButtonHolder* ButtonHolder() const { return holder_; }
  int ButtonWidth() const;
  void SetButtonWidth(int value);
  const std::string& ButtonHint() const;
  void SetButtonHint(const std::string& value);
  TShortCut ClickKey() const { return clickKey_; }
  void SetClickKey(TShortCut v) { clickKey_ = v; }
  bool DirectInput() const { return directInput_; }
  void SetDirectInput(bool value);
  bool ReadOnly() const { return readOnlyFlag_; }
  void SetReadOnly(bool value);
  bool AlwaysEnableButton() const { return alwaysEnableButton_; }
  void SetAlwaysEnableButton(bool v) { alwaysEnableButton_ = v; }
  TBitmap* Glyph() const { return button_->Glyph(); }
  void SetGlyph(const TBitmap* value);
  int NumGlyphs() const { return button_->NumGlyphs(); }
  void SetNumGlyphs(int value);
  TGlyphKind GlyphKind() const { return glyphKind_; }
  void SetGlyphKind(TGlyphKind value);
  TAlignment EditAlignment() const { return editAlignment_; }
  void SetEditAlignment(TAlignment value);
  bool HasKeyboardFocus() const { return hasKeyboardFocus_; }
  /// The height below which the edit is raised (font line heights + borders).
  int MinimumHeight();

  /// The button's action: OnButtonClick (unless ReadOnly blocks the button).
  void ButtonClicked();
  void Dispatch(TMessage& message) override;
  void Loaded() override;

  TNotifyEvent OnButtonClick;

protected:
  /// The standard glyph of GlyphKind gkDefault (not owned); none here.
  virtual TBitmap* GetStandardGlyph() { return nullptr; }
  virtual void DoButtonClick();
  void KeyDown(Word& key, TShiftState shift) override;
  void KeyPress(char& key) override;
  void DoEnter() override;
  void LoadStandardGlyph();
  void ApplyEditRect();
  void PlaceButton();
  /// Replaces the selection with `text` as typing would.
  void InsertText(const std::string& text);
  bool CanType() const { return directInput_ && !readOnlyFlag_; }
  /// The cells of the standard glyph.
  int standardGlyphCount_ = 1;
  /// Set while the control is made: the button may be resized freely.
  bool creating_ = true;

private:
  void pasteFromClipboard();
  TEditButton* button_ = nullptr;
  TButtonHolder* holder_ = nullptr;
  TShortCut clickKey_ = 32808; // Alt+Down
  bool readOnlyFlag_ = false;
  bool directInput_ = true;
  bool alwaysEnableButton_ = false;
  TAlignment editAlignment_ = TAlignment::taLeftJustify;
  bool hasKeyboardFocus_ = false;
  TGlyphKind glyphKind_ = TGlyphKind::gkCustom;
};

using TExecOpenDialogEvent =
    std::function<void(TPersistent* Sender, std::string& Name, bool& Action)>;

class TFileDirEdit : public TCustomComboEdit {
  SK_CLASS(TFileDirEdit, TCustomComboEdit)
public:
  explicit TFileDirEdit(TComponent* owner);

  bool AcceptFiles() const { return acceptFiles_; }
  void SetAcceptFiles(bool value);
  bool MultipleDirs() const { return multipleDirs_; }
  void SetMultipleDirs(bool v) { multipleDirs_ = v; }
  /// The text with each path (each ';'-separated one with MultipleDirs) in
  /// its long or its short form.
  std::string GetLongPathText();
  std::string GetShortPathText();
  void Dispatch(TMessage& message) override;

  TExecOpenDialogEvent OnBeforeDialog;
  TExecOpenDialogEvent OnAfterDialog;
  TNotifyEvent OnDropFiles;

protected:
  TBitmap* GetStandardGlyph() override;
  virtual std::string LongName(const std::string& path) = 0;
  virtual std::string ShortName(const std::string& path) = 0;
  virtual void ReceiveDroppedName(const std::string& name) = 0;
  virtual void ClearDroppedNames() {}
  void FireBeforeDialog(std::string& name, bool& action);
  void FireAfterDialog(std::string& name, bool& action);

private:
  std::string convertPaths(bool toLong);
  bool acceptFiles_ = false;
  bool multipleDirs_ = false;
};

enum class TSelectDirOpt { sdAllowCreate, sdPerformCreate, sdPrompt };
using TSelectDirOpts = TSet<TSelectDirOpt>;
enum class TDirDialogKind { dkVCL, dkWin32 };

class TDirectoryEdit : public TFileDirEdit {
  SK_CLASS(TDirectoryEdit, TFileDirEdit)
public:
  explicit TDirectoryEdit(TComponent* owner);

  TSelectDirOpts DialogOptions() const { return dialogOptions_; }
  void SetDialogOptions(TSelectDirOpts v) { dialogOptions_ = v; }
  const std::string& InitialDir() const { return initialDir_; }
  void SetInitialDir(const std::string& v) { initialDir_ = v; }
  const std::string& DialogText() const { return dialogText_; }
  void SetDialogText(const std::string& v) { dialogText_ = v; }
  TDirDialogKind DialogKind() const { return dialogKind_; }
  void SetDialogKind(TDirDialogKind v) { dialogKind_ = v; }
  int HelpContext() const { return helpContext_; }
  void SetHelpContext(int v) { helpContext_ = v; }

protected:
  void DoButtonClick() override;
  std::string LongName(const std::string& path) override;
  std::string ShortName(const std::string& path) override;
  void ReceiveDroppedName(const std::string& name) override;

private:
  TSelectDirOpts dialogOptions_;
  std::string initialDir_;
  std::string dialogText_;
  TDirDialogKind dialogKind_ = TDirDialogKind::dkVCL;
  int helpContext_ = 0;
};
