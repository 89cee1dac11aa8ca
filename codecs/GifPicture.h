// The GifPicture module: TGifPicture, the GIF picture class, registered with
// the picture loader for ".gif" and the clipboard format "GIF Image"
// (RegisterImageCodecs, codecs/ImageCodecs.h).
//
// The picture holds the whole file as objects: the screen header with the
// global colour table, the frames with their local tables, pixels (one
// colour index per byte, rows top-down) and the extension blocks in front of
// each frame.
//
// Files of codecs/gif/:
//   GifTexts.cpp       the error, notice and progress texts
//   GifStreamIO.cpp    exact reads, sub-block text lists
//   GifColorMap.cpp    TGIFColorMap and its global and local kinds
//   GifBlocks.cpp      TGIFItem, TGIFList, TGIFHeader, TGIFFrameList, TGIFTrailer
//   GifExtensions.cpp  the extension registries and the extension blocks
//   GifLzwDecoder.cpp  decoding a frame's image data
//   GifEncoders.cpp    the sub-block writer, the LZW and run-length encoders
//   GifFrame.cpp       TGIFSubImage: bounds, pixels, reading and writing
//   GifFrameDraw.cpp   frame bitmaps, masks, palettes and drawing
//   GifFrameImport.cpp turning bitmaps, icons and other pictures into frames
//   GifColorReduction.cpp, GifDither.cpp
//                      palettes, the quantizer, colour lookups, dither engines
//                      (declared in codecs/gif/GifColorReduction.h)
//   GifPainter.cpp     TGIFPainter: playing an animation
//   GifCompact.cpp     TGifPicture::Compact: making a picture smaller
//   GifPicture.cpp     the picture: loading, saving, copying, drawing
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "codecs/gif/GifColorReduction.h"
#include "codecs/gif/GifTexts.h"
#include "platform/graphics/Graphic.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Lists.h"
#include "platform/rtl/Sync.h"

class TBitmap;
class TStream;
class TGifPicture;
class TGIFSubImage;
class TGIFHeader;
class TGIFPainter;
namespace gif {
class TFrameProgress;
}

/// The exception of every error of the GIF picture.
class GIFException : public EInvalidGraphic {
public:
  using EInvalidGraphic::EInvalidGraphic;
};

/// The most pixels one frame may have; a larger image descriptor raises
/// "Invalid image dimensions" before anything is allocated.
inline std::int64_t GifMaxFramePixels = std::int64_t(1) << 28;
/// The most pixels all frames of one picture may have together.
inline std::int64_t GifMaxTotalPixels = std::int64_t(1) << 30;

/// When true every frame renders its bitmap right after it is read.
inline bool GIFRenderOnLoad = false;
/// True on a palette display of 8 bits or fewer (set at registration).
inline bool GIFAutoDitherNeeded = false;

// Draw flags (bit n of TGifPicture::DrawFlags for value n).
enum TGIFDrawOption : int {
  dfAsync = 0,
  dfTransparent = 1,
  dfAnimate = 2,
  dfLoop = 3,
  dfLoopForever = 4,
  dfCheckCanvas = 5,
  dfDirectDraw = 6,
  dfClearOnLoop = 7,
  dfTile = 8,
  dfDither = 9,
  dfAutoDither = 10
};
constexpr std::uint16_t GifDrawFlag(TGIFDrawOption o) { return std::uint16_t(1u << o); }

// Frame disposal methods (bits 2-4 of the graphic control packed fields).
enum TDisposalMethod : std::uint8_t {
  dpUnspecified = 0,
  dpKeep = 1,
  dpBackground = 2,
  dpPrevious = 3
};

// Encoders of the image data.
enum TGIFEncoding : std::uint8_t { enLZW = 0, enRLE = 1 };

// ---- colour tables ----------------------------------------------------------------

struct TGIFColor {
  std::uint8_t Red = 0, Green = 0, Blue = 0;
};

