// The track bar's model: construction, layout rectangles, position changes
// with their repaint, keyboard, wheel and mouse input, the repeat timer and
// the drag hint window.
#include "controls/OwTrackBar.h"

#include <algorithm>
#include <exception>

#include "platform/forms/Forms.h"
#include "platform/forms/ImgList.h"
#include "platform/forms/Messages.h"
#include "platform/forms/Timers.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Numerics.h"
#include "platform/rtl/Strings.h"

namespace {
constexpr LRESULT kWantArrows = 1; // DLGC_WANTARROWS
const TRect kEmpty(-1, -1, -1, -1);

bool Inside(const TRect& r, TPoint p) {
  return p.x >= r.Left && p.x < r.Right && p.y >= r.Top && p.y < r.Bottom;
}
TRect Grown(const TRect& r, int by) {
  return TRect(r.Left - by, r.Top - by, r.Right + by, r.Bottom + by);
}
} // namespace

// ---- construction -----------------------------------------------------------------------------

TCustomTrackBar::TCustomTrackBar(TComponent* owner) : TCustomControl(owner) {
  thumb_ = std::make_unique<TTrackBarThumb>();
  slider_ = CreateSlider();
  tickMark_ = std::make_unique<TTrackBarTick>();
  rateActive_ = std::make_unique<TGpPicture>();
  rateInActive_ = std::make_unique<TGpPicture>();
  buttons_ = std::make_unique<TTrackBarButtons>();
  label_ = std::make_unique<TTrackBarLabel>();
  background_ = std::make_unique<TGpPicture>();
  backgroundDisabled_ = std::make_unique<TGpPicture>();
  SetBounds(left_, top_, 150, 26);
  SetTabStop(true);
  controlStyle_.Exclude(TControlStyleItem::csDoubleClicks);
  color_ = clNone;
  trackHint_ = ShowHint();
  hintWindow_ = new TTrackHintWindow(this);
  WireSettings();
}

TCustomTrackBar::~TCustomTrackBar() {
  // The timer and the hint window are components of the bar and go with it.
  repeatTimer_ = nullptr;
  hintWindow_ = nullptr;
}

std::unique_ptr<TTrackBarSlider> TCustomTrackBar::CreateSlider() {
  return std::make_unique<TTrackBarSlider>();
}

void TCustomTrackBar::WireSettings() {
  auto repaint = [this](TPersistent*) { Invalidate(); };
  thumb_->SetOwner(this);
  slider_->SetOwner(this);
  buttons_->SetOwner(this);
  thumb_->OnChange = repaint;
  slider_->OnChange = repaint;
  buttons_->OnChange = repaint;
  label_->OnChange = repaint;
  tickMark_->OnChange = [this](TPersistent*) { UpdateTickTextExtent(); };
  for (TGpPicture* p :
       {background_.get(), backgroundDisabled_.get(), rateActive_.get(), rateInActive_.get()})
    p->OnChange = [this](TGraphic*) { Invalidate(); };
}

void TCustomTrackBar::Loaded() {
  TCustomControl::Loaded();
  UpdateTickTextExtent();
  buttons_->PictureChanged();
  thumb_->PictureChanged();
}

void TCustomTrackBar::Notification(TComponent* component, TOperation operation) {
  TCustomControl::Notification(component, operation);
  if (operation == TOperation::opRemove && component != nullptr &&
      component == static_cast<TComponent*>(tickImages_) && !IsDestroying()) {
    tickImages_ = nullptr;
    Invalidate();
  }
}

// ---- simple setters ---------------------------------------------------------------------------

void TCustomTrackBar::SetColorTo(TColor v) {
  if (StoreChanged(colorTo_, v)) Invalidate();
}
void TCustomTrackBar::SetBorderColor(TColor v) {
  if (StoreChanged(borderColor_, v)) Invalidate();
}
void TCustomTrackBar::SetDirection(TGradientDirection v) {
  if (StoreChanged(direction_, v)) Invalidate();
}
void TCustomTrackBar::SetTransparent(bool v) {
  if (StoreChanged(transparent_, v)) Invalidate();
}
void TCustomTrackBar::SetBackGroundStretched(bool v) {
  if (StoreChanged(backgroundStretched_, v)) Invalidate();
}
void TCustomTrackBar::SetTickImages(TCustomImageList* v) {
  if (tickImages_ == v) return;
  if (tickImages_) tickImages_->RemoveFreeNotification(this);
  tickImages_ = v;
  if (v) v->FreeNotification(this);
  Invalidate();
}

