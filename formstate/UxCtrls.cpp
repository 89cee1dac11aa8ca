#include "formstate/UxCtrls.h"

#include "formstate/FsGuards.h"
#include "formstate/VisUtils.h"
#include "platform/forms/Forms.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Gdi.h"
#include "platform/rtl/Strings.h"

// ---- glyph lists and the cache ------------------------------------------------------

int TGlyphList::allocate() {
  const int slot = used_.OpenBit();
  if (slot >= int(images_.size())) {
    images_.resize(size_t(slot) + 1);
    masks_.resize(size_t(slot) + 1);
  }
  used_.SetBits(slot, true);
  return slot;
}

int TGlyphList::AddMasked(const TBitmap& image, TColor maskColor) {
  const int slot = allocate();
  auto copy = std::make_unique<TBitmap>(width_, height_, pf24bit);
  copy->Canvas()->CopyRect(TRect(0, 0, width_, height_), const_cast<TBitmap&>(image).Canvas(),
                           TRect(0, 0, width_, height_));
  images_[size_t(slot)] = std::move(copy);
  masks_[size_t(slot)] = ColorToRGB(maskColor);
  ++usedCount_;
  return slot;
}

void TGlyphList::Delete(int index) {
  if (index < 0 || index >= used_.Size() || !used_.Bits(index)) return;
  used_.SetBits(index, false);
  --usedCount_;
}

const TBitmap* TGlyphList::Image(int index) const {
  if (index < 0 || index >= int(images_.size())) return nullptr;
  return images_[size_t(index)].get();
}

void TGlyphList::Draw(TCanvas* canvas, int x, int y, int index) const {
  const TBitmap* image = Image(index);
  if (image == nullptr) return;
  TCanvas* source = const_cast<TBitmap*>(image)->Canvas();
  for (int j = 0; j < height_; ++j)
    for (int i = 0; i < width_; ++i) {
      const TColor c = source->Pixels(i, j);
      if (ColorToRGB(c) != masks_[size_t(index)]) canvas->SetPixels(x + i, y + j, c);
    }
}

namespace {

std::unique_ptr<TGlyphCache>& cacheSlot() {
  static std::unique_ptr<TGlyphCache> cache;
  return cache;
}

int painterCount = 0;

} // namespace

TGlyphCache* SharedGlyphCache() {
  return cacheSlot().get();
}

TGlyphList* TGlyphCache::GetList(int width, int height) {
  for (auto it = lists_.rbegin(); it != lists_.rend(); ++it)
    if ((*it)->Width() == width && (*it)->Height() == height) return it->get();
  lists_.push_back(std::make_unique<TGlyphList>(width, height));
  return lists_.back().get();
}

void TGlyphCache::ReturnList(TGlyphList* list) {
  if (list == nullptr || list->UsedCount() != 0) return;
  for (auto it = lists_.begin(); it != lists_.end(); ++it)
    if (it->get() == list) {
      lists_.erase(it);
      return;
    }
}

TColor ToGray(TColor color, TColor transparent) {
  const COLORREF rgb = ColorToRGB(color);
  if (rgb == ColorToRGB(transparent) || rgb == ColorToRGB(clBtnFace)) return color;
  const int r = GetRValue(rgb), g = GetGValue(rgb), b = GetBValue(rgb);
  const int grey = (77 * r + 150 * g + 29 * b) >> 8;
  return RGB(grey, grey, grey);
}

// ---- TUxButtonGlyph ----------------------------------------------------------------------

TUxButtonGlyph::TUxButtonGlyph() : glyph_(std::make_unique<TBitmap>()) {
  if (painterCount++ == 0 && !cacheSlot()) cacheSlot() = std::make_unique<TGlyphCache>();
}

TUxButtonGlyph::~TUxButtonGlyph() {
  ReleaseGlyphs();
  glyph_.reset();
  if (--painterCount == 0 && cacheSlot() && cacheSlot()->Empty()) cacheSlot().reset();
}

void TUxButtonGlyph::SetGlyph(const TBitmap* value) {
  ReleaseGlyphs();
  if (value == nullptr || value->Empty())
    glyph_ = std::make_unique<TBitmap>();
  else
    glyph_->Assign(value);
  glyphChanged();
}

