// TControl: geometry, alignment requests, visibility, colour, cursor, the
// message path and the mouse events.
#include <algorithm>

#include "platform/forms/Forms.h"
#include "platform/forms/Menus.h"
#include "platform/forms/WindowTable.h"

using namespace forms_detail;

TShiftState KeysToShiftState(int keys) {
  TShiftState s;
  if (keys & MK_SHIFT) s.Include(TShiftStateItem::ssShift);
  if (keys & MK_CONTROL) s.Include(TShiftStateItem::ssCtrl);
  if (keys & MK_LBUTTON) s.Include(TShiftStateItem::ssLeft);
  if (keys & MK_RBUTTON) s.Include(TShiftStateItem::ssRight);
  if (keys & MK_MBUTTON) s.Include(TShiftStateItem::ssMiddle);
  if (GetKeyState(VK_MENU) < 0) s.Include(TShiftStateItem::ssAlt);
  return s;
}

TShiftState KeyboardStateToShiftState() {
  TShiftState s;
  if (GetKeyState(VK_SHIFT) < 0) s.Include(TShiftStateItem::ssShift);
  if (GetKeyState(VK_CONTROL) < 0) s.Include(TShiftStateItem::ssCtrl);
  if (GetKeyState(VK_MENU) < 0) s.Include(TShiftStateItem::ssAlt);
  if (GetKeyState(VK_LBUTTON) < 0) s.Include(TShiftStateItem::ssLeft);
  if (GetKeyState(VK_RBUTTON) < 0) s.Include(TShiftStateItem::ssRight);
  if (GetKeyState(VK_MBUTTON) < 0) s.Include(TShiftStateItem::ssMiddle);
  return s;
}

TControl::TControl(TComponent* owner) : TComponent(owner), color_(clWindow) {
  WindowProc = [this](TMessage& m) { WndProc(m); };
  font_.OnChange = [this] { FontChanged(); };
  controlStyle_ = {TControlStyleItem::csCaptureMouse, TControlStyleItem::csClickEvents,
                   TControlStyleItem::csSetCaption, TControlStyleItem::csDoubleClicks};
}

TControl::~TControl() {
  Destroying();
  if (hostDockSite_ != nullptr) std::erase(hostDockSite_->dockClients_, this);
  if (parent_ != nullptr) parent_->RemoveControl(this);
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  // Neither the control itself nor one of its children at any depth can hold
  // it: the parents would run in a ring.
  for (TControl* p = parent; p != nullptr; p = p->Parent())
    if (p == this) throw EInvalidOperation("A control cannot have itself as its parent");
  if (parent_ != nullptr) parent_->RemoveControl(this);
  if (parent != nullptr) parent->InsertControl(this);
}

void TControl::SetBounds(int left, int top, int width, int height) {
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  bool sizeChanged = width != width_ || height != height_;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  BoundsChanged(sizeChanged);
  if (parent_ != nullptr && align_ != TAlign::alNone) RequestAlign();
}

void TControl::BoundsChanged(bool sizeChanged) {
  // Windowless controls: the parent repaints the old and new places.
  if (parent_ != nullptr) parent_->Invalidate();
  if (sizeChanged && !IsLoading()) Resize();
}

void TControl::SetClientWidth(int v) {
  auto* w = dynamic_cast<TWinControl*>(this);
  SetWidth(v + (w ? w->NonClientSize().cx : 0));
}

void TControl::SetClientHeight(int v) {
  auto* w = dynamic_cast<TWinControl*>(this);
  SetHeight(v + (w ? w->NonClientSize().cy : 0));
}

TPoint TControl::ClientOrigin() const {
  if (parent_ == nullptr) return TPoint(left_, top_);
  TPoint p = parent_->ClientOrigin();
  return TPoint(p.x + left_, p.y + top_);
}

TPoint TControl::ClientToScreen(TPoint p) const {
  TPoint o = ClientOrigin();
  return TPoint(p.x + o.x, p.y + o.y);
}

TPoint TControl::ScreenToClient(TPoint p) const {
  TPoint o = ClientOrigin();
  return TPoint(p.x - o.x, p.y - o.y);
}

void TControl::SetAlign(TAlign value) {
  if (value == align_) return;
  align_ = value;
  RequestAlign();
}

void TControl::RequestAlign() {
  if (parent_ != nullptr) parent_->Realign();
}

void TControl::SetVisible(bool value) {
  if (value == visible_) return;
  visible_ = value;
  VisibleChanged();
  Perform(CM_VISIBLECHANGED, value ? 1 : 0, 0);
  NotifyHostDockSite(CM_VISIBLECHANGED, value ? 1 : 0, 0);
  if (parent_ != nullptr && align_ != TAlign::alNone) RequestAlign();
}

void TControl::VisibleChanged() {
  if (parent_ != nullptr) parent_->Invalidate();
}

bool TControl::Showing() const {
  return visible_ && parent_ != nullptr && parent_->Showing();
}

