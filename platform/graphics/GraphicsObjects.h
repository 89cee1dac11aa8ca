// The class library's pen, brush and font: properties over GDI objects that
// are created when a canvas first needs them and re-created after a change.
#pragma once

#include <functional>
#include <string>

#include "platform/graphics/Colors.h"
#include "platform/graphics/Gdi.h"

class TBitmap;

using TNotifyProc = std::function<void()>;

/// Common part: change notification and the owned handle.
class TGraphicsObject {
public:
  virtual ~TGraphicsObject() = default;
  TNotifyProc OnChange;
  /// Called before the object frees its handle, so that a canvas holding it
  /// selected can deselect it first. (Set by TCanvas.)
  TNotifyProc OnReleaseHandle;

protected:
  void Changed();
  void FreeHandle(HGDIOBJ& handle);
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
  pmBlack,
  pmWhite,
  pmNop,
  pmNot,
  pmCopy,
  pmNotCopy,
  pmMergePenNot,
  pmMaskPenNot,
  pmMergeNotPen,
  pmMaskNotPen,
  pmMerge,
  pmNotMerge,
  pmMask,
  pmNotMask,
  pmXor,
  pmNotXor
};
/// The ROP2 code of a pen mode.
int PenModeToRop2(TPenMode mode);

class TPen : public TGraphicsObject {
public:
  ~TPen() override;
  TColor Color() const { return color_; }
  void SetColor(TColor c);
  int Width() const { return width_; }
  void SetWidth(int w);
  TPenStyle Style() const { return style_; }
  void SetStyle(TPenStyle s);
  TPenMode Mode() const { return mode_; }
  void SetMode(TPenMode m);
  void Assign(const TPen& other);
  HPEN Handle();
  /// The handle if one was made (nothing is created).
  HGDIOBJ CurrentHandle() const { return handle_; }
  /// Adopts a pen handle (the pen owns it from now on).
  void SetHandle(HPEN h);

private:
  TColor color_ = clBlack;
  int width_ = 1;
  TPenStyle style_ = psSolid;
  TPenMode mode_ = pmCopy;
  HGDIOBJ handle_ = nullptr;
};

enum TBrushStyle {
  bsSolid,
  bsClear,
  bsHorizontal,
  bsVertical,
  bsFDiagonal,
  bsBDiagonal,
  bsCross,
  bsDiagCross
};

class TBrush : public TGraphicsObject {
public:
  ~TBrush() override;
  TColor Color() const { return color_; }
  void SetColor(TColor c);
  TBrushStyle Style() const { return style_; }
  void SetStyle(TBrushStyle s);
  /// A pattern bitmap (not owned; copied into the brush handle when made).
  TBitmap* Bitmap() const { return bitmap_; }
  void SetBitmap(TBitmap* b);
  void Assign(const TBrush& other);
  HBRUSH Handle();
  HGDIOBJ CurrentHandle() const { return handle_; }

private:
  TColor color_ = clWhite;
  TBrushStyle style_ = bsSolid;
  TBitmap* bitmap_ = nullptr;
  HGDIOBJ handle_ = nullptr;
};

enum TFontStyle { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = int; // bits of TFontStyle
enum TFontPitch { fpDefault, fpVariable, fpFixed };

/// Screen pixels per inch used by new fonts (Screen.PixelsPerInch).
int ScreenPixelsPerInch();
void SetScreenPixelsPerInch(int ppi);

class TFont : public TGraphicsObject {
public:
  TFont();
  ~TFont() override;
  const std::string& Name() const { return name_; }
  void SetName(const std::string& n);
  /// Points: -MulDiv(Height, 72, PixelsPerInch).
  int Size() const;
  void SetSize(int points);
  int Height() const { return height_; }
  void SetHeight(int h);
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles s);
  TColor Color() const { return color_; }
  void SetColor(TColor c);
  BYTE Charset() const { return charset_; }
  void SetCharset(BYTE c);
  TFontPitch Pitch() const { return pitch_; }
  void SetPitch(TFontPitch p);
  /// Resolution used for Size <-> Height; changing it keeps Height.
  int PixelsPerInch() const { return ppi_; }
  void SetPixelsPerInch(int ppi) { ppi_ = ppi; }
  void Assign(const TFont& other);
  /// The font handle; created from the properties when needed.
  HFONT Handle();
  HGDIOBJ CurrentHandle() const { return handle_; }
  /// Adopts the LOGFONT of `h` (escapement included, kept in the handle until
  /// the next property change); the font owns `h` from now on.
  void SetHandle(HFONT h);
  /// The LOGFONT the properties describe.
  LOGFONT MakeLogFont() const;

private:
  void Change();
  std::string name_ = "MS Sans Serif";
  int height_ = -11;
  TFontStyles style_ = 0;
  TColor color_ = clWindowText;
  BYTE charset_ = DEFAULT_CHARSET;
  TFontPitch pitch_ = fpDefault;
  int ppi_;
  HGDIOBJ handle_ = nullptr;
};
