#include "platform/forms/Clipboard.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <map>

#include "platform/forms/TextUtil.h"
#include "platform/graphics/Graphic.h"
#include "platform/graphics/QtBridge.h"
#include "platform/rtl/Streams.h"

namespace {

struct TFormatTable {
  std::map<UINT, std::string> mimeById;
  std::map<std::string, UINT> idByName; // lower-case names
  UINT next = 0xC000;
};

TFormatTable& formats() {
  static TFormatTable t;
  return t;
}

QMimeData*& pending() {
  static QMimeData* m = nullptr;
  return m;
}

const QMimeData* current() {
  if (pending() != nullptr) return pending();
  return QGuiApplication::clipboard()->mimeData();
}

/// The content a write goes to: the batch between Open and Close, or a new
/// content that replaces the clipboard's.
template <class F> void write(int openCount, F fill) {
  if (openCount > 0) {
    if (pending() == nullptr) pending() = new QMimeData;
    fill(*pending());
    return;
  }
  auto* data = new QMimeData;
  fill(*data);
  QGuiApplication::clipboard()->setMimeData(data);
}

QString mimeFor(UINT format) {
  auto& t = formats().mimeById;
  auto it = t.find(format);
  if (it == t.end()) throw EClipboardException("Unsupported clipboard format");
  return QString::fromStdString(it->second);
}

} // namespace

UINT RegisterClipboardFormat(const std::string& name) {
  if (name.empty()) return 0;
  TFormatTable& t = formats();
  std::string key = forms_detail::LowerName(name);
  auto it = t.idByName.find(key);
  if (it != t.idByName.end()) return it->second;
  UINT id = t.next++;
  t.idByName[key] = id;
  std::string mime = key == "gif image"     ? "image/gif"
                     : key == "tarvex icon" ? "application/x-tarvex-icon"
                                            : "application/x-skorvaplinth-" + key;
  for (char& c : mime)
    if (c == ' ') c = '-';
  t.mimeById[id] = mime;
  return id;
}

std::string ClipboardFormatMime(UINT format) {
  switch (format) {
  case CF_TEXT:
  case CF_UNICODETEXT:
    return "text/plain";
  case CF_BITMAP:
  case CF_DIB:
    return "image/bmp";
  case CF_ENHMETAFILE:
  case CF_METAFILEPICT:
    return "image/svg+xml";
  default: {
    auto& t = formats().mimeById;
    auto it = t.find(format);
    return it == t.end() ? std::string() : it->second;
  }
  }
}

void TClipboard::Open() {
  ++openCount_;
}

void TClipboard::Close() {
  if (openCount_ == 0) return;
  if (--openCount_ == 0 && pending() != nullptr) {
    QGuiApplication::clipboard()->setMimeData(pending());
    pending() = nullptr;
  }
}

void TClipboard::Clear() {
  if (openCount_ > 0) {
    delete pending();
    pending() = new QMimeData;
    return;
  }
  QGuiApplication::clipboard()->clear();
}

std::string TClipboard::AsText() const {
  const QMimeData* m = current();
  return m && m->hasText() ? m->text().toStdString() : std::string();
}

void TClipboard::SetAsText(const std::string& text) {
  write(openCount_, [&](QMimeData& m) { m.setText(QString::fromStdString(text)); });
}

bool TClipboard::HasFormat(UINT format) const {
  const QMimeData* m = current();
  if (m == nullptr) return false;
  switch (format) {
  case CF_TEXT:
  case CF_UNICODETEXT:
    return m->hasText();
  case CF_BITMAP:
  case CF_DIB:
    return m->hasImage() || m->hasFormat("image/bmp");
  case CF_ENHMETAFILE:
  case CF_METAFILEPICT:
    return m->hasFormat("image/svg+xml");
  default: {
    std::string mime = ClipboardFormatMime(format);
    return !mime.empty() && m->hasFormat(QString::fromStdString(mime));
  }
  }
}

void TClipboard::SetData(UINT format, const std::vector<std::uint8_t>& data) {
  if (format == CF_TEXT || format == CF_UNICODETEXT) {
    SetAsText(std::string(data.begin(), data.end()));
    return;
  }
  QString mime = mimeFor(format);
  QByteArray bytes(reinterpret_cast<const char*>(data.data()), qsizetype(data.size()));
  write(openCount_, [&](QMimeData& m) { m.setData(mime, bytes); });
}