void TUxButtonGlyph::SetNumGlyphs(int value) {
  if (value == 0 || value == numGlyphs_) return;
  ReleaseGlyphs();
  numGlyphs_ = value > 5 ? 5 : value;
  if (OnChange) OnChange();
}

void TUxButtonGlyph::glyphChanged() {
  ReleaseGlyphs();
  if (glyph_->Height() > 0) {
    maskColor_ = glyph_->TransparentColor() & ~0x02000000;
    if (glyph_->Width() % glyph_->Height() == 0) {
      const int n = glyph_->Width() / glyph_->Height();
      if (n > 0) numGlyphs_ = n > 5 ? 1 : n;
    }
  }
  if (OnChange) OnChange();
}

void TUxButtonGlyph::ReleaseGlyphs() {
  for (int& index : indexes_) {
    if (index >= 0 && list_ != nullptr) list_->Delete(index);
    index = -1;
  }
  if (list_ != nullptr && SharedGlyphCache() != nullptr) SharedGlyphCache()->ReturnList(list_);
  list_ = nullptr;
}

int TUxButtonGlyph::BuildStateGlyph(TButtonState state) {
  if (state == TButtonState::bsDown && numGlyphs_ < 3) state = TButtonState::bsUp;
  int& index = indexes_[size_t(state)];
  if (index >= 0) return index;
  if (glyph_->Empty() || glyph_->Width() == 0 || glyph_->Height() == 0) return -1;
  const int w = glyph_->Width() / numGlyphs_, h = glyph_->Height();
  if (w <= 0) return -1;
  if (!cacheSlot()) cacheSlot() = std::make_unique<TGlyphCache>();
  if (list_ == nullptr) list_ = SharedGlyphCache()->GetList(w, h);
  TBitmap work(w, h, pf24bit);
  work.Canvas()->Brush()->SetColor(clBtnFace);
  work.Canvas()->FillRect(TRect(0, 0, w, h));
  const int cell = int(state) < numGlyphs_ ? int(state) : 0;
  TCanvas* source = glyph_->Canvas();
  if (state == TButtonState::bsDisabled && numGlyphs_ == 1) {
    std::unique_ptr<TBitmap> disabled = MakeDisabledGlyph(glyph_.get(), clBlack);
    index = list_->AddMasked(*disabled, ColorToRGB(clBtnFace));
  } else if (state == TButtonState::bsInactive && numGlyphs_ < 5) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        work.Canvas()->SetPixels(x, y, ToGray(source->Pixels(x, y), maskColor_));
    index = list_->AddMasked(work, maskColor_);
  } else {
    work.Canvas()->CopyRect(TRect(0, 0, w, h), source, TRect(cell * w, 0, cell * w + w, h));
    index = list_->AddMasked(work, maskColor_);
  }
  return index;
}

TSize TUxButtonGlyph::drawGlyphImage(TCanvas* canvas, int x, int y, TButtonState state) {
  if (glyph_->Empty()) return {};
  const int index = BuildStateGlyph(state);
  if (index < 0 || list_ == nullptr) return {};
  list_->Draw(canvas, x, y, index);
  return {list_->Width(), list_->Height()};
}

std::string TUxButtonGlyph::fitCaption(TCanvas* canvas, const std::string& caption, int width) {
  const std::string text = Utf8Copy(caption, 1, 255);
  if (wordWrap_) return text;
  std::string result;
  size_t from = 0;
  for (;;) {
    const size_t end = text.find_first_of("\r\n", from);
    const std::string line = text.substr(from, end == std::string::npos ? end : end - from);
    result += ShortenTextToWidth(line, canvas, width);
    if (end == std::string::npos) break;
    from = end + 1;
    if (text[end] == '\r' && from < text.size() && text[from] == '\n') ++from;
    result += "\r\n";
  }
  while (!result.empty() &&
         (result.back() == ' ' || result.back() == '\r' || result.back() == '\n'))
    result.pop_back();
  return result;
}

