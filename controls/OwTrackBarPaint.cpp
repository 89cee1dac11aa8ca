// The track bar's painting: background, value label, slider, ticks, end
// buttons and rating cells. The thumb is in OwTrackBarThumb.cpp.
#include "controls/OwTrackBar.h"

#include <algorithm>

#include "platform/forms/ImgList.h"
#include "platform/rtl/Numerics.h"
#include "platform/rtl/Strings.h"

namespace {
/// A rectangle region selected as the canvas clip while the guard lives.
class TClipGuard {
public:
  TClipGuard(HDC dc, HRGN region) : dc_(dc), region_(region) { SelectClipRgn(dc, region); }
  ~TClipGuard() {
    SelectClipRgn(dc_, nullptr);
    DeleteObject(region_);
  }
  TClipGuard(const TClipGuard&) = delete;
  TClipGuard& operator=(const TClipGuard&) = delete;

private:
  HDC dc_;
  HRGN region_;
};

/// Fills a part with its two colours: a gradient when both are set, else a
/// solid fill with the one that is set.
void FillPart(TCanvas* c, const TRect& r, TColor from, TColor to, TGradientDirection direction,
              int steps) {
  if (from == clNone && to == clNone) return;
  if (from != clNone && to != clNone) {
    DrawDirectionalGradient(c, from, to, direction, r, steps);
    return;
  }
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(from != clNone ? from : to);
  c->FillRect(r);
}

/// Draws a picture at `at` in its own size (transparent where it is a
/// bitmap), clipped to `clip`.
void DrawPictureClipped(TCanvas* c, TGpPicture& picture, TPoint at, const TRect& clip) {
  picture.ReadSize();
  TCanvasStateSaver saved(c);
  IntersectClipRect(c->Handle(), clip.Left, clip.Top, clip.Right, clip.Bottom);
  picture.Draw(c, TRect(at.x, at.y, at.x + picture.Width(), at.y + picture.Height()));
}

/// A picture stretched over `r` through a bitmap of its own size.
void DrawPictureStretched(TCanvas* c, TGpPicture& picture, const TRect& r) {
  picture.ReadSize();
  if (picture.Width() <= 0 || picture.Height() <= 0) return;
  TBitmap bitmap(picture.Width(), picture.Height());
  picture.Draw(bitmap.Canvas(), TRect(0, 0, picture.Width(), picture.Height()));
  c->StretchDraw(r, &bitmap);
}
} // namespace

void TCustomTrackBar::Paint() {
  TCanvas* c = Canvas();
  if (transparent_) PaintParentImage(this, c);
  DrawBackground();
  if (IsRatingMode()) {
    DrawRating();
    return;
  }
  DrawLabel();
  DrawSlider();
  DrawTicks();
  DrawThumb();
  DrawButtons();
  if (Focused() && showFocus_) {
    const TRect r = ClientRect();
    DrawDottedFocusRect(c, TRect(r.Left, r.Top, r.Right - 1, r.Bottom - 1), clBlack);
  }
}

void TCustomTrackBar::DrawBackground() {
  TCanvas* c = Canvas();
  const TRect r = ClientRect();
  const bool on = Enabled();
  TGpPicture& picture = on || backgroundDisabled_->Empty() ? *background_ : *backgroundDisabled_;
  const TColor border = on ? borderColor_ : borderColorDisabled_;
  const TColor from = on ? color_ : colorDisabled_;
  const TColor to = on ? colorTo_ : colorDisabledTo_;
  if (!picture.Empty()) {
    if (backgroundStretched_)
      DrawPictureStretched(c, picture, r);
    else
      DrawPictureClipped(c, picture, TPoint(r.Left, r.Top), r);
  } else if (!transparent_) {
    FillPart(c, r, from, to, direction_, 80);
  }
  if (border != clNone && frameWidth_ >= 1) {
    c->Pen()->SetColor(border);
    c->Pen()->SetWidth(frameWidth_);
    c->Brush()->SetStyle(bsClear);
    c->Rectangle(r);
    c->Pen()->SetWidth(1);
  }
}

