// The glass button's model: the down state and its group, the visual states
// under the mouse and the keyboard, hover with its polling timer, and the
// key tip.
#include "controls/OwGlassButton.h"

#include "controls/OwPaintUtil.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Messages.h"
#include "platform/forms/Timers.h"

TOwCustomGlassButton::TOwCustomGlassButton(TComponent* owner)
    : TCustomControl(owner), officeHint_(std::make_unique<TOwHintInfo>()),
      pictureDown_(std::make_unique<TGpPicture>()),
      pictureDisabled_(std::make_unique<TGpPicture>()), picture_(std::make_unique<TGpPicture>()) {
  hoverTimer_ = new TTimer(this);
  hoverTimer_->SetEnabled(false);
  hoverTimer_->SetInterval(1);
  hoverTimer_->SetOnTimer([this](TPersistent*) { HoverPollTick(); });
  pictureDisabled_->OnChange = [this](TGraphic*) { Invalidate(); };
  picture_->OnChange = [this](TGraphic*) { Invalidate(); };
  SetBounds(0, 0, 100, 32);
  SetParentFont(true);
  Font()->SetName("Tahoma");
  SetShowHint(false);
}

TOwCustomGlassButton::~TOwCustomGlassButton() {
  delete keyTip_;
  keyTip_ = nullptr;
  pictureDown_.reset();
  pictureDisabled_.reset();
  picture_.reset();
  delete hoverTimer_;
  hoverTimer_ = nullptr;
  officeHint_.reset();
}

bool TOwCustomGlassButton::Designing() const {
  return ComponentState().Contains(TComponentStateItem::csDesigning);
}

bool TOwCustomGlassButton::Inside(int x, int y) const {
  return x >= 0 && x < ClientWidth() && y >= 0 && y <= ClientHeight();
}

std::string TOwCustomGlassButton::Version() const {
  return PackedVersionText(PackedVersion());
}

// ---- properties --------------------------------------------------------------------------------

void TOwCustomGlassButton::SetDown(bool v) {
  if (IsLoading()) loadedDown_ = v;
  if (groupIndex_ == 0 && style_ == TOwToolButtonStyle::tasButton) v = false;
  if (style_ == TOwToolButtonStyle::tasCheck) {
    down_ = v;
    visualState_ = v ? gbsPressed : gbsUp;
    Repaint();
    return;
  }
  if (v == down_ || (down_ && !allowAllUp_)) return;
  down_ = v;
  if (v) {
    if (visualState_ == gbsUp) Invalidate();
    visualState_ = gbsLatched;
    NotifyGroup();
  } else {
    visualState_ = gbsUp;
    Repaint();
  }
}

void TOwCustomGlassButton::Loaded() {
  TCustomControl::Loaded();
  if (loadedDown_ != down_) SetDown(loadedDown_);
}

void TOwCustomGlassButton::SetGroupIndex(int v) {
  if (!StoreChanged(groupIndex_, v)) return;
  NotifyGroup();
}

void TOwCustomGlassButton::SetAllowAllUp(bool v) {
  if (!StoreChanged(allowAllUp_, v)) return;
  NotifyGroup();
}

void TOwCustomGlassButton::SetStyle(TOwToolButtonStyle v) {
  style_ = v;
}

void TOwCustomGlassButton::SetCornerRadius(int v) {
  if (v == cornerRadius_ || v < 0) return;
  if (Designing() && v > Height() / 2) v = Height() / 2;
  cornerRadius_ = v;
  Invalidate();
}

#define SK_GLASS_REPAINTING_SETTER(Name, Type, field)                                              \
  void TOwCustomGlassButton::Set##Name(Type v) {                                                  \
    if (StoreChanged(field, v)) Invalidate();                                                      \
  }
SK_GLASS_REPAINTING_SETTER(BackColor, TColor, backColor_)
SK_GLASS_REPAINTING_SETTER(ForeColor, TColor, foreColor_)
SK_GLASS_REPAINTING_SETTER(InnerBorderColor, TColor, innerBorderColor_)
SK_GLASS_REPAINTING_SETTER(OuterBorderColor, TColor, outerBorderColor_)
SK_GLASS_REPAINTING_SETTER(ShineColor, TColor, shineColor_)
SK_GLASS_REPAINTING_SETTER(GlowColor, TColor, glowColor_)
SK_GLASS_REPAINTING_SETTER(Layout, TButtonLayout, layout_)
SK_GLASS_REPAINTING_SETTER(AntiAlias, TAntiAlias, antiAlias_)
SK_GLASS_REPAINTING_SETTER(ShowCaption, bool, showCaption_)
SK_GLASS_REPAINTING_SETTER(ShowFocusRect, bool, showFocusRect_)
SK_GLASS_REPAINTING_SETTER(BackGroundSymbol, TBackGroundSymbol, backGroundSymbol_)
SK_GLASS_REPAINTING_SETTER(BackGroundSymbolColor, TColor, backGroundSymbolColor_)
SK_GLASS_REPAINTING_SETTER(ButtonShape, TButtonShape, buttonShape_)
SK_GLASS_REPAINTING_SETTER(ButtonDirection, TButtonDirection, buttonDirection_)
SK_GLASS_REPAINTING_SETTER(ForceTransparent, bool, forceTransparent_)
#undef SK_GLASS_REPAINTING_SETTER

