// The picture: options, loading and saving a whole stream, the clipboard,
// copying, screen size and palette, the snapshot and drawing.
#include <algorithm>

#include "codecs/gif/GifInternal.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/rtl/Numerics.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Streams.h"

using namespace gif;

TGifPicture::TGifPicture() { Reset(); }

TGifPicture::~TGifPicture() {
  StopAllPainters();
  Reset();
  if (screenPalette_ != nullptr) DeleteObject(screenPalette_);
}

void TGifPicture::RaiseNotice(void* sender, int severity, const std::string& message) {
  if (OnNotice) OnNotice(sender, severity, message);
}

void TGifPicture::ReportProgress(TProgressStage stage, int percent, bool redraw,
                                 const std::string& message) {
  if (OnProgress) OnProgress(this, stage, percent, redraw, TRect(), message);
}

void TGifPicture::Reset() {
  StopAllPainters();
  frames_.Clear();
  allocatedPixels_ = 0;
  header_.ColorMap().Clear();
  header_.Descriptor().ScreenWidth = 0;
  header_.Descriptor().ScreenHeight = 0;
  header_.Prepare();
  SetPalette(nullptr);
}

int TGifPicture::AppendFrame(TGIFSubImage* frame) {
  if (frame == nullptr) Fail(GifTexts::UnsupportedObject);
  const int index = frames_.Add(frame);
  DropSnapshot();
  Changed();
  return index;
}

int TGifPicture::AppendFrame(const TGraphic* graphic) {
  if (graphic == nullptr) Fail(GifTexts::UnsupportedObject);
  auto frame = std::make_unique<TGIFSubImage>(this);
  frame->Assign(graphic);
  return AppendFrame(frame.release());
}

int TGifPicture::RequiredVersion() const {
  int version = 0;
  for (int i = 0; i < frames_.Count() && version < 2; ++i)
    version = std::max(version, frames_.Frame(i)->Version());
  if (version > 0) version = std::max(version, header_.Version());
  return version;
}

int TGifPicture::MaxBitsPerPixel() const {
  int bits = const_cast<TGIFHeader&>(header_).BitsPerPixel();
  for (int i = 0; i < frames_.Count(); ++i) bits = std::max(bits, frames_.Frame(i)->BitsPerPixel());
  return bits;
}

bool TGifPicture::WantsDither() const {
  if ((DrawFlags & GifDrawFlag(dfDither)) == 0) return false;
  if ((DrawFlags & GifDrawFlag(dfAutoDither)) != 0) return GIFAutoDitherNeeded;
  return true;
}

void TGifPicture::GrowScreenToFrames() {
  TLogicalScreenDescriptor& d = header_.Descriptor();
  for (int i = 0; i < frames_.Count(); ++i) {
    const TGIFSubImage* f = frames_.Frame(i);
    d.ScreenWidth = std::uint16_t(std::max<int>(d.ScreenWidth, std::min(0xFFFF, f->Left() + f->Width())));
    d.ScreenHeight =
        std::uint16_t(std::max<int>(d.ScreenHeight, std::min(0xFFFF, f->Top() + f->Height())));
  }
}

void TGifPicture::SetWidth(int w) {
  for (int i = 0; i < frames_.Count(); ++i)
    if (w < frames_.Frame(i)->Left() + frames_.Frame(i)->Width()) Fail(GifTexts::WidthTooSmall);
  if (w == Width()) return;
  header_.Descriptor().ScreenWidth = std::uint16_t(w);
  DropSnapshot();
  Changed();
}

void TGifPicture::SetHeight(int h) {
  for (int i = 0; i < frames_.Count(); ++i)
    if (h < frames_.Frame(i)->Top() + frames_.Frame(i)->Height()) Fail(GifTexts::HeightTooSmall);
  if (h == Height()) return;
  header_.Descriptor().ScreenHeight = std::uint16_t(h);
  DropSnapshot();
  Changed();
}

// ---- palette --------------------------------------------------------------------------