void TCustomTrackBar::DrawLabel() {
  if (!label_->Visible()) return;
  TCanvas* c = Canvas();
  const std::string text = GetLabelText();
  c->Font()->Assign(*label_->Font());
  c->Brush()->SetStyle(bsClear);
  const TLabelPosition pos = label_->Position();
  if (Horizontal()) {
    const bool top = pos == TLabelPosition::lpTopCenter || pos == TLabelPosition::lpTopLeft ||
                     pos == TLabelPosition::lpTopRight;
    UINT flags = DT_SINGLELINE | (top ? DT_VCENTER : DT_BOTTOM);
    if (pos == TLabelPosition::lpTopCenter || pos == TLabelPosition::lpBottomCenter)
      flags |= DT_CENTER;
    else if (pos == TLabelPosition::lpTopRight || pos == TLabelPosition::lpBottomRight)
      flags |= DT_RIGHT;
    TRect r = LabelRect();
    CanvasDrawText(c, text, r, flags);
    return;
  }
  // Vertical bars: the text reads upward from the rectangle's lower end.
  LOGFONT lf{};
  GetObject(c->Font()->Handle(), sizeof(lf), &lf);
  lf.lfEscapement = -2700;
  lf.lfOrientation = 30;
  HFONT rotated = CreateFontIndirect(&lf);
  HDC dc = c->Handle();
  HGDIOBJ old = SelectObject(dc, rotated);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColorToRGB(c->Font()->Color()));
  const TRect r = LabelRect(true);
  ::TextOut(dc, r.Left + 3, r.Top, text.c_str(), int(text.size()));
  SelectObject(dc, old);
  DeleteObject(rotated);
}

void TCustomTrackBar::DrawSlider() {
  if (IsRatingMode() || slider_->Size() <= 0 || !slider_->Visible()) return;
  TCanvas* c = Canvas();
  const TTrackBarSlider& s = *slider_;
  const bool on = Enabled();
  const TRect S = SliderRect();
  TGpPicture& picture =
      on || s.pictureDisabled_.Empty() ? slider_->Picture() : slider_->PictureDisabled();
  TGpPicture& completedPicture =
      on ? slider_->PictureCompleted() : slider_->PictureCompletedDisabled();
  const TColor border = on ? s.BorderColor() : s.BorderColorDisabled();
  const TColor completedFrom = on ? s.ColorCompleted() : s.ColorCompletedDisabled();
  const TColor completedTo = on ? s.ColorCompletedTo() : s.ColorCompletedDisabledTo();
  const bool completed = completedFrom != clNone || !completedPicture.Empty();

  // The completed part runs from the start to the thumb's centre.
  TRect done(S.Left, S.Top, S.Left, S.Bottom), rest = S;
  if (completed) {
    const TRect t = ThumbRect();
    if (Horizontal()) {
      const int centre = t.Left + thumb_->Width() / 2;
      done = TRect(S.Left, S.Top, centre, S.Bottom);
      rest = TRect(centre - 1, S.Top, S.Right, S.Bottom);
    } else {
      const int centre = t.Top + thumb_->Width() / 2;
      done = TRect(S.Left, centre, S.Right, S.Bottom);
      rest = TRect(S.Left, S.Top, S.Right, centre + 1);
    }
    if (position_ <= min_) {
      done = TRect(S.Left, S.Top, S.Left, S.Top);
      rest = S;
    } else if (position_ >= max_) {
      done = S;
      rest = TRect(S.Right, S.Bottom, S.Right, S.Bottom);
    }
  }
  {
    std::unique_ptr<TClipGuard> clip;
    if (s.Rounded() && picture.Empty())
      clip = std::make_unique<TClipGuard>(
          c->Handle(), CreateRoundRectRgn(S.Left, S.Top, S.Right + 1, S.Bottom + 1, 7, 7));
    if (picture.Empty()) {
      if (completed && done.Right > done.Left && done.Bottom > done.Top)
        FillPart(c, done, completedFrom, completedTo, s.Direction(), s.GradientSteps());
      if (rest.Right > rest.Left && rest.Bottom > rest.Top)
        FillPart(c, rest, on ? s.Color() : s.ColorDisabled(),
                 on ? s.ColorTo() : s.ColorDisabledTo(), s.Direction(), s.GradientSteps());
    } else {
      if (completed && !completedPicture.Empty()) {
        if (s.PictureStretched())
          DrawPictureStretched(c, completedPicture, done);
        else if (done.Left > 0 && done.Right > 0)
          DrawPictureClipped(c, completedPicture, TPoint(S.Left, S.Top), done);
      }
      if (s.PictureStretched())
        DrawPictureStretched(c, picture, rest);
      else
        DrawPictureClipped(c, picture, TPoint(S.Left, S.Top), rest);
    }
  }
  if (border == clNone) return;
  c->Brush()->SetStyle(bsClear);
  c->Pen()->SetColor(border);
  if (s.Rounded()) {
    c->RoundRect(S.Left, S.Top, S.Right, S.Bottom, 7, 7);
    if (s.Border3D()) {
      c->Pen()->SetColor(clWhite);
      c->RoundRect(S.Left + 1, S.Top + 1, S.Right - 1, S.Bottom - 1, 7, 7);
    }
  } else if (s.Border3D()) {
    DrawSunkenFrame(c, S, false, border, BlendColors(border, clWhite, 10));
  } else {
    c->Rectangle(S);
  }
}