void TCustomTrackBar::SetMin(int value) {
  if (value == min_) return;
  min_ = value;
  if (value > position_) ChangePosition(value);
  Invalidate();
}

void TCustomTrackBar::SetMax(int value) {
  if (value == max_) return;
  max_ = value;
  if (value < position_) ChangePosition(value);
  Invalidate();
}

void TCustomTrackBar::SetOrientation(TTrackBarOrientation value) {
  if (value == orientation_) return;
  orientation_ = value;
  if (!IsLoading()) SetBounds(left_, top_, height_, width_);
  if (HandleAllocated()) RecreateWnd();
  Invalidate();
}

// ---- layout -----------------------------------------------------------------------------------

int TCustomTrackBar::HalfThumb() const {
  return thumb_->Width() > 0 ? thumb_->Width() / 2 : 0;
}

int TCustomTrackBar::ThumbOffset(int value) const {
  // Max <= Min: every ratio is 0, the thumb sits at the track's start.
  if (max_ <= min_) return 0;
  const TRect t = TrackRect();
  const std::int64_t length = Horizontal() ? t.Right - t.Left : t.Bottom - t.Top;
  return int((length - thumb_->Width()) * (std::int64_t(value) - min_) /
             (std::int64_t(max_) - min_));
}

TRect TCustomTrackBar::InnerRect() const {
  const int inset = frameWidth_ + trackMargin_;
  return TRect(inset, inset, ClientWidth() - inset, ClientHeight() - inset);
}

TRect TCustomTrackBar::MinButtonRect() const {
  TRect r = InnerRect();
  if (Horizontal())
    r.Right = r.Left + buttons_->Size();
  else
    r.Top = r.Bottom - buttons_->Size();
  return r;
}

TRect TCustomTrackBar::MaxButtonRect() const {
  TRect r = InnerRect();
  if (Horizontal())
    r.Left = r.Right - buttons_->Size();
  else
    r.Bottom = r.Top + buttons_->Size();
  return r;
}

TRect TCustomTrackBar::TrackRect() const {
  TRect r = InnerRect();
  const bool labelOnTop = label_->Visible() && (label_->Position() == TLabelPosition::lpTopCenter ||
                                                label_->Position() == TLabelPosition::lpTopLeft ||
                                                label_->Position() == TLabelPosition::lpTopRight);
  const TRect label = labelOnTop ? LabelRect() : TRect();
  if (Horizontal()) {
    r.Top += slider_->Offset();
    if (labelOnTop) r.Top += label.Bottom - label.Top + 1;
  } else {
    r.Left += slider_->Offset();
    if (labelOnTop) r.Left += label.Right - label.Left + 1;
  }
  if (buttons_->Visible()) {
    if (Horizontal()) {
      r.Left = MinButtonRect().Right + buttons_->Spacing();
      r.Right = MaxButtonRect().Left - buttons_->Spacing();
    } else {
      r.Bottom = MinButtonRect().Top - buttons_->Spacing();
      r.Top = MaxButtonRect().Bottom + buttons_->Spacing();
    }
  }
  return r;
}

TRect TCustomTrackBar::TopTickRect() const {
  const TTickMark pos = tickMark_->Position();
  if (tickMark_->Style() == TTickStyle::tsNone || pos == TTickMark::tmBottomRight) return kEmpty;
  const TRect t = TrackRect();
  const int depth = tickMark_->Size() + (tickMark_->ShowText() ? tickTextExtent_ : 0);
  const int half = HalfThumb();
  if (Horizontal()) return TRect(t.Left + half, t.Top, t.Right - half, t.Top + depth);
  return TRect(t.Left, t.Top + half, t.Left + depth, t.Bottom - half);
}

TRect TCustomTrackBar::BottomTickRect() const {
  const TTickMark pos = tickMark_->Position();
  if (tickMark_->Style() == TTickStyle::tsNone || pos == TTickMark::tmTopLeft) return kEmpty;
  const TRect t = TrackRect();
  const int depth = tickMark_->Size() + (tickMark_->ShowText() ? tickTextExtent_ : 0);
  const int half = HalfThumb();
  int a;
  if (slider_->Visible() && slider_->Size() > 0) {
    const TRect s = SliderRect();
    a = (Horizontal() ? s.Bottom : s.Right) - (slider_->Border3D() ? 1 : 0) + tickMark_->Spacing();
  } else if (pos == TTickMark::tmBottomRight) {
    a = Horizontal() ? t.Top : t.Left;
  } else {
    const TRect top = TopTickRect();
    a = (Horizontal() ? top.Bottom : top.Right) + 2 * tickMark_->Spacing();
  }
  if (Horizontal()) return TRect(t.Left + half, a, t.Right - half, a + depth);
  return TRect(a, t.Top + half, a + depth, t.Bottom - half);
}

