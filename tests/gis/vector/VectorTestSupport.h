// Shared helpers of the vector tests.
#pragma once

#include <string>

#include "gis/vector/GisLayerVector.h"

/// A relate engine by boxes: exact for shapes whose boxes are apart or
/// overlap clearly, which is what the tests give it. "FF*FF" asks whether the
/// two are apart; any other pattern whether they meet.
struct TBoxTopology : TGIS_Topology {
  bool Relate(TGIS_Shape* a, TGIS_Shape* b, const std::string& pattern) override {
    const bool meet = GisIsExtentIntersecting(a->GetExtentRaw(), b->GetExtentRaw());
    return pattern == "FF*FF" ? !meet : meet;
  }
};
