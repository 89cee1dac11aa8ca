#include "formstate/ComboEdits.h"

#include "formstate/EditGlyphs.h"
#include "formstate/FileUtil.h"
#include "formstate/StrUtils.h"
#include "formstate/VisUtils.h"
#include "platform/forms/Clipboard.h"
#include "platform/forms/DropFiles.h"
#include "platform/forms/EditExtras.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Shell.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Gdi.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Strings.h"

// ---- TEditButton and its holder ------------------------------------------------------

TEditButton::TEditButton(TComponent* owner, TCustomComboEdit* edit)
    : TUxSpeedButton(owner), edit_(edit) {
  TControlStyle style = ControlStyle();
  style.Include(TControlStyleItem::csReplicatable);
  SetControlStyle(style);
  SetShowHint(true); // the edit's hint setting is the button's
}

void TEditButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == TMouseButton::mbLeft) {
    suppressClick_ = false; // no popups in this library
    if (edit_->TabStop() && edit_->CanFocus() && !edit_->Focused()) edit_->SetFocus();
  }
  TUxSpeedButton::MouseDown(button, shift, x, y);
}

void TEditButton::Click() {
  if (suppressClick_) {
    suppressClick_ = false;
    return;
  }
  TUxSpeedButton::Click();
}

void TEditButton::Paint() {
  TUxSpeedButton::Paint();
  if (State() == TButtonState::bsDown) return;
  TCanvas* c = Canvas();
  c->Pen()->SetColor(clBtnFace);
  c->MoveTo(0, 0);
  c->LineTo(0, Height() - 1);
  c->Pen()->SetColor(clBtnHighlight);
  c->MoveTo(1, 1);
  c->LineTo(1, Height() - 2);
}

TButtonHolder::TButtonHolder(TComponent* owner) : TCustomControl(owner) {
  TControlStyle style = ControlStyle();
  style.Include(TControlStyleItem::csReplicatable);
  SetControlStyle(style);
}

void TButtonHolder::Paint() {
  Canvas()->Brush()->SetColor(clBtnFace);
  Canvas()->FillRect(ClientRect());
}

// ---- TCustomComboEdit -------------------------------------------------------------------

TCustomComboEdit::TCustomComboEdit(TComponent* owner) : TEdit(owner) {
  TControlStyle style = ControlStyle();
  style.Include(TControlStyleItem::csCaptureMouse);
  SetControlStyle(style);
  SetHeight(21);
  holder_ = new TButtonHolder(this);
  holder_->SetBounds(0, 0, 21, 17);
  holder_->SetParent(this);
  button_ = new TEditButton(this, this);
  button_->SetBounds(0, 0, 21, 17);
  button_->SetParent(holder_);
  button_->OnClick = [this](TPersistent*) { ButtonClicked(); };
}

TCustomComboEdit::~TCustomComboEdit() {
  if (button_ != nullptr) button_->OnClick = nullptr;
}

int TCustomComboEdit::ButtonWidth() const {
  return button_->Width();
}

void TCustomComboEdit::SetButtonWidth(int value) {
  if (value == ButtonWidth()) return;
  holder_->SetVisible(value > 1);
  if (creating_) {
    holder_->SetWidth(value);
    button_->SetWidth(value);
    LoadStandardGlyph();
  } else if (value < ClientWidth()) {
    button_->SetWidth(value);
    PlaceButton();
    LoadStandardGlyph();
  }
}

const std::string& TCustomComboEdit::ButtonHint() const {
  return button_->Hint();
}

void TCustomComboEdit::SetButtonHint(const std::string& value) {
  button_->SetHint(value);
}

void TCustomComboEdit::SetGlyph(const TBitmap* value) {
  button_->SetGlyph(value);
  glyphKind_ = TGlyphKind::gkCustom;
}

void TCustomComboEdit::SetNumGlyphs(int value) {
  if (glyphKind_ == TGlyphKind::gkDropDown || glyphKind_ == TGlyphKind::gkEllipsis)
    value = 1;
  else if (glyphKind_ == TGlyphKind::gkDefault)
    value = standardGlyphCount_;
  button_->SetNumGlyphs(value);
}