TRect TCustomTrackBar::SliderRect() const {
  if (slider_->Size() <= 0 || !slider_->Visible()) return kEmpty;
  TRect r = TrackRect();
  const bool topRow = TopTickRect().Left != -1 || TopTickRect().Right != -1;
  if (Horizontal()) {
    r.Top = topRow ? TopTickRect().Bottom + tickMark_->Spacing() : r.Top;
    r.Bottom = r.Top + slider_->Size();
  } else {
    r.Left = topRow ? TopTickRect().Right + tickMark_->Spacing() : r.Left;
    r.Right = r.Left + slider_->Size();
  }
  return r;
}

TRect TCustomTrackBar::ThumbRect() const {
  const TRect t = TrackRect();
  // Across the bar.
  int start;
  if (slider_->Visible() && slider_->Size() > 0) {
    const TRect s = SliderRect();
    start = Horizontal() ? s.Top + (s.Bottom - s.Top) / 2 : s.Left + (s.Right - s.Left) / 2;
    start -= thumb_->Size() / 2;
  } else if (tickMark_->Style() == TTickStyle::tsNone) {
    start = Horizontal() ? t.Top : t.Left;
  } else if (tickMark_->Position() == TTickMark::tmBottomRight) {
    start = Horizontal() ? BottomTickRect().Top : BottomTickRect().Left;
  } else {
    start = (Horizontal() ? TopTickRect().Top : TopTickRect().Left) + tickMark_->Spacing() -
            thumb_->Size() / 2;
  }
  const bool line = thumb_->Shape() == TThumbShape::tsLine && thumb_->picture_.Empty();
  const int offset = ThumbOffset(position_);
  TRect r;
  if (Horizontal()) {
    r.Left = t.Left + offset;
    r.Right = r.Left + thumb_->Width();
    r.Top = line ? InnerRect().Top : start;
    r.Bottom = line ? Height() - frameWidth_ : start + thumb_->Size();
  } else {
    r.Bottom = t.Bottom - offset;
    r.Top = r.Bottom - thumb_->Width();
    r.Left = line ? InnerRect().Left : start;
    r.Right = line ? Width() - frameWidth_ : start + thumb_->Size();
  }
  return r;
}

std::string TCustomTrackBar::GetLabelText() const {
  return ::Format(label_->Format(), {position_});
}

TRect TCustomTrackBar::LabelRect(bool textExtent) const {
  if (!label_->Visible()) return kEmpty;
  int w = 0, h = 0;
  MeasureTextInFont(*label_->Font(), GetLabelText(), w, h);
  const TLabelPosition pos = label_->Position();
  const bool top = pos == TLabelPosition::lpTopCenter || pos == TLabelPosition::lpTopLeft ||
                   pos == TLabelPosition::lpTopRight;
  const bool left = pos == TLabelPosition::lpTopLeft || pos == TLabelPosition::lpBottomLeft;
  const bool right = pos == TLabelPosition::lpTopRight || pos == TLabelPosition::lpBottomRight;
  TRect r = InnerRect();
  const int depth = h + label_->Spacing();
  if (Horizontal()) {
    r.Top = top ? InnerRect().Top + slider_->Offset() : BottomTickRect().Bottom + 1;
    r.Bottom = r.Top + depth;
  } else {
    r.Left = top ? InnerRect().Left + slider_->Offset() : BottomTickRect().Right + 1;
    r.Right = r.Left + depth;
  }
  if (!textExtent) return r;
  if (Horizontal()) {
    if (left) {
      r.Right = r.Left + w + 5;
    } else if (right) {
      r.Left = r.Right - w - 5;
    } else {
      r.Left = r.Left + (r.Right - r.Left - w) / 2;
      r.Right = r.Left + w + 5;
    }
  } else {
    const int oldTop = r.Top, oldBottom = r.Bottom;
    if (left) {
      r.Top = oldBottom;
      r.Bottom = oldBottom - w - 5;
    } else if (right) {
      r.Bottom = oldTop;
      r.Top = oldTop + w + 5;
    } else {
      const int c = oldTop + (oldBottom - oldTop - w) / 2;
      r.Bottom = c;
      r.Top = c + w + 5;
    }
  }
  return r;
}

