#include "platform/forms/StdCtrls.h"

#include <QLineEdit>
#include <QPlainTextEdit>

#include "platform/forms/Forms.h"
#include "platform/forms/Properties.h"
#include "platform/forms/WindowTable.h"
#include "platform/graphics/Dib.h"
#include "platform/graphics/GdiGuards.h"

using namespace forms_detail;

namespace {

UINT textFormat(TAlignment a) {
  switch (a) {
  case TAlignment::taRightJustify:
    return TA_RIGHT;
  case TAlignment::taCenter:
    return TA_CENTER;
  default:
    return TA_LEFT;
  }
}

/// Draws one bevel edge pair; returns the rectangle inside it.
TRect drawBevel(HDC dc, TRect r, TBevelCut cut, int width) {
  if (cut == TBevelCut::bvNone) return r;
  if (cut == TBevelCut::bvSpace)
    return TRect(r.Left + width, r.Top + width, r.Right - width, r.Bottom - width);
  COLORREF light = ColorToRGB(clBtnHighlight), dark = ColorToRGB(clBtnShadow);
  if (cut == TBevelCut::bvLowered) std::swap(light, dark);
  HBRUSH lb = CreateSolidBrush(light), db = CreateSolidBrush(dark);
  for (int i = 0; i < width; ++i) {
    TRect top(r.Left, r.Top, r.Right, r.Top + 1), left(r.Left, r.Top, r.Left + 1, r.Bottom);
    TRect bottom(r.Left, r.Bottom - 1, r.Right, r.Bottom),
        right(r.Right - 1, r.Top, r.Right, r.Bottom);
    FillRect(dc, &top, lb);
    FillRect(dc, &left, lb);
    FillRect(dc, &bottom, db);
    FillRect(dc, &right, db);
    r = TRect(r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1);
  }
  DeleteObject(lb);
  DeleteObject(db);
  return r;
}

} // namespace

// ---------------------------------------------------------------------------
// TPanel

TPanel::TPanel(TComponent* owner) : TCustomControl(owner) {
  controlStyle_ += {TControlStyleItem::csAcceptsControls, TControlStyleItem::csOpaque};
  color_ = clBtnFace;
  SetBounds(0, 0, 185, 41);
}

void TPanel::SetBevelOuter(TBevelCut v) {
  bevelOuter_ = v;
  Invalidate();
}
void TPanel::SetBevelInner(TBevelCut v) {
  bevelInner_ = v;
  Invalidate();
}
void TPanel::SetBevelWidth(int v) {
  bevelWidth_ = v;
  Invalidate();
}
void TPanel::SetAlignment(TAlignment v) {
  alignment_ = v;
  Invalidate();
}
void TPanel::SetText(const std::string& value) {
  TCustomControl::SetText(value);
  Invalidate();
}

void TPanel::Paint() {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  c->Brush()->SetColor(Color());
  c->FillRect(r);
  r = drawBevel(c->Handle(), r, bevelOuter_, bevelWidth_);
  r = drawBevel(c->Handle(), r, bevelInner_, bevelWidth_);
  if (Caption().empty()) return;
  c->Font()->Assign(*Font());
  c->Brush()->SetStyle(bsClear);
  SetTextAlign(c->Handle(), textFormat(alignment_) | TA_TOP);
  int x = alignment_ == TAlignment::taCenter         ? (r.Left + r.Right) / 2
          : alignment_ == TAlignment::taRightJustify ? r.Right - 2
                                                     : r.Left + 2;
  int y = (r.Top + r.Bottom - c->TextHeight(Caption())) / 2;
  c->TextOut(x, y, Caption());
  SetTextAlign(c->Handle(), TA_LEFT | TA_TOP);
}

// ---------------------------------------------------------------------------
// TLabel

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner) {
  controlStyle_ += {TControlStyleItem::csReplicatable};
  parentColor_ = true;
  SetBounds(0, 0, 65, 17);
}

void TLabel::SetText(const std::string& value) {
  if (value == Caption()) return;
  TGraphicControl::SetText(value);
  AdjustBounds();
  Invalidate();
}

void TLabel::SetAutoSize(bool v) {
  autoSize_ = v;
  AdjustBounds();
}

void TLabel::SetTransparent(bool v) {
  transparent_ = v;
  Invalidate();
}

void TLabel::SetAlignment(TAlignment v) {
  alignment_ = v;
  Invalidate();
}

void TLabel::FontChanged() {
  TGraphicControl::FontChanged();
  AdjustBounds();
}