void TCustomTrackBar::DrawTicks() {
  const TTrackBarTick& tick = *tickMark_;
  if (IsRatingMode() || tick.Size() <= 0 || tick.Style() != TTickStyle::tsAuto) return;
  TCanvas* c = Canvas();
  const TRect track = TrackRect();
  TRect top = TopTickRect(), bottom = BottomTickRect();
  const bool hasTop = top.Right != -1, hasBottom = bottom.Right != -1;
  if (tick.ShowText()) {
    if (Horizontal()) {
      top.Top += tickTextExtent_;
      bottom.Bottom -= tickTextExtent_;
    } else {
      top.Left += tickTextExtent_;
      bottom.Right -= tickTextExtent_;
    }
  }
  const double span =
      (Horizontal() ? track.Right - track.Left : track.Bottom - track.Top) - thumb_->Width();
  const double ratio = max_ > min_ ? span / (double(max_) - min_) : 0.0;
  const int last = std::max(min_, max_);
  for (int i = min_; i <= last; ++i) {
    const int offset = int(Trunc((double(i) - min_) * ratio));
    if (hasTop) DrawTick(top, TTickMark::tmTopLeft, i, offset);
    if (hasBottom) DrawTick(bottom, TTickMark::tmBottomRight, i, offset);
  }
  (void)c;
}

void TCustomTrackBar::DrawTick(const TRect& row, TTickMark side, int value, int offset) {
  TCanvas* c = Canvas();
  const TTrackBarTick& tick = *tickMark_;
  const bool first = side == TTickMark::tmTopLeft;
  int length = tick.Size();
  bool defaultDraw = true;
  std::string text;
  TColor color = Enabled() ? tick.Color() : tick.ColorDisabled();
  TColor textColor = tick.Font()->Color();
  const int x = row.Left + offset, y = row.Bottom - offset;
  TPoint at = Horizontal() ? TPoint(x, row.Top)
                           : (first ? TPoint(row.Left, y) : TPoint(row.Right - length, y));
  if (OnDrawTick)
    OnDrawTick(this, c, at, value, side, length, color, textColor, text, defaultDraw);
  else if (tick.ShowText())
    text = IntToStr(value);
  c->Pen()->SetColor(color);
  if (tick.ShowImageAtThumbOnly()) defaultDraw = value == position_;
  if (defaultDraw && tick.ShowImageAtSteps() > 1)
    defaultDraw = value % tick.ShowImageAtSteps() == 0;
  if (!defaultDraw) return;
  if (!tickImages_) {
    TPoint a, b;
    if (Horizontal()) {
      a = first ? TPoint(x, row.Top) : TPoint(x, row.Bottom - length);
      b = first ? TPoint(x, row.Top + length) : TPoint(x, row.Bottom);
    } else {
      a = first ? TPoint(row.Left, y) : TPoint(row.Right - length, y);
      b = first ? TPoint(row.Left + length, y) : TPoint(row.Right, y);
    }
    c->MoveTo(a.x, a.y);
    c->LineTo(b.x, b.y);
    if (tick.Line3D()) {
      const int dx = Horizontal() ? 1 : 0, dy = Horizontal() ? 0 : -1;
      c->Pen()->SetColor(BlendColors(color, clWhite, 10));
      c->MoveTo(a.x + dx, a.y + dy);
      c->LineTo(b.x + dx, b.y + dy);
    }
  } else if (tickImages_->Count() > 0) {
    const int index = value < tickImages_->Count() && value >= 0 ? value : 0;
    if (Horizontal())
      tickImages_->Draw(c, x - tickImages_->Width() / 2, row.Top, index, Enabled());
    else
      tickImages_->Draw(c, first ? row.Left : row.Right - length, y - tickImages_->Height() / 2,
                        index, Enabled());
  }
  if (tick.ShowText() && !text.empty()) DrawTickText(row, first, text, textColor, x, y);
}

