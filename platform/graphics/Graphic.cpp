#include "platform/graphics/Graphic.h"

#include <QSaveFile>
#include <algorithm>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Jpeg.h"
#include "platform/graphics/Metafile.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Streams.h"

std::string PictureTooLarge(std::int64_t width, std::int64_t height) {
  return Format("image of %d × %d pixels is larger than the %d pixels a picture may have",
                {width, height, kMaxPicturePixels});
}

// ---- TGraphic -----------------------------------------------------------------------------

void TGraphic::SetTransparent(bool t) {
  if (t == transparent_) return;
  transparent_ = t;
  Changed();
}

void TGraphic::SetModified(bool m) {
  if (m)
    Changed();
  else
    modified_ = false;
}

void TGraphic::Changed() {
  modified_ = true;
  if (OnChange) OnChange(this);
}

void TGraphic::Progress(TProgressStage stage, int percent, const std::string& message) {
  if (OnProgress) OnProgress(this, stage, percent, false, TRect(), message);
}

void TGraphic::LoadFromFile(const std::string& fileName) {
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream);
}

void TGraphic::SaveToFile(const std::string& fileName) {
  // The whole file is made in memory first and then replaces the old one in
  // one step: a failing encoder or a full disk leaves the old file alone.
  TMemoryStream memory;
  SaveToStream(memory);
  QSaveFile file(QString::fromStdString(ExpandFileName(fileName)));
  if (!file.open(QIODevice::WriteOnly)) throw EFCreateError("Cannot create file " + fileName);
  if (memory.Size() > 0 &&
      file.write(reinterpret_cast<const char*>(memory.Memory()), memory.Size()) != memory.Size()) {
    file.cancelWriting();
    throw EWriteError("Stream write error");
  }
  if (!file.commit()) throw EWriteError("Stream write error");
}

void TGraphic::LoadFromClipboardFormat(const TClipboardData& data) {
  TMemoryStream m;
  if (!data.data.empty()) m.WriteBuffer(data.data.data(), std::int64_t(data.data.size()));
  m.SetPosition(0);
  LoadFromStream(m);
}

TClipboardData TGraphic::SaveToClipboardFormat() {
  TMemoryStream m;
  SaveToStream(m);
  TClipboardData d;
  d.format = ClassName();
  d.data.assign(m.Memory(), m.Memory() + m.Size());
  return d;
}

void TGraphic::Assign(const TGraphic* source) {
  if (source == this) return;
  if (!source) throw EConvertError("Cannot assign nil to a " + std::string(ClassName()));
  if (std::string(source->ClassName()) != ClassName())
    throw EConvertError("Cannot assign a " + std::string(source->ClassName()) + " to a " +
                        ClassName());
  TMemoryStream m;
  const_cast<TGraphic*>(source)->SaveToStream(m);
  m.SetPosition(0);
  LoadFromStream(m);
}

bool TGraphic::Equals(TGraphic* other) {
  if (!other || std::string(other->ClassName()) != ClassName()) return false;
  if (Empty() != other->Empty()) return false;
  if (Empty()) return true;
  TMemoryStream a, b;
  SaveToStream(a);
  other->SaveToStream(b);
  return a.Size() == b.Size() && std::equal(a.Memory(), a.Memory() + a.Size(), b.Memory());
}

void TGraphic::ReadData(TStream& stream) {
  std::int32_t size = 0;
  stream.ReadBuffer(&size, 4);
  if (size < 0) throw EInvalidGraphic("Bitmap image is not valid");
  TMemoryStream m;
  if (size > 0) m.CopyFrom(stream, size);
  m.SetPosition(0);
  LoadFromStream(m);
}

void TGraphic::WriteData(TStream& stream) {
  TMemoryStream m;
  SaveToStream(m);
  std::int32_t size = std::int32_t(m.Size());
  stream.WriteBuffer(&size, 4);
  if (size) stream.WriteBuffer(m.Memory(), size);
}

// ---- registry -----------------------------------------------------------------------------