void TLabel::Loaded() {
  TGraphicControl::Loaded();
  AdjustBounds();
}

void TLabel::AdjustBounds() {
  if (!autoSize_ || IsLoading()) return;
  SIZE size;
  {
    HDC dc = CreateCompatibleDC(nullptr);
    auto deleteDC = ScopeExit([dc] { DeleteDC(dc); });
    TObjectSelector select(dc, Font()->Handle());
    std::string text = Caption().empty() ? std::string(" ") : Caption();
    GetTextExtentPoint32(dc, text.c_str(), int(text.size()), &size);
  }
  int w = Caption().empty() ? 0 : size.cx;
  int left = left_;
  if (alignment_ == TAlignment::taRightJustify) left = left_ + width_ - w;
  SetBounds(left, top_, w, size.cy);
}

void TLabel::Paint() {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  if (!transparent_) {
    c->Brush()->SetStyle(bsSolid); // the last paint left it clear
    c->Brush()->SetColor(Color());
    c->FillRect(r);
  }
  c->Brush()->SetStyle(bsClear);
  c->Font()->Assign(*Font());
  if (!Enabled()) c->Font()->SetColor(clGrayText);
  SetTextAlign(c->Handle(), textFormat(alignment_) | TA_TOP);
  int x = alignment_ == TAlignment::taCenter         ? r.Width() / 2
          : alignment_ == TAlignment::taRightJustify ? r.Width()
                                                     : 0;
  c->TextOut(x, 0, Caption());
  SetTextAlign(c->Handle(), TA_LEFT | TA_TOP);
}

// ---------------------------------------------------------------------------
// TEdit

TEdit::TEdit(TComponent* owner) : TWinControl(owner) {
  SetBorderStyle(TBorderStyle::bsSingle);
  SetTabStop(true);
  SetBounds(0, 0, 121, 21);
}

void TEdit::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  // The native editor draws its own frame: no layer border around it.
  p.Style &= ~WS_BORDER;
  p.ExStyle &= ~WS_EX_CLIENTEDGE;
}

QWidget* TEdit::CreateWidget(QWidget* parent) {
  auto* e = new QLineEdit(parent);
  e->setText(QString::fromStdString(text_));
  e->setReadOnly(readOnly_);
  if (maxLength_ > 0) e->setMaxLength(maxLength_);
  QObject::connect(e, &QLineEdit::textChanged, e, [this] {
    TQtEntry entry;
    Guarded([this] { syncFromWidget(); });
  });
  return e;
}

void TEdit::syncFromWidget() {
  if (syncing_) return;
  auto* e = static_cast<QLineEdit*>(Widget());
  std::string now = e->text().toStdString();
  if (now == text_) return;
  TWinControl::SetText(now);
  Change();
}

void TEdit::SetText(const std::string& value) {
  if (value == text_) return;
  TWinControl::SetText(value);
  if (auto* e = static_cast<QLineEdit*>(Widget())) {
    syncing_ = true;
    e->setText(QString::fromStdString(value));
    syncing_ = false;
  }
  Change();
}

void TEdit::Change() {
  if (OnChange) OnChange(this);
}

void TEdit::SetReadOnly(bool v) {
  readOnly_ = v;
  if (auto* e = static_cast<QLineEdit*>(Widget())) e->setReadOnly(v);
}

void TEdit::SetMaxLength(int v) {
  maxLength_ = v;
  if (auto* e = static_cast<QLineEdit*>(Widget())) e->setMaxLength(v > 0 ? v : 32767);
}

int TEdit::SelStart() const {
  auto* e = static_cast<QLineEdit*>(Widget());
  if (e == nullptr) return 0;
  return e->hasSelectedText() ? e->selectionStart() : e->cursorPosition();
}

void TEdit::SetSelStart(int v) {
  HandleNeeded();
  static_cast<QLineEdit*>(Widget())->setCursorPosition(v);
}

int TEdit::SelLength() const {
  auto* e = static_cast<QLineEdit*>(Widget());
  return e == nullptr ? 0 : int(e->selectionLength());
}

void TEdit::SetSelLength(int v) {
  HandleNeeded();
  auto* e = static_cast<QLineEdit*>(Widget());
  e->setSelection(e->cursorPosition(), v);
}

std::string TEdit::SelText() const {
  auto* e = static_cast<QLineEdit*>(Widget());
  return e == nullptr ? std::string() : e->selectedText().toStdString();
}