class TGIFColorMap {
public:
  TGIFColorMap() = default;
  virtual ~TGIFColorMap() = default;
  TGIFColorMap(const TGIFColorMap&) = delete;
  TGIFColorMap& operator=(const TGIFColorMap&) = delete;

  virtual void Assign(const TGIFColorMap& source);
  virtual void Warning(int severity, const std::string& message) = 0;
  /// Use counts of the pixel values of every frame served by the table.
  virtual void BuildHistogram(std::array<std::uint32_t, 256>& counts) = 0;
  /// Renumbers the pixels of every frame served by the table.
  virtual void MapImages(const std::array<std::uint8_t, 256>& map) = 0;
  virtual bool Optimize() = 0;
  virtual void Changed() = 0;

  void Clear();
  void SetCapacity(int n);
  int Capacity() const { return capacity_; }
  int Count() const { return count_; }
  bool Sorted() const { return sorted_; }
  /// Reads n entries (exactly).
  void LoadFromStream(TStream& stream, int n);
  /// The entries, then zero entries up to 2^BitsPerPixel.
  void SaveToStream(TStream& stream) const;
  /// Index of a colour (0x00BBGGRR) or -1.
  int IndexOf(COLORREF color) const;
  int Add(COLORREF color);
  int AddUnique(COLORREF color);
  void Delete(int index);
  /// The colour at an index (0x00BBGGRR); a bad index reads entry 0 with a
  /// notice.
  COLORREF Colors(int index);
  const TGIFColor* Data() const { return entries_.data(); }
  void ImportPalette(HPALETTE palette);
  /// Entries of 4 bytes: blue, green, red, reserved.
  void ImportColorTable(const RGBQUAD* table, int n);
  /// A logical palette of the entries (nullptr when empty); the caller owns it.
  HPALETTE ExportPalette() const;
  int BitsPerPixel() const;
  int ColorResolution() const { return BitsPerPixel() - 1; }
  /// Exchanges the first and third byte of every entry.
  void SwapRedBlue();

protected:
  /// The usage re-sort of Optimize.
  bool DoOptimize();

  std::vector<TGIFColor> entries_;
  int capacity_ = 0;
  int count_ = 0;
  bool sorted_ = false;
};

class TGIFGlobalColorMap : public TGIFColorMap {
public:
  explicit TGIFGlobalColorMap(TGIFHeader* header) : header_(header) {}
  void Warning(int severity, const std::string& message) override;
  void BuildHistogram(std::array<std::uint32_t, 256>& counts) override;
  void MapImages(const std::array<std::uint8_t, 256>& map) override;
  bool Optimize() override;
  void Changed() override;
  TGIFHeader* Header() const { return header_; }

private:
  TGIFHeader* header_;
};

class TGIFLocalColorMap : public TGIFColorMap {
public:
  explicit TGIFLocalColorMap(TGIFSubImage* frame) : frame_(frame) {}
  void Warning(int severity, const std::string& message) override;
  void BuildHistogram(std::array<std::uint32_t, 256>& counts) override;
  void MapImages(const std::array<std::uint8_t, 256>& map) override;
  bool Optimize() override;
  void Changed() override;

private:
  TGIFSubImage* frame_;
};

// ---- block objects ----------------------------------------------------------------

class TGIFItem {
public:
  explicit TGIFItem(TGifPicture* image) : image_(image) {}
  virtual ~TGIFItem() = default;
  TGIFItem(const TGIFItem&) = delete;
  TGIFItem& operator=(const TGIFItem&) = delete;

  /// The version the block requires: 1 (87a) or 2 (89a).
  virtual int Version() const { return 1; }
  virtual void Warning(int severity, const std::string& message);
  virtual void SaveToStream(TStream& stream) = 0;
  virtual void LoadFromStream(TStream& stream) = 0;
  void SaveToFile(const std::string& fileName);
  void LoadFromFile(const std::string& fileName);
  TGifPicture* Image() const { return image_; }
  void SetImage(TGifPicture* image) { image_ = image; }

protected:
  TGifPicture* image_;
};

