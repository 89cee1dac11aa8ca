// The extension blocks in front of a frame: the label and application
// registries, the list that reads them, and the five extension classes.
#include <algorithm>
#include <cstring>

#include "codecs/gif/GifInternal.h"
#include "platform/rtl/Streams.h"

using namespace gif;

namespace gifext {

struct LabelRow {
  TGIFExtensionClassRef cls;
  std::uint8_t label;
};
struct AppRow {
  TGIFExtensionClassRef cls;
  std::array<std::uint8_t, 11> identifier;
};

std::vector<LabelRow>& Labels() {
  static std::vector<LabelRow> rows = {{&TGIFTextExtension::Class, 0x01},
                                       {&TGIFGraphicControlExtension::Class, 0xF9},
                                       {&TGIFCommentExtension::Class, 0xFE},
                                       {&TGIFApplicationExtension::Class, 0xFF}};
  return rows;
}

std::array<std::uint8_t, 11> IdentifierOf(const std::string& text) {
  std::array<std::uint8_t, 11> id{};
  std::memcpy(id.data(), text.data(), std::min<std::size_t>(11, text.size()));
  return id;
}

std::vector<AppRow>& Apps() {
  static std::vector<AppRow> rows = {{&TGIFAppExtNSLoop::Class, IdentifierOf("NETSCAPE2.0")},
                                     {&TGIFAppExtNSLoop::Class, IdentifierOf("ANIMEXTS1.0")}};
  return rows;
}

TGIFExtensionClassRef FindLabel(std::uint8_t label) {
  const auto& rows = Labels();
  for (auto it = rows.rbegin(); it != rows.rend(); ++it)
    if (it->label == label) return it->cls;
  return nullptr;
}

TGIFExtensionClassRef FindApp(const std::uint8_t* identifier) {
  const auto& rows = Apps();
  for (auto it = rows.rbegin(); it != rows.rend(); ++it)
    if (std::memcmp(it->identifier.data(), identifier, 11) == 0) return it->cls;
  return nullptr;
}

// The application extension picks its reader from the block size and the
// identifier.
TGIFExtensionClassRef FindAppSubExtension(TStream& stream) {
  std::uint8_t size = 0;
  if (!ReadByte(stream, size)) return nullptr;
  std::uint8_t id[11];
  if (size == 10) {
    if (stream.Read(id, 10) != 10) return nullptr;
    return &TGIFUnknownAppExtension::Class;
  }
  if (size == 11 && stream.Read(id, 11) == 11) {
    TGIFExtensionClassRef cls = FindApp(id);
    return cls != nullptr ? cls : &TGIFUnknownAppExtension::Class;
  }
  return &TGIFApplicationExtension::Class;
}

} // namespace gifext

void RegisterExtension(std::uint8_t label, TGIFExtensionClassRef cls) {
  gifext::Labels().push_back({cls, label});
}

void RegisterAppExtension(const std::string& identifier, TGIFExtensionClassRef cls) {
  gifext::Apps().push_back({cls, gifext::IdentifierOf(identifier)});
}

const TGIFExtensionClass TGIFGraphicControlExtension::Class = {
    "TGIFGraphicControlExtension",
    [](TGIFSubImage* f) -> TGIFExtension* { return new TGIFGraphicControlExtension(f); }, nullptr};
const TGIFExtensionClass TGIFTextExtension::Class = {
    "TGIFTextExtension", [](TGIFSubImage* f) -> TGIFExtension* { return new TGIFTextExtension(f); },
    nullptr};
const TGIFExtensionClass TGIFCommentExtension::Class = {
    "TGIFCommentExtension",
    [](TGIFSubImage* f) -> TGIFExtension* { return new TGIFCommentExtension(f); }, nullptr};
const TGIFExtensionClass TGIFApplicationExtension::Class = {
    "TGIFApplicationExtension",
    [](TGIFSubImage* f) -> TGIFExtension* { return new TGIFApplicationExtension(f); },
    gifext::FindAppSubExtension};
const TGIFExtensionClass TGIFUnknownAppExtension::Class = {
    "TGIFUnknownAppExtension",
    [](TGIFSubImage* f) -> TGIFExtension* { return new TGIFUnknownAppExtension(f); }, nullptr};
const TGIFExtensionClass TGIFAppExtNSLoop::Class = {
    "TGIFAppExtNSLoop", [](TGIFSubImage* f) -> TGIFExtension* { return new TGIFAppExtNSLoop(f); },
    nullptr};

// ---- the list -----------------------------------------------------------------------

TGIFExtensionList::TGIFExtensionList(TGIFSubImage* frame)
    : TGIFList(frame->Image()) {}

TGIFExtension* TGIFExtensionList::Extension(int index) const {
  return static_cast<TGIFExtension*>(Item(index));
}

