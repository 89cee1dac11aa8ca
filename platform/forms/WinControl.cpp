// TWinControl (window, widget, back buffer, children, alignment, keys, the
// routing of focus changes and dialog keys), TCustomControl and
// TGraphicControl.
#include <QApplication>
#include <QPainter>
#include <algorithm>

#include "platform/forms/Docking.h"
#include "platform/forms/Forms.h"
#include "platform/forms/WindowTable.h"
#include "platform/graphics/GdiGuards.h"

using namespace forms_detail;

namespace forms_detail {
void LayoutScrollBars(TWinControl* control);
/// The class library's focus messages for a move of the focus from
/// `previous` to `now`: CM_EXIT to the containers left, CM_ENTER to the
/// containers entered and the control, then CM_FOCUSCHANGED to the form,
/// which passes it to every control.
void RouteFocusChange(TForm* form, TWinControl* previous, TWinControl* now);
/// A navigation key the focused control does not want goes to its form as
/// CM_DIALOGKEY; true when a control took it.
bool OfferDialogKey(TWinControl* control, Word key, LPARAM keyData);
/// A character the focused control does not want, or any typed with Alt,
/// goes to its form as CM_DIALOGCHAR (accelerators); true when a control
/// took it.
bool OfferDialogChar(TWinControl* control, WPARAM character, LPARAM keyData);

TBackBuffer* BufferOf(TWinControl* control) {
  return control ? control->BackBufferData() : nullptr;
}
} // namespace forms_detail

namespace {
constexpr int kScrollBarSize = 16;
}

// ---------------------------------------------------------------------------
// Construction and destruction

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() {
  Destroying();
  // Controls docked here are no longer.
  for (TControl* client : dockClients_)
    client->hostDockSite_ = nullptr;
  dockClients_.clear();
  if (TForm* f = GetParentForm(this); f != nullptr && f != this) {
    if (f->FocusedControl() == this) f->SetFocusedControl(nullptr);
    if (f->ActiveControl() == this) f->SetActiveControl(nullptr);
  }
  // Child controls go first, while this window still exists.
  while (!controls_.empty()) {
    TControl* last = controls_.back();
    RemoveControl(last);
    delete last;
  }
  if (handle_ != 0) DestroyWindow(handle_);
  handle_ = 0;
  ReleaseWidget(widget_);
  widget_ = nullptr;
}

// ---------------------------------------------------------------------------
// The window

HWND TWinControl::Handle() {
  HandleNeeded();
  return handle_;
}

// A control being destroyed never gets a window again (Handle() is 0 then):
// events Qt still sends to its widget while it goes must not bring it back.
void TWinControl::HandleNeeded() {
  if (handle_ != 0 || IsDestroying()) return;
  if (parent_ != nullptr) parent_->HandleNeeded();
  if (handle_ == 0) CreateHandle();
}

void TWinControl::CreateHandle() {
  if (handle_ != 0 || IsDestroying()) return;
  CreateWnd();
  createChildHandles();
}

void TWinControl::createChildHandles() {
  for (TControl* c : controls_)
    if (auto* w = dynamic_cast<TWinControl*>(c); w && w->handle_ == 0) w->CreateHandle();
}

void TWinControl::CreateParams(TCreateParams& p) {
  p.Caption = text_;
  p.Style = WS_CHILD | WS_CLIPSIBLINGS;
  if (visible_) p.Style |= WS_VISIBLE;
  if (!enabled_) p.Style |= WS_DISABLED;
  if (tabStop_) p.Style |= WS_TABSTOP;
  if (borderStyle_ == TBorderStyle::bsSingle) {
    if (ctl3D_)
      p.ExStyle |= WS_EX_CLIENTEDGE;
    else
      p.Style |= WS_BORDER;
  }
  p.X = left_;
  p.Y = top_;
  p.Width = width_;
  p.Height = height_;
  p.WndParent = (parent_ != nullptr && parent_->HandleAllocated()) ? parent_->handle_ : 0;
  p.ClassStyle = classStyle_;
  if (!controlStyle_.Contains(TControlStyleItem::csDoubleClicks)) p.ClassStyle &= ~CS_DBLCLKS;
  p.WinClassName = ClassName();
}

