// Saving the current capture as a numbered tile: a byte copy of image1.bmp
// named after the prefix and the tile counters, and a description file from
// the template with the read-outs filled in.
#pragma once

#include "platform/rtl/Types.h"

#include <string>

struct TTileSaveRequest {
  std::string AppDir;      // with a trailing "/"
  std::string StoreFolder; // the store folder's text
  std::string Prefix;
  Extended Nx = 0, Ny = 0; // the counters as they stand (not truncated)
  bool WithDescription = true;
  std::string Template; // the description template's text
  // The read-outs' texts as shown.
  std::string Wleft, Wtop, Utmleft, Utmtop;
};

struct TTileSaveResult {
  /// A message to show ('' for none).
  std::string Message;
  /// The result line ('' when nothing was saved).
  std::string ResultLine;
};

/// The tile's file name without extension: folder/prefix_nx_ny.
std::string TileBaseName(const TTileSaveRequest& request);

/// Saves the tile; never overwrites a saved picture, and writes the
/// description only after the picture was copied. Errors come back as the
/// message "Picture is not saved, please repeat procedure: " + the error.
TTileSaveResult SaveTile(const TTileSaveRequest& request);
