// The animation painter on a fake clock: the waits for delays and speeds,
// loops, events, disposals against a reference composer, stopping, quit
// messages and errors on the painter's thread.
#include <gtest/gtest.h>

#include <mutex>
#include <thread>

#include "codecs/GifPicture.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/rtl/Strings.h"
#include "tests/codecs/GifAnimation.h"

namespace gif_painter_test {

using gif_anim::FrameSpec;

// Time passes only when the painter sleeps or waits. Finite event waits time
// out at once; an endless one is recorded and reported as a wake-up unless
// `realWaits` hands it to the event.
class TFakePainterClock : public TGIFPainterClock {
public:
  TFakePainterClock() { SetGIFPainterClock(this); }
  ~TFakePainterClock() override { SetGIFPainterClock(nullptr); }
  std::uint32_t Now() override {
    std::lock_guard<std::mutex> lock(mutex);
    return now;
  }
  void Sleep(std::uint32_t ms) override {
    std::lock_guard<std::mutex> lock(mutex);
    now += ms;
    if (ms > 0) sleeps.push_back(ms);
  }
  bool Wait(TEvent& event, std::uint32_t ms) override {
    {
      std::lock_guard<std::mutex> lock(mutex);
      waits.push_back(ms);
      if (!realWaits) {
        if (ms != INFINITE) now += ms;
        return ms == INFINITE;
      }
    }
    const bool signalled = TGIFPainterClock::Wait(event, ms);
    std::lock_guard<std::mutex> lock(mutex);
    wokenUp.push_back(signalled);
    return signalled;
  }
  bool PumpMessages() override {
    std::lock_guard<std::mutex> lock(mutex);
    ++pumps;
    if (quitAfterPumps > 0 && pumps >= quitAfterPumps) {
      ++quitsPosted;
      return false;
    }
    return true;
  }
  std::mutex mutex;
  std::uint32_t now = 1000;
  std::vector<std::uint32_t> sleeps, waits;
  std::vector<bool> wokenUp;
  bool realWaits = false;
  int pumps = 0, quitAfterPumps = 0, quitsPosted = 0;
};

const std::vector<TGIFColor> kColours = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255},
                                         {255, 255, 0}, {0, 255, 255}, {255, 255, 255}, {90, 90, 90}};
constexpr std::uint16_t kAsync = GifDrawFlag(dfAsync);
constexpr std::uint16_t kAnimate = GifDrawFlag(dfAnimate);
constexpr std::uint16_t kLoop = GifDrawFlag(dfLoop);
constexpr std::uint16_t kTransparent = GifDrawFlag(dfTransparent);

std::unique_ptr<TGifPicture> TwoFrames(int delay0, int delay1, int loops = -1) {
  return gif_anim::MakeAnimation(4, 4, kColours,
                                 {FrameSpec{0, 0, 4, 4, {}, 1, 1, delay0},
                                  FrameSpec{0, 0, 4, 4, {}, 2, 1, delay1}},
                                 loops);
}

// Runs an asynchronous painter to its end, serving its synchronised steps.
void PlayAsync(TGifPicture& gif, TCanvas* canvas, std::uint16_t flags, const TRect& rect) {
  TGIFPainter* reference = nullptr;
  TGIFPainter* painter = gif.StartPainter(&reference, canvas, flags, rect);
  ASSERT_NE(painter, nullptr);
  ASSERT_EQ(reference, painter);
  painter->StartPainting();
  while (reference != nullptr)
    if (!TThread::CheckSynchronize()) std::this_thread::yield();
}

// What a synchronous painter sleeps before each frame: the sleeps are cut
// into pieces of at most 100 ms; the frame paint events mark the frames.
struct TSyncRun {
  std::vector<std::uint32_t> waits; // ms before each frame
};

TSyncRun PlaySync(TGifPicture& gif, TFakePainterClock& clock, std::uint16_t flags) {
  TSyncRun run;
  TBitmap canvas(4, 4, pf24bit);
  std::size_t seen = 0;
  gif.OnFramePaint = [&](TGIFPainter*) {
    std::uint32_t sum = 0;
    for (; seen < clock.sleeps.size(); ++seen) sum += clock.sleeps[seen];
    run.waits.push_back(sum);
  };
  EXPECT_EQ(gif.StartPainter(nullptr, canvas.Canvas(), flags, TRect(0, 0, 4, 4)), nullptr);
  gif.OnFramePaint = nullptr;
  return run;
}