void TCustomComboEdit::SetGlyphKind(TGlyphKind value) {
  if (value == glyphKind_) return;
  glyphKind_ = value;
  if (value == TGlyphKind::gkCustom && ComponentState().Contains(TComponentStateItem::csReading))
    button_->SetGlyph(nullptr);
  LoadStandardGlyph();
  if (value == TGlyphKind::gkDefault && !button_->Glyph()->Empty())
    SetButtonWidth(IntMax(button_->Glyph()->Width() / button_->NumGlyphs() + 6, ButtonWidth()));
  else if (value == TGlyphKind::gkDropDown)
    SetButtonWidth(GetSystemMetrics(SM_CXVSCROLL));
}

void TCustomComboEdit::LoadStandardGlyph() {
  switch (glyphKind_) {
  case TGlyphKind::gkDefault:
    button_->SetGlyph(GetStandardGlyph());
    button_->SetNumGlyphs(standardGlyphCount_);
    break;
  case TGlyphKind::gkDropDown: {
    std::unique_ptr<TBitmap> arrow = ComboArrowGlyph();
    button_->SetGlyph(arrow.get());
    button_->SetNumGlyphs(1);
    break;
  }
  case TGlyphKind::gkEllipsis: {
    std::unique_ptr<TBitmap> dots = MakeEllipsisGlyph(ButtonWidth());
    button_->SetGlyph(dots.get());
    button_->SetNumGlyphs(1);
    break;
  }
  default:
    break;
  }
}

void TCustomComboEdit::SetDirectInput(bool value) {
  directInput_ = value;
  TEdit::SetReadOnly(!value || readOnlyFlag_);
}

void TCustomComboEdit::SetReadOnly(bool value) {
  if (value == readOnlyFlag_) return;
  readOnlyFlag_ = value;
  TEdit::SetReadOnly(value || !directInput_);
}

void TCustomComboEdit::SetEditAlignment(TAlignment value) {
  if (value == editAlignment_) return;
  editAlignment_ = value;
  ::SetEditAlignment(this, value);
}

int TCustomComboEdit::MinimumHeight() {
  auto lineHeight = [](const TFont& font) {
    TBitmap probe(1, 1);
    probe.Canvas()->Font()->Assign(font);
    TEXTMETRIC tm{};
    GetTextMetrics(probe.Canvas()->Handle(), &tm);
    return int(tm.tmHeight);
  };
  TFont screenFont;
  return IntMin(lineHeight(screenFont), lineHeight(*Font())) + 4 * GetSystemMetrics(SM_CYBORDER) +
         1;
}

void TCustomComboEdit::ApplyEditRect() {
  const int holderWidth = holder_->Visible() ? holder_->Width() : 0;
  SetEditTextMargins(this, 0, holderWidth + 2);
}

void TCustomComboEdit::PlaceButton() {
  const int b = ButtonWidth();
  const int w = Width(), h = Height();
  if (Ctl3D() && BorderStyle() == TBorderStyle::bsSingle)
    holder_->SetBounds(w - b - 4, 0, b, IntMax(h - 4, 0));
  else if (BorderStyle() == TBorderStyle::bsSingle)
    holder_->SetBounds(w - b - 2, 2, b, IntMax(h - 4, 0));
  else
    holder_->SetBounds(w - b, 0, b, h);
  button_->SetHeight(holder_->Height());
  ApplyEditRect();
}

void TCustomComboEdit::Loaded() {
  TEdit::Loaded();
  creating_ = false;
  PlaceButton();
}

void TCustomComboEdit::ButtonClicked() {
  if (!readOnlyFlag_ || alwaysEnableButton_) DoButtonClick();
}

void TCustomComboEdit::DoButtonClick() {
  if (OnButtonClick) OnButtonClick(this);
}