void TControl::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  Perform(CM_ENABLEDCHANGED, 0, 0);
}

void TControl::SetColor(TColor value) {
  parentColor_ = false;
  if (value == color_) return;
  color_ = value;
  ColorChanged();
}

void TControl::ColorChanged() {
  Perform(CM_COLORCHANGED, 0, 0);
  Invalidate();
}

void TControl::SetParentColor(bool value) {
  if (value == parentColor_) return;
  parentColor_ = value;
  if (value && parent_ != nullptr) ParentColorChanged();
}

void TControl::ParentColorChanged() {
  if (parentColor_ && parent_ != nullptr && parent_->Color() != color_) {
    color_ = parent_->Color();
    ColorChanged();
  }
}

void TControl::SetParentFont(bool value) {
  if (value == parentFont_) return;
  parentFont_ = value;
  if (value && parent_ != nullptr) ParentFontChanged();
}

void TControl::ParentFontChanged() {
  if (!parentFont_ || parent_ == nullptr) return;
  takingParentFont_ = true;
  font_.Assign(*parent_->Font());
  takingParentFont_ = false;
}

void TControl::FontChanged() {
  if (!takingParentFont_) parentFont_ = false;
  Perform(CM_FONTCHANGED, 0, 0);
  Invalidate();
}

void TControl::SetCursor(TCursor value) {
  if (value == cursor_) return;
  cursor_ = value;
  Perform(CM_CURSORCHANGED, 0, 0);
}

void TControl::SetPopupMenu(TPopupMenu* menu) {
  if (popupMenu_ != nullptr) popupMenu_->RemoveFreeNotification(this);
  popupMenu_ = menu;
  if (menu != nullptr) menu->FreeNotification(this);
}

void TControl::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == TOperation::opRemove && component == popupMenu_) popupMenu_ = nullptr;
}

void TControl::SetText(const std::string& value) {
  if (value == text_) return;
  text_ = value;
  Perform(CM_TEXTCHANGED, 0, 0);
  NotifyHostDockSite(WM_SETTEXT, 0, LPARAM(text_.c_str()));
}

bool TControl::MouseCapture() const {
  const TControl* self = this;
  if (auto* w = dynamic_cast<const TWinControl*>(self); w && w->HandleAllocated())
    return GetCapture() == const_cast<TWinControl*>(w)->Handle();
  return parent_ != nullptr && parent_->HandleAllocated() && GetCapture() == parent_->Handle();
}

void TControl::SetMouseCapture(bool value) {
  if (MouseCapture() == value) return;
  HWND h = 0;
  if (auto* w = dynamic_cast<TWinControl*>(this))
    h = w->Handle();
  else if (parent_ != nullptr)
    h = parent_->Handle();
  if (value)
    SetCapture(h);
  else
    ReleaseCapture();
}

// ---------------------------------------------------------------------------
// The message path

LRESULT TControl::Perform(UINT msg, WPARAM w, LPARAM l) {
  TMessage m{msg, w, l, 0};
  if (WindowProc)
    WindowProc(m);
  else
    WndProc(m);
  return m.Result;
}

void TControl::WndProc(TMessage& message) {
  Dispatch(message);
}

void TControl::DefaultHandler(TMessage& /*message*/) {}

void TControl::mouseButtonDown(TMessage& m, TMouseButton button, bool dbl) {
  DefaultHandler(m);
  if (controlStyle_.Contains(TControlStyleItem::csCaptureMouse)) SetMouseCapture(true);
  // The handlers may free this control: nothing touches it afterwards.
  TFreeWatch watch(this);
  if (controlStyle_.Contains(TControlStyleItem::csClickEvents)) {
    if (button == TMouseButton::mbLeft) controlState_.Include(TControlStateItem::csClicked);
    if (dbl && button == TMouseButton::mbLeft) DblClick();
    if (watch.Freed()) return;
  }
  TShiftState shift = KeysToShiftState(int(m.WParam));
  if (dbl) shift.Include(TShiftStateItem::ssDouble);
  TWMMouse mm{m};
  if (!controlStyle_.Contains(TControlStyleItem::csNoStdEvents))
    MouseDown(button, shift, mm.XPos(), mm.YPos());
}

void TControl::mouseButtonUp(TMessage& m, TMouseButton button) {
  DefaultHandler(m);
  if (controlStyle_.Contains(TControlStyleItem::csCaptureMouse)) SetMouseCapture(false);
  TWMMouse mm{m};
  // OnClick may free this control: nothing touches it afterwards.
  TFreeWatch watch(this);
  if (button == TMouseButton::mbLeft && controlState_.Contains(TControlStateItem::csClicked)) {
    controlState_.Exclude(TControlStateItem::csClicked);
    if (mm.XPos() >= 0 && mm.YPos() >= 0 && mm.XPos() < ClientWidth() && mm.YPos() < ClientHeight())
      Click();
    if (watch.Freed()) return;
  }
  if (!controlStyle_.Contains(TControlStyleItem::csNoStdEvents))
    MouseUp(button, KeysToShiftState(int(m.WParam)), mm.XPos(), mm.YPos());
}