QWidget* TWinControl::CreateWidget(QWidget* parent) {
  return NewBufferWidget(parent, this);
}

void TWinControl::AttachInputWidget(QWidget* inner) {
  if (inner != nullptr) AttachEventFilter(inner, this);
}

void TWinControl::CreateWnd() {
  TCreateParams p;
  CreateParams(p);
  style_ = p.Style;
  exStyle_ = p.ExStyle;
  classStyle_ = p.ClassStyle | (classStyle_ & ~std::uint32_t(CS_DBLCLKS));
  QWidget* parentWidget = parent_ != nullptr ? parent_->widget_ : nullptr;
  if (widget_ == nullptr) {
    widget_ = CreateWidget(parentWidget);
    AttachEventFilter(widget_, this);
  } else if (widget_->parentWidget() != parentWidget) {
    widget_->setParent(parentWidget);
  }
  LONG_PTR proc = MakeWndProc([this](HWND, UINT msg, WPARAM w, LPARAM l) {
    TMessage m{msg, w, l, 0};
    Guarded([&] { WindowProc(m); });
    return m.Result;
  });
  TWindowRecord& rec = NewRecord(p.WinClassName, this, proc);
  rec.style = p.Style;
  rec.exStyle = p.ExStyle;
  rec.parent = p.WndParent;
  rec.text = p.Caption;
  handle_ = rec.handle;
  rec.bars[SB_HORZ].present = (p.Style & WS_HSCROLL) != 0;
  rec.bars[SB_VERT].present = (p.Style & WS_VSCROLL) != 0;
  for (int bar : {SB_HORZ, SB_VERT})
    SyncScrollBar(this, bar, rec.bars[bar]);
  resizeBuffer();
  updateWidgetGeometry();
  if (parent_ != nullptr) widget_->setVisible(visible_);
  widget_->setEnabled(enabled_);
  InvalidateRect(handle_, nullptr, true);
}

void TWinControl::DestroyWnd() {
  if (handle_ != 0) DestroyWindow(handle_);
}

void TWinControl::DestroyHandle() {
  if (handle_ == 0) return;
  DestroyWnd();
}

void TWinControl::HandleDestroyedByTable() {
  handle_ = 0;
}

void TWinControl::RecreateWnd() {
  if (handle_ == 0) return;
  DestroyHandle();
  CreateHandle();
  // The client area may have changed with the styles.
  resizeBuffer();
  Perform(WM_SIZE, SIZE_RESTORED, MakeLParam(ClientWidth(), ClientHeight()));
}

// ---------------------------------------------------------------------------
// Geometry

namespace {

// The frame's border width: 2 for a sunken client edge, 1 for a line border.
int BorderWidth(std::uint32_t style, std::uint32_t exStyle) {
  return (exStyle & WS_EX_CLIENTEDGE) ? 2 : (style & WS_BORDER) ? 1 : 0;
}

} // namespace

void TWinControl::FrameStyles(std::uint32_t& style, std::uint32_t& exStyle) const {
  style = style_;
  exStyle = exStyle_;
  if (handle_ != 0) return;
  TCreateParams p;
  const_cast<TWinControl*>(this)->CreateParams(p);
  style = p.Style;
  exStyle = p.ExStyle;
}

TSize TWinControl::NonClientSize() const {
  std::uint32_t st, ex;
  FrameStyles(st, ex);
  const int border = BorderWidth(st, ex);
  TSize s(2 * border, 2 * border);
  if (st & WS_VSCROLL) s.cx += kScrollBarSize;
  if (st & WS_HSCROLL) s.cy += kScrollBarSize;
  return s;
}

TPoint TWinControl::ClientOffset() const {
  std::uint32_t st, ex;
  FrameStyles(st, ex);
  const int border = BorderWidth(st, ex);
  return TPoint(border, border);
}

int TWinControl::ClientWidth() const {
  return std::max(0, width_ - NonClientSize().cx);
}
int TWinControl::ClientHeight() const {
  return std::max(0, height_ - NonClientSize().cy);
}

