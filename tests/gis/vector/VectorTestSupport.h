// Shared helpers of the vector tests.
#pragma once

#include <string>

#include "gis/vector/GisLayerVector.h"
#include "gis/vector/GisTopology.h"

/// The relate engine the shape tests install: the topology engine itself
/// (it once was a stand-in judging by boxes; the name stays for its users).
using TBoxTopology = TGIS_Topology;