HPALETTE TGifPicture::Palette() const {
  if (inPaletteQuery_) Fail(GifTexts::NoColorTable);
  inPaletteQuery_ = true;
  TScopeExit guard([this] { inPaletteQuery_ = false; });
  if (screenPalette_ != nullptr) return screenPalette_;
  if (WantsDither()) {
    screenPalette_ = WebPalette();
    return screenPalette_;
  }
  if (const_cast<TGIFHeader&>(header_).ColorMap().Count() > 0 || frames_.Count() == 0) {
    screenPalette_ = const_cast<TGIFHeader&>(header_).ColorMap().ExportPalette();
    return screenPalette_;
  }
  return frames_.Frame(0)->Palette();
}

void TGifPicture::SetPalette(HPALETTE palette) {
  if (palette == screenPalette_) return;
  if (screenPalette_ != nullptr) DeleteObject(screenPalette_);
  screenPalette_ = palette;
  if (snapshot_ != nullptr) {
    DropSnapshot();
    paletteModified_ = true;
    Changed();
  }
}

// ---- loading and saving ------------------------------------------------------------------

void TGifPicture::LoadFromStream(TStream& stream) {
  ReportProgress(psStarting, 0, false, GifTexts::Loading);
  bool ok = false;
  TScopeExit ending([&] { ReportProgress(psEnding, ok ? 100 : 0, true, GifTexts::Loading); });
  Reset();
  const std::int64_t start = stream.Position();
  try {
    header_.LoadFromStream(stream);
    frames_.LoadFromStream(stream, this);
    GrowScreenToFrames();
    TGIFTrailer trailer(this);
    trailer.LoadFromStream(stream);
  } catch (...) {
    stream.SetPosition(start);
    GrowScreenToFrames();
    throw;
  }
  ok = true;
}

void TGifPicture::SaveToStream(TStream& stream) {
  ReportProgress(psStarting, 0, false, GifTexts::Saving);
  bool ok = false;
  TScopeExit ending([&] { ReportProgress(psEnding, ok ? 100 : 0, true, GifTexts::Saving); });
  header_.SaveToStream(stream);
  for (int i = 0; i < frames_.Count(); ++i) {
    frames_.Frame(i)->SaveToStream(stream);
    ReportProgress(psRunning, MulDiv(i + 1, 100, frames_.Count()), false, GifTexts::Saving);
  }
  TGIFTrailer trailer(this);
  trailer.SaveToStream(stream);
  ok = true;
}

void TGifPicture::LoadFromClipboardFormat(const TClipboardData& data) {
  if (data.format != GifTexts::ClipboardFormat) Fail(GifTexts::UnsupportedClipboardFormat);
  TMemoryStream stream;
  if (!data.data.empty()) stream.WriteBuffer(data.data.data(), std::int64_t(data.data.size()));
  stream.SetPosition(0);
  LoadFromStream(stream);
}

TClipboardData TGifPicture::SaveToClipboardFormat() {
  TClipboardData result;
  if (Empty()) return result;
  TMemoryStream stream;
  SaveToStream(stream);
  result.format = GifTexts::ClipboardFormat;
  result.data.resize(std::size_t(stream.Size()));
  stream.SetPosition(0);
  if (!result.data.empty()) stream.ReadBuffer(result.data.data(), std::int64_t(result.data.size()));
  return result;
}

// ---- copying ----------------------------------------------------------------------------