void TGIFExtensionList::LoadFromStream(TStream& stream, TGIFSubImage* parent) {
  std::uint8_t b = 0;
  if (!ReadByte(stream, b)) return;
  while (b != ',' && b != ';') {
    if (b != '!') {
      Warning(1, GifTexts::InvalidIntroducer);
      break;
    }
    TGIFExtensionClassRef cls = TGIFExtension::FindExtension(stream);
    if (cls == nullptr) Fail(GifTexts::UnknownExtension);
    Skip(stream, -1);
    std::unique_ptr<TGIFExtension> ext(cls->Create(parent));
    ext->LoadFromStream(stream);
    Add(ext.release());
    if (!ReadByte(stream, b)) return;
  }
  Skip(stream, -1);
}

// ---- the base class -----------------------------------------------------------------

TGIFExtension::TGIFExtension(TGIFSubImage* frame)
    : TGIFItem(frame != nullptr ? frame->Image() : nullptr), frame_(frame) {}

TGIFExtension::~TGIFExtension() {
  if (frame_ != nullptr) frame_->ExtensionItems().Remove(this);
}

TGIFExtensionClassRef TGIFExtension::FindExtension(TStream& stream) {
  const std::int64_t start = stream.Position();
  std::uint8_t label = 0;
  TGIFExtensionClassRef cls = nullptr;
  if (ReadByte(stream, label)) {
    cls = gifext::FindLabel(label);
    while (cls != nullptr && cls->FindSubExtension != nullptr) {
      TGIFExtensionClassRef sub = cls->FindSubExtension(stream);
      if (sub == cls) break;
      cls = sub;
    }
  }
  stream.SetPosition(start);
  return cls;
}

void TGIFExtension::SaveToStream(TStream& stream) {
  const std::uint8_t b[2] = {'!', ExtensionType()};
  stream.WriteBuffer(b, 2);
}

void TGIFExtension::LoadFromStream(TStream& stream) {
  std::uint8_t b[2];
  ReadCheck(stream, b, 2);
  if (b[0] != '!') Fail(GifTexts::InvalidIntroducer);
  if (b[1] != ExtensionType()) Fail(GifTexts::ExtensionMismatch);
}

// ---- graphic control ------------------------------------------------------------------

TGIFGraphicControlExtension::TGIFGraphicControlExtension(TGIFSubImage* frame)
    : TGIFExtension(frame) {
  if (frame != nullptr && frame->ControlExt() == nullptr) frame->SetControlExt(this);
}

TGIFGraphicControlExtension::~TGIFGraphicControlExtension() {
  if (frame_ == nullptr) return;
  if (Transparent()) frame_->SetTransparentFlag(false);
  if (frame_->ControlExt() == this) frame_->SetControlExt(nullptr);
}

void TGIFGraphicControlExtension::SetTransparent(bool value) {
  rec_.PackedFields = std::uint8_t(value ? rec_.PackedFields | 1 : rec_.PackedFields & ~1);
  if (frame_ != nullptr) frame_->SetTransparentFlag(value);
}

void TGIFGraphicControlExtension::SetTransparentColorIndex(int index) {
  const int count = frame_ != nullptr ? frame_->ActiveColorMap().Count() : 0;
  if ((index < 0 || index >= count) && count > 0) {
    Warning(1, GifTexts::InvalidColorIndex);
    index = 0;
  }
  rec_.TransparentColorIndex = std::uint8_t(index);
}

void TGIFGraphicControlExtension::LoadFromStream(TStream& stream) {
  TGIFExtension::LoadFromStream(stream);
  std::uint8_t b[6];
  if (stream.Read(b, 6) != 6) {
    Warning(1, GifTexts::PrematureEnd);
    return;
  }
  rec_ = TGIFGCERec{b[0], b[1], std::uint16_t(b[2] | (b[3] << 8)), b[4], b[5]};
  if (Transparent() && frame_ != nullptr) frame_->SetTransparentFlag(true);
}

void TGIFGraphicControlExtension::SaveToStream(TStream& stream) {
  TGIFExtension::SaveToStream(stream);
  const std::uint8_t b[6] = {rec_.BlockSize,
                             rec_.PackedFields,
                             std::uint8_t(rec_.DelayTime),
                             std::uint8_t(rec_.DelayTime >> 8),
                             rec_.TransparentColorIndex,
                             rec_.Terminator};
  stream.WriteBuffer(b, 6);
}

// ---- plain text and comments ----------------------------------------------------------