/// An owning list of block objects.
class TGIFList {
public:
  explicit TGIFList(TGifPicture* image) : image_(image) {}
  virtual ~TGIFList() { Clear(); }
  TGIFList(const TGIFList&) = delete;
  TGIFList& operator=(const TGIFList&) = delete;

  virtual void Warning(int severity, const std::string& message);
  virtual void SaveToStream(TStream& stream);

  TGIFItem* Item(int index) const { return items_[std::size_t(index)]; }
  int Count() const { return int(items_.size()); }
  int Add(TGIFItem* item);
  /// Takes an item out without freeing it.
  void Remove(TGIFItem* item);
  /// Takes the item at an index out and frees it.
  void Delete(int index);
  void Clear();
  TGifPicture* Image() const { return image_; }

protected:
  TGifPicture* image_;
  std::vector<TGIFItem*> items_;
};

/// The logical screen descriptor (7 bytes on disk).
struct TLogicalScreenDescriptor {
  std::uint16_t ScreenWidth = 0, ScreenHeight = 0;
  std::uint8_t PackedFields = 0, BackgroundColorIndex = 0, AspectRatio = 0;
};

class TGIFHeader : public TGIFItem {
public:
  explicit TGIFHeader(TGifPicture* image);
  void Clear();
  void Assign(const TGIFHeader& source);
  void AssignColors(TGIFColorMap& source);
  /// Recomputes the packed fields from the tables.
  void Prepare();
  int Version() const override;
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream) override;
  COLORREF BackgroundColor();
  int BitsPerPixel() const { return colorMap_.BitsPerPixel(); }
  int ColorResolution() const { return colorMap_.ColorResolution(); }
  TGIFGlobalColorMap& ColorMap() { return colorMap_; }
  TLogicalScreenDescriptor& Descriptor() { return descriptor_; }
  const TLogicalScreenDescriptor& Descriptor() const { return descriptor_; }

private:
  TLogicalScreenDescriptor descriptor_;
  TGIFGlobalColorMap colorMap_{this};
};

class TGIFFrameList : public TGIFList {
public:
  using TGIFList::TGIFList;
  TGIFSubImage* Frame(int index) const;
  void LoadFromStream(TStream& stream, TGifPicture* parent);
};

class TGIFTrailer : public TGIFItem {
public:
  using TGIFItem::TGIFItem;
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream) override;
};

// ---- extensions -------------------------------------------------------------------

class TGIFExtension;
struct TGIFExtensionClass;
using TGIFExtensionClassRef = const TGIFExtensionClass*;

/// A class of extension blocks: how to create one and how it chooses the
/// class that reads a block (nullptr: the class itself).
struct TGIFExtensionClass {
  const char* Name;
  TGIFExtension* (*Create)(TGIFSubImage* frame);
  TGIFExtensionClassRef (*FindSubExtension)(TStream& stream);
};

class TGIFExtensionList : public TGIFList {
public:
  TGIFExtensionList(TGIFSubImage* frame);
  TGIFExtension* Extension(int index) const;
  void LoadFromStream(TStream& stream, TGIFSubImage* parent);
};

class TGIFExtension : public TGIFItem {
public:
  explicit TGIFExtension(TGIFSubImage* frame);
  ~TGIFExtension() override;
  virtual std::uint8_t ExtensionType() const = 0;
  virtual TGIFExtensionClassRef ClassRef() const = 0;
  int Version() const override { return 2; }
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream) override;
  TGIFSubImage* SubImage() const { return frame_; }

  /// The class that reads the block at the stream (just after the "!"),
  /// nullptr for an unknown label; the position is kept.
  static TGIFExtensionClassRef FindExtension(TStream& stream);

protected:
  TGIFSubImage* frame_;
};