namespace {

struct TFormat {
  std::string extension; // lower case, no dot
  std::string description;
  std::string className;
  TGraphicFactory factory;
};

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
  return s;
}

std::vector<TFormat>& Formats() {
  static std::vector<TFormat> formats = [] {
    std::vector<TFormat> f;
    auto bmp = [] { return std::unique_ptr<TGraphic>(new TBitmap()); };
    auto jpg = [] { return std::unique_ptr<TGraphic>(new TJPEGImage()); };
    f.push_back({"bmp", "Bitmaps", "TBitmap", bmp});
    f.push_back({"jpg", "JPEG Image File", "TJPEGImage", jpg});
    f.push_back({"jpeg", "JPEG Image File", "TJPEGImage", jpg});
    return f;
  }();
  return formats;
}

std::vector<TFormat>& ClipboardFormats() {
  static std::vector<TFormat> formats;
  return formats;
}

} // namespace

void TPicture::RegisterFileFormat(const std::string& extension, const std::string& description,
                                  const std::string& className, TGraphicFactory factory) {
  std::string ext = Lower(extension);
  if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  Formats().push_back({ext, description, className, std::move(factory)});
}

void TPicture::RegisterClipboardFormat(const std::string& format, const std::string& className,
                                       TGraphicFactory factory) {
  ClipboardFormats().push_back({format, "", className, std::move(factory)});
}

void TPicture::UnregisterGraphicClass(const std::string& className) {
  for (auto* list : {&Formats(), &ClipboardFormats()})
    list->erase(std::remove_if(list->begin(), list->end(),
                               [&](const TFormat& f) { return f.className == className; }),
                list->end());
}

std::unique_ptr<TGraphic> TPicture::CreateForExtension(const std::string& extension) {
  std::string ext = Lower(extension);
  if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  auto& f = Formats();
  for (auto it = f.rbegin(); it != f.rend(); ++it)
    if (it->extension == ext) return it->factory();
  return nullptr;
}

std::unique_ptr<TGraphic> TPicture::CreateForClassName(const std::string& className) {
  for (auto* list : {&Formats(), &ClipboardFormats()})
    for (auto it = list->rbegin(); it != list->rend(); ++it)
      if (it->className == className) return it->factory();
  // classes without a file extension of their own
  if (className == "TMetafile") return std::unique_ptr<TGraphic>(new TMetafile());
  return nullptr;
}

std::vector<std::pair<std::string, std::string>> TPicture::FileFormats() {
  std::vector<std::pair<std::string, std::string>> out;
  for (const TFormat& f : Formats())
    out.emplace_back(f.extension, f.description);
  return out;
}

// ---- TPicture --------------------------------------------------------------------------------

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::GraphicChanged() {
  if (OnChange) OnChange(this);
}

void TPicture::SetGraphic(std::unique_ptr<TGraphic> graphic) {
  graphic_ = std::move(graphic);
  if (graphic_) graphic_->OnChange = [this](TGraphic*) { GraphicChanged(); };
  GraphicChanged();
}

void TPicture::SetGraphic(const TGraphic* graphic) {
  if (!graphic) {
    SetGraphic(std::unique_ptr<TGraphic>());
    return;
  }
  std::unique_ptr<TGraphic> copy = CreateForClassName(graphic->ClassName());
  if (!copy) throw EInvalidGraphic("Unknown picture class " + std::string(graphic->ClassName()));
  copy->Assign(graphic);
  SetGraphic(std::move(copy));
}

void TPicture::Assign(const TPicture* source) {
  SetGraphic(source ? source->Graphic() : nullptr);
}

void TPicture::LoadFromFile(const std::string& fileName) {
  std::string ext = ExtractFileExt(fileName);
  if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  std::unique_ptr<TGraphic> g = CreateForExtension(ext);
  if (!g) throw EInvalidGraphic("Unknown picture file extension (." + ext + ")");
  g->LoadFromFile(fileName);
  SetGraphic(std::move(g));
}

void TPicture::SaveToFile(const std::string& fileName) {
  if (graphic_) graphic_->SaveToFile(fileName);
}