TPoint TWinControl::ClientOrigin() const {
  TPoint off = ClientOffset();
  if (parent_ == nullptr) return TPoint(left_ + off.x, top_ + off.y);
  TPoint p = parent_->ClientOrigin();
  return TPoint(p.x + left_ + off.x, p.y + top_ + off.y);
}

bool TWinControl::Showing() const {
  if (!visible_) return false;
  if (parent_ != nullptr) return parent_->Showing();
  return widget_ != nullptr && widget_->isVisible();
}

void TWinControl::resizeBuffer() {
  if (!HasBackBuffer()) return;
  // The buffer holds what can be shown, so that no stored size can exhaust
  // memory: beyond the screens' size drawing is clipped.
  QSize bound = BackBufferBound();
  int w = std::min(ClientWidth(), bound.width()), h = std::min(ClientHeight(), bound.height());
  if (!buffer_) buffer_ = std::make_unique<TBackBuffer>();
  if (buffer_->image.width() == w && buffer_->image.height() == h && buffer_->surface) return;
  QImage next(std::max(w, 0), std::max(h, 0), QImage::Format_RGB32);
  COLORREF c = ColorToRGB(color_);
  next.fill(QColor(GetRValue(c), GetGValue(c), GetBValue(c)));
  if (!buffer_->image.isNull() && !next.isNull()) {
    QPainter p(&next);
    p.drawImage(0, 0, buffer_->image);
  }
  buffer_->image = std::move(next);
  if (!buffer_->surface) {
    buffer_->surface = std::make_unique<TQImageSurface>(&buffer_->image);
    buffer_->surface->OnChanged = [this](const TRect& area) {
      ShowBufferArea(this, ToQRect(area));
    };
  } else {
    buffer_->surface->Reset(&buffer_->image);
  }
  // DCs drawing on the buffer follow the new image.
  // (The surface object stays the same; only its image changed.)
}

QImage* TWinControl::BackBuffer() const {
  return buffer_ ? &buffer_->image : nullptr;
}

void TWinControl::updateWidgetGeometry() {
  if (widget_ == nullptr) return;
  if (parent_ == nullptr) {
    // A form's window goes to its position (Form.cpp); another window of
    // its own to its client area's.
    TPoint o = dynamic_cast<const TForm*>(this) != nullptr ? TPoint(left_, top_) : ClientOrigin();
    if (widget_->isWindow()) {
      widget_->move(o.x, o.y);
      widget_->resize(std::max(ClientWidth(), 1), std::max(ClientHeight(), 1));
    }
  } else {
    TPoint off = parent_->ClientOffset();
    widget_->setGeometry(off.x + left_, off.y + top_, std::max(width_, 0), std::max(height_, 0));
  }
  LayoutScrollBars(this);
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  if (handle_ != 0) {
    TWindowPos wp;
    wp.hwnd = handle_;
    wp.x = left;
    wp.y = top;
    wp.cx = width;
    wp.cy = height;
    wp.flags = SWP_NOZORDER | SWP_NOACTIVATE;
    if (left == left_ && top == top_) wp.flags |= SWP_NOMOVE;
    if (width == width_ && height == height_) wp.flags |= SWP_NOSIZE;
    SendMessage(handle_, WM_WINDOWPOSCHANGING, 0, LPARAM(&wp));
    left = (wp.flags & SWP_NOMOVE) ? left_ : wp.x;
    top = (wp.flags & SWP_NOMOVE) ? top_ : wp.y;
    width = (wp.flags & SWP_NOSIZE) ? width_ : wp.cx;
    height = (wp.flags & SWP_NOSIZE) ? height_ : wp.cy;
  }
  TControl::SetBounds(left, top, width, height);
}

