// The PngPicture module: TPngPicture, the PNG picture class, registered with
// the picture loader for ".png" (RegisterImageCodecs, codecs/ImageCodecs.h).
//
// The picture holds the file as a list of chunk objects; the header chunk
// owns the decoded image (a bottom-up DIB layout with a 256-entry colour
// table, and an alpha plane for grey + alpha and truecolour + alpha).
//
// Files of codecs/png/:
//   PngTexts.cpp      the exception texts and zlib result descriptions
//   PngCrc.cpp        the chunk CRC-32
//   PngChunk.cpp      TChunk, the chunk lists and the chunk class registry
//   PngHeader.cpp     TChunkIHDR (header and image buffers)
//   PngAncillary.cpp  PLTE, tRNS, gAMA, tIME, tEXt, zTXt, IEND and text coding
//   PngDecode.cpp     reading the image data (TChunkIDAT::ReadBody)
//   PngEncode.cpp     writing the image data (TChunkIDAT::WriteTo)
//   PngDraw.cpp       drawing, transparency, palette and pixel access
//   PngPicture.cpp    the picture: loading, saving, copying, registration
#pragma once

#include <array>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "codecs/png/PngTexts.h"
#include "platform/graphics/Graphic.h"

class TBitmap;
class TStream;
class TPngPicture;

SK_DECLARE_EXCEPTION(EPNGInvalidFileHeader, Exception)
SK_DECLARE_EXCEPTION(EPngUnexpectedEnd, Exception)
SK_DECLARE_EXCEPTION(EPNGIHDRNotFirst, Exception)
SK_DECLARE_EXCEPTION(EPNGUnknownCriticalChunk, Exception)
SK_DECLARE_EXCEPTION(EPngInvalidCRC, Exception)
SK_DECLARE_EXCEPTION(EPNGNoImageData, Exception)
SK_DECLARE_EXCEPTION(EPngInvalidIHDR, Exception)
SK_DECLARE_EXCEPTION(EPNGSizeExceeds, Exception)
SK_DECLARE_EXCEPTION(EPNGUnknownCompression, Exception)
SK_DECLARE_EXCEPTION(EPNGUnknownInterlace, Exception)
SK_DECLARE_EXCEPTION(EPNGInvalidPalette, Exception)
SK_DECLARE_EXCEPTION(EPNGMissingMultipleIDAT, Exception)
SK_DECLARE_EXCEPTION(EPNGZLIBError, Exception)
SK_DECLARE_EXCEPTION(EPNGHeaderNotPresent, Exception)
SK_DECLARE_EXCEPTION(EPNGOutMemory, Exception)
SK_DECLARE_EXCEPTION(EPngError, Exception)

/// The most bytes an image's buffers (pixel rows and alpha plane) may take;
/// a larger header raises EPNGSizeExceeds before anything is allocated.
/// Fuzzing lowers it.
inline std::int64_t PngMaxImageBytes = std::int64_t(1) << 30;
/// The most bytes a compressed text chunk inflates to; beyond it the text
/// stays empty.
constexpr std::int64_t PngMaxTextBytes = std::int64_t(8) << 20;

/// CRC-32 of PNG chunks: `crc` is the running (uncomplemented) value,
/// starting at 0xFFFFFFFF; the chunk's CRC is its complement.
std::uint32_t PngUpdateCrc(std::uint32_t crc, const std::uint8_t* data, std::size_t count);
std::uint32_t PngCrc(const std::uint8_t* type, const std::uint8_t* data, std::size_t count);

// ---- chunks ----------------------------------------------------------------------

class TChunk {
public:
  explicit TChunk(TPngPicture* owner);
  virtual ~TChunk();
  TChunk(const TChunk&) = delete;
  TChunk& operator=(const TChunk&) = delete;

  /// The chunk type of the class ("" for the generic chunk).
  virtual std::string TypeName() const { return ""; }
  /// A new empty chunk of this class.
  virtual std::unique_ptr<TChunk> NewOfClass(TPngPicture* owner) const;
  virtual void CopyFrom(const TChunk& source);
  /// Reads `length` data bytes and the CRC (raises EPngInvalidCRC).
  virtual bool ReadBody(TStream& stream, const std::uint8_t* type, std::uint32_t length);
  /// Writes length, type, data and CRC.
  virtual bool WriteTo(TStream& stream);

