// The layer factory: opens a layer file by its extension.
//
// The factory holds a fixed table of rows in the order it tests them (the
// vector and special rows first, then the pixel rows). Each row names a
// layer class and has a creator slot that the library of that class fills at
// start-up, so the viewer never depends on a format:
//
//   TGIS_RegistredLayers::RegisterLayer("TGIS_LayerJPG", "JPEG image",
//       [](TGIS_LayerFactoryArgs& a) -> std::unique_ptr<TGIS_LayerAbstract> {
//         auto layer = std::make_unique<TGIS_LayerJPG>();
//         layer->SetTabPath(a.TabPath);        // pixel rows: the .tab that named it
//         return layer;
//       });
//
// The creator only constructs the layer; the factory then sets its Path (the
// absolute file path without any "?" part) and its name. A row whose slot is
// empty gives no layer and never falls through to later rows. Rows and the
// class names they hold (see Rows()):
//   ".shp" TGIS_LayerSHP, ".mif" TGIS_LayerMIF, ".e00" TGIS_LayerE00 (args
//   E00Part = 4 "arc", 5 "pal", 2 "lab", else 0), ".dgn" TGIS_LayerDGN,
//   ".gml" ".xml" TGIS_LayerGML, ".tab" (TabParse hook: 1/2 TGIS_LayerTAB,
//   3 the pixel row of the image it names), ".ddf" (SdtsOpen hook: vector
//   TGIS_LayerSDTS_TVP, raster TGIS_LayerSDTS_RPE, args Reader = the
//   transfer), ".dem" TGIS_LayerBIL beside a ".hdr" file else TGIS_LayerDEM,
//   ".dlg" ".opt" TGIS_LayerDLG, ".dxf" TGIS_LayerDXF, ".gdf" TGIS_LayerGDF,
//   ".VRKLS" (ReadLayerConfigValue hook: TGIS_LayerSqlAdo,
//   TGIS_LayerSqlOgisAdo, TGIS_LayerSqlGmAdo), ".rt1" TGIS_LayerTiger,
//   ".lft" ".pft" ".tft" TGIS_LayerVPF, ".bt" TGIS_LayerBT, ".adf"
//   TGIS_LayerADF, ".dt0" ".dt1" ".dt2" TGIS_LayerDTED, ".flt" TGIS_LayerFLT,
//   ".grd" TGIS_LayerGRD; pixel rows: ".bmp" TGIS_LayerBMP, ".toc"
//   TGIS_LayerCADRG, ".tif" ".tiff" TGIS_LayerTIFF, ".img" TGIS_LayerIMG,
//   ".bil" TGIS_LayerBIL, ".ecw" TGIS_LayerECW, ".sid" ".jpf" ".jpx" ".jpc"
//   ".j2c" ".j2k" ".jp2" TGIS_LayerMrSID, ".jpg" ".jpeg" TGIS_LayerJPG,
//   ".png" TGIS_LayerPNG, ".VRKPS" (PixelStoreV2Accepts hook:
//   TGIS_LayerPixelStoreAdo2, else TGIS_LayerPixelStore).
// Extensions compare without regard to letter case. An unknown extension
// gives no layer and no error. A special row whose hook is not set gives no
// layer.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gis/viewer/GisViewerLayer.h"

/// What a creator is given.
struct TGIS_LayerFactoryArgs {
  /// The absolute file path (without the "?" part).
  std::string FilePath;
  /// The text after the first "?" ('' without one).
  std::string Param;
  /// Pixel rows reached through a raster ".tab": the absolute path of the
  /// table, which holds the image's registration; '' otherwise.
  std::string TabPath;
  /// ".e00": the coverage-part selector (4 arc, 5 pal, 2 lab, 0 none).
  std::uint8_t E00Part = 0;
  /// ".ddf": the opened transfer reader; the creator takes it over (what is
  /// left here is freed with the arguments).
  std::unique_ptr<TGIS_BaseObject> Reader;
};

/// Constructs a layer that is not opened yet; nullptr for none.
using TGIS_LayerCreator =
    std::function<std::unique_ptr<TGIS_LayerAbstract>(TGIS_LayerFactoryArgs& args)>;

