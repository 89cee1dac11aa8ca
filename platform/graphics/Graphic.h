// TGraphic, the abstract picture of the class library, and TPicture, the
// holder that loads files through the picture-format registry.
//
// Picture classes register the file extensions they read
// (TPicture::RegisterFileFormat); TPicture::LoadFromFile picks the class by
// the file's extension, ignoring case; the last registration of an extension
// wins. Built in: "bmp" (TBitmap), "jpg"/"jpeg" (TJPEGImage).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/graphics/Canvas.h"
#include "platform/graphics/Gdi.h"
#include "platform/rtl/Exceptions.h"

class TStream;

SK_DECLARE_EXCEPTION(EInvalidGraphicOperation, Exception)

/// The most pixels a picture decoded as a whole may have.
inline constexpr std::int64_t kMaxPicturePixels = std::int64_t(1) << 28;
/// The reason a picture of width x height pixels is not decoded as a whole:
/// "image of W × H pixels is larger than the 268435456 pixels a picture may
/// have".
std::string PictureTooLarge(std::int64_t width, std::int64_t height);

enum TProgressStage { psStarting, psRunning, psEnding };

/// Clipboard contents in the layer's neutral form: a format name and bytes.
struct TClipboardData {
  std::string format; // a MIME type ("image/bmp", "image/png") or a registered name
  std::vector<std::uint8_t> data;
};

class TGraphic {
public:
  TGraphic() = default;
  virtual ~TGraphic() = default;
  TGraphic(const TGraphic&) = delete;
  TGraphic& operator=(const TGraphic&) = delete;

  virtual const char* ClassName() const = 0;
  /// Draws the graphic stretched into `rect` of the canvas.
  virtual void Draw(TCanvas* canvas, const TRect& rect) = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void SetWidth(int w) = 0;
  virtual void SetHeight(int h) = 0;
  virtual bool Empty() const = 0;
  virtual bool Transparent() const { return transparent_; }
  virtual void SetTransparent(bool t);
  virtual HPALETTE Palette() const { return nullptr; }
  virtual void SetPalette(HPALETTE) {}
  bool Modified() const { return modified_; }
  void SetModified(bool m);

  virtual void LoadFromStream(TStream& stream) = 0;
  virtual void SaveToStream(TStream& stream) = 0;
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName);
  virtual void LoadFromClipboardFormat(const TClipboardData& data);
  virtual TClipboardData SaveToClipboardFormat();

  /// Copies another graphic; the default handles graphics of the same class
  /// through a stream and raises EConvertError otherwise.
  virtual void Assign(const TGraphic* source);
  /// Same class and the same saved bytes.
  virtual bool Equals(TGraphic* other);
  /// Reads or writes the graphic as a length-prefixed block (form streams).
  virtual void ReadData(TStream& stream);
  virtual void WriteData(TStream& stream);

  std::function<void(TGraphic* sender)> OnChange;
  std::function<void(TGraphic* sender, TProgressStage stage, int percent, bool redrawNow,
                     const TRect& rect, const std::string& message)>
      OnProgress;

protected:
  virtual void Changed();
  void Progress(TProgressStage stage, int percent, const std::string& message);
  bool transparent_ = false;
  bool modified_ = false;
};

/// Creates an empty graphic of a registered class.
using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;

class TPicture {
public:
  TPicture();
  ~TPicture();
  TPicture(const TPicture&) = delete;
  TPicture& operator=(const TPicture&) = delete;

  TGraphic* Graphic() const { return graphic_.get(); }
  /// Takes a copy of `graphic` (nullptr empties the picture).
  void SetGraphic(const TGraphic* graphic);
  /// Takes ownership of `graphic`.
  void SetGraphic(std::unique_ptr<TGraphic> graphic);
  int Width() const { return graphic_ ? graphic_->Width() : 0; }
  int Height() const { return graphic_ ? graphic_->Height() : 0; }
  void Assign(const TPicture* source);
  /// Loads a file with the class registered for its extension; an unknown
  /// extension raises EInvalidGraphic "Unknown picture file extension (.ext)".
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName);

  std::function<void(TPicture* sender)> OnChange;

  // ---- the registry -------------------------------------------------------
  static void RegisterFileFormat(const std::string& extension, const std::string& description,
                                 const std::string& className, TGraphicFactory factory);
  static void RegisterClipboardFormat(const std::string& format, const std::string& className,
                                      TGraphicFactory factory);
  /// Removes every registration of the class.
  static void UnregisterGraphicClass(const std::string& className);
  /// A new graphic for the extension (without dot, any case), or nullptr.
  static std::unique_ptr<TGraphic> CreateForExtension(const std::string& extension);
  /// A new graphic of a registered class name, or nullptr.
  static std::unique_ptr<TGraphic> CreateForClassName(const std::string& className);
  /// The registered extensions with their descriptions, in registration order.
  static std::vector<std::pair<std::string, std::string>> FileFormats();

private:
  void GraphicChanged();
  std::unique_ptr<TGraphic> graphic_;
};