void TCustomTrackBar::DrawTickText(const TRect& row, bool first, const std::string& text,
                                   TColor textColor, int x, int y) {
  TCanvas* c = Canvas();
  const TTrackBarTick& tick = *tickMark_;
  int tw = 0, th = 0;
  MeasureText(c, *tick.Font(), text, tw, th);
  c->Font()->Assign(*tick.Font());
  c->Font()->SetColor(textColor);
  c->Brush()->SetStyle(bsClear);
  if (Horizontal()) {
    // The rows were shifted away from their texts by the text extent.
    const int ty = first ? row.Top - tickTextExtent_ + tickTextGap_ : row.Bottom + tickTextGap_;
    c->TextOut(x - tw / 2, ty, text);
    return;
  }
  if (!tick.RotateFontVert()) {
    if (first)
      c->TextOut(row.Left - tw - tickTextGap_, y - tickTextExtent_ / 2, text);
    else
      c->TextOut(row.Left + tick.Size() + tickTextGap_, y - tickTextExtent_ / 2, text);
    return;
  }
  LOGFONT lf{};
  GetObject(c->Font()->Handle(), sizeof(lf), &lf);
  lf.lfEscapement = first ? -2700 : -900;
  lf.lfOrientation = 30;
  HFONT rotated = CreateFontIndirect(&lf);
  HDC dc = c->Handle();
  HGDIOBJ old = SelectObject(dc, rotated);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColorToRGB(textColor));
  if (first)
    ::TextOut(dc, row.Left - tickTextExtent_ + tickTextGap_, y + tw / 2, text.c_str(),
              int(text.size()));
  else
    ::TextOut(dc, row.Right + tickTextExtent_, y - tw / 2, text.c_str(), int(text.size()));
  SelectObject(dc, old);
  DeleteObject(rotated);
}

// ---- end buttons -------------------------------------------------------------------------------

void TCustomTrackBar::DrawButtons() {
  if (IsRatingMode() || !buttons_->Visible()) return;
  DrawMinButton();
  DrawMaxButton();
}

void TCustomTrackBar::DrawMinButton() {
  if (IsRatingMode() || !buttons_->Visible()) return;
  DrawEndButton(true);
}

void TCustomTrackBar::DrawMaxButton() {
  if (IsRatingMode() || !buttons_->Visible()) return;
  DrawEndButton(false);
}