struct TGIFGCERec {
  std::uint8_t BlockSize = 4, PackedFields = 0;
  std::uint16_t DelayTime = 0;
  std::uint8_t TransparentColorIndex = 0, Terminator = 0;
};

class TGIFGraphicControlExtension : public TGIFExtension {
public:
  explicit TGIFGraphicControlExtension(TGIFSubImage* frame);
  ~TGIFGraphicControlExtension() override;
  static const TGIFExtensionClass Class;
  std::uint8_t ExtensionType() const override { return 0xF9; }
  TGIFExtensionClassRef ClassRef() const override { return &Class; }
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream) override;

  bool Transparent() const { return (rec_.PackedFields & 1) != 0; }
  void SetTransparent(bool value);
  std::uint8_t TransparentColorIndex() const { return rec_.TransparentColorIndex; }
  /// Checked against the frame's active table ("Invalid color index").
  void SetTransparentColorIndex(int index);
  std::uint16_t Delay() const { return rec_.DelayTime; }
  void SetDelay(std::uint16_t value) { rec_.DelayTime = value; }
  bool UserInput() const { return (rec_.PackedFields & 2) != 0; }
  std::uint8_t Disposal() const { return std::uint8_t((rec_.PackedFields >> 2) & 7); }
  void SetDisposal(std::uint8_t value) {
    rec_.PackedFields = std::uint8_t((rec_.PackedFields & 0xE3) | ((value * 4) & 0x1C));
  }
  const TGIFGCERec& Record() const { return rec_; }

private:
  TGIFGCERec rec_;
};

struct TGIFPlainTextRec {
  std::uint8_t BlockSize = 12;
  std::uint16_t Left = 0, Top = 0, Width = 0, Height = 0;
  std::uint8_t CellWidth = 0, CellHeight = 0, TextFGColorIndex = 0, TextBGColorIndex = 0;
};

class TGIFTextExtension : public TGIFExtension {
public:
  using TGIFExtension::TGIFExtension;
  static const TGIFExtensionClass Class;
  std::uint8_t ExtensionType() const override { return 0x01; }
  TGIFExtensionClassRef ClassRef() const override { return &Class; }
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream) override;
  TGIFPlainTextRec& Record() { return rec_; }
  std::vector<std::string> Text;

private:
  TGIFPlainTextRec rec_;
};

class TGIFCommentExtension : public TGIFExtension {
public:
  using TGIFExtension::TGIFExtension;
  static const TGIFExtensionClass Class;
  std::uint8_t ExtensionType() const override { return 0xFE; }
  TGIFExtensionClassRef ClassRef() const override { return &Class; }
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream) override;
  std::vector<std::string> Comment;
};

class TGIFApplicationExtension : public TGIFExtension {
public:
  using TGIFExtension::TGIFExtension;
  static const TGIFExtensionClass Class;
  std::uint8_t ExtensionType() const override { return 0xFF; }
  TGIFExtensionClassRef ClassRef() const override { return &Class; }
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream) override;
  /// The 8 identifier bytes and the 3 authentication bytes.
  std::array<std::uint8_t, 11> Identifier{};
  std::string IdentifierText() const { return std::string(Identifier.begin(), Identifier.end()); }

protected:
  /// The data sub-blocks after the identifier. Blocks of an unregistered
  /// size above 11 keep their sub-blocks like unknown ones.
  virtual void WriteData(TStream& stream);
  virtual void ReadData(TStream& stream);
  /// Raw sub-blocks of data kept as read (one string each).
  std::vector<std::string> blocks_;
};

/// An application extension nobody registered: its sub-blocks kept raw.
class TGIFUnknownAppExtension : public TGIFApplicationExtension {
public:
  using TGIFApplicationExtension::TGIFApplicationExtension;
  static const TGIFExtensionClass Class;
  TGIFExtensionClassRef ClassRef() const override { return &Class; }
  /// The raw sub-blocks (1-255 bytes each).
  std::vector<std::string>& Blocks() { return blocks_; }
};