void TCustomComboEdit::KeyDown(Word& key, TShiftState shift) {
  TEdit::KeyDown(key, shift);
  if (key == 0) return;
  if (ShortCut(key, shift) == clickKey_ && ButtonWidth() > 0) {
    ButtonClicked();
    key = 0;
    return;
  }
  // The clipboard keys go through WM_PASTE / WM_CUT, so that they are
  // judged like any other change.
  const bool ctrl = shift.Contains(TShiftStateItem::ssCtrl);
  if ((ctrl && key == 'V') || (shift.Contains(TShiftStateItem::ssShift) && key == VK_INSERT)) {
    Perform(WM_PASTE, 0, 0);
    key = 0;
  } else if ((ctrl && key == 'X') ||
             (shift.Contains(TShiftStateItem::ssShift) && key == VK_DELETE)) {
    Perform(WM_CUT, 0, 0);
    key = 0;
  }
}

void TCustomComboEdit::KeyPress(char& key) {
  if (key == '\r' || key == 27) {
    if (TForm* form = GetParentForm(this)) form->Perform(CM_DIALOGKEY, WPARAM(key), 0);
    if (key == '\r') {
      TEdit::KeyPress(key);
      key = 0;
      return;
    }
  }
  TEdit::KeyPress(key);
}

void TCustomComboEdit::DoEnter() {
  // The inherited entering selects all when AutoSelect; a read-only edit
  // (DirectInput off) leaves the selection alone.
  if (directInput_)
    TEdit::DoEnter();
  else
    TWinControl::DoEnter();
}

void TCustomComboEdit::InsertText(const std::string& text) {
  HandleNeeded();
  std::string s = Text();
  const int start = IntMin(SelStart(), int(s.size()));
  const int length = IntMin(SelLength(), int(s.size()) - start);
  s.replace(size_t(start), size_t(length), text);
  TEdit::SetText(s); // the edit's own text, as typing sets it
  SetSelStart(start + int(text.size()));
}

void TCustomComboEdit::pasteFromClipboard() {
  InsertText(Clipboard()->AsText());
}

void TCustomComboEdit::Dispatch(TMessage& m) {
  switch (m.Msg) {
  case WM_CHAR: {
    char c = char(m.WParam);
    KeyPress(c);
    if (c == 0) return;
    const unsigned char u = static_cast<unsigned char>(c);
    if (u >= 32 && u < 0x80) {
      if (CanType()) InsertText(std::string(1, c));
      return;
    }
    if (u == VK_BACK && CanType()) {
      HandleNeeded();
      const int start = SelStart(), length = SelLength();
      std::string s = Text();
      if (length > 0) {
        s.erase(size_t(start), size_t(length));
        TEdit::SetText(s);
        SetSelStart(start);
      } else if (start > 0) {
        s.erase(size_t(start) - 1, 1);
        TEdit::SetText(s);
        SetSelStart(start - 1);
      }
      return;
    }
    m.WParam = WPARAM(u);
    DefaultHandler(m);
    return;
  }
  case WM_PASTE:
    if (CanType()) pasteFromClipboard();
    return;
  case WM_CUT:
    if (CanType() && SelLength() > 0) {
      Clipboard()->SetAsText(SelText());
      InsertText("");
    }
    return;
  case WM_SIZE:
    TEdit::Dispatch(m);
    if (!IsLoading() && !creating_ && Height() < MinimumHeight()) {
      SetHeight(MinimumHeight());
      return;
    }
    PlaceButton();
    return;
  case WM_SETFOCUS:
    TEdit::Dispatch(m);
    hasKeyboardFocus_ = true;
    return;
  case WM_KILLFOCUS:
    hasKeyboardFocus_ = false;
    TEdit::Dispatch(m);
    return;
  case CM_ENABLEDCHANGED:
    TEdit::Dispatch(m);
    button_->SetEnabled(Enabled());
    return;
  case CM_CTL3DCHANGED:
    TEdit::Dispatch(m);
    PlaceButton();
    return;
  case CM_FONTCHANGED:
    TEdit::Dispatch(m);
    if (HandleAllocated()) ApplyEditRect();
    return;
  default:
    TEdit::Dispatch(m);
  }
}

// ---- TFileDirEdit ------------------------------------------------------------------------

