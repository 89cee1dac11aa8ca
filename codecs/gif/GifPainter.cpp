// TGIFPainter: plays an animation frame by frame with the frames' delays,
// disposals and the looping extension's count, on a thread of its own
// (dfAsync) or inside the drawing call.
#include <algorithm>

#include "codecs/gif/GifInternal.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Colors.h"
#include "platform/rtl/Numerics.h"
#include "platform/rtl/Ticks.h"

using namespace gif;

// ---- the clock -----------------------------------------------------------------------------

std::uint32_t TGIFPainterClock::Now() { return timeGetTime(); }

void TGIFPainterClock::Sleep(std::uint32_t ms) { ::Sleep(ms); }

bool TGIFPainterClock::Wait(TEvent& event, std::uint32_t ms) {
  return event.WaitFor(ms) == TWaitResult::wrSignaled;
}

bool TGIFPainterClock::PumpMessages() { return true; }

namespace {

std::atomic<TGIFPainterClock*>& InstalledPainterClock() {
  static std::atomic<TGIFPainterClock*> clock{nullptr};
  return clock;
}

constexpr COLORREF kNoBackdrop = 0x1FFFFFFF;

} // namespace

void SetGIFPainterClock(TGIFPainterClock* clock) { InstalledPainterClock() = clock; }

TGIFPainterClock& GIFPainterClock() {
  static TGIFPainterClock platformClock;
  TGIFPainterClock* clock = InstalledPainterClock();
  return clock != nullptr ? *clock : platformClock;
}

// ---- creation and ending -----------------------------------------------------------------

TGIFPainter::TGIFPainter(TGifPicture* picture, TCanvas* canvas, const TRect& rect,
                         std::uint16_t flags, TGIFPainter** reference)
    : picture_(picture), canvas_(canvas), rect_(rect), flags_(flags),
      speed_(picture->PlaybackSpeed), reference_(reference) {
  if (reference_ != nullptr) *reference_ = this;
  OnPlayStart = picture->OnPlayStart;
  OnFramePaint = picture->OnFramePaint;
  OnFrameDone = picture->OnFrameDone;
  OnPlayLoop = picture->OnPlayLoop;
  OnPlayEnd = picture->OnPlayEnd;
  if (Async()) {
    SetFreeOnTerminate(true);
    OnTerminate = [](TThread& thread) { static_cast<TGIFPainter&>(thread).Finish(); };
  }
  if (picture->BackdropColor != kNoBackdrop)
    backgroundColor_ = ColorToRGB(TColor(picture->BackdropColor));
  else if (picture->GlobalColors().Count() == 0)
    backgroundColor_ = ColorToRGB(clWindow);
  else
    backgroundColor_ = picture->ScreenBackground();
  // the disposals the frames use
  bool background = (flags_ & GifDrawFlag(dfClearOnLoop)) != 0, previous = false;
  for (int i = 0; i < picture->Frames().Count(); ++i)
    if (const TGIFGraphicControlExtension* gce = picture->Frame(i)->ControlExt()) {
      background = background || gce->Disposal() == dpBackground;
      previous = previous || gce->Disposal() == dpPrevious;
    }
  const int w = rect_.Right - rect_.Left, h = rect_.Bottom - rect_.Top;
  const TRect own(0, 0, w, h);
  auto buffer = [&](bool copyCanvas) {
    auto bitmap = std::make_unique<TBitmap>(w, h, pf24bit);
    bitmap->Canvas()->Brush()->SetColor(TColor(backgroundColor_));
    bitmap->Canvas()->SetCopyMode(SRCCOPY);
    if (copyCanvas && canvas_ != nullptr) bitmap->Canvas()->CopyRect(own, canvas_, rect_);
    return bitmap;
  };
  if (background && (flags_ & GifDrawFlag(dfTransparent)) != 0) background_ = buffer(true);
  if (background || previous) {
    backup_ = buffer(true);
    frameBuffer_ = buffer(false);
  }
  if (Async() && (flags_ & GifDrawFlag(dfAnimate)) != 0 && picture->Frames().Count() > 1 &&
      speed_ >= 0)
    wake_ = std::make_unique<TEvent>(false, false);
}

TGIFPainter::~TGIFPainter() {
  if (!Async()) Finish();
}

void TGIFPainter::Finish() {
  if (picture_ != nullptr) {
    TList& list = picture_->PainterList().LockList();
    if (reference_ != nullptr && *reference_ == this) *reference_ = nullptr;
    list.Remove(this);
    picture_->PainterList().UnlockList();
    picture_ = nullptr;
  }
  backup_.reset();
  frameBuffer_.reset();
  background_.reset();
}

void TGIFPainter::StartPainting() {
  if (Async()) Start();
}

void TGIFPainter::Stop() {
  Terminate();
  if (Async() && wake_ != nullptr) wake_->SetEvent();
}

// ---- steps on the main thread ---------------------------------------------------------------