/// The looping extension ("NETSCAPE2.0", "ANIMEXTS1.0").
class TGIFAppExtNSLoop : public TGIFApplicationExtension {
public:
  explicit TGIFAppExtNSLoop(TGIFSubImage* frame);
  static const TGIFExtensionClass Class;
  TGIFExtensionClassRef ClassRef() const override { return &Class; }
  std::uint16_t Loops = 0;
  std::uint32_t BufferSize = 0;

protected:
  void WriteData(TStream& stream) override;
  void ReadData(TStream& stream) override;
};

/// Registers an extension class for a label (a later one hides an earlier).
void RegisterExtension(std::uint8_t label, TGIFExtensionClassRef cls);
/// Registers an application extension class for an 11-byte identifier.
void RegisterAppExtension(const std::string& identifier, TGIFExtensionClassRef cls);

// ---- frames -----------------------------------------------------------------------

/// The image descriptor (10 bytes on disk).
struct TImageDescriptor {
  std::uint8_t Separator = 0x2C;
  std::uint16_t Left = 0, Top = 0, Width = 0, Height = 0;
  std::uint8_t PackedFields = 0;
};

class TGIFSubImage : public TGIFItem {
public:
  explicit TGIFSubImage(TGifPicture* image);
  ~TGIFSubImage() override;

  int Version() const override;
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream) override;
  /// Copies another frame (pixels, tables, extensions, bounds).
  void Assign(const TGIFSubImage& source);
  /// Turns a picture into the frame: a bitmap (true colour reduced by the
  /// picture's method first), an icon or metafile (drawn, uncovered parts
  /// transparent), any other graphic (through a bitmap); nullptr clears.
  void Assign(const TGraphic* source);
  void Assign(const TPicture* source);

  int Left() const { return descriptor_.Left; }
  int Top() const { return descriptor_.Top; }
  int Width() const { return descriptor_.Width; }
  int Height() const { return descriptor_.Height; }
  void SetLeft(int v) { SetBounds(v, Top(), Width(), Height()); }
  void SetTop(int v) { SetBounds(Left(), v, Width(), Height()); }
  void SetWidth(int v) { SetBounds(Left(), Top(), v, Height()); }
  void SetHeight(int v) { SetBounds(Left(), Top(), Width(), v); }
  void SetBounds(int left, int top, int width, int height);
  TRect BoundsRect() const {
    return TRect(Left(), Top(), Left() + Width(), Top() + Height());
  }
  bool Empty() const { return pixels_.empty() || Width() == 0 || Height() == 0; }
  bool Interlaced() const { return (descriptor_.PackedFields & 0x40) != 0; }
  void SetInterlaced(bool v) {
    descriptor_.PackedFields = std::uint8_t(v ? descriptor_.PackedFields | 0x40
                                              : descriptor_.PackedFields & ~0x40);
  }
  int BitsPerPixel() const { return localColors_.BitsPerPixel(); }
  int ColorResolution() const { return localColors_.ColorResolution(); }
  /// The local table when it has entries, else the global one when that
  /// has, else the (empty) local one.
  TGIFColorMap& ActiveColorMap();

  void AllocatePixels();
  void FreePixels() { pixels_.clear(); pixels_.shrink_to_fit(); }
  /// Allocates when there is no buffer; "Image is empty" for size 0.
  void NeedPixels();
  std::uint8_t* ScanLine(int y);
  std::uint8_t Pixels(int x, int y);
  std::vector<std::uint8_t>& Data() { return pixels_; }
  const std::vector<std::uint8_t>& Data() const { return pixels_; }
  std::int64_t DataSize() const { return std::int64_t(pixels_.size()); }

  bool HasBitmap() const { return bitmap_ != nullptr; }
  void FreeBitmap();
  void FreeMask();
  bool HasMask();
  HBITMAP Mask() const { return mask_; }
  /// The rendered bitmap (8 bits with the frame's palette), or nullptr.
  TBitmap* Bitmap();
  HPALETTE Palette();
  void SetPalette(HPALETTE palette);
  void Clear();

  void Draw(TCanvas* canvas, const TRect& rect, bool tile, bool transparent);
  void StretchDraw(TCanvas* canvas, const TRect& rect, bool tile, bool transparent);
  TRect ScaleRect(const TRect& rect) const;
  /// Cuts transparent borders away.
  void Crop();

  TGIFLocalColorMap& LocalColors() { return localColors_; }
  TImageDescriptor& Descriptor() { return descriptor_; }
  const TImageDescriptor& Descriptor() const { return descriptor_; }
  TGIFExtensionList& ExtensionItems() { return extensions_; }
  bool Transparent() const { return transparent_; }
  void SetTransparentFlag(bool v) { transparent_ = v; }
  TGIFGraphicControlExtension* ControlExt() const { return controlExt_; }
  void SetControlExt(TGIFGraphicControlExtension* e) { controlExt_ = e; }