bool TCustomTrackBar::IsRatingMode() const {
  return !rateActive_->Empty() && !rateInActive_->Empty();
}

bool TCustomTrackBar::HasCompletedPart() const {
  return slider_->ColorCompleted() != clNone || !slider_->PictureCompleted().Empty();
}

TRect TCustomTrackBar::RateCellRect(int value) const {
  if (!IsRatingMode() || value <= min_ || value > max_) return kEmpty;
  rateActive_->ReadSize();
  rateInActive_->ReadSize();
  const int cw = std::max(rateActive_->Width(), rateInActive_->Width());
  const int ch = std::max(rateActive_->Height(), rateInActive_->Height());
  const TRect t = TrackRect();
  int x = t.Left, y = t.Top;
  for (int v = min_ + 1; v < value; ++v) {
    x += cw;
    if (x + cw > t.Right) {
      x = t.Left;
      y += ch;
    }
    if (y > t.Bottom) return kEmpty;
  }
  return TRect(x, y, x + cw, y + ch);
}

int TCustomTrackBar::RateCellAt(TPoint p) const {
  for (int v = min_ + 1; v <= max_; ++v)
    if (Inside(RateCellRect(v), p)) return v;
  return -1;
}

void TCustomTrackBar::UpdateTickTextExtent() {
  int w = 0, h = 0;
  MeasureTextInFont(*tickMark_->Font(), "gh", w, h);
  tickTextExtent_ = h + 2 * tickTextGap_;
  Invalidate();
}

// ---- position ---------------------------------------------------------------------------------

void TCustomTrackBar::Changed() {
  if (OnChange) OnChange(this);
}

void TCustomTrackBar::ChangePosition(int value) {
  if (value == position_) return;
  if (value < min_)
    value = min_;
  else if (value > max_)
    value = max_;
  const int oldPosition = position_;
  const TRect oldThumb = ThumbRect();
  position_ = value;
  const TRect newThumb = ThumbRect();
  if (ComponentState().Contains(TComponentStateItem::csDesigning)) {
    Invalidate();
    return;
  }
  if (IsRatingMode()) {
    const int step = value >= oldPosition ? 1 : -1;
    for (int v = oldPosition;; v += step) {
      DrawNow([this, v] { DrawRateCell(v); });
      if (v == value) break;
    }
  } else {
    InvalidateThumbArea(oldThumb, newThumb);
    InvalidateLabel();
  }
  Changed();
}

void TCustomTrackBar::InvalidateThumbArea(const TRect& oldThumb, const TRect& newThumb) {
  if (!HandleAllocated()) return;
  HWND h = Handle();
  const TRect track = TrackRect();
  for (const TRect& thumb : {Grown(oldThumb, 1), Grown(newThumb, 1)}) {
    InvalidateRect(h, &thumb, true);
    if (tickMark_->ShowImageAtThumbOnly()) {
      const TRect strip = Horizontal() ? TRect(thumb.Left, track.Top, thumb.Right, track.Bottom)
                                       : TRect(track.Left, thumb.Top, track.Right, thumb.Bottom);
      InvalidateRect(h, &strip, true);
    }
  }
  if (HasCompletedPart()) {
    const TRect s = SliderRect();
    InvalidateRect(h, &s, true);
  }
}

void TCustomTrackBar::InvalidateLabel() {
  if (!HandleAllocated() || !label_->Visible()) return;
  TRect r = LabelRect(true);
  if (Horizontal()) {
    r.Left -= 5;
    r.Right += 5;
  } else {
    // The text-extent form runs from Top (larger) down to Bottom.
    const int lo = std::min(r.Top, r.Bottom) - 10, hi = std::max(r.Top, r.Bottom) + 10;
    r.Top = lo;
    r.Bottom = hi;
  }
  InvalidateRect(Handle(), &r, true);
}

void TCustomTrackBar::StepBy(int delta) {
  if (delta > 0 && position_ < max_) ChangePosition(position_ + 1);
  if (delta < 0 && position_ > min_) ChangePosition(position_ - 1);
}

