// The vector formats' rows in the layer factory: each format layer of this
// folder registers its creator here, so the viewer's factory never names a
// vector format.
#pragma once

/// Fills the factory's creator slots of the vector format layers (".shp"
/// TGIS_LayerSHP, ".mif" TGIS_LayerMIF, ".tab" TGIS_LayerTAB for native and dBASE tables,
/// ".dxf" TGIS_LayerDXF, and the other format layers). Call once at start-up after
/// GisKernelInit(); calling it again only refills the slots.
void GisFormatsRegisterLayers();