void TEdit::SelectAll() {
  HandleNeeded();
  static_cast<QLineEdit*>(Widget())->selectAll();
}

void TEdit::Dispatch(TMessage& m) {
  if (m.Msg == WM_GETDLGCODE) {
    m.Result = DLGC_WANTCHARS | DLGC_WANTARROWS;
    return;
  }
  TWinControl::Dispatch(m);
}

void TMemo::Dispatch(TMessage& m) {
  if (m.Msg == WM_GETDLGCODE) {
    m.Result = DLGC_WANTCHARS | DLGC_WANTARROWS | DLGC_WANTALLKEYS;
    return;
  }
  TWinControl::Dispatch(m);
}

void TEdit::DoEnter() {
  if (autoSelect_) SelectAll();
  TWinControl::DoEnter();
}

// ---------------------------------------------------------------------------
// TMemo

TMemo::TMemo(TComponent* owner) : TWinControl(owner), lines_(std::make_unique<TStringList>()) {
  SetBorderStyle(TBorderStyle::bsSingle);
  SetTabStop(true);
  SetBounds(0, 0, 185, 89);
  lines_->OnChange = [this](TStrings*) { linesChanged(); };
}

TMemo::~TMemo() {
  Destroying();
  lines_->OnChange = nullptr;
}

void TMemo::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.Style &= ~WS_BORDER;
  p.ExStyle &= ~WS_EX_CLIENTEDGE;
}

QWidget* TMemo::CreateWidget(QWidget* parent) {
  auto* e = new QPlainTextEdit(parent);
  e->setReadOnly(readOnly_);
  std::string text;
  for (int i = 0; i < lines_->Count(); ++i)
    text += (i ? "\n" : "") + lines_->Get(i);
  e->setPlainText(QString::fromStdString(text));
  QObject::connect(e, &QPlainTextEdit::textChanged, e, [this] {
    TQtEntry entry;
    Guarded([this] { syncFromWidget(); });
  });
  return e;
}

void TMemo::linesChanged() {
  if (syncing_) return;
  std::string joined;
  for (int i = 0; i < lines_->Count(); ++i)
    joined += (i ? "\n" : "") + lines_->Get(i);
  if (auto* e = static_cast<QPlainTextEdit*>(Widget())) {
    syncing_ = true;
    e->setPlainText(QString::fromStdString(joined));
    syncing_ = false;
  }
  text_ = lines_->Text();
  Change();
}

void TMemo::syncFromWidget() {
  if (syncing_) return;
  auto* e = static_cast<QPlainTextEdit*>(Widget());
  syncing_ = true;
  lines_->BeginUpdate();
  lines_->Clear();
  const QStringList parts = e->toPlainText().split('\n');
  if (!(parts.size() == 1 && parts[0].isEmpty()))
    for (const QString& line : parts)
      lines_->Add(line.toStdString());
  lines_->EndUpdate();
  syncing_ = false;
  text_ = lines_->Text();
  Change();
}

void TMemo::SetText(const std::string& value) {
  lines_->SetText(value); // reports through linesChanged
}

void TMemo::SetReadOnly(bool v) {
  readOnly_ = v;
  if (auto* e = static_cast<QPlainTextEdit*>(Widget())) e->setReadOnly(v);
}

void TMemo::Change() {
  if (OnChange) OnChange(this);
}

// ---------------------------------------------------------------------------
// TGroupBox

TGroupBox::TGroupBox(TComponent* owner) : TCustomControl(owner) {
  controlStyle_ += {TControlStyleItem::csAcceptsControls, TControlStyleItem::csOpaque};
  color_ = clBtnFace;
  SetBounds(0, 0, 185, 105);
}

void TGroupBox::SetText(const std::string& value) {
  TCustomControl::SetText(value);
  Invalidate();
}

void TGroupBox::Paint() {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  c->Brush()->SetColor(Color());
  c->FillRect(r);
  c->Font()->Assign(*Font());
  int h = c->TextHeight("0");
  TRect frame(r.Left, r.Top + h / 2, r.Right, r.Bottom);
  // An etched frame: a shadow line with a highlight line inside.
  TRect outer(frame.Left, frame.Top, frame.Right - 1, frame.Bottom - 1);
  TRect inner(frame.Left + 1, frame.Top + 1, frame.Right, frame.Bottom);
  c->Brush()->SetColor(clBtnHighlight);
  c->FrameRect(inner);
  c->Brush()->SetColor(clBtnShadow);
  c->FrameRect(outer);
  if (Caption().empty()) return;
  c->Brush()->SetColor(Color());
  TSize ext = c->TextExtent(Caption());
  c->TextRect(TRect(8, 0, 8 + ext.cx + 2, ext.cy), 9, 0, Caption());
}

