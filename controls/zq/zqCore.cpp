#include "controls/zq/zqCore.h"

#include <algorithm>

#include "platform/forms/Forms.h"
#include "platform/forms/Messages.h"
#include "platform/forms/Windows.h"

const std::string& zqVersionText() {
  static const std::string text = "zq controls 2.0.1";
  return text;
}


// ---- TzqCustomControl -----------------------------------------------------------------------

TzqCustomControl::TzqCustomControl(TComponent* owner) : TCustomControl(owner) {
  controlStyle_.Include(TControlStyleItem::csOpaque);
  controlStyle_.Include(TControlStyleItem::csReplicatable);
}

void TzqCustomControl::RedrawRequest() {
  if (!updatesLocked_) Invalidate();
}

void TzqCustomControl::BeginUpdate() {
  updatesLocked_ = true;
}

void TzqCustomControl::EndUpdate() {
  updatesLocked_ = false;
  RedrawRequest();
}

void TzqCustomControl::RedrawOn(unsigned bit) {
  if (redrawTriggers_ & (1u << bit)) RedrawRequest();
}

void TzqCustomControl::BorderChanged() {
  RedrawOn(zqRedrawBorderChanged);
}
void TzqCustomControl::EnabledChanged() {
  RedrawOn(zqRedrawEnabledChanged);
}
void TzqCustomControl::FocusChanged(TWinControl* focused) {
  if (focused == this) {
    drawState_.Include(TzqDrawStateItem::dsFocused);
  } else {
    drawState_.Exclude(TzqDrawStateItem::dsFocused);
    drawState_.Exclude(TzqDrawStateItem::dsPressed);
  }
  TForm* form = GetParentForm(this);
  sibling_ = form && dynamic_cast<TzqCustomControl*>(form->ActiveControl()) != nullptr;
  RedrawOn(zqRedrawFocusChanged);
}
void TzqCustomControl::MousePressedHook(TMouseButton, TShiftState, int, int) {
  if (!Focused() && CanFocus()) SetFocus();
  drawState_.Include(TzqDrawStateItem::dsPressed);
  RedrawOn(zqRedrawMousePressed);
}
void TzqCustomControl::MouseEntered() {
  drawState_.Include(TzqDrawStateItem::dsHot);
  RedrawOn(zqRedrawMouseEntered);
  if (OnMouseEnter) OnMouseEnter(this);
}
void TzqCustomControl::MouseLeft() {
  drawState_.Exclude(TzqDrawStateItem::dsHot);
  RedrawOn(zqRedrawMouseLeft);
  if (OnMouseLeave) OnMouseLeave(this);
}
void TzqCustomControl::MouseMoved(int, int) {
  RedrawOn(zqRedrawMouseMoved);
}
void TzqCustomControl::MouseReleased(TMouseButton, TShiftState, int, int) {
  drawState_.Exclude(TzqDrawStateItem::dsPressed);
  RedrawOn(zqRedrawMouseReleased);
  // A neighbour of this library under the pointer becomes hot at once.
  TForm* form = GetParentForm(this);
  if (!form) return;
  auto* other = dynamic_cast<TzqCustomControl*>(ControlAtScreenPoint(form, Mouse()->CursorPos()));
  if (other && other != this) other->MouseEntered();
}
void TzqCustomControl::ParentColorChanged() {
  RedrawOn(zqRedrawParentColorChanged);
}
void TzqCustomControl::ParentFontChanged() {
  RedrawOn(zqRedrawParentFontChanged);
}
void TzqCustomControl::PositionChanged() {
  RedrawOn(zqRedrawPositionChanged);
}
void TzqCustomControl::SizeChanged() {
  RedrawOn(zqRedrawSizeChanged);
}
void TzqCustomControl::TextChanged() {
  RedrawOn(zqRedrawTextChanged);
}

void TzqCustomControl::Click() {
  if (TForm* form = GetParentForm(this)) form->SetModalResult(modalResult_);
  TCustomControl::Click();
}

void TzqCustomControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseDown(button, shift, x, y);
  if (button != TMouseButton::mbLeft) return;
  mousePressed_ = true;
  MousePressedHook(button, shift, x, y);
}

void TzqCustomControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseUp(button, shift, x, y);
  if (!mousePressed_) return;
  mousePressed_ = false;
  MouseReleased(button, shift, x, y);
}

void TzqCustomControl::DialogChar(TMessage& m) {
  const bool alt = (m.LParam & 0x20000000) != 0 || GetKeyState(VK_MENU) < 0;
  if (IsAccel(int(m.WParam), Caption()) && CanFocus()) {
    if (Focused() || alt) {
      Click();
      m.Result = 1;
      return;
    }
  }
  TCustomControl::Dispatch(m);
}

