#include "controls/OwGlowButton.h"

#include "controls/OwPaintUtil.h"
#include "platform/forms/Messages.h"

TShortCutHintWindow::TShortCutHintWindow(TComponent* owner) : THintWindow(owner) {}

void TShortCutHintWindow::SetColor(TColor v) {
  if (gradientFrom_ == v) return;
  gradientFrom_ = v;
  Invalidate();
}

void TShortCutHintWindow::SetColorTo(TColor v) {
  if (gradientTo_ == v) return;
  gradientTo_ = v;
  Invalidate();
}

int TShortCutHintWindow::MinimumWidth() const {
  int w = 0, h = 0;
  MeasureTextInFont(*Font(), "O", w, h);
  return w + 8;
}

void TShortCutHintWindow::CreateParams(TCreateParams& params) {
  THintWindow::CreateParams(params);
  params.Style &= ~std::uint32_t(WS_BORDER);
}

void TShortCutHintWindow::Paint() {
  TCanvas* c = Canvas();
  const TRect r = ClientRect();
  DrawSteppedGradient(c, gradientFrom_, gradientTo_, false, r, 16, TGradientForm::gfFullExtent);
  c->Brush()->SetStyle(bsClear);
  c->Font()->Assign(*Font());
  TRect text = r;
  CanvasDrawText(c, Caption(), text, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
  c->Pen()->SetColor(clGray);
  c->RoundRect(r.Left, r.Top, r.Right, r.Bottom, 3, 3);
}

void TShortCutHintWindow::Resize() {
  THintWindow::Resize();
  if (Width() < MinimumWidth()) SetWidth(MinimumWidth());
}

void TShortCutHintWindow::Dispatch(TMessage& m) {
  if (m.Msg == WM_ERASEBKGND) {
    m.Result = 1; // the paint covers the whole window
    return;
  }
  THintWindow::Dispatch(m);
}