std::vector<std::uint8_t> TClipboard::GetData(UINT format) const {
  if (format == CF_TEXT || format == CF_UNICODETEXT) {
    std::string t = AsText();
    return std::vector<std::uint8_t>(t.begin(), t.end());
  }
  QString mime = mimeFor(format);
  const QMimeData* m = current();
  if (m == nullptr) return {};
  QByteArray b = m->data(mime);
  return std::vector<std::uint8_t>(b.begin(), b.end());
}

void TClipboard::SetBitmap(const TDibData& dib) {
  QImage img = DibToQImage(dib);
  QByteArray bmp;
  QBuffer buf(&bmp);
  buf.open(QIODevice::WriteOnly);
  img.save(&buf, "BMP");
  write(openCount_, [&](QMimeData& m) {
    m.setImageData(img);
    m.setData("image/bmp", bmp);
  });
}

bool TClipboard::GetBitmap(TDibData& dib) const {
  const QMimeData* m = current();
  if (m == nullptr) return false;
  QImage img;
  if (m->hasImage()) img = qvariant_cast<QImage>(m->imageData());
  if (img.isNull() && m->hasFormat("image/bmp")) img.loadFromData(m->data("image/bmp"), "BMP");
  if (img.isNull() && m->hasFormat("image/png")) img.loadFromData(m->data("image/png"), "PNG");
  if (img.isNull()) return false;
  // An empty DIB has no depth yet: the clipboard's image comes as 32 bits.
  if (dib.DibBitsPerPixel() == 0) dib = TDibData(img.width(), img.height(), 32);
  QImageToDib(img.convertToFormat(QImage::Format_RGB32), dib);
  return true;
}

void TClipboard::SetPicture(const std::string& svg, const TDibData& rendering) {
  QImage img = DibToQImage(rendering);
  QByteArray png;
  QBuffer buf(&png);
  buf.open(QIODevice::WriteOnly);
  img.save(&buf, "PNG");
  write(openCount_, [&](QMimeData& m) {
    m.setData("image/svg+xml", QByteArray::fromStdString(svg));
    m.setData("image/png", png);
  });
}

std::string TClipboard::GetSvg() const {
  const QMimeData* m = current();
  if (m == nullptr || !m->hasFormat("image/svg+xml")) return {};
  return m->data("image/svg+xml").toStdString();
}

void TClipboard::Assign(TGraphic* graphic) {
  if (graphic == nullptr) return;
  TClipboardData d = graphic->SaveToClipboardFormat();
  QByteArray bytes(reinterpret_cast<const char*>(d.data.data()), qsizetype(d.data.size()));
  std::string svg;
  if (std::string(graphic->ClassName()) == "TMetafile") {
    TMemoryStream stream;
    graphic->SaveToStream(stream);
    svg.assign(reinterpret_cast<const char*>(stream.Memory()), size_t(stream.Size()));
  }
  QImage image;
  if (d.format == "image/bmp" || d.format == "image/png") image.loadFromData(bytes);
  write(openCount_, [&](QMimeData& m) {
    m.setData(QString::fromStdString(d.format), bytes);
    if (!image.isNull()) m.setImageData(image);
    if (!svg.empty()) m.setData("image/svg+xml", QByteArray::fromStdString(svg));
  });
}

bool TClipboard::AssignTo(TGraphic* graphic) const {
  const QMimeData* m = current();
  if (graphic == nullptr || m == nullptr) return false;
  QByteArray bmp = m->data("image/bmp");
  if (bmp.isEmpty()) {
    QImage img;
    if (m->hasImage()) img = qvariant_cast<QImage>(m->imageData());
    if (img.isNull() && m->hasFormat("image/png")) img.loadFromData(m->data("image/png"), "PNG");
    if (img.isNull()) return false;
    QBuffer buf(&bmp);
    buf.open(QIODevice::WriteOnly);
    img.convertToFormat(QImage::Format_RGB888).save(&buf, "BMP");
  }
  TClipboardData d;
  d.format = "image/bmp";
  d.data.assign(bmp.begin(), bmp.end());
  graphic->LoadFromClipboardFormat(d);
  return true;
}

TClipboard* Clipboard() {
  static TClipboard c;
  return &c;
}