void TCustomTrackBar::DrawNow(const std::function<void()>& draw) {
  if (!HandleAllocated()) return;
  if (paintDC_ != nullptr) {
    draw();
    return;
  }
  HWND h = Handle();
  HDC dc = GetDC(h);
  if (dc == nullptr) return;
  // The canvas is bound to the window's DC for the drawing and unbound on
  // every exit; the drawing lands in the back buffer and shows at once.
  struct TBinding {
    TCustomTrackBar& bar;
    HWND window;
    HDC dc;
    ~TBinding() {
      bar.canvas_->SetHandle(nullptr);
      bar.paintDC_ = nullptr;
      ReleaseDC(window, dc);
    }
  } binding{*this, h, dc};
  paintDC_ = dc;
  canvas_->SetHandle(dc);
  draw();
}

// ---- keyboard and wheel -----------------------------------------------------------------------

void TCustomTrackBar::KeyDown(Word& key, TShiftState shift) {
  TCustomControl::KeyDown(key, shift);
  if (shift.Contains(TShiftStateItem::ssShift)) return;
  switch (key) {
  case VK_PRIOR:
    ChangePosition(position_ + pageSize_);
    break;
  case VK_NEXT:
    ChangePosition(position_ - pageSize_);
    break;
  case VK_END:
    ChangePosition(Horizontal() ? LastPosition() : FirstPosition());
    break;
  case VK_HOME:
    ChangePosition(Horizontal() ? FirstPosition() : LastPosition());
    break;
  case VK_RIGHT:
  case VK_UP:
    if (position_ < max_) ChangePosition(position_ + 1);
    break;
  case VK_LEFT:
  case VK_DOWN:
    if (position_ > min_) ChangePosition(position_ - 1);
    break;
  default:
    break;
  }
}

void TCustomTrackBar::Dispatch(TMessage& m) {
  switch (m.Msg) {
  case WM_GETDLGCODE:
    m.Result = kWantArrows;
    return;
  case WM_MOUSEWHEEL: {
    TCustomControl::Dispatch(m);
    const int delta = TWMMouseWheel{m}.WheelDelta();
    const int sign = delta < 0 ? 1 : -1; // toward the user: up on a horizontal bar
    StepBy(Horizontal() ? sign : -sign);
    return;
  }
  case WM_ERASEBKGND:
    if (color_ != clNone) TCustomControl::Dispatch(m);
    if (transparent_ || color_ == clNone) m.Result = 1;
    return;
  case CM_MOUSELEAVE:
    TCustomControl::Dispatch(m);
    MouseLeft();
    return;
  case CM_ENABLEDCHANGED:
    TCustomControl::Dispatch(m);
    Invalidate();
    return;
  default:
    TCustomControl::Dispatch(m);
  }
}

void TCustomTrackBar::DoEnter() {
  TCustomControl::DoEnter();
  Repaint();
}

void TCustomTrackBar::DoExit() {
  TCustomControl::DoExit();
  Repaint();
}

// ---- mouse ------------------------------------------------------------------------------------

void TCustomTrackBar::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseDown(button, shift, x, y);
  if (!Focused() && CanFocus()) SetFocus();
  if (button != TMouseButton::mbLeft || IsRatingMode()) return;
  const TPoint p(x, y);
  if (Inside(ThumbRect(), p)) {
    if (ThumbDragEnabled()) {
      dragging_ = true;
      thumbPressed_ = true;
      DrawNow([this] { DrawThumb(); });
    }
    return;
  }
  const TRect t = TrackRect();
  if (Inside(t, p)) {
    if (!TrackClickEnabled()) return;
    const double length = Horizontal() ? t.Right - t.Left : t.Bottom - t.Top;
    const double ratio = max_ > min_ ? (length - thumb_->Width()) / (max_ - min_) : 0.0;
    const double offset = double(Trunc((position_ - min_) * ratio));
    const bool up = Horizontal() ? x >= t.Left + offset : y < t.Bottom - offset;
    ChangePosition(up ? position_ + pageSize_ : position_ - pageSize_);
    return;
  }
  if (buttons_->Visible()) PressEndButtons(p);
}

void TCustomTrackBar::PressEndButtons(TPoint p) {
  if (Inside(MinButtonRect(), p) && !minPressed_) {
    minPressed_ = true;
    DrawNow([this] { DrawMinButton(); });
    if (buttons_->RepeatClick()) StartRepeat();
  }
  if (Inside(MaxButtonRect(), p) && !maxPressed_) {
    maxPressed_ = true;
    DrawNow([this] { DrawMaxButton(); });
    if (buttons_->RepeatClick()) StartRepeat();
  }
}

