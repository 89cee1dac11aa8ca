// What the format writers share around their pass over a source layer: the
// source viewer's busy period with its progress steps, the source's scope set
// aside for the pass, and the test whether the source is the layer itself.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "gis/vector/GisLayerVector.h"

class TGIS_SourcePass {
public:
  /// Starts the busy period of the source's viewer (if any); `end` is the
  /// progress end (the source's last UID, taken before its pass).
  TGIS_SourcePass(TGIS_LayerVector& source, std::int32_t end);
  /// Restores the scope and ends the busy period. Never raises.
  ~TGIS_SourcePass();
  TGIS_SourcePass(const TGIS_SourcePass&) = delete;
  TGIS_SourcePass& operator=(const TGIS_SourcePass&) = delete;

  /// Sets the source's scope and scope extent aside until RestoreScope.
  void ClearScope();
  void RestoreScope();
  /// The progress step of shape `counter` (every hundredth, from the second);
  /// true when the user asked to stop.
  bool Shake(int counter, std::int32_t uid);
  /// The pass itself, with the scope set aside: `write` gets every shape of
  /// the extent and query that exists, is not deleted and is of `shapeType`
  /// (unknown: any), clipped to the extent when `clip` is set, with the
  /// unclipped shape for its values. False when the user stopped it.
  bool Walk(const TGIS_Extent& extent, const std::string& query, bool clip,
            TGIS_ShapeType shapeType,
            const std::function<void(TGIS_Shape& shape, TGIS_Shape& values)>& write);

private:
  TGIS_LayerVector& source_;
  TGIS_Viewer* viewer_;
  std::int32_t end_;
  bool scopeSaved_ = false;
  std::string scope_;
  TGIS_Extent scopeExtent_{1, 1, -1, -1};
};

/// Whether the source writes onto the target's own files (the layer saving
/// itself, or another layer over the same file).
bool GisIsSameLayerFile(TGIS_LayerVector& source, TGIS_LayerVector& target);