TFileDirEdit::TFileDirEdit(TComponent* owner) : TCustomComboEdit(owner) {
  SetGlyphKind(TGlyphKind::gkDefault);
  creating_ = false;
}

TBitmap* TFileDirEdit::GetStandardGlyph() {
  return StandardEditGlyph("FEDITBMP");
}

void TFileDirEdit::SetAcceptFiles(bool value) {
  if (value == acceptFiles_) return;
  if (!ComponentState().Contains(TComponentStateItem::csDesigning)) DragAcceptFiles(this, value);
  acceptFiles_ = value;
}

void TFileDirEdit::FireBeforeDialog(std::string& name, bool& action) {
  if (OnBeforeDialog) OnBeforeDialog(this, name, action);
}

void TFileDirEdit::FireAfterDialog(std::string& name, bool& action) {
  if (OnAfterDialog) OnAfterDialog(this, name, action);
}

std::string TFileDirEdit::convertPaths(bool toLong) {
  auto convert = [&](const std::string& p) { return toLong ? LongName(p) : ShortName(p); };
  if (!multipleDirs_) return convert(Text());
  const std::string text = Text();
  const TCharSet semicolon{';'};
  std::string result;
  int position = 1;
  while (position <= int(text.size())) {
    const std::string piece = convert(StrNextField(text, position, semicolon));
    if (!result.empty() && !piece.empty()) result += ";";
    result += piece;
  }
  return result;
}

std::string TFileDirEdit::GetLongPathText() {
  return convertPaths(true);
}

std::string TFileDirEdit::GetShortPathText() {
  return convertPaths(false);
}

void TFileDirEdit::Dispatch(TMessage& m) {
  if (m.Msg != WM_DROPFILES) {
    TCustomComboEdit::Dispatch(m);
    return;
  }
  m.Result = 0;
  const auto drop = HDROP(m.WParam);
  const UINT count = DragQueryFile(drop, 0xFFFFFFFFu, nullptr);
  if (count > 0) {
    ClearDroppedNames();
    for (UINT i = 0; i < count; ++i) {
      std::string name;
      DragQueryFile(drop, i, &name);
      ReceiveDroppedName(name);
      if (!multipleDirs_) break;
    }
    if (OnDropFiles) OnDropFiles(this);
  }
  DragFinish(drop);
}

// ---- TDirectoryEdit ------------------------------------------------------------------------

TDirectoryEdit::TDirectoryEdit(TComponent* owner) : TFileDirEdit(owner) {}

std::string TDirectoryEdit::LongName(const std::string& path) {
  return LongPathOf(path);
}

std::string TDirectoryEdit::ShortName(const std::string& path) {
  return ShortPathOf(path);
}

void TDirectoryEdit::ReceiveDroppedName(const std::string& name) {
  const std::string taken = FileExists(name) ? ExtractFilePath(ToSlashes(name)) : name;
  if (!Text().empty() && MultipleDirs())
    SetText(Text() + ";" + taken);
  else
    SetText(taken);
}

void TDirectoryEdit::DoButtonClick() {
  TCustomComboEdit::DoButtonClick();
  std::string name = Text();
  bool action = true;
  FireBeforeDialog(name, action);
  if (!action) return;
  if (name.empty()) name = initialDir_.empty() ? std::string("/") : initialDir_;
  if (!FolderExists(name)) name = "/";
  if (dialogKind_ == TDirDialogKind::dkWin32) {
    action = BrowseForFolder(name, dialogText_, helpContext_);
  } else {
    const std::string chosen = ::BrowseForFolder(dialogText_, name);
    action = !chosen.empty();
    if (action) name = DropPathSeparator(chosen);
  }
  if (CanFocus()) SetFocus();
  FireAfterDialog(name, action);
  if (!action) return;
  std::string rest = Text();
  if (SelLength() > 0) rest.erase(size_t(SelStart()), size_t(SelLength()));
  SetText(!rest.empty() && MultipleDirs() ? rest + ";" + name : name);
  if (!name.empty() && FolderExists(name)) initialDir_ = name;
}