void TCustomTrackBar::StartRepeat() {
  if (!repeatTimer_) {
    repeatTimer_ = new TTimer(this);
    repeatTimer_->SetOnTimer([this](TPersistent*) { RepeatTimerTick(); });
  }
  repeatTimer_->SetInterval(UINT(std::max(buttons_->InitRepeatPause(), 0)));
  repeatTimer_->SetEnabled(true);
}

void TCustomTrackBar::RepeatTimerTick() {
  repeatTimer_->SetInterval(UINT(std::max(buttons_->RepeatPause(), 0)));
  if (!MouseCapture()) return;
  // A step that raises (an OnChange handler, say) stops the repeat.
  struct TStopOnThrow {
    TTimer* timer;
    int pending = std::uncaught_exceptions();
    ~TStopOnThrow() {
      if (std::uncaught_exceptions() > pending) timer->SetEnabled(false);
    }
  } stop{repeatTimer_};
  if (minPressed_)
    StepBy(-1);
  else if (maxPressed_)
    StepBy(1);
  else
    repeatTimer_->SetEnabled(false);
}

int TCustomTrackBar::DragCandidate(int x, int y) const {
  const TRect t = TrackRect();
  const int half = HalfThumb();
  double length, d;
  if (Horizontal()) {
    length = (t.Right - t.Left) - half;
    d = x - t.Left - half;
  } else {
    length = (t.Bottom - t.Top) - half;
    d = t.Bottom - half - y;
  }
  // A track no longer than half the thumb gives no ratio: keep the value.
  if (length <= 0) return position_;
  const double value = d / length * (double(max_) - min_) + min_;
  int candidate = int(std::clamp(double(Round(std::clamp(value, -2e9, 2e9))), double(min_),
                                 double(std::max(min_, max_))));
  if (!IsValidPosition(candidate)) candidate = position_;
  return candidate;
}

void TCustomTrackBar::MouseMove(TShiftState shift, int x, int y) {
  TCustomControl::MouseMove(shift, x, y);
  if (IsRatingMode()) return;
  if (dragging_) {
    const int candidate = DragCandidate(x, y);
    if (candidate != position_ && trackHint_ && candidate != lastHintValue_)
      ShowDragHint(candidate);
    ChangePosition(candidate);
    return;
  }
  const TPoint p(x, y);
  if (buttons_->Visible()) TrackButtonHover(p);
  if (Inside(ThumbRect(), p) && ThumbDragEnabled()) {
    if (!thumbHot_) {
      thumbHot_ = true;
      DrawNow([this] { DrawThumb(); });
    }
  } else if (thumbHot_) {
    thumbHot_ = thumbPressed_ = false;
    DrawNow([this] { DrawThumb(); });
  }
}

void TCustomTrackBar::TrackButtonHover(TPoint p) {
  const bool overMin = Inside(MinButtonRect(), p), overMax = Inside(MaxButtonRect(), p);
  if (overMin && !minHot_) {
    minHot_ = true;
    DrawNow([this] { DrawMinButton(); });
  } else if (!overMin && minHot_) {
    minHot_ = minPressed_ = false;
    DrawNow([this] { DrawMinButton(); });
  }
  if (overMax && !maxHot_) {
    maxHot_ = true;
    DrawNow([this] { DrawMaxButton(); });
  } else if (!overMax && maxHot_) {
    maxHot_ = maxPressed_ = false;
    DrawNow([this] { DrawMaxButton(); });
  }
}

void TCustomTrackBar::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseUp(button, shift, x, y);
  if (repeatTimer_) repeatTimer_->SetEnabled(false);
  const TPoint p(x, y);
  if (IsRatingMode()) {
    if (button != TMouseButton::mbLeft) return;
    const int v = RateCellAt(p);
    const TRect first = RateCellRect(min_ + 1);
    if (v >= 0)
      ChangePosition(v);
    else if (p.x >= first.Left - 4 && p.x < first.Left && p.y >= first.Top && p.y <= first.Bottom)
      ChangePosition(min_);
    return;
  }
  if (button != TMouseButton::mbLeft) return;
  HideDragHint();
  dragging_ = false;
  if (thumbPressed_) {
    thumbPressed_ = false;
    if (thumbHot_ && !Inside(ThumbRect(), p)) thumbHot_ = false;
    DrawNow([this] { DrawThumb(); });
  }
  if (buttons_->Visible()) ReleaseEndButtons(p);
}