void TGifPicture::Assign(const TGraphic* source) {
  if (source == this) return;
  if (source == nullptr) {
    Reset();
    return;
  }
  const auto* gif = dynamic_cast<const TGifPicture*>(source);
  if (gif == nullptr) {
    Reset();
    auto frame = std::make_unique<TGIFSubImage>(this);
    try {
      frame->Assign(source);
    } catch (const EConvertError&) {
      frame.reset();
      TGraphic::Assign(source);
      return;
    }
    AppendFrame(frame.release());
    return;
  }
  Reset();
  OnProgress = gif->OnProgress;
  OnNotice = gif->OnNotice;
  TScopeExit handlers([this] {
    OnProgress = nullptr;
    OnNotice = nullptr;
  });
  ReportProgress(psStarting, 0, false, "Copying...");
  bool ok = false;
  TScopeExit ending([&] { ReportProgress(psEnding, ok ? 100 : 0, false, GifTexts::Copying); });
  header_.Assign(gif->header_);
  DrawFlags = gif->DrawFlags;
  ReductionMethod = gif->ReductionMethod;
  DitherKind = gif->DitherKind;
  FixedFrame = gif->FixedFrame;
  BackdropColor = gif->BackdropColor;
  PainterPriority = gif->PainterPriority;
  OnPlayStart = gif->OnPlayStart;
  OnFramePaint = gif->OnFramePaint;
  OnFrameDone = gif->OnFrameDone;
  OnPlayLoop = gif->OnPlayLoop;
  OnPlayEnd = gif->OnPlayEnd;
  for (int i = 0; i < gif->frames_.Count(); ++i) {
    auto frame = std::make_unique<TGIFSubImage>(this);
    frame->Assign(*gif->frames_.Frame(i));
    AppendFrame(frame.release());
    ReportProgress(psRunning, MulDiv(i + 1, 100, gif->frames_.Count()), false, GifTexts::Copying);
  }
  GrowScreenToFrames();
  ok = true;
}

void TGifPicture::AssignTo(TGraphic* destination) {
  auto* bitmap = dynamic_cast<TBitmap*>(destination);
  if (bitmap == nullptr) throw EConvertError("Cannot assign a TGifPicture to a " +
                                             std::string(destination != nullptr ? destination->ClassName() : "nil"));
  TBitmap* snapshot = RenderSnapshot();
  bitmap->Assign(snapshot);
}

// ---- snapshot and drawing ------------------------------------------------------------------

TBitmap* TGifPicture::RenderSnapshot() {
  if (Empty()) return nullptr;
  if (snapshot_ != nullptr) return snapshot_.get();
  if (std::int64_t(Width()) * Height() > GifMaxFramePixels || Width() <= 0 || Height() <= 0)
    Fail(GifTexts::InvalidImageDimensions);
  auto snapshot = std::make_unique<TBitmap>();
  TGIFSubImage* first = frames_.Frame(0);
  if (first->Width() == Width() && first->Height() == Height() && first->Bitmap() != nullptr) {
    snapshot->Assign(first->Bitmap());
  } else {
    snapshot->SetPixelFormat(pf24bit);
    snapshot->SetSize(Width(), Height());
    first->Draw(snapshot->Canvas(), TRect(0, 0, Width(), Height()), false, false);
  }
  snapshot->OnChange = [this](TGraphic*) { Changed(); };
  snapshot_ = std::move(snapshot);
  return snapshot_.get();
}

TBitmap* TGifPicture::EnsureSnapshot() {
  if (snapshot_ != nullptr) return snapshot_.get();
  if (std::int64_t(Width()) * Height() > GifMaxFramePixels || Width() <= 0 || Height() <= 0)
    Fail(GifTexts::InvalidImageDimensions);
  snapshot_ = std::make_unique<TBitmap>(Width(), Height(), pf24bit);
  snapshot_->OnChange = [this](TGraphic*) { Changed(); };
  return snapshot_.get();
}

void TGifPicture::DropSnapshot() {
  if (activePainter_ != nullptr) activePainter_->Stop();
  snapshot_.reset();
}

void TGifPicture::DrawSnapshot(TCanvas* canvas, const TRect& rect) {
  if (snapshot_ == nullptr) return;
  if ((DrawFlags & GifDrawFlag(dfTile)) == 0) {
    canvas->StretchDraw(rect, snapshot_.get());
    return;
  }
  // a screen of no size has no tile step: nothing is drawn
  if (Width() <= 0 || Height() <= 0) return;
  for (int x = rect.Left; x < rect.Right; x += Width())
    for (int y = rect.Top; y < rect.Bottom; y += Height())
      canvas->StretchDraw(TRect(x, y, x + Width(), y + Height()), snapshot_.get());
}