// Delays 0 and 2 wait the default 10 and the minimum 3 units of 12 ms,
// scaled by the speed; speeds of 0 and below wait 12 s (synchronous) or
// without end / not at all (asynchronous).
TEST(GifPainter, WaitsForDelaysAndSpeeds) {
  struct Case {
    int delay1, speed;
    std::vector<std::uint32_t> sync, async;
  };
  const std::uint32_t inf = INFINITE;
  const Case cases[] = {
      {2, 100, {12, 120}, {120, 36}},
      {2, 200, {6, 60}, {60, 18}},
      {2, 0, {12000, 12000}, {inf, inf}},
      {2, -1, {12000, 12000}, {}},
      {2000, 100, {12, 120}, {120, 24000}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "delay " << c.delay1 << " speed " << c.speed);
    {
      TFakePainterClock clock;
      auto gif = TwoFrames(0, c.delay1);
      gif->PlaybackSpeed = c.speed;
      // the first frame waits one unit; one pass, so no wait after the last
      const TSyncRun run = PlaySync(*gif, clock, kAnimate);
      EXPECT_EQ(run.waits, c.sync);
      for (std::uint32_t s : clock.sleeps) EXPECT_LE(s, 100u); // the queue keeps being served
    }
    {
      TFakePainterClock clock;
      auto gif = TwoFrames(0, c.delay1);
      gif->PlaybackSpeed = c.speed;
      TBitmap canvas(4, 4, pf24bit);
      int painted = 0;
      gif->OnFramePaint = [&](TGIFPainter*) { ++painted; };
      // two passes make the wait after the second frame visible
      gif->OnFrameDone = [&](TGIFPainter* p) {
        if (painted == 2) p->ActiveImage = 0;
        if (painted == 3) p->Stop();
      };
      PlayAsync(*gif, canvas.Canvas(), kAsync | kAnimate, TRect(0, 0, 4, 4));
      // the first frame does not wait
      EXPECT_EQ(clock.waits, c.async);
    }
  }
  // a synchronous painter cuts a delay of 2000 units to 1000 (12 s)
  TFakePainterClock clock;
  auto gif = TwoFrames(2000, 2000);
  gif->OnFrameDone = [](TGIFPainter* p) {
    if (p->ActiveImage == 1) p->ActiveImage = 0;
  };
  int frames = 0;
  gif->OnFramePaint = [&](TGIFPainter* p) {
    if (++frames == 3) p->Stop();
  };
  TBitmap canvas(4, 4, pf24bit);
  gif->StartPainter(nullptr, canvas.Canvas(), kAnimate, TRect(0, 0, 4, 4));
  std::uint32_t slept = 0;
  for (std::uint32_t s : clock.sleeps) slept += s;
  EXPECT_EQ(slept, 12u + 12000u + 12000u);
}

// A looping extension of count 3 shows the frames three times in all, with
// a loop event before the second and third pass, then the end event at -1.
TEST(GifPainter, LoopsAndEvents) {
  for (bool async : {true, false}) {
    SCOPED_TRACE(async);
    TFakePainterClock clock;
    auto gif = TwoFrames(1, 1, 3);
    std::vector<std::string> events;
    gif->OnPlayStart = [&](TGIFPainter* p) { events.push_back("start" + IntToStr(p->ActiveImage)); };
    gif->OnFramePaint = [&](TGIFPainter* p) { events.push_back("paint" + IntToStr(p->ActiveImage)); };
    gif->OnPlayLoop = [&](TGIFPainter*) { events.push_back("loop"); };
    gif->OnPlayEnd = [&](TGIFPainter* p) { events.push_back("end" + IntToStr(p->ActiveImage)); };
    TBitmap canvas(4, 4, pf24bit);
    const std::uint16_t flags = kAnimate | kLoop | (async ? kAsync : 0);
    if (async)
      PlayAsync(*gif, canvas.Canvas(), flags, TRect(0, 0, 4, 4));
    else
      gif->StartPainter(nullptr, canvas.Canvas(), flags, TRect(0, 0, 4, 4));
    EXPECT_EQ(events, (std::vector<std::string>{"start0", "paint0", "paint1", "loop", "paint0", "paint1",
                                                "loop", "paint0", "paint1", "end-1"}));
  }
  // count 0 repeats without end for an asynchronous painter only
  TFakePainterClock clock;
  auto gif = TwoFrames(1, 1, 0);
  int paints = 0;
  gif->OnFramePaint = [&](TGIFPainter* p) {
    if (++paints == 7) p->Stop();
  };
  TBitmap canvas(4, 4, pf24bit);
  gif->StartPainter(nullptr, canvas.Canvas(), kAnimate | kLoop, TRect(0, 0, 4, 4));
  EXPECT_EQ(paints, 2);
  paints = 0;
  PlayAsync(*gif, canvas.Canvas(), kAsync | kAnimate | kLoop, TRect(0, 0, 4, 4));
  EXPECT_EQ(paints, 7);
}

