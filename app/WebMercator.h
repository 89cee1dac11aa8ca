// Global Web-Mercator pixels: at zoom level z the world is 256 * 2^z pixels
// square, X growing east from longitude -180, Y growing south from the
// frame's northern edge. Captures are placed in this frame by their world
// file, and the viewer's map units are these pixels with Y turned north-up.
#pragma once

#include "platform/rtl/Types.h"

#include <string>

struct TGlobalPixel {
  Extended X = 0;
  Extended Y = 0;
};

struct TLatLon {
  Extended Lat = 0;
  Extended Lon = 0;
};

TGlobalPixel LatLonToPixel(int zoom, Extended lat, Extended lon);
TLatLon PixelToLatLon(int zoom, Extended px, Extended py);

/// The global pixel of the top-left pixel of a capture of width x height
/// centred on lat/lon (halves not rounded).
TGlobalPixel CaptureTopLeft(int zoom, Extended lat, Extended lon, int width, int height);

/// Rewrites lines 5 and 6 of the world file `fileName` with the capture's
/// top-left pixel and returns it. Lines 1 to 4 and any after the sixth stay
/// as they are. Raises when the file is missing or has fewer than six lines,
/// and when the position is not a finite number (a latitude of +-90); the
/// file is then left unchanged.
TGlobalPixel RewriteWorldFile(const std::string& fileName, int zoom, Extended lat, Extended lon,
                              int width, int height);