TFaceLayout TUxButtonGlyph::ComputeFaceLayout(TCanvas* canvas, const TRect& client,
                                              std::string& caption, ux::TButtonLayout layout,
                                              int margin, int spacing, bool mark,
                                              UINT captionFlags) {
  const TPoint size(client.Right - client.Left, client.Bottom - client.Top);
  TPoint glyph(0, 0);
  if (!glyph_->Empty()) glyph = TPoint(glyph_->Width() / numGlyphs_, glyph_->Height());
  const bool vertical =
      layout == ux::TButtonLayout::blGlyphTop || layout == ux::TButtonLayout::blGlyphBottom;
  auto less = [](int v, int n) { return n != -1 ? v - n : v; };
  TPoint room =
      vertical ? TPoint(size.x, less(less(size.y - glyph.y, margin), spacing))
               : TPoint(less(less(size.x - glyph.x, margin), spacing) - (mark ? 9 : 0), size.y);
  room.x = IntMax(room.x, 0);
  room.y = IntMax(room.y, 0);
  caption = fitCaption(canvas, caption, room.x);

  TRect textBounds(0, 0, 0, 0);
  if (!caption.empty()) {
    textBounds = TRect(0, 0, room.x, 0);
    UINT flags = DT_CALCRECT | DT_CENTER | DT_VCENTER | captionFlags;
    if (wordWrap_) flags |= DT_WORDBREAK;
    DrawText(canvas->Handle(), caption.c_str(), int(caption.size()), &textBounds, flags);
    textBounds.Bottom = textBounds.Top + IntMax(0, IntMin(RectHeight(textBounds), room.y));
    textBounds.Right = textBounds.Left + IntMax(0, IntMin(RectWidth(textBounds), room.x));
  }
  TPoint text(RectWidth(textBounds), RectHeight(textBounds));
  if (mark) {
    if (glyph.x == 0 || glyph.y == 0 || layout == ux::TButtonLayout::blGlyphLeft)
      text.x += 9;
    else if (glyph.x > 0)
      glyph.x += 6;
  }

  TFaceLayout result;
  TPoint textPos;
  if (vertical) {
    result.GlyphPos.x = size.x / 2 - glyph.x / 2;
    textPos.x = size.x / 2 - text.x / 2;
  } else {
    result.GlyphPos.y = size.y / 2 - glyph.y / 2;
    textPos.y = size.y / 2 - text.y / 2;
  }
  if (text.x == 0 || glyph.x == 0) spacing = 0;
  const int axisClient = vertical ? size.y : size.x;
  const int axisGlyph = vertical ? glyph.y : glyph.x;
  const int axisText = vertical ? text.y : text.x;
  if (margin == -1) {
    if (spacing == -1) {
      spacing = (axisClient - (axisGlyph + axisText)) / 3;
      margin = spacing;
    } else {
      margin = axisClient / 2 - (axisGlyph + axisText + spacing) / 2;
    }
  } else if (spacing == -1) {
    spacing = (axisClient - margin - axisGlyph) / 2 - axisText / 2;
  }
  switch (layout) {
  case ux::TButtonLayout::blGlyphLeft:
    result.GlyphPos.x = margin;
    textPos.x = result.GlyphPos.x + glyph.x + spacing;
    break;
  case ux::TButtonLayout::blGlyphRight:
    result.GlyphPos.x = size.x - margin - glyph.x;
    textPos.x = result.GlyphPos.x - spacing - text.x;
    break;
  case ux::TButtonLayout::blGlyphTop:
    result.GlyphPos.y = margin;
    textPos.y = result.GlyphPos.y + glyph.y + spacing;
    break;
  case ux::TButtonLayout::blGlyphBottom:
    result.GlyphPos.y = size.y - margin - glyph.y;
    textPos.y = result.GlyphPos.y - spacing - text.y;
    break;
  }
  result.GlyphPos.x += client.Left;
  result.GlyphPos.y += client.Top;
  textPos.x += client.Left;
  textPos.y += client.Top;
  result.TextBounds = TRect(textPos.x, textPos.y, textPos.x + RectWidth(textBounds),
                            textPos.y + RectHeight(textBounds));
  return result;
}