void TWinControl::BoundsChanged(bool sizeChanged) {
  if (sizeChanged) {
    // What the buffer held before: a window that grows without the redraw
    // class styles gets only its newly exposed strips painted, as the system
    // invalidates them (until then they show the plain colour).
    const QSize held = buffer_ ? buffer_->image.size() : QSize(0, 0);
    resizeBuffer();
    if (handle_ != 0 && (classStyle_ & (CS_HREDRAW | CS_VREDRAW)) != 0) {
      InvalidateRect(handle_, nullptr, true);
    } else if (handle_ != 0 && buffer_) {
      const int w = buffer_->image.width(), h = buffer_->image.height();
      if (w > held.width()) {
        RECT right{held.width(), 0, w, h};
        InvalidateRect(handle_, &right, true);
      }
      if (h > held.height()) {
        RECT bottom{0, held.height(), w, h};
        InvalidateRect(handle_, &bottom, true);
      }
    }
    LPARAM size = MakeLParam(ClientWidth(), ClientHeight());
    if (handle_ != 0)
      SendMessage(handle_, WM_SIZE, SIZE_RESTORED, size);
    else
      Perform(WM_SIZE, SIZE_RESTORED, size);
  }
  updateWidgetGeometry();
  if (parent_ != nullptr && !controlStyle_.Contains(TControlStyleItem::csOpaque))
    parent_->Invalidate();
}

// ---------------------------------------------------------------------------
// Children and alignment

void TWinControl::InsertControl(TControl* control) {
  if (control == nullptr) return;
  controls_.push_back(control);
  control->parent_ = this;
  if (auto* w = dynamic_cast<TWinControl*>(control)) {
    if (w->widget_ != nullptr) {
      w->widget_->setParent(widget_);
      w->updateWidgetGeometry();
      w->widget_->setVisible(w->visible_ && widget_ != nullptr);
    }
    if (handle_ != 0) {
      if (w->handle_ == 0)
        w->CreateHandle();
      else if (TWindowRecord* r = FindRecord(w->handle_))
        r->parent = handle_;
    }
  }
  if (control->parentColor_) control->ParentColorChanged();
  if (control->parentFont_) control->ParentFontChanged();
  if (control->align_ != TAlign::alNone) Realign();
  control->Invalidate();
}

void TWinControl::RemoveControl(TControl* control) {
  auto it = std::find(controls_.begin(), controls_.end(), control);
  if (it == controls_.end()) return;
  control->Invalidate();
  controls_.erase(it);
  control->parent_ = nullptr;
  if (pressedChild_ == control) pressedChild_ = nullptr;
  if (auto* w = dynamic_cast<TWinControl*>(control)) {
    if (w->widget_ != nullptr && !IsDestroying()) {
      w->widget_->hide();
      w->widget_->setParent(Application()->HiddenWidget());
    }
    if (w->handle_ != 0) {
      if (TWindowRecord* r = FindRecord(w->handle_)) r->parent = 0;
    }
  }
  if (control->align_ != TAlign::alNone && !IsDestroying()) Realign();
}

void TWinControl::SetChildOrder(TControl* control, int index) {
  auto it = std::find(controls_.begin(), controls_.end(), control);
  if (it == controls_.end()) return;
  controls_.erase(it);
  index = std::clamp(index, 0, int(controls_.size()));
  controls_.insert(controls_.begin() + index, control);
  // Windowed siblings stack in the same order.
  for (TControl* c : controls_)
    if (auto* w = dynamic_cast<TWinControl*>(c); w && w->widget_) w->widget_->raise();
}

void TWinControl::Broadcast(TMessage& message) {
  for (TControl* c : std::vector<TControl*>(controls_)) {
    if (c->WindowProc)
      c->WindowProc(message);
    else
      c->WndProc(message);
    if (message.Result != 0) return;
  }
}

TControl* TWinControl::ControlAtPos(TPoint p, bool allowDisabled) const {
  auto hit = [&](TControl* c) {
    return c->Visible() && (allowDisabled || c->Enabled()) && p.x >= c->Left() && p.y >= c->Top() &&
           p.x < c->Left() + c->Width() && p.y < c->Top() + c->Height();
  };
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it)
    if ((*it)->IsWindowed() && hit(*it)) return *it;
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it)
    if (!(*it)->IsWindowed() && hit(*it)) return *it;
  return nullptr;
}

void TWinControl::Realign() {
  if (aligning_ > 0 || IsDestroying()) return;
  ++aligning_;
  TRect rect = ClientRect();
  AlignControls(nullptr, rect);
  --aligning_;
}