void TOwCustomGlassButton::SetPicture(const TGpPicture* v) {
  picture_->Assign(v); // its change repaints
}

void TOwCustomGlassButton::SetPictureDisabled(const TGpPicture* v) {
  pictureDisabled_->Assign(v);
}

void TOwCustomGlassButton::SetPictureDown(const TGpPicture* v) {
  pictureDown_->Assign(v);
}

void TOwCustomGlassButton::SetOfficeHint(const TOwHintInfo* v) {
  officeHint_->Assign(v);
}

// ---- the group ---------------------------------------------------------------------------------

void TOwCustomGlassButton::NotifyGroup() {
  if (groupIndex_ == 0 || !Parent()) return;
  TMessage m{CM_BUTTONPRESSED, WPARAM(groupIndex_), LPARAM(this), 0};
  Parent()->Broadcast(m);
}

void TOwCustomGlassButton::ButtonPressed(TMessage& m) {
  auto* sender = reinterpret_cast<TControl*>(m.LParam);
  auto* other = dynamic_cast<TOwCustomGlassButton*>(sender);
  if (int(m.WParam) != groupIndex_ || !other || other == this) return;
  if (other->Down() && down_) {
    down_ = false;
    visualState_ = gbsUp;
    Invalidate();
  }
  allowAllUp_ = other->AllowAllUp();
}

// ---- mouse -------------------------------------------------------------------------------------

void TOwCustomGlassButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseDown(button, shift, x, y);
  if (button != TMouseButton::mbLeft || !Enabled() || Designing()) return;
  pressed_ = true;
  if (!down_) {
    visualState_ = gbsPressed;
    Invalidate();
  }
  if (style_ == TOwToolButtonStyle::tasCheck) {
    visualState_ = gbsPressed;
    Repaint();
  }
  if (TabStop()) SetFocus();
  tracking_ = true;
}

void TOwCustomGlassButton::MouseMove(TShiftState shift, int x, int y) {
  TCustomControl::MouseMove(shift, x, y);
  if (Designing()) return;
  if (tracking_) {
    std::uint8_t s = down_ ? gbsLatched : gbsUp;
    if (Inside(x, y)) s = down_ ? gbsLatched : gbsPressed;
    if (style_ == TOwToolButtonStyle::tasCheck && down_) s = gbsPressed;
    if (s != visualState_) {
      visualState_ = s;
      Invalidate();
    }
  } else if (!hover_) {
    RecheckHover();
  }
}

void TOwCustomGlassButton::LButtonUp(TMessage& m) {
  if (Designing()) {
    TCustomControl::Dispatch(m);
    return;
  }
  pressed_ = false;
  Invalidate();
  if (tracking_) {
    tracking_ = false;
    const bool inside = Inside(GetXLParam(m.LParam), GetYLParam(m.LParam));
    if (groupIndex_ != 0) {
      if (inside) {
        SetDown(!down_);
        if (down_) Repaint();
      } else {
        visualState_ = down_ ? gbsLatched : gbsUp;
        Repaint();
      }
    } else {
      visualState_ = gbsUp;
      hover_ = false;
      if (style_ == TOwToolButtonStyle::tasCheck) {
        SetDown(!down_);
        visualState_ = gbsUp;
      }
      if (inside && visualState_ != gbsPressed && visualState_ != gbsLatched) Invalidate();
    }
  }
  RecheckHover();
  // The class library's release delivers the click; its handler may free
  // the button.
  TFreeWatch watch(this);
  TCustomControl::Dispatch(m);
  if (!watch.Freed()) Repaint();
}

// ---- hover -------------------------------------------------------------------------------------

void TOwCustomGlassButton::RecheckHover() {
  if (!Enabled()) return;
  TForm* form = GetParentForm(this);
  TControl* under = form ? ControlAtScreenPoint(form, Mouse()->CursorPos()) : nullptr;
  Perform(under == this ? CM_MOUSEENTER : CM_MOUSELEAVE, 0, 0);
}

void TOwCustomGlassButton::HoverPollTick() {
  const TPoint p = ScreenToClient(Mouse()->CursorPos());
  if (p.x >= 0 && p.y >= 0 && p.x < ClientWidth() && p.y < ClientHeight()) return;
  hoverTimer_->SetEnabled(false);
  hover_ = false;
  if (Enabled()) Repaint();
}