void TUxButtonGlyph::drawCaption(TCanvas* canvas, const std::string& caption, TRect bounds,
                                 TButtonState state, UINT flags) {
  if (caption.empty()) return;
  canvas->Brush()->SetStyle(bsClear);
  flags |= DT_VCENTER;
  if (wordWrap_) flags |= DT_WORDBREAK;
  const std::string text = Utf8Copy(caption, 1, 255);
  HDC dc = canvas->Handle();
  if (state == TButtonState::bsDisabled) {
    TRect shifted(bounds.Left + 1, bounds.Top + 1, bounds.Right + 1, bounds.Bottom + 1);
    canvas->Font()->SetColor(clBtnHighlight);
    dc = canvas->Handle();
    DrawText(dc, text.c_str(), int(text.size()), &shifted, flags);
    canvas->Font()->SetColor(clBtnShadow);
    dc = canvas->Handle();
  }
  DrawText(dc, text.c_str(), int(text.size()), &bounds, flags);
}

void DrawArrowMark(TCanvas* canvas, int x, int y, TColor color) {
  for (int i = x; i <= x + 6; ++i)
    canvas->SetPixels(i, y - 1, color);
  for (int i = x + 1; i <= x + 5; ++i)
    canvas->SetPixels(i, y, color);
  for (int i = x + 2; i <= x + 4; ++i)
    canvas->SetPixels(i, y + 1, color);
  canvas->SetPixels(x + 3, y + 2, color);
}

TRect TUxButtonGlyph::PaintContent(TCanvas* canvas, const TRect& client, const std::string& caption,
                                   ux::TButtonLayout layout, int margin, int spacing,
                                   TButtonState state, bool mark, UINT captionFlags) {
  std::string text = caption;
  const TFaceLayout face =
      ComputeFaceLayout(canvas, client, text, layout, margin, spacing, mark, captionFlags);
  const TSize drawn = drawGlyphImage(canvas, face.GlyphPos.x, face.GlyphPos.y, state);
  drawCaption(canvas, text, face.TextBounds, state, captionFlags);
  if (mark) {
    int x, y;
    if (layout != ux::TButtonLayout::blGlyphLeft && drawn.cx > 0) {
      x = face.GlyphPos.x + drawn.cx + 1;
      y = face.GlyphPos.y + drawn.cy / 2;
    } else {
      x = !text.empty() ? face.TextBounds.Right + 3 : (client.Left + client.Right - 7) / 2;
      y = face.TextBounds.Top + RectHeight(face.TextBounds) / 2;
    }
    if (state == TButtonState::bsDisabled) {
      DrawArrowMark(canvas, x + 1, y + 1, clBtnHighlight);
      DrawArrowMark(canvas, x, y, clBtnShadow);
    } else {
      DrawArrowMark(canvas, x, y, clBtnText);
    }
  }
  return face.TextBounds;
}

// ---- TUxSpeedButton ---------------------------------------------------------------------

TUxSpeedButton::TUxSpeedButton(TComponent* owner)
    : TGraphicControl(owner), painter_(std::make_unique<TUxButtonGlyph>()),
      offscreen_(std::make_unique<TBitmap>()) {
  SetBounds(0, 0, 25, 25);
  SetControlStyle(TControlStyle{TControlStyleItem::csCaptureMouse, TControlStyleItem::csOpaque,
                                TControlStyleItem::csDoubleClicks,
                                TControlStyleItem::csReplicatable});
  SetParentFont(true);
  SetShowHint(true);
  painter_->OnChange = [this] { Invalidate(); };
}

TUxSpeedButton::~TUxSpeedButton() {
  painter_->OnChange = nullptr;
}

void TUxSpeedButton::SetGlyph(const TBitmap* value) {
  painter_->SetGlyph(value);
  Invalidate();
}

void TUxSpeedButton::SetNumGlyphs(int value) {
  if (value > 5) value = 5;
  if (value == painter_->NumGlyphs()) return;
  painter_->SetNumGlyphs(value);
  Invalidate();
}

#define SK_REPAINTING_SETTER(Name, field)                                                          \
  void TUxSpeedButton::Set##Name(decltype(field) value) {                                          \
    if (value == field) return;                                                                    \
    field = value;                                                                                 \
    Invalidate();                                                                                  \
  }