void TCustomTrackBar::DrawEndButton(bool minButton) {
  TCanvas* c = Canvas();
  TTrackBarButtons& b = *buttons_;
  const TRect rb = minButton ? MinButtonRect() : MaxButtonRect();
  const bool pressed = minButton ? minPressed_ : maxPressed_;
  const bool hot = minButton ? minHot_ : maxHot_;
  TGpPicture& picture = pressed ? (minButton ? b.MinPictureDown() : b.MaxPictureDown())
                        : hot   ? (minButton ? b.MinPictureHot() : b.MaxPictureHot())
                                : (minButton ? b.MinPicture() : b.MaxPicture());
  if (!picture.Empty()) {
    picture.ReadSize();
    TPoint at(rb.Left, rb.Top);
    if (!Horizontal() && !minButton && b.Size() < picture.Height())
      at = TPoint(rb.Left, rb.Bottom - picture.Width());
    DrawPictureClipped(c, picture, at, Horizontal() ? rb : ClientRect());
    return;
  }
  const TColor border = pressed ? b.BorderColorDown() : hot ? b.BorderColorHot() : b.BorderColor();
  const TColor from = pressed ? b.ColorDown() : hot ? b.ColorHot() : b.Color();
  const TColor to = pressed ? b.ColorDownTo() : hot ? b.ColorHotTo() : b.ColorTo();
  const TColor mirror = pressed ? b.ColorMirrorDown() : hot ? b.ColorMirrorHot() : b.ColorMirror();
  const TColor mirrorTo = pressed ? b.ColorMirrorDownTo()
                          : hot   ? b.ColorMirrorHotTo()
                                  : b.ColorMirrorTo();
  TRect face = rb;
  const int size = b.Size();
  {
    TGPGraphics graphics(c->Handle());
    if (b.Shape() == TTrackButtonShape::bsRound) {
      if (Horizontal()) {
        face.Top = rb.Top + (rb.Bottom - rb.Top - size) / 2;
        face.Bottom = face.Top + size;
      } else {
        face.Left = rb.Left + (rb.Right - rb.Left - size) / 2;
        face.Right = face.Left + size;
      }
      auto path = CreateRoundRectPath(
          GPRectOf(float(face.Left), float(face.Top), float(size), float(size)), float(size / 2));
      TGPRegion region(*path);
      graphics.SetClipRegion(region, GpCombineReplace);
      DrawGlossShape(&graphics, c, face, !Horizontal(), b.GradientMirror(), b.Gradient(), mirrorTo,
                     mirror, to, from, border, BlendColors(border, clWhite, 30), gsRound);
      graphics.ResetClip();
    } else {
      DrawGlossShape(&graphics, c, face, !Horizontal(), b.GradientMirror(), b.Gradient(), mirrorTo,
                     mirror, to, from, border, BlendColors(border, clWhite, 30), gsRectangle);
    }
  }
  DrawButtonGlyph(face, minButton, border, from);
}

void TCustomTrackBar::DrawButtonGlyph(const TRect& face, bool minus, TColor stroke,
                                      TColor outline) {
  TCanvas* c = Canvas();
  const int size = buttons_->Size();
  int n = size / 2 - 4;
  if (!minus && n % 2 != 0) ++n;
  const int faceW = face.Right - face.Left, faceH = face.Bottom - face.Top;
  // One stroke: a two-pixel bar of the stroke colour in a one-pixel outline.
  auto bar = [c, stroke, outline](const TRect& r) {
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(stroke);
    c->Pen()->SetColor(outline);
    c->Rectangle(r);
  };
  const bool upright = minus && !Horizontal() && buttons_->RotateText();
  if (upright) {
    const int x = face.Left + faceW / 2 - 1, y = face.Top + (size - n) / 2 - 1;
    bar(TRect(x, y, x + 4, y + n + 4));
    return;
  }
  const int x = face.Left + (size - n) / 2 - 1, y = face.Top + faceH / 2 - 1;
  bar(TRect(x, y, x + n + 4, y + 4));
  if (minus) return;
  const int x0 = face.Left + (size - 4) / 2 + 1;
  const int y0 = face.Top + faceH / 2 - 1 - (n + 4) / 2 + 2;
  bar(TRect(x0, y0, x0 + 4, y0 + n + 4));
  // Open the vertical stroke's outline where it crosses the horizontal one.
  c->Pen()->SetColor(stroke);
  c->MoveTo(x + 1, y + 1);
  c->LineTo(x + n + 3, y + 1);
  c->MoveTo(x + 1, y + 2);
  c->LineTo(x + n + 3, y + 2);
}

// ---- rating ------------------------------------------------------------------------------------

void TCustomTrackBar::DrawRating() {
  for (int v = min_ + 1; v <= max_; ++v)
    DrawRateCell(v);
}

void TCustomTrackBar::DrawRateCell(int value) {
  if (!IsRatingMode() || value <= min_) return;
  const TRect cell = RateCellRect(value);
  if (cell.Left <= 0 || cell.Bottom <= 0) return;
  TGpPicture& picture = value > position_ ? *rateInActive_ : *rateActive_;
  if (picture.Empty()) return;
  DrawPictureClipped(Canvas(), picture, TPoint(cell.Left, cell.Top), ClientRect());
}