// ---------------------------------------------------------------------------
// TSpeedButton

TSpeedButton::TSpeedButton(TComponent* owner)
    : TGraphicControl(owner), glyph_(std::make_unique<TBitmap>()) {
  color_ = clBtnFace;
  SetBounds(0, 0, 23, 22);
}

TSpeedButton::~TSpeedButton() = default;

void TSpeedButton::SetText(const std::string& value) {
  TGraphicControl::SetText(value);
  Invalidate();
}

void TSpeedButton::SetGlyph(const TBitmap* bitmap) {
  glyph_->Assign(bitmap);
  Invalidate();
}

void TSpeedButton::SetNumGlyphs(int v) {
  numGlyphs_ = std::clamp(v, 1, 4);
  Invalidate();
}

void TSpeedButton::SetFlat(bool v) {
  flat_ = v;
  Invalidate();
}

void TSpeedButton::SetGroupIndex(int v) {
  groupIndex_ = v;
  if (v == 0) down_ = false;
  Invalidate();
}

void TSpeedButton::SetDown(bool v) {
  if (groupIndex_ == 0) v = false;
  if (v == down_) return;
  if (down_ && !allowAllUp_) {
    // The last button down in its group stays down, unless all may be up.
    bool anotherDown = false;
    if (parent_ != nullptr)
      for (int i = 0; i < parent_->ControlCount(); ++i)
        if (auto* b = dynamic_cast<TSpeedButton*>(parent_->Controls(i));
            b && b != this && b->groupIndex_ == groupIndex_ && b->down_)
          anotherDown = true;
    if (!anotherDown) return;
  }
  down_ = v;
  if (v && parent_ != nullptr) {
    TMessage m{CM_BUTTONPRESSED, WPARAM(groupIndex_), LPARAM(this), 0};
    parent_->Broadcast(m);
  }
  Invalidate();
}

void TSpeedButton::Dispatch(TMessage& m) {
  if (m.Msg == CM_BUTTONPRESSED) {
    auto* sender = reinterpret_cast<TSpeedButton*>(m.LParam);
    if (sender != this && int(m.WParam) == groupIndex_ && groupIndex_ != 0 && down_) {
      down_ = false;
      Invalidate();
    }
    return; // Result stays 0: every button hears it
  }
  TGraphicControl::Dispatch(m);
}

void TSpeedButton::Click() {
  if (groupIndex_ != 0) SetDown(allowAllUp_ ? !down_ : true);
  TGraphicControl::Click();
}

void TSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TGraphicControl::MouseDown(button, shift, x, y);
  if (button == TMouseButton::mbLeft && Enabled()) {
    pressed_ = dragging_ = true;
    Invalidate();
  }
}

void TSpeedButton::MouseMove(TShiftState shift, int x, int y) {
  TGraphicControl::MouseMove(shift, x, y);
  if (!dragging_) return;
  bool inside = x >= 0 && y >= 0 && x < width_ && y < height_;
  if (inside != pressed_) {
    pressed_ = inside;
    Invalidate();
  }
}

void TSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (dragging_ && button == TMouseButton::mbLeft) {
    dragging_ = false;
    pressed_ = false;
    Invalidate();
  }
  TGraphicControl::MouseUp(button, shift, x, y);
}

void TSpeedButton::Paint() {
  TCanvas* c = Canvas();
  HDC dc = c->Handle();
  TRect r = ClientRect();
  c->Brush()->SetColor(Color());
  c->FillRect(r);
  bool sunk = pressed_ || down_;
  if (!flat_ || sunk) drawBevel(dc, r, sunk ? TBevelCut::bvLowered : TBevelCut::bvRaised, 1);
  int shift = sunk ? 1 : 0;
  int gw = 0, gh = 0;
  if (!glyph_->Empty()) {
    gw = glyph_->Width() / numGlyphs_;
    gh = glyph_->Height();
  }
  TSize text = Caption().empty() ? TSize() : c->TextExtent(Caption());
  int total = gw + (gw > 0 && text.cx > 0 ? 4 : 0) + text.cx;
  int x = (r.Width() - total) / 2 + shift;
  if (gw > 0) {
    int index = !Enabled() && numGlyphs_ > 1 ? 1 : (sunk && numGlyphs_ > 2 ? 2 : 0);
    const TDibData& dib = *glyph_->Dib();
    COLORREF key = dib.PixelColor(index * gw, gh - 1);
    int gy = (r.Height() - gh) / 2 + shift;
    for (int y = 0; y < gh; ++y)
      for (int gx = 0; gx < gw; ++gx) {
        COLORREF p = dib.PixelColor(index * gw + gx, y);
        if (p != key) SetPixel(dc, x + gx, gy + y, p);
      }
    x += gw + (text.cx > 0 ? 4 : 0);
  }
  if (text.cx > 0) {
    c->Font()->Assign(*Font());
    if (!Enabled()) c->Font()->SetColor(clGrayText);
    c->Brush()->SetStyle(bsClear);
    c->TextOut(x, (r.Height() - text.cy) / 2 + shift, Caption());
  }
}