// A frame-done handler that sets the index back to 0 restarts the frames
// without ending the pass; a restart request starts the play over.
TEST(GifPainter, HandlersSteerThePlay) {
  TFakePainterClock clock;
  auto gif = TwoFrames(1, 1);
  std::vector<int> painted;
  int starts = 0;
  bool jumped = false, restarted = false;
  gif->OnPlayStart = [&](TGIFPainter*) { ++starts; };
  gif->OnFramePaint = [&](TGIFPainter* p) { painted.push_back(p->ActiveImage); };
  gif->OnFrameDone = [&](TGIFPainter* p) {
    if (p->ActiveImage == 1 && !jumped) {
      jumped = true;
      p->ActiveImage = 0;
    } else if (p->ActiveImage == 1 && !restarted) {
      restarted = true;
      p->Restart = true;
    }
  };
  TBitmap canvas(4, 4, pf24bit);
  gif->StartPainter(nullptr, canvas.Canvas(), kAnimate, TRect(0, 0, 4, 4));
  EXPECT_EQ(painted, (std::vector<int>{0, 1, 0, 1, 0, 1}));
  EXPECT_EQ(starts, 2);
}

// The reference composer shows what ImageMagick's coalescing shows.
TEST(GifPainter, ReferenceComposerAgreesWithImageMagick) {
  for (const char* name : {"good-disposals", "good-blocks", "good-local-tables"}) {
    SCOPED_TRACE(name);
    const auto file = gif_oracle::Slurp(gif_oracle::ReadFile(gif_oracle::Sample(std::string(name) + ".gif")));
    ASSERT_TRUE(file.ok);
    const std::vector<std::uint8_t> rgba =
        gif_oracle::ReadFile(gif_oracle::Sample(std::string(name) + ".coalesced.rgba"));
    const std::vector<gif_anim::Screen> screens = gif_anim::Coalesce(file);
    const std::size_t n = std::size_t(file.width) * std::size_t(file.height);
    ASSERT_EQ(rgba.size(), screens.size() * n * 4);
    for (std::size_t f = 0; f < screens.size(); ++f)
      for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t* p = &rgba[(f * n + i) * 4];
        const std::uint32_t want = p[3] == 0 ? gif_anim::kCleared
                                             : std::uint32_t(p[0]) << 16 | std::uint32_t(p[1]) << 8 | p[2];
        ASSERT_EQ(screens[f][i], want) << "frame " << f << " pixel " << i;
      }
  }
}

