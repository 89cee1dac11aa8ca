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
  DropSnapshot();
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
    // pictures of other kinds are not turned into frames
    TGraphic::Assign(source);
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

void TGifPicture::DropSnapshot() { snapshot_.reset(); }

void TGifPicture::Draw(TCanvas* canvas, const TRect& rect) {
  if (inDraw_ || Empty() || canvas == nullptr) return;
  inDraw_ = true;
  TScopeExit guard([this] { inDraw_ = false; });
  const int index = FixedFrame >= 0 && FixedFrame < frames_.Count() ? FixedFrame : 0;
  frames_.Frame(index)->Draw(canvas, rect, (DrawFlags & GifDrawFlag(dfTile)) != 0,
                             (DrawFlags & GifDrawFlag(dfTransparent)) != 0);
}