void TWinControl::AlignControls(TControl* /*control*/, TRect& rect) {
  for (TAlign a :
       {TAlign::alTop, TAlign::alBottom, TAlign::alLeft, TAlign::alRight, TAlign::alClient}) {
    for (TControl* c : std::vector<TControl*>(controls_)) {
      if (c->align_ != a || !c->visible_) continue;
      int w = c->width_, h = c->height_;
      switch (a) {
      case TAlign::alTop:
        c->SetBounds(rect.Left, rect.Top, rect.Width(), h);
        rect.Top += h;
        break;
      case TAlign::alBottom:
        c->SetBounds(rect.Left, rect.Bottom - h, rect.Width(), h);
        rect.Bottom -= h;
        break;
      case TAlign::alLeft:
        c->SetBounds(rect.Left, rect.Top, w, rect.Height());
        rect.Left += w;
        break;
      case TAlign::alRight:
        c->SetBounds(rect.Right - w, rect.Top, w, rect.Height());
        rect.Right -= w;
        break;
      default:
        c->SetBounds(rect.Left, rect.Top, rect.Width(), rect.Height());
        break;
      }
    }
  }
}

// ---------------------------------------------------------------------------
// Properties

void TWinControl::SetCtl3D(bool value) {
  if (value == ctl3D_) return;
  ctl3D_ = value;
  Perform(CM_CTL3DCHANGED, 0, 0);
}

void TWinControl::SetBorderStyle(TBorderStyle value) {
  if (value == borderStyle_) return;
  borderStyle_ = value;
  if (handle_ != 0) {
    RecreateWnd();
  } else {
    resizeBuffer();
    Perform(WM_SIZE, SIZE_RESTORED, MakeLParam(ClientWidth(), ClientHeight()));
  }
}

bool TWinControl::Focused() const {
  return widget_ != nullptr && widget_->hasFocus();
}

bool TWinControl::CanFocus() const {
  for (const TControl* c = this; c != nullptr; c = c->Parent())
    if (!c->Visible() || !c->Enabled()) return false;
  return true;
}