void TCustomTrackBar::ReleaseEndButtons(TPoint p) {
  if (Inside(MinButtonRect(), p) && minPressed_) {
    minPressed_ = false;
    DrawNow([this] { DrawMinButton(); });
    StepBy(-1);
  }
  if (Inside(MaxButtonRect(), p) && maxPressed_) {
    maxPressed_ = false;
    DrawNow([this] { DrawMaxButton(); });
    StepBy(1);
  }
}

void TCustomTrackBar::MouseLeft() {
  if (minHot_ || minPressed_) {
    minHot_ = minPressed_ = false;
    DrawNow([this] { DrawMinButton(); });
  }
  if (maxHot_ || maxPressed_) {
    maxHot_ = maxPressed_ = false;
    DrawNow([this] { DrawMaxButton(); });
  }
  if ((thumbHot_ || thumbPressed_) && !dragging_) {
    thumbHot_ = thumbPressed_ = false;
    DrawNow([this] { DrawThumb(); });
  }
}

// ---- drag hint --------------------------------------------------------------------------------

void TCustomTrackBar::ShowDragHint(int value) {
  lastHintValue_ = value;
  std::string text = IntToStr(value);
  if (OnGetTrackHint) OnGetTrackHint(this, value, text);
  const TPoint cursor = Mouse()->CursorPos();
  TRect r(0, 0, 0, 0);
  hintWindow_->SetColor(clInfoBk);
  r = TRect(cursor.x + 10, cursor.y, cursor.x + 10, cursor.y);
  hintWindow_->ActivateHint(r, text);
  hintShowing_ = true;
}

void TCustomTrackBar::HideDragHint() {
  if (!hintShowing_) return;
  hintWindow_->ReleaseHandle();
  hintShowing_ = false;
}

TTrackHintWindow::TTrackHintWindow(TComponent* owner) : THintWindow(owner) {}

void TTrackHintWindow::CreateParams(TCreateParams& params) {
  THintWindow::CreateParams(params);
  params.Style &= ~std::uint32_t(WS_BORDER);
}

TRect TTrackHintWindow::CalcHintRect(int, const std::string& hint) {
  int w = 0, h = 0;
  MeasureTextInFont(*Font(), hint, w, h);
  return TRect(0, 0, w, h);
}

void TTrackHintWindow::ActivateHint(TRect rect, const std::string& hint) {
  SetCaption(hint);
  const TRect text = CalcHintRect(0, hint);
  textWidth_ = text.Right;
  textHeight_ = text.Bottom;
  TRect r(rect.Left, rect.Top, rect.Left + textWidth_ + 16, rect.Top + textHeight_ + 4);
  // Kept on the monitor (the screen): moved left or up to end 2 pixels
  // inside its right or bottom edge.
  const int monitorWidth = Screen()->Width(), monitorHeight = Screen()->Height();
  if (monitorWidth < r.Right) {
    const int w = r.Right - r.Left;
    r.Right = monitorWidth - 2;
    r.Left = r.Right - w;
  }
  if (monitorHeight < r.Bottom) {
    const int h = r.Bottom - r.Top;
    r.Bottom = monitorHeight - 2;
    r.Top = r.Bottom - h;
  }
  THintWindow::ActivateHint(r, hint);
}

void TTrackHintWindow::Paint() {
  TCanvas* c = Canvas();
  const TRect r = ClientRect();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(Color());
  c->FillRect(r);
  c->Pen()->SetColor(cl3DLight);
  c->MoveTo(r.Left, r.Bottom - 2);
  c->LineTo(r.Left, r.Top);
  c->LineTo(r.Right - 1, r.Top);
  c->Pen()->SetColor(cl3DDkShadow);
  c->MoveTo(r.Left, r.Bottom - 1);
  c->LineTo(r.Right - 1, r.Bottom - 1);
  c->LineTo(r.Right - 1, r.Top - 1);
  c->Font()->Assign(*Font());
  c->Brush()->SetStyle(bsClear);
  TRect text = r;
  CanvasDrawText(c, Caption(), text, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
}

void TTrackHintWindow::Dispatch(TMessage& m) {
  THintWindow::Dispatch(m);
  if (m.Msg == CM_TEXTCHANGED) Invalidate();
}
