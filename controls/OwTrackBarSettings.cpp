// The track bar's settings objects (thumb, slider, tick marks, end buttons,
// value label) and the ten colour presets.
#include "controls/OwTrackBar.h"

void TTrackBarSettings::WatchPicture(TGpPicture& picture, std::function<void()> handler) {
  picture.OnChange = [handler](TGraphic*) { handler(); };
}

namespace {
/// Copies a picture's bytes (its change handler runs).
void CopyPicture(TGpPicture& to, TGpPicture& from) {
  to.Assign(&from);
}
bool IsHorizontal(const TCustomTrackBar* bar) {
  return !bar || bar->Orientation() == TTrackBarOrientation::trHorizontal;
}
} // namespace

// ---- tick marks --------------------------------------------------------------------------------

TTrackBarTick::TTrackBarTick() {
  font_.SetName("Tahoma");
  font_.OnChange = [this] { Changed(); };
  WatchPicture(picture_, [this] { Changed(); });
  WatchPicture(pictureDisabled_, [this] { Changed(); });
}

void TTrackBarTick::Assign(const TPersistent* source) {
  auto* s = dynamic_cast<const TTrackBarTick*>(source);
  if (!s) return TPersistent::Assign(source);
  auto& src = const_cast<TTrackBarTick&>(*s);
  SetColor(s->color_);
  SetColorDisabled(s->colorDisabled_);
  SetSize(s->size_);
  SetPosition(s->position_);
  SetStyle(s->style_);
  CopyPicture(picture_, src.picture_);
  CopyPicture(pictureDisabled_, src.pictureDisabled_);
  font_.Assign(s->font_);
  SetShowText(s->showText_);
  SetLine3D(s->line3D_);
  showImageAtThumbOnly_ = s->showImageAtThumbOnly_;
  showImageAtSteps_ = s->showImageAtSteps_;
  SetSpacing(s->spacing_);
}

// ---- slider ------------------------------------------------------------------------------------

TTrackBarSlider::TTrackBarSlider() {
  for (TGpPicture* p :
       {&picture_, &pictureDisabled_, &pictureCompleted_, &pictureCompletedDisabled_})
    WatchPicture(*p, [this] { PictureChanged(); });
}

void TTrackBarSlider::PictureChanged() {
  if (!picture_.Empty()) {
    picture_.ReadSize();
    size_ = IsHorizontal(owner_) ? picture_.Height() : picture_.Width();
    SetBorderColor(clNone);
  }
  Changed();
}

void TTrackBarSlider::Assign(const TPersistent* source) {
  auto* s = dynamic_cast<const TTrackBarSlider*>(source);
  if (!s) return TPersistent::Assign(source);
  auto& src = const_cast<TTrackBarSlider&>(*s);
  color_ = s->color_;
  colorTo_ = s->colorTo_;
  borderColor_ = s->borderColor_;
  colorDisabledTo_ = s->colorDisabledTo_;
  borderColorDisabled_ = s->borderColorDisabled_;
  colorDisabled_ = s->colorDisabled_;
  colorCompletedDisabledTo_ = s->colorCompletedDisabledTo_;
  colorCompletedTo_ = s->colorCompletedTo_;
  colorCompleted_ = s->colorCompleted_;
  colorCompletedDisabled_ = s->colorCompletedDisabled_;
  size_ = s->size_;
  rounded_ = s->rounded_;
  SetBorder3D(s->border3D_);
  SetVisible(s->visible_);
  CopyPicture(picture_, src.picture_);
  CopyPicture(pictureDisabled_, src.pictureDisabled_);
  pictureStretched_ = s->pictureStretched_;
  CopyPicture(pictureCompleted_, src.pictureCompleted_);
  CopyPicture(pictureCompletedDisabled_, src.pictureCompletedDisabled_);
  SetOffset(s->offset_);
}

// ---- thumb -------------------------------------------------------------------------------------

TTrackBarThumb::TTrackBarThumb() {
  for (TGpPicture* p : {&picture_, &pictureDisabled_, &pictureDown_, &pictureHot_})
    WatchPicture(*p, [this] { PictureChanged(); });
}

void TTrackBarThumb::SetWidth(int v) {
  if (picture_.Empty()) Set(width_, v);
}

void TTrackBarThumb::SetSize(int v) {
  if (picture_.Empty()) Set(size_, v);
}