SK_REPAINTING_SETTER(Flat, flat_)
SK_REPAINTING_SETTER(Layout, layout_)
SK_REPAINTING_SETTER(Spacing, spacing_)
SK_REPAINTING_SETTER(Style, style_)
SK_REPAINTING_SETTER(Transparent, transparent_)
SK_REPAINTING_SETTER(GrayedInactive, grayedInactive_)
SK_REPAINTING_SETTER(MarkDropDown, markDropDown_)
#undef SK_REPAINTING_SETTER

void TUxSpeedButton::SetMargin(int value) {
  if (value < -1 || value == margin_) return;
  margin_ = value;
  Invalidate();
}

void TUxSpeedButton::SetWordWrap(bool value) {
  if (value == painter_->WordWrap()) return;
  painter_->SetWordWrap(value);
  Invalidate();
}

void TUxSpeedButton::SetAlignment(TAlignment value) {
  if (value == painter_->Alignment()) return;
  painter_->SetAlignment(value);
  Invalidate();
}

void TUxSpeedButton::SetGroupIndex(int value) {
  groupIndex_ = value;
  notifyGroup();
}

void TUxSpeedButton::SetAllowAllUp(bool value) {
  allowAllUp_ = value;
  notifyGroup();
}

void TUxSpeedButton::SetAllowTimer(bool value) {
  allowTimer_ = value;
  if (!value && repeatTimer_ != nullptr) {
    repeatTimer_->SetEnabled(false);
    delete repeatTimer_;
    repeatTimer_ = nullptr;
  }
}

void TUxSpeedButton::SetDropDownMenu(TPopupMenu* value) {
  if (value == dropDownMenu_) return;
  dropDownMenu_ = value;
  if (value != nullptr) value->FreeNotification(this);
  if (markDropDown_) Invalidate();
}

void TUxSpeedButton::SetDown(bool value) {
  if (groupIndex_ == 0) value = false;
  if (value == down_ || (down_ && !allowAllUp_)) return;
  down_ = value;
  state_ = value ? TButtonState::bsExclusive : TButtonState::bsUp;
  Repaint();
  if (value) notifyGroup();
  Invalidate();
}

void TUxSpeedButton::notifyGroup() {
  if (groupIndex_ == 0 || Parent() == nullptr) return;
  TMessage m{CM_BUTTONPRESSED, WPARAM(groupIndex_), LPARAM(this), 0};
  Parent()->Broadcast(m);
}

void TUxSpeedButton::Notification(TComponent* component, TOperation operation) {
  TGraphicControl::Notification(component, operation);
  if (operation == TOperation::opRemove && component == dropDownMenu_) dropDownMenu_ = nullptr;
  if (operation == TOperation::opRemove && component == repeatTimer_) repeatTimer_ = nullptr;
}

void TUxSpeedButton::Loaded() {
  TGraphicControl::Loaded();
  painter_->BuildStateGlyph(!Enabled() ? TButtonState::bsDisabled
                            : flat_    ? TButtonState::bsInactive
                                       : TButtonState::bsUp);
}

bool TUxSpeedButton::inside(int x, int y) const {
  return x >= 0 && x < ClientWidth() && y >= 0 && y <= ClientHeight();
}

// ---- painting ------------------------------------------------------------------------------

TRect TUxSpeedButton::PaintButtonEdges(TCanvas* canvas, TRect r, bool down) {
  auto edge = [&](TColor a, TColor b) {
    canvas->Pen()->SetColor(a);
    canvas->MoveTo(r.Left, r.Bottom - 1);
    canvas->LineTo(r.Left, r.Top);
    canvas->LineTo(r.Right - 1, r.Top);
    canvas->Pen()->SetColor(b);
    canvas->LineTo(r.Right - 1, r.Bottom - 1);
    canvas->LineTo(r.Left - 1, r.Bottom - 1);
    r = TRect(r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1);
  };
  const bool newStyle = style_ != TButtonStyle::bsWin31;
  if (down) {
    if (newStyle) {
      edge(clWindowFrame, clBtnHighlight);
      if (!flat_) edge(clBtnShadow, clBtnFace);
    } else if (!flat_) {
      edge(clWindowFrame, clWindowFrame);
      canvas->Pen()->SetColor(clBtnShadow);
      canvas->MoveTo(r.Left, r.Bottom - 1);
      canvas->LineTo(r.Left, r.Top);
      canvas->LineTo(r.Right, r.Top);
    } else {
      edge(clWindowFrame, clBtnHighlight);
    }
  } else if (newStyle) {
    if (!flat_) {
      edge(clBtnHighlight, clWindowFrame);
      edge(clBtnFace, clBtnShadow);
    } else {
      edge(clBtnHighlight, clBtnShadow);
    }
  } else if (!flat_) {
    edge(clWindowFrame, clWindowFrame);
    edge(clBtnHighlight, clBtnShadow);
  } else {
    edge(clBtnHighlight, clWindowFrame);
  }
  return TRect(r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1);
}