void TGIFPainter::Synchronized(const std::function<void()>& step) {
  // the check runs where the step runs: a stop on the main thread between
  // queueing and running the step (which may free the target) is seen
  auto guarded = [&] {
    if (!Terminated()) step();
  };
  if (!Async()) {
    guarded();
    return;
  }
  // an error of the step is caught where it is raised and handed over here
  // once the step has ended, so no exception object is shared by the two
  // threads while both run
  std::exception_ptr failure;
  TThread::Synchronize([&] {
    try {
      guarded();
    } catch (...) {
      failure = std::current_exception();
    }
  });
  if (failure != nullptr) std::rethrow_exception(failure);
}

void TGIFPainter::Fire(const std::function<void(TGIFPainter*)>& handler) {
  if (handler) Synchronized([&] { handler(this); });
}

bool TGIFPainter::LoopEnabled() const {
  const std::uint16_t both = GifDrawFlag(dfAnimate) | GifDrawFlag(dfLoop);
  return (flags_ & both) == both;
}

// ---- playing ----------------------------------------------------------------------------------

void TGIFPainter::Execute() {
  try {
    PlayLoop();
  } catch (...) {
    Terminate();
    captured_ = std::current_exception();
  }
  if (captured_ != nullptr && Async()) {
    // reported on the main thread, then dropped: it must not end the process
    std::string message = "Animation failed";
    try {
      std::rethrow_exception(captured_);
    } catch (const Exception& e) {
      message = e.Message();
    } catch (const std::exception& e) {
      message = e.what();
    } catch (...) {
    }
    captured_ = nullptr;
    try {
      TThread::Synchronize([this, &message] {
        if (picture_ != nullptr) picture_->RaiseNotice(picture_, 1, message);
      });
    } catch (...) {
    }
  }
}

bool TGIFPainter::WaitBeforeFrame(int& wait, std::uint32_t& last, int& carry) {
  TGIFPainterClock& clock = GIFPainterClock();
  if (wait < 1) {
    clock.Sleep(0);
    return !Terminated();
  }
  // the frame's bitmap is rendered before the wait, on the main thread
  const int index = ActiveImage;
  Synchronized([&] {
    if (picture_ != nullptr && index < picture_->Frames().Count()) picture_->Frame(index)->Bitmap();
  });
  const std::uint32_t now = clock.Now();
  if (speed_ < 1) {
    wait = Async() ? -1 : FrameDelayMax * FrameDelayUnitMs;
  } else {
    // half of the time spent beyond the planned wait is taken off this one
    const int overhead = int(std::int64_t(std::uint32_t(now - last)) - carry) / 2;
    wait = MulDiv(wait * FrameDelayUnitMs - overhead, 100, speed_);
    carry = wait;
  }
  last = now;
  if (Async()) {
    if (wait > 0 || speed_ == 0) {
      const std::uint32_t ms = wait < 0 ? INFINITE : std::uint32_t(wait);
      if (wake_ != nullptr && clock.Wait(*wake_, ms)) {
        carry = 0;
        last = clock.Now();
      }
    }
    return !Terminated();
  }
  wait = std::max(wait, 1);
  while (wait > 0 && !Terminated() && !Restart) {
    const std::uint32_t before = clock.Now();
    clock.Sleep(wait > 99 ? 100 : std::uint32_t(wait));
    wait -= int(std::uint32_t(clock.Now() - before));
    // a quit message ends the painter (the pump has posted it again)
    if (!Terminated() && !Restart && !clock.PumpMessages()) Terminate();
  }
  return !Terminated();
}

void TGIFPainter::PlayLoop() {
  TGIFPainterClock& clock = GIFPainterClock();
  if ((flags_ & GifDrawFlag(dfCheckCanvas)) != 0 && canvas_ != nullptr) checkedDC_ = canvas_->Handle();
  const bool animate = (flags_ & GifDrawFlag(dfAnimate)) != 0;
  const bool forever = (flags_ & GifDrawFlag(dfLoopForever)) != 0;
  Restart = true;
  while (Restart && !Terminated()) {
    ActiveImage = 0;
    Fire(OnPlayStart);
    started_ = false;
    Restart = false;
    int passes = 1, loopStart = 0;
    bool loopSeen = false;
    int wait = Async() ? 0 : 1;
    previousDisposal_ = dpKeep;
    std::uint32_t last = clock.Now();
    int carry = 0;
    while ((passes != 0 || forever) && !Terminated() && !Restart) {
      ActiveImage = loopStart;
      if (started_) Fire(OnPlayLoop);
      while (true) {
        if (picture_ == nullptr || ActiveImage < 0 || ActiveImage >= picture_->Frames().Count() ||
            Terminated() || Restart)
          break;
        TGIFSubImage* frame = picture_->Frame(ActiveImage);
        if (frame->Empty()) break;
        if (!WaitBeforeFrame(wait, last, carry)) break;
        Fire(OnFramePaint);
        if (Terminated()) break;
        disposal_ = dpKeep;
        for (int i = 0; i < frame->ExtensionItems().Count(); ++i) {
          TGIFExtension* e = frame->ExtensionItems().Extension(i);
          if (const auto* loop = dynamic_cast<const TGIFAppExtNSLoop*>(e)) {
            if (!loopSeen) {
              loopSeen = true;
              passes = (loop->Loops == 0 || forever) && Async() ? -1 : loop->Loops;
              loopStart = ActiveImage;
            }
          } else if (const auto* gce = dynamic_cast<const TGIFGraphicControlExtension*>(e)) {
            disposal_ = gce->Disposal();
          }
        }
        if (backup_ != nullptr)
          Synchronized([this] { PaintBuffered(); });
        else
          Synchronized([this] { PaintPlain(); });
        previousDisposal_ = disposal_;
        if (Terminated()) break;
        wait = FrameDelayDefault;
        if (const TGIFGraphicControlExtension* gce = frame->ControlExt();
            gce != nullptr && gce->Delay() != 0) {
          wait = std::max<int>(gce->Delay(), FrameDelayMin);
          if (!Async()) wait = std::min(wait, FrameDelayMax);
        }
        const int done = ActiveImage;
        Fire(OnFrameDone);
        if (Terminated()) break;
        if (ActiveImage == done) ++ActiveImage;
        if (!animate) break;
      }
      if (passes > 0) --passes;
      if (!LoopEnabled()) break;
    }
  }
  ActiveImage = -1;
  Fire(OnPlayEnd);
}