void TzqCustomControl::Dispatch(TMessage& m) {
  switch (m.Msg) {
  case CM_DIALOGCHAR:
    DialogChar(m);
    return;
  case CM_BORDERCHANGED:
    TCustomControl::Dispatch(m);
    BorderChanged();
    return;
  case CM_ENABLEDCHANGED:
    TCustomControl::Dispatch(m);
    EnabledChanged();
    return;
  case CM_FOCUSCHANGED:
    TCustomControl::Dispatch(m);
    FocusChanged(reinterpret_cast<TWinControl*>(m.LParam));
    return;
  case CM_MOUSEENTER:
    TCustomControl::Dispatch(m);
    MouseEntered();
    return;
  case CM_MOUSELEAVE:
    TCustomControl::Dispatch(m);
    MouseLeft();
    return;
  case WM_MOUSEMOVE:
    TCustomControl::Dispatch(m);
    MouseMoved(GetXLParam(m.LParam), GetYLParam(m.LParam));
    return;
  case CM_PARENTCOLORCHANGED:
    TCustomControl::Dispatch(m);
    ParentColorChanged();
    return;
  case CM_PARENTFONTCHANGED:
    TCustomControl::Dispatch(m);
    ParentFontChanged();
    return;
  case WM_WINDOWPOSCHANGED:
    TCustomControl::Dispatch(m);
    PositionChanged();
    return;
  case WM_SIZE:
    TCustomControl::Dispatch(m);
    SizeChanged();
    return;
  case CM_TEXTCHANGED:
    TCustomControl::Dispatch(m);
    TextChanged();
    return;
  default:
    TCustomControl::Dispatch(m);
  }
}

// ---- styles -----------------------------------------------------------------------------------

void TzqStyle::SetTheme(TzqTheme v) {
  if (theme_ == v) return;
  theme_ = v;
  if (owner_) owner_->RedrawRequest();
}

void TzqStyle::SetUseStyleManager(bool v) {
  if (useStyleManager_ == v) return;
  useStyleManager_ = v;
  if (owner_) owner_->RedrawRequest();
}

TzqTheme TzqStyle::EffectiveTheme() const {
  if (useStyleManager_ && owner_ && owner_->StyleManager()) return owner_->StyleManager()->Theme();
  return theme_;
}

TzqStyleManager::~TzqStyleManager() {
  for (TzqCustomStyleControl* c : std::vector<TzqCustomStyleControl*>(controls_))
    c->RedrawRequest();
  controls_.clear();
}

void TzqStyleManager::SetTheme(TzqTheme v) {
  if (theme_ == v) return;
  theme_ = v;
  if (OnThemeChanged) OnThemeChanged(this);
  for (TzqCustomStyleControl* c : std::vector<TzqCustomStyleControl*>(controls_))
    c->RedrawRequest();
}

void TzqStyleManager::RegisterControls(const std::vector<TzqCustomStyleControl*>& controls) {
  for (TzqCustomStyleControl* c : controls)
    if (std::find(controls_.begin(), controls_.end(), c) == controls_.end()) {
      controls_.push_back(c);
      FreeNotification(c);
    }
}

void TzqStyleManager::UnregisterControls(const std::vector<TzqCustomStyleControl*>& controls) {
  for (TzqCustomStyleControl* c : controls)
    controls_.erase(std::remove(controls_.begin(), controls_.end(), c), controls_.end());
}

void TzqStyleManager::Notification(TComponent* component, TOperation operation) {
  TzqCustomComponent::Notification(component, operation);
  if (operation == TOperation::opRemove)
    controls_.erase(std::remove(controls_.begin(), controls_.end(), component), controls_.end());
}

TzqCustomStyleControl::TzqCustomStyleControl(TComponent* owner)
    : TzqCustomControl(owner), style_(std::make_unique<TzqStyle>(this)) {}

TzqCustomStyleControl::~TzqCustomStyleControl() {
  if (styleManager_) styleManager_->UnregisterControls({this});
}

void TzqCustomStyleControl::SetStyleManager(TzqStyleManager* manager) {
  if (manager == styleManager_) return;
  if (styleManager_) styleManager_->UnregisterControls({this});
  if (manager) manager->RegisterControls({this});
  styleManager_ = manager;
  RedrawRequest();
}

void TzqCustomStyleControl::Notification(TComponent* component, TOperation operation) {
  TzqCustomControl::Notification(component, operation);
  if (operation == TOperation::opRemove && component == styleManager_) styleManager_ = nullptr;
}