void TUxSpeedButton::PaintFaceContent(TCanvas* canvas, const TRect& rect, TButtonState state,
                                      bool drawMark) {
  UINT flags = DT_CENTER;
  if (painter_->Alignment() == TAlignment::taLeftJustify) flags = DT_LEFT;
  if (painter_->Alignment() == TAlignment::taRightJustify) flags = DT_RIGHT;
  painter_->PaintContent(canvas, rect, Caption(), layout_, margin_, spacing_, state, drawMark,
                         flags);
}

void TUxSpeedButton::Paint() {
  if (!Enabled()) {
    state_ = TButtonState::bsDisabled;
  } else if (state_ == TButtonState::bsDisabled) {
    state_ = down_ && groupIndex_ != 0 ? TButtonState::bsExclusive : TButtonState::bsUp;
  }
  const bool designing = ComponentState().Contains(TComponentStateItem::csDesigning);
  const TButtonState paintState =
      flat_ && !hovered_ && !designing ? TButtonState::bsInactive : state_;
  offscreen_->SetSize(Width(), Height());
  TCanvas* c = offscreen_->Canvas();
  c->Font()->Assign(*Font());
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(clBtnFace);
  c->FillRect(TRect(0, 0, Width(), Height()));
  if (transparent_) PaintParentBackground(this, c);
  TRect r(0, 0, Width(), Height());
  if (paintState != TButtonState::bsInactive || state_ == TButtonState::bsExclusive)
    r = PaintButtonEdges(c, r,
                         state_ == TButtonState::bsDown || state_ == TButtonState::bsExclusive);
  else
    r = TRect(r.Left + 2, r.Top + 2, r.Right - 2, r.Bottom - 2);
  if (state_ == TButtonState::bsExclusive && !transparent_ &&
      (!flat_ || paintState == TButtonState::bsInactive)) {
    // The checkered face of a button held down by its group.
    for (int y = r.Top - 1; y < r.Bottom + 1; ++y)
      for (int x = r.Left - 1; x < r.Right + 1; ++x)
        c->SetPixels(x, y, (x + y) % 2 == 0 ? clBtnHighlight : clBtnFace);
  }
  if (state_ == TButtonState::bsDown || state_ == TButtonState::bsExclusive)
    r = TRect(r.Left + 1, r.Top + 1, r.Right + 1, r.Bottom + 1);
  TButtonState drawState = state_;
  if (state_ != TButtonState::bsDisabled && grayedInactive_) drawState = paintState;
  PaintFaceContent(c, r, drawState, markDropDown_ && dropDownMenu_ != nullptr);
  Canvas()->Draw(0, 0, offscreen_.get());
}

// ---- input -----------------------------------------------------------------------------

void TUxSpeedButton::setHovered(bool value) {
  if (value == hovered_) return;
  hovered_ = value;
  if (flat_) Invalidate();
  if (value && OnMouseEnter) OnMouseEnter(this);
  if (!value && OnMouseLeave) OnMouseLeave(this);
}

TPoint TUxSpeedButton::DropDownMenuOrigin() const {
  if (dropDownMenu_ == nullptr) return {0, 0};
  // The menus of this platform open to the right of their point.
  return menuPosition_ == TUxDropDownMenuPos::dmpBottom ? TPoint(-1, Height())
                                                        : TPoint(Width(), -1);
}

