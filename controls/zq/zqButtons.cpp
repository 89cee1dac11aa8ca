#include "controls/zq/zqButtons.h"

#include "platform/forms/Forms.h"
#include "platform/forms/Messages.h"
#include "platform/forms/Properties.h"

TzqCustomButton::TzqCustomButton(TComponent* owner)
    : TzqCustomStyleControl(owner), normalFace_(std::make_unique<TBitmap>()),
      pressedFace_(std::make_unique<TBitmap>()), focusFace_(std::make_unique<TBitmap>()),
      glyph_(std::make_unique<TBitmap>()), hotFace_(std::make_unique<TBitmap>()) {
  controlStyle_.Exclude(TControlStyleItem::csDoubleClicks);
  SetBounds(left_, top_, 73, 21);
  SetTabStop(true);
}

TzqCustomButton::~TzqCustomButton() = default;

#define SK_ZQ_REDRAWING_SETTER(Name, Type, field)                                                  \
  void TzqCustomButton::Set##Name(Type v) {                                                       \
    if (field == v) return;                                                                        \
    field = v;                                                                                     \
    RedrawRequest();                                                                               \
  }
SK_ZQ_REDRAWING_SETTER(AutoGray, bool, autoGray_)
SK_ZQ_REDRAWING_SETTER(Layout, TzqLayout, layout_)
SK_ZQ_REDRAWING_SETTER(ShowAccelChar, bool, showAccelChar_)
SK_ZQ_REDRAWING_SETTER(ShowFocusRect, bool, showFocusRect_)
SK_ZQ_REDRAWING_SETTER(SmoothEdges, bool, smoothEdges_)
SK_ZQ_REDRAWING_SETTER(WordWrap, bool, wordWrap_)
#undef SK_ZQ_REDRAWING_SETTER

void TzqCustomButton::SetSpacing(int v) {
  if (spacing_ == std::uint8_t(v)) return;
  spacing_ = std::uint8_t(v);
  RedrawRequest();
}

void TzqCustomButton::SetGlyph(const TBitmap* v) {
  if (v)
    glyph_->Assign(v);
  else
    glyph_ = std::make_unique<TBitmap>();
  RedrawRequest();
}

void TzqCustomButton::SetDefault(bool v) {
  if (default_ == v) return;
  default_ = v;
  if (TForm* form = GetParentForm(this))
    form->Perform(CM_FOCUSCHANGED, 0, LPARAM(form->ActiveControl()));
}

bool TzqCustomButton::HighlightedIgnoringDefault() const {
  const bool hot = drawState_.Contains(TzqDrawStateItem::dsHot);
  const bool pressed = drawState_.Contains(TzqDrawStateItem::dsPressed);
  const bool focused = drawState_.Contains(TzqDrawStateItem::dsFocused);
  return pressed ? !hot : hot || focused;
}

bool TzqCustomButton::Highlighted() const {
  return HighlightedIgnoringDefault() || (default_ && CanFocus() && !SiblingFlag());
}

void TzqCustomButton::SizeChanged() {
  TzqCustomStyleControl::SizeChanged();
  const int w = Width(), h = Height();
  const int d = HighlightedIgnoringDefault() ? 6 : 2;
  BuildGradientBitmap(w - d, h - d, 0xFFFFFF, 0xE7EBEF, 64, 1, true, *normalFace_);
  BuildGradientBitmap(w - 2, h - 2, 0xC6CFD6, 0xEBF3F7, 64, 1, true, *pressedFace_);
  BuildGradientBitmap(w - 2, h - 2, 0xFFE7CE, 0xEF846D, 64, 1, true, *focusFace_);
  BuildGradientBitmap(w - 2, h - 2, 0xCEF3FF, 0x0096E7, 64, 1, true, *hotFace_);
  RedrawRequest();
}

