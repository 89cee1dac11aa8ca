// The canvas of a metafile drawing target: the metafile the viewer renders
// into, the size it takes, and the canvas that records into it.
//
// Unlike the rest of GisDefs this file draws through the drawing layer, so
// GisDefs.h does not include it and it is built only where the drawing layer
// is (not in the build of the non-visual libraries alone).
#pragma once

#include <memory>

class TCanvas;
class TMetafile;
class TMetafileCanvas;

/// A metafile with the width and height it is to take, and its canvas once
/// asked for. Freeing the target (or its canvas) completes the metafile.
struct TGIS_MetafileTarget {
  TGIS_MetafileTarget(TMetafile* metafile, int width, int height);
  ~TGIS_MetafileTarget();
  TGIS_MetafileTarget(const TGIS_MetafileTarget&) = delete;
  TGIS_MetafileTarget& operator=(const TGIS_MetafileTarget&) = delete;

  TMetafile* Metafile;
  int Width;
  int Height;
  std::unique_ptr<TMetafileCanvas> Canvas;
};

/// The target's canvas. The first request sets the metafile's width and
/// height from the target, makes a recording canvas on it without a
/// reference device, sets its stretch mode to HALFTONE and keeps it; later
/// requests return the same canvas.
TCanvas* GisMetafileCanvas(TGIS_MetafileTarget& target);