// After each frame the painter's target equals the reference composition of
// giflib's reading of the same bytes.
TEST(GifPainter, DisposalsMatchTheReferenceComposer) {
  std::vector<FrameSpec> frames;
  // opaque background, a keep frame, a clear-to-background frame, a
  // restore-to-previous frame after it and one after a keep frame
  frames.push_back(FrameSpec{0, 0, 8, 6, {}, 7, 1, 1});
  frames.push_back(FrameSpec{1, 1, 3, 3, {}, 1, 1, 1});
  frames.push_back(FrameSpec{3, 2, 4, 3, {1, 2, 0, 2, 2, 0, 0, 2, 2, 2, 3, 3}, 0, 2, 1, 0});
  frames.push_back(FrameSpec{0, 0, 5, 2, {}, 4, 3, 1});
  frames.push_back(FrameSpec{2, 3, 4, 2, {}, 5, 1, 1});
  frames.push_back(FrameSpec{4, 0, 4, 4, {}, 6, 3, 1});
  frames.push_back(FrameSpec{1, 4, 6, 2, {3, 3, 0, 0, 3, 3, 0, 4, 4, 4, 4, 0}, 0, 0, 1, 0});
  auto gif = gif_anim::MakeAnimation(8, 6, kColours, frames);
  const auto file = gif_oracle::Slurp(gif_anim::SavedBytes(*gif));
  ASSERT_TRUE(file.ok);
  const std::vector<gif_anim::Screen> expected = gif_anim::Coalesce(file);
  constexpr std::uint32_t kKey = 0xFF00FF; // the canvas behind the animation
  TFakePainterClock clock;
  for (bool async : {false, true}) {
    SCOPED_TRACE(async);
    TBitmap canvas(8, 6, pf24bit);
    canvas.Canvas()->Brush()->SetColor(TColor(0xFF00FF));
    canvas.Canvas()->FillRect(TRect(0, 0, 8, 6));
    std::vector<gif_anim::Screen> shown;
    gif->OnFrameDone = [&](TGIFPainter*) { shown.push_back(gif_anim::ScreenOf(canvas, kKey)); };
    const std::uint16_t flags = kAnimate | kTransparent | GifDrawFlag(dfClearOnLoop) | (async ? kAsync : 0);
    if (async)
      PlayAsync(*gif, canvas.Canvas(), flags, TRect(0, 0, 8, 6));
    else
      gif->StartPainter(nullptr, canvas.Canvas(), flags, TRect(0, 0, 8, 6));
    ASSERT_EQ(shown.size(), expected.size());
    for (std::size_t i = 0; i < shown.size(); ++i) EXPECT_EQ(shown[i], expected[i]) << "frame " << i;
  }
}

// Draw starts an asynchronous painter into the snapshot and shows its first
// frame; later draws copy the snapshot. Drawing directly into another
// rectangle replaces the painter. Stopping wakes painters out of 12 s waits.
TEST(GifPainter, DrawsStartAndStopPainters) {
  TFakePainterClock clock;
  clock.realWaits = true;
  auto gif = TwoFrames(1000, 1000);
  gif->DrawFlags = kAsync | kAnimate | kLoop | GifDrawFlag(dfLoopForever);
  TBitmap canvas(8, 8, pf24bit);
  gif->Draw(canvas.Canvas(), TRect(0, 0, 4, 4));
  TGIFPainter* first = gif->ActivePainter();
  ASSERT_NE(first, nullptr);
  ASSERT_NE(gif->Snapshot(), nullptr);
  EXPECT_EQ(canvas.Canvas()->Pixels(1, 1), TColor(0x0000FF)); // frame 0 is red
  gif->Draw(canvas.Canvas(), TRect(0, 0, 8, 8));
  EXPECT_EQ(gif->ActivePainter(), first);
  EXPECT_EQ(canvas.Canvas()->Pixels(6, 6), TColor(0x0000FF)); // the snapshot, stretched
  gif->HaltDrawing();
  EXPECT_EQ(gif->ActivePainter(), nullptr);
  EXPECT_EQ(gif->Snapshot(), nullptr);
  gif->DrawFlags |= GifDrawFlag(dfDirectDraw);
  gif->Draw(canvas.Canvas(), TRect(0, 0, 4, 4));
  ASSERT_NE(gif->ActivePainter(), nullptr);
  gif->Draw(canvas.Canvas(), TRect(4, 4, 8, 8));
  ASSERT_NE(gif->ActivePainter(), nullptr);
  EXPECT_EQ(gif->ActivePainter()->Rect(), TRect(4, 4, 8, 8));
  gif->StopAllPainters();
  EXPECT_EQ(gif->ActivePainter(), nullptr);
  EXPECT_EQ(gif->PainterList().LockList().Count(), 0);
  gif->PainterList().UnlockList();
  std::lock_guard<std::mutex> lock(clock.mutex);
  for (bool woken : clock.wokenUp) EXPECT_TRUE(woken); // none timed out
}