  TPngPicture* Owner() const { return owner_; }
  const std::array<std::uint8_t, 4>& ChunkType() const { return type_; }
  std::string ChunkTypeText() const { return std::string(type_.begin(), type_.end()); }
  void SetChunkType(const std::uint8_t* type);
  std::uint8_t* Data() { return data_.data(); }
  const std::uint8_t* Data() const { return data_.data(); }
  std::uint32_t DataSize() const { return dataSize_; }
  /// Data size n, buffer n + 1 bytes; existing bytes stay.
  void ResizeData(std::uint32_t n);

protected:
  class TChunkIHDR& Header() const;
  void WriteFramed(TStream& stream, const std::uint8_t* data, std::uint32_t count);

  TPngPicture* owner_;
  std::array<std::uint8_t, 4> type_{};
  std::vector<std::uint8_t> data_;
  std::uint32_t dataSize_ = 0;
};

/// A growable array of untyped pointers with an owner picture.
class TPNGPointerList {
public:
  explicit TPNGPointerList(TPngPicture* owner) : owner_(owner) {}
  virtual ~TPNGPointerList() = default;
  std::uint32_t Count() const { return std::uint32_t(items_.size()); }
  void Add(void* item) { items_.push_back(item); }
  void SetCount(std::uint32_t count) { items_.resize(count, nullptr); }
  /// nullptr beyond the last item.
  void* Get(std::uint32_t index) const { return index < items_.size() ? items_[index] : nullptr; }
  /// Ignored beyond the last item.
  void Set(std::uint32_t index, void* item) {
    if (index < items_.size()) items_[index] = item;
  }
  /// Removes the last position holding `item`; returns it, or nullptr.
  void* Remove(void* item);
  TPngPicture* Owner() const { return owner_; }

private:
  TPngPicture* owner_;
  std::vector<void*> items_;
};

/// The picture's chunks in file order (the picture owns them).
class TPNGList : public TPNGPointerList {
public:
  using TPNGPointerList::TPNGPointerList;
  TChunk* Item(std::uint32_t index) const { return static_cast<TChunk*>(Get(index)); }
  /// The first chunk of class T or of a class derived from it.
  template <typename T> T* ItemFromClass() const {
    for (std::uint32_t i = 0; i < Count(); ++i)
      if (auto* c = dynamic_cast<T*>(Item(i))) return c;
    return nullptr;
  }
};

class TChunkIEND : public TChunk {
public:
  using TChunk::TChunk;
  std::string TypeName() const override { return "IEND"; }
  std::unique_ptr<TChunk> NewOfClass(TPngPicture* owner) const override;
};

/// The description of the image buffer: a DIB header and 256 colours.
using TPngBitmapInfo = BITMAPINFO;

class TChunkIHDR : public TChunk {
public:
  explicit TChunkIHDR(TPngPicture* owner);
  ~TChunkIHDR() override;
  std::string TypeName() const override { return "IHDR"; }
  std::unique_ptr<TChunk> NewOfClass(TPngPicture* owner) const override;
  void CopyFrom(const TChunk& source) override;
  bool ReadBody(TStream& stream, const std::uint8_t* type, std::uint32_t length) override;
  bool WriteTo(TStream& stream) override;

  /// Rebuilds the image buffers from the header fields (zeroed).
  void PrepareBuffers();
  void FreeBuffers();

  std::uint32_t Width = 0, Height = 0;
  std::uint8_t BitDepth = 0, ColorType = 0, CompressionMethod = 0, FilterMethod = 0,
               InterlaceMethod = 0;

  bool PaletteFlag() const { return paletteFlag_; }
  TPngBitmapInfo& BitmapInfo() { return info_; }
  const TPngBitmapInfo& BitmapInfo() const { return info_; }
  /// Bits per pixel of the image buffer (0 for a pair without a buffer).
  int BufferBits() const { return info_.bmiHeader.biBitCount; }
  std::int32_t BytesPerRow() const { return bytesPerRow_; }
  /// The pixel rows, bottom-up; nullptr before PrepareBuffers.
  std::uint8_t* ImageData() { return image_.empty() ? nullptr : image_.data(); }
  const std::uint8_t* ImageData() const { return image_.empty() ? nullptr : image_.data(); }
  /// Image row y (0 = top) of the buffer.
  std::uint8_t* ImageRow(std::uint32_t y) {
    return image_.data() + std::size_t(Height - 1 - y) * std::size_t(bytesPerRow_);
  }
  /// width × height bytes, top-down; nullptr unless the image has alpha.
  std::uint8_t* ImageAlpha() { return alpha_.empty() ? nullptr : alpha_.data(); }
  const std::uint8_t* ImageAlpha() const { return alpha_.empty() ? nullptr : alpha_.data(); }