// ---------------------------------------------------------------------------
// THintWindow

THintWindow::THintWindow(TComponent* owner) : TCustomControl(owner) {
  color_ = clInfoBk;
  visible_ = false;
  Font()->SetColor(clInfoText);
}

void THintWindow::CreateParams(TCreateParams& p) {
  TCustomControl::CreateParams(p);
  p.Style = WS_POPUP | WS_BORDER;
  p.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
}

QWidget* THintWindow::CreateWidget(QWidget* parent) {
  QWidget* w = TCustomControl::CreateWidget(parent);
  w->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
  w->setAttribute(Qt::WA_ShowWithoutActivating);
  return w;
}

TRect THintWindow::CalcHintRect(int maxWidth, const std::string& hint) {
  HDC dc = CreateCompatibleDC(nullptr);
  auto deleteDC = ScopeExit([dc] { DeleteDC(dc); });
  TObjectSelector select(dc, Font()->Handle());
  TEXTMETRIC tm;
  GetTextMetrics(dc, &tm);
  // Lines break at CR/LF and, greedily at blanks, at maxWidth.
  int widest = 0, lines = 0;
  size_t start = 0;
  while (start <= hint.size()) {
    size_t end = hint.find_first_of("\r\n", start);
    std::string para =
        hint.substr(start, end == std::string::npos ? std::string::npos : end - start);
    std::string line;
    size_t pos = 0;
    auto flush = [&] {
      SIZE sz;
      GetTextExtentPoint32(dc, line.c_str(), int(line.size()), &sz);
      widest = std::max(widest, int(sz.cx));
      ++lines;
      line.clear();
    };
    while (pos <= para.size()) {
      size_t sp = para.find(' ', pos);
      std::string word = para.substr(pos, sp == std::string::npos ? std::string::npos : sp - pos);
      std::string candidate = line.empty() ? word : line + " " + word;
      SIZE sz;
      GetTextExtentPoint32(dc, candidate.c_str(), int(candidate.size()), &sz);
      if (!line.empty() && maxWidth > 0 && sz.cx > maxWidth) {
        flush();
        line = word;
      } else {
        line = candidate;
      }
      if (sp == std::string::npos) break;
      pos = sp + 1;
    }
    flush();
    if (end == std::string::npos) break;
    start = end + ((end + 1 < hint.size() && hint[end] == '\r' && hint[end + 1] == '\n') ? 2 : 1);
  }
  return TRect(0, 0, widest + 6, lines * tm.tmHeight + 4);
}

void THintWindow::ActivateHint(TRect rect, const std::string& hint) {
  SetCaption(hint);
  SetBounds(rect.Left, rect.Top, rect.Width(), rect.Height());
  HandleNeeded();
  visible_ = true;
  Invalidate();
  Widget()->show();
  Update();
}

void THintWindow::ReleaseHandle() {
  visible_ = false;
  if (Widget() != nullptr) Widget()->hide();
}

bool THintWindow::IsShown() const {
  return Widget() != nullptr && Widget()->isVisible();
}

void THintWindow::Paint() {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  c->Brush()->SetColor(Color());
  c->FillRect(r);
  c->Font()->Assign(*Font());
  c->Brush()->SetStyle(bsClear);
  int y = 2;
  size_t start = 0;
  int h = c->TextHeight("0");
  while (start <= Caption().size()) {
    size_t end = Caption().find('\n', start);
    std::string line =
        Caption().substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    c->TextOut(2, y, line);
    y += h;
    if (end == std::string::npos) break;
    start = end + 1;
  }
}