bool TUxSpeedButton::openDropDownMenu(TPoint p, bool manual) {
  if (ComponentState().Contains(TComponentStateItem::csDesigning) || dropDownMenu_ == nullptr ||
      (!manual && !dropDownMenu_->AutoPopup()))
    return false;
  dropDownMenu_->SetPopupComponent(this);
  const TPoint screen = ClientToScreen(p);
  dropDownMenu_->Popup(screen.x, screen.y);
  return true;
}

void TUxSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (pressInProgress_) return;
  TGraphicControl::MouseDown(button, shift, x, y);
  if (Enabled() && !hovered_) setHovered(true);
  if (button != TMouseButton::mbLeft || !Enabled()) return;
  if (!down_) {
    state_ = TButtonState::bsDown;
    Repaint();
  }
  pressing_ = true;
  {
    TFlagGuard inProgress(pressInProgress_, true);
    if (openDropDownMenu(DropDownMenuOrigin(), false)) finishPress(button, x, y);
  }
  if (allowTimer_ && pressing_) {
    if (repeatTimer_ == nullptr) repeatTimer_ = new TTimer(this);
    repeatTimer_->SetEnabled(false);
    repeatTimer_->SetInterval(UINT(initPause_));
    repeatTimer_->SetOnTimer([this](TPersistent*) { repeatTick(); });
    repeatTimer_->SetEnabled(true);
  }
}

void TUxSpeedButton::MouseMove(TShiftState shift, int x, int y) {
  TGraphicControl::MouseMove(shift, x, y);
  if (!pressing_) return;
  TButtonState next = inside(x, y) ? TButtonState::bsDown : TButtonState::bsUp;
  if (down_) next = TButtonState::bsExclusive;
  if (next != state_) {
    state_ = next;
    Invalidate();
  }
}

void TUxSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TGraphicControl::MouseUp(button, shift, x, y);
  finishPress(button, x, y);
  if (repeatTimer_ != nullptr) repeatTimer_->SetEnabled(false);
}

void TUxSpeedButton::finishPress(TMouseButton button, int x, int y) {
  if (button != TMouseButton::mbLeft || !pressing_) return;
  pressing_ = false;
  const bool in = inside(x, y);
  if (groupIndex_ == 0) {
    state_ = TButtonState::bsUp;
    hovered_ = false;
    if (in)
      Repaint();
    else
      Invalidate();
  } else if (in) {
    SetDown(!down_);
    if (down_) Repaint();
  } else {
    if (down_) state_ = TButtonState::bsExclusive;
    Repaint();
  }
  if (in && !pressInProgress_) Click();
}

void TUxSpeedButton::repeatTick() {
  repeatTimer_->SetInterval(UINT(repeatInterval_));
  if (state_ == TButtonState::bsDown && pressing_) {
    try {
      Click();
    } catch (...) {
      repeatTimer_->SetEnabled(false);
      throw;
    }
  }
}

void TUxSpeedButton::Click() {
  if (TForm* form = GetParentForm(this)) form->SetModalResult(modalResult_);
  TGraphicControl::Click();
}

void TUxSpeedButton::Dispatch(TMessage& m) {
  switch (m.Msg) {
  case CM_BUTTONPRESSED: {
    auto* sender = reinterpret_cast<TUxSpeedButton*>(m.LParam);
    if (int(m.WParam) == groupIndex_ && sender != this && sender != nullptr) {
      if (sender->down_ && down_) {
        down_ = false;
        state_ = TButtonState::bsUp;
        Invalidate();
      }
      allowAllUp_ = sender->allowAllUp_;
    }
    return;
  }
  case CM_MOUSEENTER:
    TGraphicControl::Dispatch(m);
    if (!hovered_ && Enabled()) setHovered(true);
    return;
  case CM_MOUSELEAVE:
    TGraphicControl::Dispatch(m);
    if (hovered_ && Enabled() && !pressing_) setHovered(false);
    return;
  case WM_LBUTTONDBLCLK:
    if (pressInProgress_) return;
    TGraphicControl::Dispatch(m);
    return;
  case CM_FONTCHANGED:
  case CM_TEXTCHANGED:
    TGraphicControl::Dispatch(m);
    Invalidate();
    return;
  default:
    TGraphicControl::Dispatch(m);
  }
}