void TWinControl::SetFocus() {
  if (!CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
  if (TForm* f = GetParentForm(this)) f->SetActiveControl(this);
  HandleNeeded();
  widget_->setFocus(Qt::OtherFocusReason);
}

void TWinControl::SetVisible(bool value) {
  TControl::SetVisible(value);
}

void TWinControl::VisibleChanged() {
  if (widget_ != nullptr && parent_ != nullptr) widget_->setVisible(visible_);
  if (parent_ != nullptr && visible_ && handle_ == 0 && parent_->handle_ != 0) CreateHandle();
}

void TWinControl::SetEnabled(bool value) {
  TControl::SetEnabled(value);
  if (widget_ != nullptr) widget_->setEnabled(value);
}

void TWinControl::SetText(const std::string& value) {
  if (value == text_) return;
  TControl::SetText(value);
  if (handle_ != 0) SetWindowText(handle_, value);
}

void TWinControl::ColorChanged() {
  TControl::ColorChanged();
  for (TControl* c : std::vector<TControl*>(controls_))
    c->Perform(CM_PARENTCOLORCHANGED, 0, 0);
}

void TWinControl::Invalidate() {
  if (handle_ != 0)
    InvalidateRect(handle_, nullptr, !controlStyle_.Contains(TControlStyleItem::csOpaque));
}

void TWinControl::Update() {
  if (handle_ != 0) UpdateWindow(handle_);
}

// ---------------------------------------------------------------------------
// Messages

void TWinControl::DefaultHandler(TMessage& m) {
  if (handle_ != 0) m.Result = DefWindowProc(handle_, m.Msg, m.WParam, m.LParam);
}

void TWinControl::PaintWindow(HDC /*dc*/) {}

void TWinControl::PaintHandler(TMessage& m) {
  if (m.WParam != 0) {
    HDC dc = reinterpret_cast<HDC>(m.WParam);
    PaintWindow(dc);
    PaintControls(dc, nullptr);
    return;
  }
  if (handle_ == 0) return;
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(handle_, &ps);
  if (dc != nullptr) {
    PaintWindow(dc);
    PaintControls(dc, nullptr);
  }
  EndPaint(handle_, &ps);
}

void TWinControl::PaintControls(HDC dc, TControl* first) {
  bool started = first == nullptr;
  for (TControl* c : std::vector<TControl*>(controls_)) {
    if (!started) {
      started = c == first;
      if (!started) continue;
    }
    if (c->IsWindowed() || !c->Visible()) continue;
    TDCStateSaver saved(dc); // restored also when the child's paint raises
    IntersectClipRect(dc, c->Left(), c->Top(), c->Left() + c->Width(), c->Top() + c->Height());
    POINT old;
    GetViewportOrgEx(dc, &old);
    SetViewportOrgEx(dc, old.x + c->Left(), old.y + c->Top(), nullptr);
    c->Perform(WM_PAINT, WPARAM(dc), 0);
  }
}

namespace {

bool isMouseMessage(UINT msg) {
  return msg >= WM_MOUSEFIRST && msg <= WM_MBUTTONDBLCLK;
}

} // namespace

void TWinControl::Dispatch(TMessage& m) {
  // Mouse input over a windowless child goes to that child (the child that
  // took the press keeps it until the release).
  if (isMouseMessage(m.Msg)) {
    TControl*& pressed = pressedChild_;
    TPoint p(GetXLParam(m.LParam), GetYLParam(m.LParam));
    TControl* target = nullptr;
    if (pressed != nullptr && pressed->Parent() == this)
      target = pressed;
    else if (TControl* c = ControlAtPos(p, false); c != nullptr && !c->IsWindowed())
      target = c;
    if (target != nullptr) {
      bool down = m.Msg == WM_LBUTTONDOWN || m.Msg == WM_RBUTTONDOWN || m.Msg == WM_MBUTTONDOWN ||
                  m.Msg == WM_LBUTTONDBLCLK || m.Msg == WM_RBUTTONDBLCLK ||
                  m.Msg == WM_MBUTTONDBLCLK;
      bool up = m.Msg == WM_LBUTTONUP || m.Msg == WM_RBUTTONUP || m.Msg == WM_MBUTTONUP;
      if (down) pressed = target;
      if (up && (m.WParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) == 0) pressed = nullptr;
      m.Result =
          target->Perform(m.Msg, m.WParam, MakeLParam(p.x - target->Left(), p.y - target->Top()));
      if (m.Msg == WM_RBUTTONUP && handle_ != 0) SendContextMenu(handle_, m.LParam);
      return;
    }
  }
  switch (m.Msg) {
  case WM_SIZE:
    Realign();
    if (!IsLoading()) Resize();
    return;
  case WM_PAINT:
    PaintHandler(m);
    return;
  case WM_ERASEBKGND: {
    HDC dc = reinterpret_cast<HDC>(m.WParam);
    if (dc != nullptr) {
      TRect r = ClientRect();
      HBRUSH b = CreateSolidBrush(ColorToRGB(color_));
      FillRect(dc, &r, b);
      DeleteObject(b);
    }
    m.Result = 1;
    return;
  }
  case WM_SETCURSOR: {
    TWMSetCursor sc{m};
    TCursor cur = Screen()->Cursor();
    if (cur == crDefault && sc.HitTest() == HTCLIENT) cur = cursor_;
    if (cur != crDefault) {
      ApplyCursor(this, cur);
      m.Result = 1;
      return;
    }
    DefaultHandler(m);
    return;
  }
  case WM_KEYDOWN:
  case WM_SYSKEYDOWN:
  case WM_KEYUP:
  case WM_SYSKEYUP: {
    Word key = Word(m.WParam);
    TShiftState s = KeyboardStateToShiftState();
    s -= TShiftState{TShiftStateItem::ssLeft, TShiftStateItem::ssRight, TShiftStateItem::ssMiddle};
    if (m.Msg == WM_KEYDOWN || m.Msg == WM_SYSKEYDOWN)
      KeyDown(key, s);
    else
      KeyUp(key, s);
    if (key == 0) return;
    m.WParam = key;
    DefaultHandler(m);
    return;
  }
  case WM_CHAR: {
    char c = char(m.WParam);
    KeyPress(c);
    if (c == 0) return;
    m.WParam = WPARAM(static_cast<unsigned char>(c));
    DefaultHandler(m);
    return;
  }
  case WM_SETFOCUS: {
    // Focus moving inside the form enters the control; the form coming back
    // to the foreground does not, unless the focus lands somewhere new.
    TForm* f = GetParentForm(this);
    bool moved = m.LParam == 0 || f == nullptr || f->FocusedControl() != this;
    TWinControl* previous = f != nullptr ? f->FocusedControl() : nullptr;
    if (f != nullptr && f != this) {
      f->SetActiveControl(this);
      f->SetFocusedControl(this);
    }
    if (moved) forms_detail::RouteFocusChange(f, previous, this);
    DefaultHandler(m);
    return;
  }
  case WM_KILLFOCUS:
    if (m.LParam == 0) Perform(CM_EXIT, 0, 0);
    DefaultHandler(m);
    return;
  case CM_ENTER:
    DoEnter();
    return;
  case CM_EXIT:
    DoExit();
    return;
  case CM_FOCUSCHANGED:
  case CM_DIALOGKEY:
  case CM_DIALOGCHAR:
    // Every child hears of it; a dialog key or character stops at the first
    // control that takes it. A window being freed passes nothing on.
    m.Result = 0;
    if (IsDestroying()) return;
    for (TControl* c : std::vector<TControl*>(controls_)) {
      if (c->IsDestroying()) continue; // a control being freed hears nothing
      const LRESULT r = c->Perform(m.Msg, m.WParam, m.LParam);
      if (m.Msg != CM_FOCUSCHANGED && r != 0) {
        m.Result = r;
        return;
      }
    }
    m.Result = 0;
    return;
  case CN_KEYDOWN:
    m.Result = forms_detail::OfferDialogKey(this, Word(m.WParam), m.LParam) ? 1 : 0;
    return;
  case CN_CHAR:
    m.Result = forms_detail::OfferDialogChar(this, m.WParam, m.LParam) ? 1 : 0;
    return;
  case CM_FONTCHANGED:
    for (TControl* c : std::vector<TControl*>(controls_))
      c->Perform(CM_PARENTFONTCHANGED, 0, 0);
    return;
  case CM_CTL3DCHANGED:
    if (handle_ != 0 && borderStyle_ == TBorderStyle::bsSingle) RecreateWnd();
    return;
  case CM_CURSORCHANGED:
    if (widget_ != nullptr && widget_->underMouse()) ApplyCursor(this, cursor_);
    return;
  case CM_DOCKCLIENT: {
    // The control goes where the drag object's rectangle lies.
    TDragDockObject* source = TCMDockClient{m}.DockSource();
    const TPoint at = ScreenToClient(TPoint(source->DockRect.Left, source->DockRect.Top));
    source->Control->Dock(
        this, TRect(at.x, at.y, at.x + source->DockRect.Width(), at.y + source->DockRect.Height()));
    m.Result = 0;
    return;
  }
  default:
    TControl::Dispatch(m);
  }
}

void TWinControl::KeyDown(Word& key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(this, key, shift);
}

void TWinControl::KeyUp(Word& key, TShiftState shift) {
  if (OnKeyUp) OnKeyUp(this, key, shift);
}

void TWinControl::KeyPress(char& key) {
  if (OnKeyPress) OnKeyPress(this, key);
}

void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}

