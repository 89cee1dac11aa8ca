#include "controls/zq/zqCheckCtrls.h"

#include "platform/forms/Properties.h"

std::unique_ptr<TBitmap> CheckMarkBitmap() {
  static const char* rows[7] = {"......X", ".....XX", "X...XXX", "XX.XXX.",
                                "XXXXX..", ".XXX...", "..X...."};
  auto mark = std::make_unique<TBitmap>(7, 7, pf24bit);
  TCanvas* c = mark->Canvas();
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 7; ++x)
      c->SetPixels(x, y, rows[y][x] == 'X' ? clBlack : clSilver);
  return mark;
}

TzqCustomCheckControl::TzqCustomCheckControl(TComponent* owner)
    : TzqCustomStyleControl(owner), normalFace_(std::make_unique<TBitmap>()),
      pressedFace_(std::make_unique<TBitmap>()), hotFace_(std::make_unique<TBitmap>()) {
  controlStyle_.Exclude(TControlStyleItem::csDoubleClicks);
  SetBounds(left_, top_, 161, 17);
  SetTabStop(true);
}

void TzqCustomCheckControl::SetBoundLines(TzqBoundLines v) {
  if (boundLines_ == v) return;
  boundLines_ = v;
  RedrawRequest();
}

void TzqCustomCheckControl::SetChecked(bool v) {
  if (checked_ == v) return;
  checked_ = v;
  RedrawRequest();
}

void TzqCustomCheckControl::SetSpacing(int v) {
  if (spacing_ == std::uint8_t(v)) return;
  spacing_ = std::uint8_t(v);
  RedrawRequest();
}

void TzqCustomCheckControl::SizeChanged() {
  TzqCustomStyleControl::SizeChanged();
  const int side = boxSize_ - 2;
  BuildGradientBitmap(side, side, 0xFFFFFF, 0xE7EBEF, 16, 1, false, *normalFace_);
  BuildGradientBitmap(side, side, 0xC6CFD6, 0xEBF3F7, 16, 1, true, *pressedFace_);
  BuildGradientBitmap(side, side, 0xCEF3FF, 0x0096E7, 16, 1, true, *hotFace_);
  RedrawRequest();
}

void TzqCustomCheckControl::Click() {
  SetChecked(!checked_);
  TzqCustomStyleControl::Click();
}

void TzqCustomCheckControl::Paint() {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(Parent() ? Parent()->Color() : Color());
  c->FillRect(r);
  if (ComponentState().Contains(TComponentStateItem::csDesigning)) c->DrawFocusRect(r);
  if (!boundLines_.Empty())
    StrokeBoundLines(c, boundLines_,
                     Style()->EffectiveTheme() == TzqTheme::WindowsXP ? 0x733800 : 0xF7FBFF, r);
  if (drawState_.Contains(TzqDrawStateItem::dsFocused)) {
    c->Brush()->SetStyle(bsSolid);
    c->DrawFocusRect(r);
  }
  DrawBox(r);
  c->Brush()->SetStyle(bsClear);
  c->Font()->Assign(*Font());
  r.Left += boxSize_ + spacing_ + 4;
  DrawCaptionText(this, c, Caption(), r, true, 0, true, Enabled(), *Font());
}

void TzqCheckbox::DrawBox(const TRect& r) {
  TCanvas* c = Canvas();
  const TzqTheme theme = Style()->EffectiveTheme();
  const bool hot = drawState_.Contains(TzqDrawStateItem::dsHot);
  const bool pressed = drawState_.Contains(TzqDrawStateItem::dsPressed);
  const int s = BoxSize(), y0 = (ClientHeight() - s) / 2;
  c->Pen()->SetColor(theme == TzqTheme::OfficeXP && hot ? 0x663300 : 0x845118);
  c->Rectangle(r.Left + 2, y0, r.Left + 2 + s, y0 + s);
  if (theme == TzqTheme::WindowsXP) {
    if (hot && pressed) {
      c->Draw(r.Left + 3, y0 + 1, pressedFace_.get());
    } else {
      const int h = hot ? 1 : 0;
      if (hot) c->Draw(r.Left + 3, y0 + 1, hotFace_.get());
      const int side = s - 2 - 2 * h;
      c->CopyRect(TRect(r.Left + 3 + h, y0 + 1 + h, r.Left + 3 + h + side, y0 + 1 + h + side),
                  normalFace_->Canvas(), TRect(0, 0, side, side));
    }
  } else if (hot) {
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(pressed ? 0xCC9999 : 0xD6BEB5);
    c->FillRect(TRect(r.Left + 3, y0 + 1, r.Left + 3 + s - 2, y0 + 1 + s - 2));
  }
  if (!Checked()) return;
  c->Brush()->SetColor(clSilver);
  c->Pen()->SetColor(0x733800);
  auto mark = CheckMarkBitmap();
  if (theme == TzqTheme::WindowsXP)
    RecolorBlack(*mark, 0x21A621);
  else if (hot && pressed)
    RecolorBlack(*mark, clWhite);
  mark->SetTransparentMode(tmFixed);
  mark->SetTransparentColor(clSilver);
  mark->SetTransparent(true);
  c->Draw(s / 2 - 1, y0 + 3, mark.get());
}

void RegisterZqControls() {
  EnsureFormsClassesRegistered();
  RegisterProperties<TzqCustomControl>().String("Version", &TzqCustomControl::Version,
                                                &TzqCustomControl::SetVersion, zqVersionText());
  RegisterProperties<TzqCustomStyleControl>()
      .Enum<TzqTheme>(
          "Style.Theme", "TzqTheme",
          [](const TzqCustomStyleControl& c) { return c.Style()->Theme(); },
          [](TzqCustomStyleControl& c, TzqTheme v) { c.Style()->SetTheme(v); },
          {"WindowsXP", "OfficeXP"}, TzqTheme::WindowsXP)
      .Boolean(
          "Style.UseStyleManager",
          [](const TzqCustomStyleControl& c) { return c.Style()->UseStyleManager(); },
          [](TzqCustomStyleControl& c, bool v) { c.Style()->SetUseStyleManager(v); }, true)
      .Reference<TzqStyleManager>("StyleManager", &TzqCustomStyleControl::StyleManager,
                                  &TzqCustomStyleControl::SetStyleManager);
  RegisterProperties<TzqCustomCheckControl>()
      .Boolean("Checked", &TzqCustomCheckControl::Checked, &TzqCustomCheckControl::SetChecked,
               false)
      .Integer("Spacing", &TzqCustomCheckControl::Spacing, &TzqCustomCheckControl::SetSpacing, 3)
      .SetOf<TzqBoundLine>("BoundLines", "TzqBoundLines", &TzqCustomCheckControl::BoundLines,
                           &TzqCustomCheckControl::SetBoundLines,
                           {"blLeft", "blTop", "blRight", "blBottom"})
      .Boolean("TabStop", &TzqCustomCheckControl::TabStop, &TzqCustomCheckControl::SetTabStop,
               true);
  RegisterProperties<TzqCheckbox>();
  RegisterComponentClass<TzqCheckbox>();
  RegisterProperties<TzqCustomComponent>();
  RegisterProperties<TzqStyleManager>().Enum<TzqTheme>(
      "Theme", "TzqTheme", &TzqStyleManager::Theme, &TzqStyleManager::SetTheme,
      {"WindowsXP", "OfficeXP"}, TzqTheme::WindowsXP);
  RegisterComponentClass<TzqStyleManager>();
}