private:
  void AssignBitmap(TBitmap& source);
  /// Makes the pixels whose mask byte is not 0 transparent with a black
  /// entry appended to the re-sorted local table.
  void AddMask(const std::vector<std::uint8_t>& mask);
  std::unique_ptr<TBitmap> NewRenderBitmap();
  std::unique_ptr<TBitmap> RenderPlain(gif::TFrameProgress& progress);
  std::unique_ptr<TBitmap> RenderDithered(gif::TFrameProgress& progress);
  void MakeMask(const std::vector<std::uint8_t>& bits, bool anyTransparent);
  std::vector<RGBQUAD> PaletteColors();

  std::unique_ptr<TBitmap> bitmap_;
  HBITMAP mask_ = nullptr;
  bool needMask_ = true;
  HPALETTE palette_ = nullptr;
  std::vector<std::uint8_t> pixels_;
  TGIFLocalColorMap localColors_{this};
  TImageDescriptor descriptor_;
  TGIFExtensionList extensions_{this};
  bool transparent_ = false;
  TGIFGraphicControlExtension* controlExt_ = nullptr;
};

/// Decodes a frame's image data (code size byte and sub-blocks) into its
/// pixels.
void GifDecodeFrameData(TGIFSubImage& frame, TStream& stream);
/// Encodes pixels as image data (code size byte, sub-blocks, terminator).
/// `bitsPerPixel` is the minimum code size before raising it to 2.
void GifEncodeLZW(TStream& stream, int bitsPerPixel, int colorCount, const std::uint8_t* pixels,
                  bool interlaced, int width, int height);
void GifEncodeRLE(TStream& stream, int bitsPerPixel, int colorCount, const std::uint8_t* pixels,
                  bool interlaced, int width, int height);

// ---- the picture ------------------------------------------------------------------

class TGifPicture : public TGraphic {
public:
  TGifPicture();
  ~TGifPicture() override;

  const char* ClassName() const override { return "TGifPicture"; }
  void Draw(TCanvas* canvas, const TRect& rect) override;
  int Width() const override { return header_.Descriptor().ScreenWidth; }
  int Height() const override { return header_.Descriptor().ScreenHeight; }
  void SetWidth(int w) override;
  void SetHeight(int h) override;
  bool Empty() const override { return frames_.Count() == 0; }
  HPALETTE Palette() const override;
  void SetPalette(HPALETTE palette) override;
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
  void LoadFromClipboardFormat(const TClipboardData& data) override;
  TClipboardData SaveToClipboardFormat() override;
  void Assign(const TGraphic* source) override;
  /// A TBitmap receives the snapshot; anything else raises EConvertError.
  void AssignTo(TGraphic* destination);
  bool Equals(TGraphic* other) override { return other == this; }

  virtual void RaiseNotice(void* sender, int severity, const std::string& message);