// ---- keyboard and commands --------------------------------------------------------------------

void TOwCustomGlassButton::Click() {
  TCustomControl::Click();
}

void TOwCustomGlassButton::KeyPress(char& key) {
  TCustomControl::KeyPress(key);
  if (key == ' ') Click();
}

void TOwCustomGlassButton::DoEnter() {
  TCustomControl::DoEnter();
  Invalidate();
}

void TOwCustomGlassButton::DoExit() {
  TCustomControl::DoExit();
  Invalidate();
}

// ---- the key tip ------------------------------------------------------------------------------

void TOwCustomGlassButton::ShowKeyTip() {
  if (!Parent()) return;
  if (!keyTip_) keyTip_ = new TShortCutHintWindow(this);
  keyTip_->SetCaption(shortCutHint_);
  // The tip takes the size its text needs (never narrower than its minimum).
  const TRect need = keyTip_->CalcHintRect(Screen()->Width(), shortCutHint_);
  keyTip_->SetBounds(keyTip_->Left(), keyTip_->Top(), need.Width(), need.Height());
  const TPoint origin = ClientToScreen(TPoint(0, 0));
  const int x = origin.x, y = origin.y, w = Width(), h = Height();
  const int kw = keyTip_->Width(), kh = keyTip_->Height();
  TPoint at(keyTip_->Left(), keyTip_->Top());
  switch (shortCutHintPos_) {
  case TShortCutHintPos::shpLeft:
    at = TPoint(x - kw / 2, y + (h - kh) / 2);
    break;
  case TShortCutHintPos::shpTop:
    at = TPoint(x + (w - kw) / 2, y - kh / 2);
    break;
  case TShortCutHintPos::shpRight:
    at = TPoint(x + w - kw / 2, y + (h - kh) / 2);
    break;
  case TShortCutHintPos::shpBottom:
    at = TPoint(x + (w - kw) / 2, y + h - kh / 2);
    break;
  case TShortCutHintPos::shpCenter:
    break; // stays where it was last placed
  }
  keyTip_->ActivateHint(TRect(at.x, at.y, at.x + kw, at.y + kh), shortCutHint_);
}

void TOwCustomGlassButton::HideKeyTip() {
  if (!keyTip_) return;
  keyTip_->ReleaseHandle();
  delete keyTip_;
  keyTip_ = nullptr;
}

void TOwCustomGlassButton::HintShow(TMessage& m) {
  if (m.WParam != 1) {
    TCustomControl::Dispatch(m);
    return;
  }
  if (m.LParam == 1)
    ShowKeyTip();
  else if (m.LParam == 0)
    HideKeyTip();
  m.Result = 1;
}

// ---- messages ----------------------------------------------------------------------------------

void TOwCustomGlassButton::Dispatch(TMessage& m) {
  switch (m.Msg) {
  case CM_DIALOGCHAR:
    if (IsAccel(int(m.WParam), Caption()) && CanFocus()) {
      Click();
      m.Result = 1;
      return;
    }
    break;
  case CM_DIALOGKEY: {
    const TShiftState shift = KeyboardStateToShiftState();
    const bool modifier = shift.Contains(TShiftStateItem::ssShift) ||
                          shift.Contains(TShiftStateItem::ssCtrl) ||
                          shift.Contains(TShiftStateItem::ssAlt);
    if (m.WParam == VK_RETURN && Focused() && !modifier && CanFocus()) {
      Click();
      m.Result = 1;
      return;
    }
    break;
  }
  case CN_COMMAND:
    if (m.WParamHi() == 0) {
      Click();
      return;
    }
    break;
  case CM_ENABLEDCHANGED:
  case CM_FONTCHANGED:
  case CM_TEXTCHANGED:
    TCustomControl::Dispatch(m);
    Invalidate();
    return;
  case CM_MOUSEENTER:
    if (Designing()) break;
    hover_ = true;
    hoverTimer_->SetEnabled(true);
    if (OnMouseEnter) OnMouseEnter(this);
    return;
  case CM_MOUSELEAVE:
    if (Designing()) break;
    hoverTimer_->SetEnabled(false);
    hover_ = false;
    if (OnMouseLeave) OnMouseLeave(this);
    return;
  case CM_BUTTONPRESSED:
    ButtonPressed(m);
    return;
  case CM_HINTSHOW:
    HintShow(m);
    return;
  case CM_FOCUSCHANGED:
    TCustomControl::Dispatch(m);
    focused_ = reinterpret_cast<TControl*>(m.LParam) == this;
    return;
  case WM_ERASEBKGND:
    m.Result = 1;
    break;
  case WM_LBUTTONUP:
    LButtonUp(m);
    return;
  default:
    break;
  }
  TCustomControl::Dispatch(m);
}