void TGIFTextExtension::LoadFromStream(TStream& stream) {
  TGIFExtension::LoadFromStream(stream);
  std::uint8_t b[13];
  ReadCheck(stream, b, 13);
  rec_.BlockSize = b[0];
  rec_.Left = std::uint16_t(b[1] | (b[2] << 8));
  rec_.Top = std::uint16_t(b[3] | (b[4] << 8));
  rec_.Width = std::uint16_t(b[5] | (b[6] << 8));
  rec_.Height = std::uint16_t(b[7] | (b[8] << 8));
  rec_.CellWidth = b[9];
  rec_.CellHeight = b[10];
  rec_.TextFGColorIndex = b[11];
  rec_.TextBGColorIndex = b[12];
  ReadStrings(stream, Text);
}

void TGIFTextExtension::SaveToStream(TStream& stream) {
  TGIFExtension::SaveToStream(stream);
  const std::uint8_t b[13] = {rec_.BlockSize,
                              std::uint8_t(rec_.Left),
                              std::uint8_t(rec_.Left >> 8),
                              std::uint8_t(rec_.Top),
                              std::uint8_t(rec_.Top >> 8),
                              std::uint8_t(rec_.Width),
                              std::uint8_t(rec_.Width >> 8),
                              std::uint8_t(rec_.Height),
                              std::uint8_t(rec_.Height >> 8),
                              rec_.CellWidth,
                              rec_.CellHeight,
                              rec_.TextFGColorIndex,
                              rec_.TextBGColorIndex};
  stream.WriteBuffer(b, 13);
  WriteStrings(stream, Text);
}

void TGIFCommentExtension::LoadFromStream(TStream& stream) {
  TGIFExtension::LoadFromStream(stream);
  ReadStrings(stream, Comment);
}

void TGIFCommentExtension::SaveToStream(TStream& stream) {
  TGIFExtension::SaveToStream(stream);
  WriteStrings(stream, Comment);
}

// ---- application extensions --------------------------------------------------------------

void TGIFApplicationExtension::LoadFromStream(TStream& stream) {
  TGIFExtension::LoadFromStream(stream);
  std::uint8_t size = 0;
  ReadCheck(stream, &size, 1);
  if (size == 10)
    Identifier.fill(0);
  else if (size < 11)
    Fail(GifTexts::UnsupportedAppBlockSize);
  ReadCheck(stream, Identifier.data(), 11);
  Skip(stream, std::int64_t(size) - 11);
  ReadData(stream);
}

void TGIFApplicationExtension::SaveToStream(TStream& stream) {
  TGIFExtension::SaveToStream(stream);
  WriteByte(stream, 11);
  stream.WriteBuffer(Identifier.data(), 11);
  WriteData(stream);
}

void TGIFApplicationExtension::ReadData(TStream& stream) { ReadStrings(stream, blocks_); }

void TGIFApplicationExtension::WriteData(TStream& stream) {
  for (const std::string& b : blocks_) {
    WriteByte(stream, std::uint8_t(b.size()));
    stream.WriteBuffer(b.data(), std::int64_t(b.size()));
  }
  WriteByte(stream, 0);
}

TGIFAppExtNSLoop::TGIFAppExtNSLoop(TGIFSubImage* frame) : TGIFApplicationExtension(frame) {
  Identifier = gifext::IdentifierOf("NETSCAPE2.0");
}

void TGIFAppExtNSLoop::ReadData(TStream& stream) {
  std::uint8_t a = 0;
  while (true) {
    ReadCheck(stream, &a, 1);
    if (a == 0) return;
    std::uint8_t id = 0;
    ReadCheck(stream, &id, 1);
    if ((id & 7) == 1) {
      if (a < 3) Fail(GifTexts::InvalidData);
      std::uint8_t b[2];
      ReadCheck(stream, b, 2);
      Loops = std::uint16_t(b[0] | (b[1] << 8));
      Skip(stream, a - 3);
    } else if ((id & 7) == 2) {
      if (a < 5) Fail(GifTexts::InvalidData);
      std::uint8_t b[4];
      ReadCheck(stream, b, 4);
      BufferSize = std::uint32_t(b[0]) | (std::uint32_t(b[1]) << 8) | (std::uint32_t(b[2]) << 16) |
                   (std::uint32_t(b[3]) << 24);
      Skip(stream, a - 5);
    } else {
      Skip(stream, a - 1);
    }
  }
}

void TGIFAppExtNSLoop::WriteData(TStream& stream) {
  const std::uint8_t loop[5] = {3, 1, std::uint8_t(Loops), std::uint8_t(Loops >> 8)};
  stream.WriteBuffer(loop, 4);
  if (BufferSize != 0) {
    const std::uint8_t b[6] = {5, 2, std::uint8_t(BufferSize), std::uint8_t(BufferSize >> 8),
                               std::uint8_t(BufferSize >> 16), std::uint8_t(BufferSize >> 24)};
    stream.WriteBuffer(b, 6);
  }
  WriteByte(stream, 0);
}