  /// Buffer bits per pixel of a colour type / bit depth pair (0 when PNG
  /// has no such pair).
  static int BufferBitsOf(int colorType, int bitDepth);
  /// Bytes of the buffers of an image (rows and alpha plane).
  static std::int64_t ImageBytesOf(std::uint32_t width, std::uint32_t height, int colorType,
                                   int bitDepth);

private:
  bool paletteFlag_ = false;
  TPngBitmapInfo info_{};
  std::int32_t bytesPerRow_ = 0;
  /// Zeroed storage from calloc whose resize leaves the zeros alone: a large
  /// buffer comes as fresh zero pages, written once by the decoder instead of
  /// cleared first and then written.
  template <class T> struct TZeroedAllocator {
    using value_type = T;
    TZeroedAllocator() = default;
    template <class U> TZeroedAllocator(const TZeroedAllocator<U>&) noexcept {}
    T* allocate(std::size_t n) {
      void* p = std::calloc(n, sizeof(T));
      if (p == nullptr) throw std::bad_alloc();
      return static_cast<T*>(p);
    }
    void deallocate(T* p, std::size_t) noexcept { std::free(p); }
    template <class U> void construct(U*) noexcept {} // already zero
    template <class U, class V> void construct(U* p, V&& v) { ::new (static_cast<void*>(p)) U(std::forward<V>(v)); }
    template <class U> bool operator==(const TZeroedAllocator<U>&) const noexcept { return true; }
  };
  using TBuffer = std::vector<std::uint8_t, TZeroedAllocator<std::uint8_t>>;
  TBuffer image_;
  TBuffer alpha_;
};

class TChunkIDAT : public TChunk {
public:
  using TChunk::TChunk;
  std::string TypeName() const override { return "IDAT"; }
  std::unique_ptr<TChunk> NewOfClass(TPngPicture* owner) const override;
  /// Inflates this and every directly following IDAT chunk into the image.
  bool ReadBody(TStream& stream, const std::uint8_t* type, std::uint32_t length) override;
  /// Filters, deflates and writes the image as IDAT chunks.
  bool WriteTo(TStream& stream) override;
};

class TChunkPLTE : public TChunk {
public:
  using TChunk::TChunk;
  std::string TypeName() const override { return "PLTE"; }
  std::unique_ptr<TChunk> NewOfClass(TPngPicture* owner) const override;
  void CopyFrom(const TChunk& source) override;
  bool ReadBody(TStream& stream, const std::uint8_t* type, std::uint32_t length) override;
  bool WriteTo(TStream& stream) override;
  /// The colour table entry (blue in the low byte, then green, red);
  /// EPngError beyond the entry count.
  std::uint32_t Entry(std::uint32_t index) const;
  std::int32_t Count = 0;
};

class TChunktRNS : public TChunk {
public:
  using TChunk::TChunk;
  std::string TypeName() const override { return "tRNS"; }
  std::unique_ptr<TChunk> NewOfClass(TPngPicture* owner) const override;
  void CopyFrom(const TChunk& source) override;
  bool ReadBody(TStream& stream, const std::uint8_t* type, std::uint32_t length) override;
  bool WriteTo(TStream& stream) override;
  /// The colour the image buffer shows for the key (COLORREF).
  COLORREF KeyColor() const;
  void SetKeyColor(COLORREF color);
  bool OneKey = false;
  std::array<std::uint8_t, 256> AlphaTable{};
};

class TChunkgAMA : public TChunk {
public:
  explicit TChunkgAMA(TPngPicture* owner);
  std::string TypeName() const override { return "gAMA"; }
  std::unique_ptr<TChunk> NewOfClass(TPngPicture* owner) const override;
  void CopyFrom(const TChunk& source) override;
  bool ReadBody(TStream& stream, const std::uint8_t* type, std::uint32_t length) override;
  std::uint32_t Value();
  void SetValue(std::uint32_t value);
};

class TChunktIME : public TChunk {
public:
  using TChunk::TChunk;
  std::string TypeName() const override { return "tIME"; }
  std::unique_ptr<TChunk> NewOfClass(TPngPicture* owner) const override;
  bool ReadBody(TStream& stream, const std::uint8_t* type, std::uint32_t length) override;
  bool WriteTo(TStream& stream) override;
  std::uint16_t Year = 0;
  std::uint8_t Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
};

class TChunktEXt : public TChunk {
public:
  using TChunk::TChunk;
  std::string TypeName() const override { return "tEXt"; }
  std::unique_ptr<TChunk> NewOfClass(TPngPicture* owner) const override;
  void CopyFrom(const TChunk& source) override;
  bool ReadBody(TStream& stream, const std::uint8_t* type, std::uint32_t length) override;
  bool WriteTo(TStream& stream) override;
  std::string Keyword, Text;
};