/// One row of the factory's table.
struct TGIS_RegistredLayerRow {
  /// Extensions with their dot, as written in the table.
  std::vector<std::string> Extensions;
  /// The layer class(es) the row constructs.
  std::vector<std::string> ClassNames;
  /// A pixel row (reached through CreatePixelLayer).
  bool Pixel = false;
};

/// Hooks that the format and database libraries install (nullptr = not built:
/// their extensions then give no layer).
struct TGIS_RegistredLayerHooks {
  /// Parses a MapInfo ".tab" header: the table type (1 native, 2 dBASE, 3
  /// raster); for type 3 `imageName` gets the image file as the table names
  /// it (relative to the table's folder). Frees its reader in every case.
  std::function<int(const std::string& tabPath, std::string& imageName)> TabParse;
  /// Opens an SDTS transfer from one module file; sets `isVector`/`isRaster`;
  /// raises on a damaged transfer.
  std::function<std::unique_ptr<TGIS_BaseObject>(const std::string& path, bool& isVector,
                                                 bool& isRaster)>
      SdtsOpen;
  /// The trimmed value of one key of a database-layer configuration; returns
  /// the configuration kind (0 none, 1 ADO file, 2 other).
  std::function<int(const std::string& path, const std::string& key, std::string& value)>
      ReadLayerConfigValue;
  /// The version 2 pixel store's check of the full path text (with "?").
  std::function<bool(const std::string& fullPath)> PixelStoreV2Accepts;
};

class TGIS_RegistredLayers {
public:
  /// The vector and special rows, then the pixel rows; sets Path and name.
  std::unique_ptr<TGIS_LayerAbstract> CreateLayer(const std::string& name, const std::string& path);
  /// The pixel rows only; `path` is the file path (made absolute for the
  /// creator). Does not set Path or name.
  std::unique_ptr<TGIS_LayerAbstract> CreatePixelLayer(const std::string& extension,
                                                       const std::string& path);

  // ---- the registry (process-wide) ---------------------------------------------
  /// Fills the creator slot of every row naming `className`; an unknown class
  /// name raises EGIS_Exception 0002 (a row is never invented).
  static void RegisterLayer(const std::string& className, const std::string& description,
                            TGIS_LayerCreator creator);
  /// Empties the slot of `className` (nothing when it is empty).
  static void UnregisterLayer(const std::string& className);
  /// Whether `className` has a creator.
  static bool IsRegistered(const std::string& className);
  /// The description given at registration ('' when none).
  static std::string Description(const std::string& className);
  /// The table in test order.
  static const std::vector<TGIS_RegistredLayerRow>& Rows();
  /// The hooks (process-wide, assigned by the libraries that build them).
  static TGIS_RegistredLayerHooks& Hooks();

private:
  std::unique_ptr<TGIS_LayerAbstract> CreatePixel(const std::string& extension,
                                                  TGIS_LayerFactoryArgs& args);
  std::unique_ptr<TGIS_LayerAbstract> CreateTab(TGIS_LayerFactoryArgs& args);
  std::unique_ptr<TGIS_LayerAbstract> CreateSdts(TGIS_LayerFactoryArgs& args);
  std::unique_ptr<TGIS_LayerAbstract> CreateDem(TGIS_LayerFactoryArgs& args);
  std::unique_ptr<TGIS_LayerAbstract> CreateSql(TGIS_LayerFactoryArgs& args);
  std::unique_ptr<TGIS_LayerAbstract> CreatePixelStore(const std::string& fullPath,
                                                       TGIS_LayerFactoryArgs& args);
  std::string fullPath_;
};

/// Creates a factory for one call of CreateLayer; the caller owns the layer.
std::unique_ptr<TGIS_LayerAbstract> GisCreateLayer(const std::string& name,
                                                   const std::string& path);

/// The extension of a path with its dot: from the last '.' after the last
/// '/' or '\'; '' when there is none.
std::string GisLayerFileExtension(const std::string& path);