void TzqCustomButton::Paint() {
  TCanvas* c = Canvas();
  const int w = Width(), h = Height();
  TRect r = ClientRect();
  const bool hot = drawState_.Contains(TzqDrawStateItem::dsHot);
  const bool pressed = drawState_.Contains(TzqDrawStateItem::dsPressed);
  const int s = hot && pressed ? 1 : 0;
  const bool highlighted = Highlighted();
  // Faces.
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(Color());
  c->FillRect(r);
  if (highlighted) c->Draw(1, 1, hot ? hotFace_.get() : focusFace_.get());
  if (hot && pressed) {
    c->Draw(1, 1, pressedFace_.get());
  } else {
    const int e = highlighted ? 1 : 0;
    c->CopyRect(TRect(2 * e + 1, 2 * e + 1, 2 * e + 1 + w - 6 * e, 2 * e + 1 + h - 6 * e),
                normalFace_->Canvas(), TRect(0, 0, normalFace_->Width(), normalFace_->Height()));
  }
  // Outline and softened corners.
  c->Pen()->SetColor(Enabled() ? 0x733800 : 0xBDC7CE);
  c->Brush()->SetStyle(bsClear);
  c->RoundRect(0, 0, w, h, 5, 5);
  if (smoothEdges_) {
    c->Pen()->SetColor(Enabled() ? 0xAD9E7B : 0xBDC7CE);
    StrokeLine(c, 0, 1, 2, 0);
    StrokeLine(c, w - 2, 0, w, 2);
    StrokeLine(c, 0, h - 2, 2, h);
    StrokeLine(c, w - 3, h, w, h - 3);
  }
  // Caption and glyph.
  UINT format = DT_END_ELLIPSIS | (wordWrap_ ? UINT(DT_WORDBREAK) : 0u);
  TBitmap image;
  image.Assign(glyph_.get());
  if (autoGray_ && !Enabled() && !image.Empty()) GrayGlyph(image);
  c->Font()->Assign(*Font());
  const int gw = image.Empty() ? 0 : image.Width(), gh = image.Empty() ? 0 : image.Height();
  const int sp = spacing_;
  if (!image.Empty()) {
    switch (layout_) {
    case TzqLayout::blGlyphLeft:
      r.Left += gw + sp;
      break;
    case TzqLayout::blGlyphRight:
      r.Left -= gw + sp;
      r.Right -= 2 * (gw + sp);
      format |= DT_RIGHT;
      break;
    case TzqLayout::blGlyphTop:
      r.Top += gh + sp;
      break;
    case TzqLayout::blGlyphBottom:
      r.Top -= gh + sp;
      break;
    }
  }
  DrawEtchedText(this, c, Caption(), *Font(), Enabled(), showAccelChar_, r,
                 format | DT_CALCRECT);
  const int dx = (w - r.Right) / 2 + s, dy = (h - r.Bottom) / 2 + s;
  r = TRect(r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy);
  if (!image.Empty()) {
    image.SetTransparent(true);
    switch (layout_) {
    case TzqLayout::blGlyphLeft:
      c->Draw(r.Left - gw - sp, (h - gh) / 2 + s, &image);
      break;
    case TzqLayout::blGlyphRight:
      c->Draw(r.Right + sp, (h - gh) / 2 + s, &image);
      break;
    case TzqLayout::blGlyphTop:
      c->Draw((w - gw) / 2 + s, r.Top - gh - sp, &image);
      break;
    case TzqLayout::blGlyphBottom:
      c->Draw((w - gw) / 2 + s, r.Bottom + sp, &image);
      break;
    }
  }
  if (drawState_.Contains(TzqDrawStateItem::dsFocused) && showFocusRect_) {
    c->Brush()->SetStyle(bsSolid);
    c->DrawFocusRect(TRect(3, 3, w - 3, h - 3));
  }
  SetBkMode(c->Handle(), TRANSPARENT);
  DrawEtchedText(this, c, Caption(), *Font(), Enabled(), showAccelChar_, r, format);
}

void TzqCustomButton::KeyDown(Word& key, TShiftState shift) {
  if (key == VK_SPACE && !shift.Contains(TShiftStateItem::ssShift) &&
      !shift.Contains(TShiftStateItem::ssCtrl) && !shift.Contains(TShiftStateItem::ssAlt)) {
    drawState_.Include(TzqDrawStateItem::dsHot);
    MousePressedHook(TMouseButton::mbLeft, shift, 0, 0);
  }
  TzqCustomStyleControl::KeyDown(key, shift);
}

void TzqCustomButton::KeyUp(Word& key, TShiftState shift) {
  if (drawState_.Contains(TzqDrawStateItem::dsPressed)) {
    const TPoint p = ScreenToClient(Mouse()->CursorPos());
    if (!(p.x >= 0 && p.y >= 0 && p.x < Width() && p.y < Height()))
      drawState_.Exclude(TzqDrawStateItem::dsHot);
    drawState_.Exclude(TzqDrawStateItem::dsPressed);
    RedrawRequest();
    TFreeWatch watch(this);
    Click();
    if (watch.Freed()) return;
  }
  TzqCustomStyleControl::KeyUp(key, shift);
}

void TzqCustomButton::DialogKey(TMessage& m) {
  const TShiftState shift = KeyboardStateToShiftState();
  const bool modifier = shift.Contains(TShiftStateItem::ssShift) ||
                        shift.Contains(TShiftStateItem::ssCtrl) ||
                        shift.Contains(TShiftStateItem::ssAlt);
  const bool enter = m.WParam == VK_RETURN && (Focused() || (default_ && !SiblingFlag()));
  const bool escape = m.WParam == VK_ESCAPE && cancel_ && !modifier;
  if ((enter || escape) && CanFocus()) {
    Click();
    m.Result = 1;
    return;
  }
  TzqCustomStyleControl::Dispatch(m);
}

void TzqCustomButton::Dispatch(TMessage& m) {
  if (m.Msg == CM_DIALOGKEY) {
    DialogKey(m);
    return;
  }
  TzqCustomStyleControl::Dispatch(m);
}

void RegisterZqButtons() {
  EnsureFormsClassesRegistered();
  using B = TzqCustomButton;
  RegisterProperties<B>()
      .Boolean("AutoGray", &B::AutoGray, &B::SetAutoGray, true)
      .Boolean("Cancel", &B::Cancel, &B::SetCancel, false)
      .Boolean("Default", &B::Default, &B::SetDefault, false)
      .Enum<TzqLayout>("Layout", "TzqLayout", &B::Layout, &B::SetLayout,
                       {"blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom"},
                       TzqLayout::blGlyphLeft)
      .Integer("ModalResult", &B::ModalResult, &B::SetModalResult, 0)
      .Boolean("ShowAccelChar", &B::ShowAccelChar, &B::SetShowAccelChar, true)
      .Boolean("ShowFocusRect", &B::ShowFocusRect, &B::SetShowFocusRect, false)
      .Boolean("SmoothEdges", &B::SmoothEdges, &B::SetSmoothEdges, true)
      .Integer("Spacing", &B::Spacing, &B::SetSpacing, 3)
      .Boolean("WordWrap", &B::WordWrap, &B::SetWordWrap, true)
      .Boolean("TabStop", &B::TabStop, &B::SetTabStop, true)
      .Integer("Width", &B::Width, &B::SetWidth, 73)
      .Integer("Height", &B::Height, &B::SetHeight, 21);
  RegisterProperties<TzqButton>();
  RegisterComponentClass<TzqButton>();
}
