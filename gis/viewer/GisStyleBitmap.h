// The GisStyleBitmap module: the pictures behind style bitmaps. The style
// parameters keep a TGIS_Bitmap (gis/core), whose pixels are a picture the
// drawing layer makes; this module makes them as drawing bitmaps, installs
// the loaders that read them from files, streams and clipboard data, and
// hands a style bitmap's drawing bitmap to the routines that fill and stroke
// with it.
#pragma once

#include <memory>

#include "gis/core/GisDefsBitmap.h"

class TBitmap;

/// A style bitmap's picture over a drawing bitmap.
std::shared_ptr<const TGIS_BitmapPicture> GisMakeStylePicture(std::unique_ptr<TBitmap> bitmap);
/// The drawing bitmap of a style bitmap; nullptr when it has no picture or
/// one that this module did not make.
TBitmap* GisStyleBitmap(const TGIS_Bitmap* bitmap);
/// Registers the loaders as a kernel unit (installed while the kernel runs).
void GisStyleBitmapsRegisterUnit();