// With a frame that restores the background, the painter paints through a
// buffer, where a disposal of 4 to 7 draws nothing; such a frame still has
// its turn: a draw returns after the first one while the painter plays on,
// where it waited for the whole play (without end when looping forever).
TEST(GifPainter, DrawReturnsAfterAFrameThatDrawsNothing) {
  for (int disposal : {4, 7}) {
    SCOPED_TRACE(disposal);
    TFakePainterClock clock;
    auto gif = gif_anim::MakeAnimation(4, 4, kColours,
                                       {FrameSpec{0, 0, 4, 4, {}, 1, disposal, 500},
                                        FrameSpec{0, 0, 4, 4, {}, 2, dpBackground, 500}});
    // Looping for ever, the play never ends by itself: a draw that waited
    // for a frame to be painted would never return.
    gif->DrawFlags = kAsync | kAnimate | kLoop | GifDrawFlag(dfLoopForever);
    TBitmap canvas(4, 4, pf24bit);
    gif->Draw(canvas.Canvas(), TRect(0, 0, 4, 4));
    EXPECT_NE(gif->ActivePainter(), nullptr);
    gif->HaltDrawing();
    EXPECT_EQ(gif->ActivePainter(), nullptr);
  }
}

// A synchronous painter that loops forever keeps serving the message queue
// inside Draw; a quit message ends it and is posted again. A nested draw of
// the same picture meanwhile does nothing.
TEST(GifPainter, QuitMessageEndsASynchronousPainter) {
  TFakePainterClock clock;
  clock.quitAfterPumps = 25;
  auto gif = TwoFrames(10, 10);
  gif->DrawFlags = kAnimate | kLoop | GifDrawFlag(dfLoopForever) | GifDrawFlag(dfDirectDraw);
  TBitmap canvas(4, 4, pf24bit), other(4, 4, pf24bit);
  int paints = 0;
  gif->OnFramePaint = [&](TGIFPainter*) {
    ++paints;
    gif->Draw(other.Canvas(), TRect(0, 0, 4, 4)); // nested: nothing
  };
  gif->Draw(canvas.Canvas(), TRect(0, 0, 4, 4));
  EXPECT_EQ(clock.quitsPosted, 1);
  EXPECT_GT(paints, 2);
  EXPECT_EQ(gif->ActivePainter(), nullptr);
  EXPECT_EQ(other.Canvas()->Pixels(0, 0), TColor(0xFFFFFF)); // still blank
}

// An error on the painter's thread reaches OnNotice and ends only the
// animation; a synchronous painter passes it on to the caller.
TEST(GifPainter, ErrorsOfThePlay) {
  TFakePainterClock clock;
  auto gif = TwoFrames(1, 1);
  std::vector<std::string> notices;
  gif->OnNotice = [&](void*, int severity, const std::string& m) {
    EXPECT_EQ(severity, 1);
    notices.push_back(m);
  };
  gif->OnFrameDone = [](TGIFPainter*) { throw EInvalidGraphic("frame handler failed"); };
  TBitmap canvas(4, 4, pf24bit);
  PlayAsync(*gif, canvas.Canvas(), kAsync | kAnimate, TRect(0, 0, 4, 4));
  EXPECT_EQ(notices, (std::vector<std::string>{"frame handler failed"}));
  EXPECT_THROW(gif->StartPainter(nullptr, canvas.Canvas(), kAnimate, TRect(0, 0, 4, 4)), EInvalidGraphic);
  EXPECT_EQ(gif->PainterList().LockList().Count(), 0);
  gif->PainterList().UnlockList();
  // a one-frame picture or an empty rectangle never starts a painter
  auto single = gif_anim::MakeAnimation(4, 4, kColours, {FrameSpec{0, 0, 4, 4, {}, 1}});
  TGIFPainter* reference = reinterpret_cast<TGIFPainter*>(1);
  EXPECT_EQ(gif->StartPainter(&reference, canvas.Canvas(), kAsync | kAnimate, TRect(0, 0, 0, 4)), nullptr);
  EXPECT_EQ(reference, nullptr);
  single->DrawFlags = kAsync | kAnimate;
  single->Draw(canvas.Canvas(), TRect(0, 0, 4, 4));
  EXPECT_EQ(single->ActivePainter(), nullptr);
  EXPECT_EQ(single->Snapshot(), nullptr);
}

} // namespace gif_painter_test