// ---------------------------------------------------------------------------
// TCustomControl

TCustomControl::TCustomControl(TComponent* owner)
    : TWinControl(owner), canvas_(std::make_unique<TCanvas>()) {}

TCustomControl::~TCustomControl() = default;

void TCustomControl::Paint() {}

void TCustomControl::PaintWindow(HDC dc) {
  forms_detail::PaintThroughCanvas(*canvas_, paintDC_, dc, [this] { Paint(); });
}

// ---------------------------------------------------------------------------
// TGraphicControl

TGraphicControl::TGraphicControl(TComponent* owner)
    : TControl(owner), canvas_(std::make_unique<TCanvas>()) {}

TGraphicControl::~TGraphicControl() = default;

void TGraphicControl::Paint() {}

void TGraphicControl::Dispatch(TMessage& m) {
  if (m.Msg == WM_PAINT && m.WParam != 0) {
    forms_detail::PaintThroughCanvas(*canvas_, paintDC_, reinterpret_cast<HDC>(m.WParam),
                                     [this] { Paint(); });
    return;
  }
  TControl::Dispatch(m);
}

// ---------------------------------------------------------------------------
// Focus and dialog-key routing

namespace forms_detail {

namespace {
/// `ancestor` is `control` or one of its parents.
bool Contains(TWinControl* ancestor, TControl* control) {
  for (TControl* c = control; c != nullptr; c = c->Parent())
    if (c == ancestor) return true;
  return false;
}
} // namespace

void RouteFocusChange(TForm* form, TWinControl* previous, TWinControl* now) {
  if (now->IsDestroying()) return;
  if (previous != nullptr && previous->IsDestroying()) previous = nullptr;
  if (form == nullptr || form == now) {
    now->Perform(CM_ENTER, 0, 0);
    if (form != nullptr) form->Perform(CM_FOCUSCHANGED, 0, LPARAM(now));
    return;
  }
  // The previous control had its own exit when it lost the focus; its
  // containers that do not hold the new control exit now, innermost first.
  if (previous != nullptr && previous != now && Contains(form, previous))
    for (TWinControl* p = previous->Parent(); p != nullptr && p != form && !Contains(p, now);
         p = p->Parent())
      if (!p->IsDestroying()) p->Perform(CM_EXIT, 0, 0);
  // The containers of the new control that did not hold the previous one
  // enter, outermost first, then the control itself.
  std::vector<TWinControl*> entering;
  for (TWinControl* p = now->Parent(); p != nullptr && p != form; p = p->Parent())
    if (previous == nullptr || !Contains(p, previous)) entering.push_back(p);
  for (auto it = entering.rbegin(); it != entering.rend(); ++it)
    (*it)->Perform(CM_ENTER, 0, 0);
  now->Perform(CM_ENTER, 0, 0);
  form->Perform(CM_FOCUSCHANGED, 0, LPARAM(now));
}

namespace {
/// The form that offers a control's dialog keys (none while either goes).
TForm* OfferingForm(TWinControl* control) {
  if (control->IsDestroying() ||
      control->ComponentState().Contains(TComponentStateItem::csDesigning))
    return nullptr;
  TForm* form = GetParentForm(control);
  return form != nullptr && !form->IsDestroying() ? form : nullptr;
}
} // namespace

bool OfferDialogKey(TWinControl* control, Word key, LPARAM keyData) {
  TForm* form = OfferingForm(control);
  if (form == nullptr) return false;
  LRESULT mask = 0;
  switch (key) {
  case VK_TAB:
    mask = DLGC_WANTTAB;
    break;
  case VK_LEFT:
  case VK_RIGHT:
  case VK_UP:
  case VK_DOWN:
    mask = DLGC_WANTARROWS;
    break;
  case VK_RETURN:
  case VK_ESCAPE:
  case VK_CANCEL:
  case 0x2B: // execute
    mask = DLGC_WANTALLKEYS;
    break;
  default:
    return false;
  }
  if ((control->Perform(WM_GETDLGCODE, 0, 0) & mask) != 0) return false;
  return form->Perform(CM_DIALOGKEY, key, keyData) != 0;
}

bool OfferDialogChar(TWinControl* control, WPARAM character, LPARAM keyData) {
  TForm* form = OfferingForm(control);
  if (form == nullptr) return false;
  // With Alt the character is a system character: offered whatever the
  // control takes (but Alt+Space belongs to the window menu).
  const bool alt = (keyData & 0x20000000) != 0;
  if (alt && character == ' ') return false;
  if (!alt && (control->Perform(WM_GETDLGCODE, 0, 0) & DLGC_WANTCHARS) != 0) return false;
  return form->Perform(CM_DIALOGCHAR, character, keyData) != 0;
}

} // namespace forms_detail