  void Reset();
  int AppendFrame(TGIFSubImage* frame);
  /// A graphic is turned into a new frame first.
  int AppendFrame(const TGraphic* graphic);
  int RequiredVersion() const;
  int MaxBitsPerPixel() const;
  int MaxColorResolution() const { return MaxBitsPerPixel() - 1; }
  COLORREF ScreenBackground() { return header_.BackgroundColor(); }
  TGIFGlobalColorMap& GlobalColors() { return header_.ColorMap(); }
  bool WantsDither() const;
  void GrowScreenToFrames();
  TBitmap* RenderSnapshot();
  TBitmap* EnsureSnapshot();
  void DropSnapshot();
  /// Stops the painter that serves Draw and waits for it to end.
  void HaltDrawing();
  /// Stops every painter of the picture and waits for them to end.
  void StopAllPainters();
  /// A painter for the target, or nullptr (empty picture or rectangle, or a
  /// synchronous painter, which has played to its end when this returns).
  TGIFPainter* StartPainter(TGIFPainter** reference, TCanvas* canvas, std::uint16_t flags,
                            const TRect& rect);
  /// Makes the picture smaller without changing what it shows.
  void Compact(std::uint8_t options, int reductionMethod = rdNone, int bits = 8,
               int ditherKind = dkNearest);
  /// Progress with the redraw flag.
  void ReportProgress(TProgressStage stage, int percent, bool redraw, const std::string& message);
  bool PaletteModified() const { return paletteModified_; }
  void SetPaletteModified(bool v) { paletteModified_ = v; }
  void RaiseChanged() { Changed(); }

  TGIFFrameList& Frames() { return frames_; }
  const TGIFFrameList& Frames() const { return frames_; }
  TGIFSubImage* Frame(int index) const { return frames_.Frame(index); }
  TGIFHeader& ScreenInfo() { return header_; }
  const TGIFHeader& ScreenInfo() const { return header_; }
  TBitmap* Snapshot() const { return snapshot_.get(); }
  TThreadList& PainterList() { return painterList_; }
  TGIFPainter* ActivePainter() const { return activePainter_; }
  /// Pixels of all frames allocated so far (checked against GifMaxTotalPixels).
  std::int64_t& AllocatedPixels() { return allocatedPixels_; }

  std::uint16_t DrawFlags = 0x068F;
  std::uint8_t ReductionMethod = 6;
  std::int32_t QuantizeBits = 8;
  std::uint8_t DitherKind = 0;
  std::uint8_t Encoding = enLZW;
  std::int32_t PlaybackSpeed = 100;
  std::int32_t FixedFrame = -1;
  COLORREF BackdropColor = 0x1FFFFFFF;
  std::function<void(void* sender, int severity, const std::string& message)> OnNotice;
  /// The painters' thread priority on the class library's scale (0 idle,
  /// 3 normal, 6 time-critical). The platform's threads all run at one
  /// priority, so the value is only kept.
  int PainterPriority = 3;
  // the painter events
  std::function<void(TGIFPainter* sender)> OnPlayStart, OnFramePaint, OnFrameDone, OnPlayLoop,
      OnPlayEnd;

private:
  void DrawSnapshot(TCanvas* canvas, const TRect& rect);

  bool inDraw_ = false;
  mutable bool inPaletteQuery_ = false;
  TGIFFrameList frames_{this};
  TGIFHeader header_{this};
  mutable HPALETTE screenPalette_ = nullptr;
  std::unique_ptr<TBitmap> snapshot_;
  bool paletteModified_ = false;
  std::int64_t allocatedPixels_ = 0;
  TThreadList painterList_;
  TGIFPainter* activePainter_ = nullptr;
};

// ---- optimisation ---------------------------------------------------------------------

/// Options of TGifPicture::Compact (bit n for value n).
enum TGIFCompactOption : int {
  coCrop = 0,
  coMerge = 1,
  coCleanup = 2,
  coColorTables = 3,
  coReduceColors = 4
};
constexpr std::uint8_t GifCompactOption(TGIFCompactOption o) { return std::uint8_t(1u << o); }
constexpr std::uint8_t GifCompactAll = 0x1F;

