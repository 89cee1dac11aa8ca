// The clipboard: text, bitmaps (CF_BITMAP/CF_DIB as image/bmp and an image),
// pictures of metafiles (SVG plus a PNG rendering; there is no EMF here), and
// registered formats as byte blocks bound to MIME types. Between Open and
// Close, formats are collected into one clipboard content; outside, each write
// replaces the content.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/forms/Messages.h"
#include "platform/graphics/Dib.h"
#include "platform/rtl/Exceptions.h"

enum : UINT {
  CF_TEXT = 1,
  CF_BITMAP = 2,
  CF_METAFILEPICT = 3,
  CF_DIB = 8,
  CF_UNICODETEXT = 13,
  CF_ENHMETAFILE = 14,
};

/// A format id >= 0xC000 for a name; the same name gives the same id.
/// "GIF Image" is bound to image/gif, "Tarvex Icon" to
/// application/x-tarvex-icon; other names to
/// application/x-skorvaplinth-<name>. 0 for an empty name.
UINT RegisterClipboardFormat(const std::string& name);
/// The MIME type behind a format id ("" when none).
std::string ClipboardFormatMime(UINT format);

class TGraphic;

class TClipboard {
public:
  void Open();
  void Close();
  void Clear();

  std::string AsText() const;
  void SetAsText(const std::string& text);

  bool HasFormat(UINT format) const;
  /// A byte block of a registered format (or CF_TEXT as UTF-8).
  void SetData(UINT format, const std::vector<std::uint8_t>& data);
  /// The bytes of a format; EClipboardException "Unsupported clipboard
  /// format" for an id that is not registered.
  std::vector<std::uint8_t> GetData(UINT format) const;

  /// CF_BITMAP: the image as image/bmp and as an image.
  void SetBitmap(const TDibData& dib);
  /// False when the clipboard holds no image.
  bool GetBitmap(TDibData& dib) const;
  /// A metafile: its SVG text and a rendering (image/png).
  void SetPicture(const std::string& svg, const TDibData& rendering);
  std::string GetSvg() const;

  /// A picture: its own clipboard form (a bitmap as image/bmp plus an image,
  /// a metafile as a PNG rendering) and, for a metafile, its SVG document.
  void Assign(TGraphic* graphic);
  /// Loads the clipboard's image into `graphic`; false when there is none.
  bool AssignTo(TGraphic* graphic) const;

private:
  int openCount_ = 0;
};

SK_DECLARE_EXCEPTION(EClipboardException, Exception)

TClipboard* Clipboard();