// ---- painting ----------------------------------------------------------------------------------

void TGIFPainter::PaintPlain() {
  if (picture_ == nullptr || canvas_ == nullptr) return;
  picture_->Frame(ActiveImage)->Draw(canvas_, rect_, (flags_ & GifDrawFlag(dfTile)) != 0,
                                      (flags_ & GifDrawFlag(dfTransparent)) != 0);
  started_ = true;
}

void TGIFPainter::PaintBuffered() {
  if (picture_ == nullptr || canvas_ == nullptr) return;
  // a memory context (a bitmap's canvas) is as alive as a window's
  const DWORD kind = GetObjectType(reinterpret_cast<HGDIOBJ>(checkedDC_));
  if ((flags_ & GifDrawFlag(dfCheckCanvas)) != 0 && kind != OBJ_DC && kind != OBJ_MEMDC) {
    Terminate();
    return;
  }
  TGIFSubImage& frame = *picture_->Frame(ActiveImage);
  const bool clearFirst = (flags_ & GifDrawFlag(dfClearOnLoop)) != 0 && ActiveImage == 0;
  const TRect own(0, 0, backup_->Width(), backup_->Height());
  TCanvas* target = nullptr;
  TRect targetRect = own;
  bool copy = false, clearAfter = false;
  switch (disposal_) {
  case dpUnspecified:
  case dpKeep:
    target = backup_->Canvas();
    copy = true;
    break;
  case dpBackground:
    target = backup_->Canvas();
    copy = true;
    clearAfter = true;
    break;
  case dpPrevious:
    if (previousDisposal_ == dpUnspecified || previousDisposal_ == dpKeep) {
      target = canvas_;
      targetRect = rect_;
    } else if (previousDisposal_ == dpBackground || previousDisposal_ == dpPrevious) {
      target = frameBuffer_->Canvas();
      target->CopyRect(own, backup_->Canvas(), own);
      copy = true;
    }
    break;
  default: break;
  }
  if (target == nullptr) {
    // disposals 4 to 7 draw nothing, yet the frame has had its turn: a
    // draw that waits for the first frame must not wait for the whole play
    started_ = true;
    return;
  }
  if (clearFirst) ClearBackup(frame);
  frame.Draw(target, targetRect, (flags_ & GifDrawFlag(dfTile)) != 0,
             (flags_ & GifDrawFlag(dfTransparent)) != 0);
  if (copy) {
    canvas_->SetCopyMode(SRCCOPY);
    canvas_->CopyRect(rect_, target, targetRect);
  }
  if (clearAfter) ClearBackup(frame);
  started_ = true;
}

void TGIFPainter::ClearBackup(TGIFSubImage& frame) {
  const bool tile = (flags_ & GifDrawFlag(dfTile)) != 0;
  const int sw = picture_->Width(), sh = picture_->Height();
  auto eachTile = [&](auto fill) {
    // a screen of no size has no tile step
    if (sw <= 0 || sh <= 0) return;
    for (int x = rect_.Left + frame.Left(); x < rect_.Right; x += sw)
      for (int y = rect_.Top + frame.Top(); y < rect_.Bottom; y += sh)
        fill(TRect(x, y, x + frame.Width(), y + frame.Height()));
  };
  TCanvas* backup = backup_->Canvas();
  if ((flags_ & GifDrawFlag(dfTransparent)) != 0 && background_ != nullptr) {
    auto restore = [&](const TRect& r) { backup->CopyRect(r, background_->Canvas(), r); };
    if (tile)
      eachTile(restore);
    else
      restore(frame.ScaleRect(TRect(0, 0, backup_->Width(), backup_->Height())));
    return;
  }
  if (tile && frame.Width() < sw && frame.Height() < sh) {
    backup->Brush()->SetColor(TColor(backgroundColor_));
    eachTile([&](const TRect& r) { backup->FillRect(r); });
    return;
  }
  backup->Brush()->SetColor(TColor(backgroundColor_));
  backup->FillRect(frame.ScaleRect(rect_));
}