void TTrackBarThumb::PictureChanged() {
  if (!picture_.Empty() && owner_) {
    picture_.ReadSize();
    if (IsHorizontal(owner_)) {
      size_ = picture_.Height();
      width_ = picture_.Width();
    } else {
      width_ = picture_.Height();
      size_ = picture_.Width();
    }
  }
  Changed();
}

void TTrackBarThumb::Assign(const TPersistent* source) {
  auto* s = dynamic_cast<const TTrackBarThumb*>(source);
  if (!s) return; // other classes are ignored
  auto& src = const_cast<TTrackBarThumb&>(*s);
  color_ = s->color_;
  colorTo_ = s->colorTo_;
  borderColor_ = s->borderColor_;
  colorHot_ = s->colorHot_;
  colorHotTo_ = s->colorHotTo_;
  borderColorHot_ = s->borderColorHot_;
  colorDisabled_ = s->colorDisabled_;
  colorDisabledTo_ = s->colorDisabledTo_;
  borderColorDown_ = s->borderColorDown_;
  borderColorDisabled_ = s->borderColorDisabled_;
  colorDown_ = s->colorDown_;
  colorDownTo_ = s->colorDownTo_;
  colorMirror_ = s->colorMirror_;
  colorMirrorTo_ = s->colorMirrorTo_;
  colorMirrorHot_ = s->colorMirrorHot_;
  colorMirrorHotTo_ = s->colorMirrorHotTo_;
  colorMirrorDown_ = s->colorMirrorDown_;
  colorMirrorDownTo_ = s->colorMirrorDownTo_;
  colorMirrorDisabled_ = s->colorMirrorDisabled_;
  colorMirrorDisabledTo_ = s->colorMirrorDisabledTo_;
  gradientSteps_ = s->gradientSteps_;
  gradient_ = s->gradient_;
  gradientMirror_ = s->gradientMirror_;
  CopyPicture(picture_, src.picture_);
  CopyPicture(pictureDisabled_, src.pictureDisabled_);
  CopyPicture(pictureDown_, src.pictureDown_);
  CopyPicture(pictureHot_, src.pictureHot_);
  SetWidth(s->width_);
  SetShape(s->shape_);
  SetSize(s->size_);
}

TGlossColors TTrackBarThumb::StateColors(bool pressed, bool hot, bool enabled) const {
  if (!enabled)
    return {borderColorDisabled_, colorDisabled_, colorDisabledTo_, colorMirrorDisabled_,
            colorMirrorDisabledTo_};
  if (pressed)
    return {borderColorDown_, colorDown_, colorDownTo_, colorMirrorDown_, colorMirrorDownTo_};
  if (hot) return {borderColorHot_, colorHot_, colorHotTo_, colorMirrorHot_, colorMirrorHotTo_};
  return {borderColor_, color_, colorTo_, colorMirror_, colorMirrorTo_};
}

TGpPicture& TTrackBarThumb::StatePicture(bool pressed, bool hot, bool enabled) {
  if (!enabled) return pictureDisabled_.Empty() ? picture_ : pictureDisabled_;
  if (pressed) return pictureDown_.Empty() ? picture_ : pictureDown_;
  if (hot) return pictureHot_.Empty() ? picture_ : pictureHot_;
  return picture_;
}

// ---- end buttons -------------------------------------------------------------------------------

TTrackBarButtons::TTrackBarButtons() {
  WatchPicture(minPicture_, [this] { PictureChanged(); });
  WatchPicture(maxPicture_, [this] { PictureChanged(); });
}

void TTrackBarButtons::SetSize(int v) {
  if (minPicture_.Empty() && maxPicture_.Empty()) Set(size_, v);
}

void TTrackBarButtons::PictureChanged() {
  if ((!minPicture_.Empty() || !maxPicture_.Empty()) && owner_) {
    TGpPicture& p = !minPicture_.Empty() ? minPicture_ : maxPicture_;
    p.ReadSize();
    size_ = IsHorizontal(owner_) ? p.Width() : p.Height();
  }
  Changed();
}