void TControl::Dispatch(TMessage& m) {
  switch (m.Msg) {
  case WM_LBUTTONDOWN:
    mouseButtonDown(m, TMouseButton::mbLeft, false);
    return;
  case WM_RBUTTONDOWN:
    mouseButtonDown(m, TMouseButton::mbRight, false);
    return;
  case WM_MBUTTONDOWN:
    mouseButtonDown(m, TMouseButton::mbMiddle, false);
    return;
  case WM_LBUTTONDBLCLK:
    mouseButtonDown(m, TMouseButton::mbLeft, true);
    return;
  case WM_RBUTTONDBLCLK:
    mouseButtonDown(m, TMouseButton::mbRight, true);
    return;
  case WM_MBUTTONDBLCLK:
    mouseButtonDown(m, TMouseButton::mbMiddle, true);
    return;
  case WM_LBUTTONUP:
    mouseButtonUp(m, TMouseButton::mbLeft);
    return;
  case WM_RBUTTONUP:
    mouseButtonUp(m, TMouseButton::mbRight);
    return;
  case WM_MBUTTONUP:
    mouseButtonUp(m, TMouseButton::mbMiddle);
    return;
  case WM_MOUSEMOVE: {
    TWMMouse mm{m};
    if (!controlStyle_.Contains(TControlStyleItem::csNoStdEvents))
      MouseMove(KeysToShiftState(int(m.WParam)), mm.XPos(), mm.YPos());
    return;
  }
  case WM_MOUSEWHEEL: {
    TWMMouseWheel w{m};
    if (DoMouseWheel(KeysToShiftState(w.Keys()), w.WheelDelta(), TPoint(w.XPos(), w.YPos()))) {
      m.Result = 1;
      return;
    }
    DefaultHandler(m);
    return;
  }
  case WM_CONTEXTMENU: {
    if (popupMenu_ != nullptr && popupMenu_->AutoPopup()) {
      popupMenu_->SetPopupComponent(this);
      popupMenu_->Popup(GetXLParam(m.LParam), GetYLParam(m.LParam));
      m.Result = 1;
      return;
    }
    DefaultHandler(m);
    return;
  }
  case CM_PARENTCOLORCHANGED:
    ParentColorChanged();
    return;
  case CM_PARENTFONTCHANGED:
    ParentFontChanged();
    return;
  case CM_MOUSEENTER:
    if (OnMouseEnter) OnMouseEnter(this);
    return;
  case CM_MOUSELEAVE:
    if (OnMouseLeave) OnMouseLeave(this);
    return;
  case CM_DESIGNHITTEST:
    m.Result = 0;
    return;
  default:
    DefaultHandler(m);
  }
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

// A handler that frees this control frees its own closure with it: it runs
// from a copy.
void TControl::Click() {
  if (TNotifyEvent handler = OnClick) handler(this);
}

void TControl::DblClick() {
  if (TNotifyEvent handler = OnDblClick) handler(this);
}

void TControl::Resize() {
  if (OnResize) OnResize(this);
}

bool TControl::DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) {
  bool handled = false;
  if (OnMouseWheel) OnMouseWheel(this, shift, wheelDelta, mousePos, handled);
  if (!handled) {
    if (wheelDelta < 0)
      handled = DoMouseWheelDown(shift, mousePos);
    else if (wheelDelta > 0)
      handled = DoMouseWheelUp(shift, mousePos);
  }
  return handled;
}

bool TControl::DoMouseWheelDown(TShiftState shift, TPoint mousePos) {
  bool handled = false;
  if (OnMouseWheelDown) OnMouseWheelDown(this, shift, mousePos, handled);
  return handled;
}

bool TControl::DoMouseWheelUp(TShiftState shift, TPoint mousePos) {
  bool handled = false;
  if (OnMouseWheelUp) OnMouseWheelUp(this, shift, mousePos, handled);
  return handled;
}

void TControl::Invalidate() {
  if (parent_ != nullptr && parent_->HandleAllocated()) {
    TRect r = BoundsRect();
    InvalidateRect(parent_->Handle(), &r, !controlStyle_.Contains(TControlStyleItem::csOpaque));
  }
}

void TControl::Update() {
  if (parent_ != nullptr) parent_->Update();
}

void TControl::Repaint() {
  Invalidate();
  Update();
}

void TControl::BringToFront() {
  if (parent_ == nullptr) return;
  parent_->SetChildOrder(this, parent_->ControlCount() - 1);
  Invalidate();
}

void TControl::SendToBack() {
  if (parent_ == nullptr) return;
  parent_->SetChildOrder(this, 0);
  Invalidate();
}

void TControl::Loaded() {
  TComponent::Loaded();
  if (parent_ != nullptr && parentColor_) ParentColorChanged();
  if (parent_ != nullptr && parentFont_) ParentFontChanged();
  if (align_ != TAlign::alNone) RequestAlign();
}
