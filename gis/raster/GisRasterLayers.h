// The raster layers' rows in the layer factory: the picture layers register
// their creators here, so the viewer's factory never names a raster format.
#pragma once

/// Fills the factory's creator slots of the picture layers (".jpg"/".jpeg"
/// TGIS_LayerJPG, ".bmp" TGIS_LayerBMP, ".png" TGIS_LayerPNG,
/// ".tif"/".tiff" TGIS_LayerTIFF, ".adf" TGIS_LayerADF,
/// ".img" TGIS_LayerIMG, ".grd" TGIS_LayerGRD, ".flt" TGIS_LayerFLT,
/// ".bt" TGIS_LayerBT, ".dt0"-".dt2" TGIS_LayerDTED, ".dem" TGIS_LayerDEM
/// or TGIS_LayerBIL, ".bil" TGIS_LayerBIL, ".toc" TGIS_LayerCADRG, ".ecw"
/// TGIS_LayerECW, ".sid" and the JPEG 2000 extensions TGIS_LayerMrSID).
/// Call once at start-up after GisKernelInit(); calling it again only
/// refills the slots.
void GisRasterRegisterLayers();
