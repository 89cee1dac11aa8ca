// Stepping the map by one view in eight directions while counting tiles.
#pragma once

#include "app/WebMercator.h"
#include "platform/rtl/Types.h"

#include <optional>
#include <string>

/// What one navigation step does.
struct TMapStep {
  TLatLon Centre; // the new map centre
  Int64 Nx = 0;   // the new tile counters
  Int64 Ny = 0;
};

/// The step of direction `code` ("r", "rb", "b", "lb", "l", "lt", "t", "rt";
/// any other keeps the centre) from the web map's centre at `zoom`, by the
/// view's size less 4 pixels (viewWidth, viewHeight: the global pixel span
/// of the last read-outs). The counters are truncated toward zero and moved
/// with the step. No step (none) while the view's span is not yet known, i.e.
/// when either step length would be 0 or less.
std::optional<TMapStep> ComputeMapStep(const std::string& code, int zoom, Extended lat,
                                       Extended lon, Extended viewWidth, Extended viewHeight,
                                       Extended nx, Extended ny);