class TChunkzTXt : public TChunktEXt {
public:
  using TChunktEXt::TChunktEXt;
  std::string TypeName() const override { return "zTXt"; }
  std::unique_ptr<TChunk> NewOfClass(TPngPicture* owner) const override;
  bool ReadBody(TStream& stream, const std::uint8_t* type, std::uint32_t length) override;
  bool WriteTo(TStream& stream) override;
};

/// Whole-buffer zlib coding of texts: true and the bytes, or false and
/// zlib's message. Inflating stops with false beyond PngMaxTextBytes.
bool InflateText(const std::uint8_t* data, std::size_t length, std::string& out,
                 std::string& message);
bool DeflateText(const std::uint8_t* data, std::size_t length, int level, std::string& out,
                 std::string& message);

/// Creates a chunk of a class.
using TChunkFactory = std::function<std::unique_ptr<TChunk>(TPngPicture*)>;
/// Registers a chunk class for its type name after the known ones (the
/// lookup takes the first row of a type).
void RegisterChunk(const std::string& typeName, TChunkFactory factory);
/// A chunk of the class registered for `type`, or a generic TChunk.
std::unique_ptr<TChunk> CreateChunk(TPngPicture* owner, const std::uint8_t* type);

// ---- the picture ------------------------------------------------------------------

class TPngPicture : public TGraphic {
public:
  TPngPicture();
  ~TPngPicture() override;

  const char* ClassName() const override { return "TPngPicture"; }
  void Draw(TCanvas* canvas, const TRect& rect) override;
  int Width() const override;
  int Height() const override;
  /// Raise EPngError: the size follows the image.
  void SetWidth(int w) override;
  void SetHeight(int h) override;
  bool Empty() const override { return chunkList_.Count() == 0; }
  bool Transparent() const override;
  /// Kept as the picture's kind decides; setting it does nothing.
  void SetTransparent(bool) override {}
  HPALETTE Palette() const override;
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
  void LoadFromClipboardFormat(const TClipboardData& data) override;
  TClipboardData SaveToClipboardFormat() override;
  /// nullptr empties, a TPngPicture is copied, a TBitmap converted;
  /// anything else raises EConvertError.
  void Assign(const TGraphic* source) override;
  /// Copies into a TPngPicture or a TBitmap; EConvertError otherwise.
  void AssignTo(TGraphic* destination) const;

  /// The colour of a pixel as $00BBGGRR (0 outside the image).
  virtual COLORREF ReadPixel(int x, int y) const;
  virtual void WritePixel(int x, int y, COLORREF color);

  void RemoveAllChunks();
  bool HasHeader() const;
  TChunkIHDR& HeaderChunk() const;
  /// Bytes of one unfiltered file row of `width` pixels and the filter
  /// offset; (0, 0) for a pair PNG does not have.
  static void RowLayoutOf(int colorType, int bitDepth, std::uint32_t width,
                          std::uint32_t& rowBytes, std::uint32_t& offset);
  void RowLayout(std::uint32_t& rowBytes, std::uint32_t& offset) const;
  void CopyFromPNG(const TPngPicture& source);
  /// Builds the picture from a bitmap (palette below 16 bits, truecolour
  /// otherwise); `transparent` adds a tRNS chunk for `keyColor`.
  void BuildFromBitmap(TBitmap& bitmap, bool transparent, COLORREF keyColor);
  int TransparencyKind() const;
  COLORREF TransparentKeyColor() const;

  TPNGList& ChunkList() { return chunkList_; }
  const TPNGList& ChunkList() const { return chunkList_; }

  /// Filter types tried when writing: bit n for type n (0 None .. 4 Paeth).
  std::uint8_t RowFilterSet = 2;
  /// zlib level of the image data written.
  std::uint8_t DeflateLevel = 7;
  /// Adam7 (1) or none (0); taken from the file and written into it.
  std::uint8_t Interlacing = 0;
  std::uint32_t IdatLimit() const { return idatLimit_; }
  /// Values below 65535 become 65535.
  void SetIdatLimit(std::uint32_t n);

  std::array<std::uint8_t, 256> DecodingGamma{};
  std::array<std::uint8_t, 256> EncodingGamma{};
  void ResetGamma();
  /// Deletes the palette handle (new buffers).
  void DropPalette() const;

  template <typename E> [[noreturn]] static void Fail(const char* message) { throw E(message); }

private:
  void DrawBlended(HDC dc, const TRect& rect);
  void DrawWithKeyColor(HDC dc, const TRect& rect, COLORREF key);

  TPNGList chunkList_{this};
  std::uint32_t idatLimit_ = 65535;
  mutable HPALETTE palette_ = nullptr;
};