void TTrackBarButtons::Assign(const TPersistent* source) {
  auto* s = dynamic_cast<const TTrackBarButtons*>(source);
  if (!s) return TPersistent::Assign(source);
  auto& src = const_cast<TTrackBarButtons&>(*s);
  SetColorHot(s->colorHot_);
  SetColor(s->color_);
  SetColorTo(s->colorTo_);
  SetColorHotTo(s->colorHotTo_);
  SetColorDownTo(s->colorDownTo_);
  SetColorDown(s->colorDown_);
  SetBorderColorDown(s->borderColorDown_);
  SetBorderColorHot(s->borderColorHot_);
  SetBorderColor(s->borderColor_);
  colorMirror_ = s->colorMirror_;
  colorMirrorTo_ = s->colorMirrorTo_;
  colorMirrorHot_ = s->colorMirrorHot_;
  colorMirrorDownTo_ = s->colorMirrorDownTo_;
  colorMirrorHotTo_ = s->colorMirrorHotTo_;
  colorMirrorDown_ = s->colorMirrorDown_;
  CopyPicture(maxPictureHot_, src.maxPictureHot_);
  CopyPicture(maxPictureDown_, src.maxPictureDown_);
  CopyPicture(minPicture_, src.minPicture_);
  CopyPicture(maxPicture_, src.maxPicture_);
  CopyPicture(minPictureHot_, src.minPictureHot_);
  CopyPicture(minPictureDown_, src.minPictureDown_);
  SetVisible(s->visible_);
  SetSize(s->size_);
  SetShape(s->shape_);
  repeatClick_ = s->repeatClick_;
  repeatPause_ = s->repeatPause_;
  SetRotateText(s->rotateText_);
  initRepeatPause_ = s->initRepeatPause_;
  SetSpacing(s->spacing_);
}

// ---- value label -------------------------------------------------------------------------------

TTrackBarLabel::TTrackBarLabel() {
  font_.SetName("Tahoma");
  font_.OnChange = [this] { Changed(); };
}

void TTrackBarLabel::Assign(const TPersistent* source) {
  auto* s = dynamic_cast<const TTrackBarLabel*>(source);
  if (!s) return TPersistent::Assign(source);
  visible_ = s->visible_;
  format_ = s->format_;
  font_.Assign(s->font_);
  SetPosition(s->position_);
}

// ---- presets -----------------------------------------------------------------------------------

namespace {
struct TStyleRow {
  TColor thumb[5];   // Color, ColorTo, ColorMirror, ColorMirrorTo, BorderColor
  TColor buttons[5]; // the same five; -2 in [0]: as the thumb
  TColor sliderBorder;
  char hotSet; // 'A', 'B', 'C'
};
constexpr TColor kAsThumb = -2;
const TStyleRow kStyles[10] = {
    {{0xEEDBC8, 0xF6DDC9, 0xEDD4C0, 0xF7E1D0, 0xE0B99B},
     {0xFEECDD, 0xF9DBC4, 0xFEECDD, 0xE2A981, 0x9C613B},
     0xC29674,
     'A'},
    {{0xEDD4C0, 0xE6D8D8, 0xEDD4C0, 0xC8B2B3, 0x927476}, {kAsThumb}, 0x927476, 'A'},
    {{0xCFF0EA, 0xCFF0EA, 0xCFF0EA, 0x8CC0B1, 0x8CC0B1}, {kAsThumb}, 0x8CC0B1, 'A'},
    {{0xFFFFFF, 0xC9D1D5, 0xFFFFFF, 0xC9D1D5, 0x000000}, {kAsThumb}, 0x927476, 'B'},
    {{0xEEDBC8, 0xF6DDC9, 0xEDD4C0, 0xF7E1D0, 0xE0B99B}, {kAsThumb}, 0xC29674, 'B'},
    {{0xDFDED6, 0xE4E2DB, 0xD7D5CE, 0xE7E5E0, 0xC0BCB2}, {kAsThumb}, 0xC0BCB2, 'B'},
    {{0xFFFFFF, 0xB9D8DC, 0xB9D8DC, 0xB9D8DC, 0xB9D8DC}, {kAsThumb}, 0x927476, 'C'},
    {{0xFFFFFF, 0xDFEDF0, 0xDFEDF0, 0xDFEDF0, 0x99A8AC}, {kAsThumb}, 0x927476, 'A'},
    {{0}, {0}, 0, 0}, // 8: pictures and shapes only
    {{0xF3F3F1, 0xF5F5F3, 0xEEEAE7, 0xF8F7F6, 0xCCCAC9}, {kAsThumb}, 0xCCCAC9, 'B'},
};
/// Hot (ColorHot, ColorHotTo, ColorMirrorHot, ColorMirrorHotTo, BorderColorHot)
/// and pressed (the same of Down) colours.
struct THotSet {
  TColor hot[5], down[5];
};
const THotSet kSetA = {{0xCCF4FF, 0xACECFF, 0x59DAFF, 0x91D0FF, 0x99CEDB},
                       {0x76AFF1, 0x4190F3, 0x0E72F1, 0x4C9FFD, 0x45667B}};
const THotSet kSetB = {{0xEBFDFF, 0xACECFF, 0x59DAFF, 0xA4E9FF, 0x99CEDB},
                       {0x76AFF1, 0x4190F3, 0x0E72F1, 0x4C9FFD, 0x45667B}};
const THotSet kSetC = {{0xEFD3C6, 0xEFD3C6, 0xEFD3C6, 0xEFD3C6, clHighlight},
                       {0xB59284, 0xB59284, 0xB59284, 0xB59284, clHighlight}};

} // namespace