// ---- animation ------------------------------------------------------------------------

constexpr int FrameDelayUnitMs = 12;
constexpr int FrameDelayDefault = 10;
constexpr int FrameDelayMin = 3;
constexpr int FrameDelayMax = 1000;

/// The clock, sleeps, event waits and message pump of the painters. Tests
/// install their own (SetGIFPainterClock); the default uses the platform's.
class TGIFPainterClock {
public:
  virtual ~TGIFPainterClock() = default;
  /// Milliseconds (the multimedia timer).
  virtual std::uint32_t Now();
  virtual void Sleep(std::uint32_t ms);
  /// Waits on a painter's wake-up event at most `ms` (INFINITE: no limit);
  /// true when it was signalled.
  virtual bool Wait(TEvent& event, std::uint32_t ms);
  /// Serves the calling thread's queued messages while a synchronous painter
  /// waits; false when a quit message was met (it is posted again).
  virtual bool PumpMessages();
};
/// Installs a clock for the painters (nullptr: the platform's).
void SetGIFPainterClock(TGIFPainterClock* clock);
TGIFPainterClock& GIFPainterClock();

/// Plays a picture's frames with their delays, disposals and loops: with
/// dfAsync on a thread of its own (drawing on the main thread through
/// TThread::Synchronize), otherwise inside the drawing call.
class TGIFPainter : public TThread {
public:
  TGIFPainter(TGifPicture* picture, TCanvas* canvas, const TRect& rect, std::uint16_t flags,
              TGIFPainter** reference);
  ~TGIFPainter() override;

  /// Starts the thread of an asynchronous painter; nothing otherwise.
  void StartPainting();
  /// Asks the painter to end; wakes an asynchronous painter that waits.
  void Stop();
  /// Runs the playing loop on the calling thread (synchronous painters).
  void Play() { Execute(); }
  /// The end step: leaves the picture's painter list.
  void Finish();

  TGifPicture* Picture() const { return picture_; }
  TCanvas* Canvas() const { return canvas_; }
  const TRect& Rect() const { return rect_; }
  std::uint16_t DrawFlags() const { return flags_; }
  bool Async() const { return (flags_ & GifDrawFlag(dfAsync)) != 0; }
  bool Started() const { return started_; }
  std::exception_ptr CapturedException() const { return captured_; }
  TBitmap* BackupBuffer() const { return backup_.get(); }

  /// The frame being played (-1 when not playing); an OnFrameDone handler
  /// may change it to jump.
  int ActiveImage = -1;
  /// Set by a handler to start the play over at frame 0.
  bool Restart = false;

  std::function<void(TGIFPainter* sender)> OnPlayStart, OnFramePaint, OnFrameDone, OnPlayLoop,
      OnPlayEnd;

protected:
  void Execute() override;

private:
  void PlayLoop();
  bool WaitBeforeFrame(int& wait, std::uint32_t& last, int& carry);
  void Synchronized(const std::function<void()>& step);
  void Fire(const std::function<void(TGIFPainter*)>& handler);
  void PaintPlain();
  void PaintBuffered();
  void ClearBackup(TGIFSubImage& frame);
  bool LoopEnabled() const;

  TGifPicture* picture_;
  TCanvas* canvas_;
  TRect rect_;
  std::uint16_t flags_;
  std::int32_t speed_;
  std::uint8_t disposal_ = dpUnspecified, previousDisposal_ = dpKeep;
  std::unique_ptr<TBitmap> backup_, frameBuffer_, background_;
  HDC checkedDC_ = nullptr;
  // read by Draw on the main thread while the painter's thread starts a play
  std::atomic<bool> started_{false};
  std::unique_ptr<TEvent> wake_;
  std::exception_ptr captured_;
  TGIFPainter** reference_;
  COLORREF backgroundColor_ = 0;
};