void TGifPicture::Draw(TCanvas* canvas, const TRect& rect) {
  if (inDraw_ || Empty() || canvas == nullptr) return;
  inDraw_ = true;
  TScopeExit guard([this] { inDraw_ = false; });
  if (frames_.Count() == 1 || (DrawFlags & GifDrawFlag(dfAnimate)) == 0) {
    const int index = FixedFrame >= 0 && FixedFrame < frames_.Count() ? FixedFrame : 0;
    frames_.Frame(index)->Draw(canvas, rect, (DrawFlags & GifDrawFlag(dfTile)) != 0,
                               (DrawFlags & GifDrawFlag(dfTransparent)) != 0);
    return;
  }
  const bool direct = (DrawFlags & GifDrawFlag(dfDirectDraw)) != 0;
  if (snapshot_ != nullptr && !direct) {
    DrawSnapshot(canvas, rect);
    return;
  }
  painterList_.LockList();
  TScopeExit unlock([this] { painterList_.UnlockList(); });
  if (activePainter_ != nullptr && activePainter_->Canvas() == canvas &&
      activePainter_->Rect() == rect)
    return;
  HaltDrawing();
  TCanvas* target = canvas;
  TRect targetRect = rect;
  if (!direct) {
    TBitmap* snapshot = EnsureSnapshot();
    targetRect = TRect(0, 0, snapshot->Width(), snapshot->Height());
    snapshot->Canvas()->CopyRect(targetRect, canvas, rect);
    target = snapshot->Canvas();
  }
  TGIFPainter* painter = StartPainter(&activePainter_, target, DrawFlags, targetRect);
  if (painter == nullptr) {
    if (!direct) DrawSnapshot(canvas, rect);
    return;
  }
  painter->StartPainting();
  if (direct) return;
  // until the first frame is painted; the painter paints on this thread
  while (activePainter_ == painter && !painter->Terminated() && !painter->Started())
    if (!TThread::CheckSynchronize()) GIFPainterClock().Sleep(0);
  DrawSnapshot(canvas, rect);
}

TGIFPainter* TGifPicture::StartPainter(TGIFPainter** reference, TCanvas* canvas,
                                       std::uint16_t flags, const TRect& rect) {
  if (Empty() || rect.Left >= rect.Right || rect.Top >= rect.Bottom) {
    if (reference != nullptr) *reference = nullptr;
    return nullptr;
  }
  if (frames_.Count() == 1)
    flags = std::uint16_t(flags & ~(GifDrawFlag(dfAsync) | GifDrawFlag(dfAnimate)));
  auto painter = std::make_unique<TGIFPainter>(this, canvas, rect, flags, reference);
  painterList_.Add(painter.get());
  if (painter->Async()) return painter.release();
  painter->Play();
  const std::exception_ptr failure = painter->CapturedException();
  painter.reset(); // the end step leaves the list and clears the reference
  if (reference != nullptr) *reference = nullptr;
  if (failure != nullptr) std::rethrow_exception(failure);
  return nullptr;
}

void TGifPicture::HaltDrawing() {
  while (true) {
    TGIFPainter* painter = nullptr;
    {
      painterList_.LockList();
      TScopeExit unlock([this] { painterList_.UnlockList(); });
      painter = activePainter_;
      if (painter == nullptr) break;
      painter->Stop();
      if (!painter->Async()) break;
    }
    if (TThread::IsMainThread())
      while (TThread::CheckSynchronize()) {
      }
    GIFPainterClock().Sleep(0);
  }
  DropSnapshot();
}

void TGifPicture::StopAllPainters() {
  while (true) {
    int async = 0;
    {
      TList& list = painterList_.LockList();
      TScopeExit unlock([this] { painterList_.UnlockList(); });
      if (list.Count() == 0) break;
      for (int i = list.Count() - 1; i >= 0; --i) {
        auto* painter = static_cast<TGIFPainter*>(list.Items(i));
        painter->Stop();
        if (painter->Async()) ++async;
      }
    }
    if (async == 0) break;
    if (TThread::IsMainThread())
      while (TThread::CheckSynchronize()) {
      }
    GIFPainterClock().Sleep(0);
  }
  DropSnapshot();
}
