// A bitmap that remembers the file it was loaded from, and the description of
// one writable pixel sub-format.
//
// The kernel's foundation has no window system: the pixels themselves are a
// picture object that the drawing layer creates. The drawing layer installs
// its loaders with GisSetBitmapLoaders; until then loading a bitmap fails with
// EInvalidGraphic.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gis/core/GisCanvasTypes.h"

class TStream;

/// The pixels of a TGIS_Bitmap, made by the drawing layer. Immutable once
/// made, so bitmaps may share one.
class TGIS_BitmapPicture {
public:
  virtual ~TGIS_BitmapPicture() = default;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
};

/// Loads a picture from a file (an absolute path) or a stream; raises on
/// failure.
using TGIS_BitmapFileLoader =
    std::function<std::shared_ptr<const TGIS_BitmapPicture>(const std::string& path)>;
using TGIS_BitmapStreamLoader =
    std::function<std::shared_ptr<const TGIS_BitmapPicture>(TStream& stream)>;

/// Loads a picture from clipboard data: its format (a MIME type or a
/// registered name) and its bytes; raises on failure.
using TGIS_BitmapClipboardLoader = std::function<std::shared_ptr<const TGIS_BitmapPicture>(
    const std::string& format, const std::vector<std::uint8_t>& data)>;

/// Installs (or, with empty functions, removes) the drawing layer's loaders.
void GisSetBitmapLoaders(TGIS_BitmapFileLoader fileLoader, TGIS_BitmapStreamLoader streamLoader,
                         TGIS_BitmapClipboardLoader clipboardLoader = nullptr);

class TGIS_Bitmap {
public:
  /// The absolute path of the file last loaded; '' when the contents came from
  /// elsewhere.
  const std::string& Path() const { return path_; }
  const std::shared_ptr<const TGIS_BitmapPicture>& Picture() const { return picture_; }
  bool Empty() const { return !picture_; }
  /// Sets contents that came from elsewhere (clears Path).
  void SetPicture(std::shared_ptr<const TGIS_BitmapPicture> picture);

  /// Makes the name absolute against the current folder, loads it and sets
  /// Path. Raises EFOpenError for a missing file and EInvalidGraphic when no
  /// loader is installed; the bitmap is unchanged then.
  void LoadFromFile(const std::string& name);
  /// Loads as the drawing layer does and clears Path.
  void LoadFromStream(TStream& stream);
  /// Loads clipboard data as the drawing layer does and clears Path. Raises
  /// EInvalidGraphic when no loader is installed or the data is no picture;
  /// the bitmap is unchanged then.
  void LoadFromClipboardFormat(const std::string& format, const std::vector<std::uint8_t>& data);
  /// Copies the source's picture and its Path; a null source empties this one.
  void Assign(const TGIS_Bitmap* source);

private:
  std::string path_;
  std::shared_ptr<const TGIS_BitmapPicture> picture_;
};

/// One pixel sub-format that a pixel file or pixel store can write.
struct TGIS_PixelCapabilities {
  TPixelFormat PixelFormat = pf24bit;
  /// 1 or 2 in the lists the kernel builds.
  std::uint8_t CompressionClass = 1;
  /// Chosen by the caller when a pixel file is created.
  std::int32_t Identifier = 0;
  bool Flag = false;

  TGIS_PixelCapabilities() = default;
  TGIS_PixelCapabilities(TPixelFormat pixelFormat, std::uint8_t compressionClass,
                         std::int32_t identifier, bool flag)
      : PixelFormat(pixelFormat), CompressionClass(compressionClass), Identifier(identifier),
        Flag(flag) {}
};