void TCustomTrackBar::ApplyStyle(int style) {
  style &= 0xFF;
  // Hot and pressed colours: upper colours and borders through the setters,
  // mirror colours written directly.
  auto applyHotSet = [this](const THotSet& s) {
    TTrackBarThumb& t = *thumb_;
    TTrackBarButtons& b = *buttons_;
    t.SetColorHot(s.hot[0]);
    t.SetColorHotTo(s.hot[1]);
    t.SetBorderColorHot(s.hot[4]);
    t.SetColorDown(s.down[0]);
    t.SetColorDownTo(s.down[1]);
    t.SetBorderColorDown(s.down[4]);
    b.SetColorHot(s.hot[0]);
    b.SetColorHotTo(s.hot[1]);
    b.SetBorderColorHot(s.hot[4]);
    b.SetColorDown(s.down[0]);
    b.SetColorDownTo(s.down[1]);
    b.SetBorderColorDown(s.down[4]);
    t.colorMirrorHot_ = b.colorMirrorHot_ = s.hot[2];
    t.colorMirrorHotTo_ = b.colorMirrorHotTo_ = s.hot[3];
    t.colorMirrorDown_ = b.colorMirrorDown_ = s.down[2];
    t.colorMirrorDownTo_ = b.colorMirrorDownTo_ = s.down[3];
  };
  // Every preset: pictures off, the pointer thumb, default offsets.
  slider_->SetOffset(10);
  for (TGpPicture* p : {&slider_->Picture(), &slider_->PictureCompleted(),
                        &slider_->PictureDisabled(), &slider_->PictureCompletedDisabled(),
                        &tickMark_->Picture(), &tickMark_->PictureDisabled(), &thumb_->Picture(),
                        &thumb_->PictureDown(), &thumb_->PictureHot(), &thumb_->PictureDisabled()})
    p->Assign(nullptr);
  slider_->SetPictureStretched(false);
  tickMark_->SetPosition(TTickMark::tmBottomRight);
  thumb_->SetShape(TThumbShape::tsPointer);
  buttons_->SetSpacing(2);
  if (style <= 9 && style != 8) {
    const TStyleRow& row = kStyles[style];
    if (row.hotSet == 'A') {
      applyHotSet(kSetA);
      thumb_->SetGradient(TGpGradient::ggVertical);
      thumb_->SetGradientMirror(TGpGradient::ggVertical);
      buttons_->SetGradient(TGpGradient::ggVertical);
      buttons_->SetGradientMirror(TGpGradient::ggVertical);
    }
    const TColor* bc = row.buttons[0] == kAsThumb ? row.thumb : row.buttons;
    thumb_->SetColor(row.thumb[0]);
    thumb_->SetColorTo(row.thumb[1]);
    thumb_->SetColorMirror(row.thumb[2]);
    thumb_->SetColorMirrorTo(row.thumb[3]);
    thumb_->SetBorderColor(row.thumb[4]);
    thumb_->SetGradient(TGpGradient::ggVertical);
    thumb_->SetGradientMirror(TGpGradient::ggVertical);
    buttons_->SetColor(bc[0]);
    buttons_->SetColorTo(bc[1]);
    buttons_->colorMirror_ = bc[2];
    buttons_->colorMirrorTo_ = bc[3];
    buttons_->SetBorderColor(bc[4]);
    buttons_->SetGradient(TGpGradient::ggVertical);
    buttons_->SetGradientMirror(TGpGradient::ggVertical);
    if (row.hotSet != 'A') applyHotSet(row.hotSet == 'B' ? kSetB : kSetC);
    slider_->SetBorderColor(row.sliderBorder);
    tickMark_->SetColor(slider_->BorderColor());
  }
  Invalidate();
}
