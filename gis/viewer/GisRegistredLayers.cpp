// The layer factory: the table of rows, the registry of creators and the
// special rows (.e00, .tab, .ddf, .dem, .VRKLS, .VRKPS).
#include "gis/viewer/GisRegistredLayers.h"

#include <map>

#include "gis/core/GisDefsPaths.h"
#include "gis/core/GisResource.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Strings.h"

namespace {

struct TSlot {
  std::string Description;
  TGIS_LayerCreator Creator;
};

std::map<std::string, TSlot>& Slots() {
  static std::map<std::string, TSlot> slots;
  return slots;
}

std::vector<TGIS_RegistredLayerRow> BuildRows() {
  // Vector and special rows in test order, then the pixel rows.
  return {
      {{".shp"}, {"TGIS_LayerSHP"}, false},
      {{".mif"}, {"TGIS_LayerMIF"}, false},
      {{".e00"}, {"TGIS_LayerE00"}, false},
      {{".dgn"}, {"TGIS_LayerDGN"}, false},
      {{".gml", ".xml"}, {"TGIS_LayerGML"}, false},
      {{".tab"}, {"TGIS_LayerTAB"}, false},
      {{".ddf"}, {"TGIS_LayerSDTS_TVP", "TGIS_LayerSDTS_RPE"}, false},
      {{".dem"}, {"TGIS_LayerBIL", "TGIS_LayerDEM"}, false},
      {{".dlg", ".opt"}, {"TGIS_LayerDLG"}, false},
      {{".dxf"}, {"TGIS_LayerDXF"}, false},
      {{".gdf"}, {"TGIS_LayerGDF"}, false},
      {{".VRKLS"}, {"TGIS_LayerSqlAdo", "TGIS_LayerSqlOgisAdo", "TGIS_LayerSqlGmAdo"}, false},
      {{".rt1"}, {"TGIS_LayerTiger"}, false},
      {{".lft", ".pft", ".tft"}, {"TGIS_LayerVPF"}, false},
      {{".bt"}, {"TGIS_LayerBT"}, false},
      {{".adf"}, {"TGIS_LayerADF"}, false},
      {{".dt0", ".dt1", ".dt2"}, {"TGIS_LayerDTED"}, false},
      {{".flt"}, {"TGIS_LayerFLT"}, false},
      {{".grd"}, {"TGIS_LayerGRD"}, false},
      {{".bmp"}, {"TGIS_LayerBMP"}, true},
      {{".toc"}, {"TGIS_LayerCADRG"}, true},
      {{".tif", ".tiff"}, {"TGIS_LayerTIFF"}, true},
      {{".img"}, {"TGIS_LayerIMG"}, true},
      {{".bil"}, {"TGIS_LayerBIL"}, true},
      {{".ecw"}, {"TGIS_LayerECW"}, true},
      {{".sid", ".jpf", ".jpx", ".jpc", ".j2c", ".j2k", ".jp2"}, {"TGIS_LayerMrSID"}, true},
      {{".jpg", ".jpeg"}, {"TGIS_LayerJPG"}, true},
      {{".png"}, {"TGIS_LayerPNG"}, true},
      {{".VRKPS"}, {"TGIS_LayerPixelStoreAdo2", "TGIS_LayerPixelStore"}, true},
  };
}

/// The row of an extension among the vector rows (pixel = false) or the pixel
/// rows; nullptr when none.
const TGIS_RegistredLayerRow* FindRow(const std::string& extension, bool pixel) {
  for (const auto& row : TGIS_RegistredLayers::Rows()) {
    if (row.Pixel != pixel) continue;
    for (const auto& e : row.Extensions)
      if (SameText(e, extension)) return &row;
  }
  return nullptr;
}

/// The creator's layer, or nullptr when the class has no creator.
std::unique_ptr<TGIS_LayerAbstract> Construct(const std::string& className,
                                              TGIS_LayerFactoryArgs& args) {
  auto it = Slots().find(className);
  if (it == Slots().end() || !it->second.Creator) return nullptr;
  return it->second.Creator(args);
}

std::uint8_t E00Selector(const std::string& param) {
  if (SameText(param, "arc")) return 4;
  if (SameText(param, "pal")) return 5;
  if (SameText(param, "lab")) return 2;
  return 0;
}

std::string
SqlStorageName(const std::function<int(const std::string&, const std::string&, std::string&)>& read,
               const std::string& path, int& kind) {
  std::string storage;
  kind = read(path, "Storage", storage);
  storage = Trim(storage);
  if (!storage.empty()) return storage;
  std::string ogis;
  read(path, "OpenGIS", ogis);
  ogis = Trim(ogis);
  if (ogis == "1") return "OpenGisBlob";
  if (ogis == "2") return "OpenGisNormalized";
  if (ogis == "3") return "Geomedia";
  return "Native";
}

} // namespace

std::string GisLayerFileExtension(const std::string& path) {
  const std::size_t sep = path.find_last_of("/\\");
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || (sep != std::string::npos && dot < sep)) return "";
  return path.substr(dot);
}

const std::vector<TGIS_RegistredLayerRow>& TGIS_RegistredLayers::Rows() {
  static const std::vector<TGIS_RegistredLayerRow> rows = BuildRows();
  return rows;
}

TGIS_RegistredLayerHooks& TGIS_RegistredLayers::Hooks() {
  static TGIS_RegistredLayerHooks hooks;
  return hooks;
}

void TGIS_RegistredLayers::RegisterLayer(const std::string& className,
                                         const std::string& description,
                                         TGIS_LayerCreator creator) {
  bool known = false;
  for (const auto& row : Rows())
    for (const auto& c : row.ClassNames)
      known = known || c == className;
  if (!known) throw EGIS_Exception(GIS_RS_ERR_UNTESTED, className, 0);
  Slots()[className] = TSlot{description, std::move(creator)};
}

void TGIS_RegistredLayers::UnregisterLayer(const std::string& className) {
  Slots().erase(className);
}

bool TGIS_RegistredLayers::IsRegistered(const std::string& className) {
  auto it = Slots().find(className);
  return it != Slots().end() && static_cast<bool>(it->second.Creator);
}

std::string TGIS_RegistredLayers::Description(const std::string& className) {
  auto it = Slots().find(className);
  return it == Slots().end() ? std::string() : it->second.Description;
}

std::unique_ptr<TGIS_LayerAbstract> TGIS_RegistredLayers::CreateLayer(const std::string& name,
                                                                      const std::string& path) {
  fullPath_ = path;
  TGIS_LayerFactoryArgs args;
  const std::size_t q = path.find('?');
  const std::string filePath = q == std::string::npos ? path : path.substr(0, q);
  if (q != std::string::npos) args.Param = path.substr(q + 1);
  args.FilePath = GisPathAbsolute("", filePath);
  const std::string extension = GisLayerFileExtension(filePath);

  std::unique_ptr<TGIS_LayerAbstract> layer;
  const TGIS_RegistredLayerRow* row = FindRow(extension, false);
  if (row == nullptr) {
    layer = CreatePixel(extension, args);
  } else if (SameText(extension, ".tab")) {
    layer = CreateTab(args);
  } else if (SameText(extension, ".ddf")) {
    layer = CreateSdts(args);
  } else if (SameText(extension, ".dem")) {
    layer = CreateDem(args);
  } else if (SameText(extension, ".VRKLS")) {
    layer = CreateSql(args);
  } else {
    if (SameText(extension, ".e00")) args.E00Part = E00Selector(args.Param);
    layer = Construct(row->ClassNames.front(), args);
  }
  if (layer == nullptr) return nullptr;
  layer->SetPath(args.FilePath);
  layer->SetName(name);
  return layer;
}

std::unique_ptr<TGIS_LayerAbstract>
TGIS_RegistredLayers::CreatePixelLayer(const std::string& extension, const std::string& path) {
  TGIS_LayerFactoryArgs args;
  args.FilePath = GisPathAbsolute("", path);
  if (fullPath_.empty()) fullPath_ = path;
  return CreatePixel(extension, args);
}

std::unique_ptr<TGIS_LayerAbstract> TGIS_RegistredLayers::CreatePixel(const std::string& extension,
                                                                      TGIS_LayerFactoryArgs& args) {
  const TGIS_RegistredLayerRow* row = FindRow(extension, true);
  if (row == nullptr) return nullptr;
  if (SameText(extension, ".VRKPS")) return CreatePixelStore(fullPath_, args);
  return Construct(row->ClassNames.front(), args);
}

std::unique_ptr<TGIS_LayerAbstract> TGIS_RegistredLayers::CreateTab(TGIS_LayerFactoryArgs& args) {
  const auto& parse = Hooks().TabParse;
  if (!parse) return nullptr;
  std::string imageName;
  const int type = parse(args.FilePath, imageName);
  if (type == 1 || type == 2) return Construct("TGIS_LayerTAB", args);
  if (type != 3) return nullptr;
  args.TabPath = args.FilePath;
  args.FilePath = GisPathAbsolute(ExtractFileDir(ToSlashes(args.TabPath)), imageName);
  return CreatePixel(GisLayerFileExtension(args.FilePath), args);
}

std::unique_ptr<TGIS_LayerAbstract> TGIS_RegistredLayers::CreateSdts(TGIS_LayerFactoryArgs& args) {
  const auto& open = Hooks().SdtsOpen;
  if (!open) return nullptr;
  bool isVector = false, isRaster = false;
  args.Reader = open(args.FilePath, isVector, isRaster);
  if (isVector) return Construct("TGIS_LayerSDTS_TVP", args);
  if (isRaster) return Construct("TGIS_LayerSDTS_RPE", args);
  return nullptr;
}

std::unique_ptr<TGIS_LayerAbstract> TGIS_RegistredLayers::CreateDem(TGIS_LayerFactoryArgs& args) {
  if (FileExists(GisPathWithoutExt(args.FilePath) + ".hdr"))
    return Construct("TGIS_LayerBIL", args);
  return Construct("TGIS_LayerDEM", args);
}

std::unique_ptr<TGIS_LayerAbstract> TGIS_RegistredLayers::CreateSql(TGIS_LayerFactoryArgs& args) {
  const auto& read = Hooks().ReadLayerConfigValue;
  if (!read) return nullptr;
  int kind = 0;
  const std::string storage = SqlStorageName(read, args.FilePath, kind);
  if (kind != 1) return nullptr;
  if (SameText(storage, "Native")) return Construct("TGIS_LayerSqlAdo", args);
  for (const char* s : {"OpenGisBlob", "OpenGisBlob2", "OpenGisNormalized", "OpenGisNormalized2"})
    if (SameText(storage, s)) return Construct("TGIS_LayerSqlOgisAdo", args);
  if (SameText(storage, "Geomedia")) return Construct("TGIS_LayerSqlGmAdo", args);
  return nullptr;
}

std::unique_ptr<TGIS_LayerAbstract>
TGIS_RegistredLayers::CreatePixelStore(const std::string& fullPath, TGIS_LayerFactoryArgs& args) {
  const auto& accepts = Hooks().PixelStoreV2Accepts;
  if (!accepts) return nullptr;
  if (accepts(fullPath)) return Construct("TGIS_LayerPixelStoreAdo2", args);
  return Construct("TGIS_LayerPixelStore", args);
}

std::unique_ptr<TGIS_LayerAbstract> GisCreateLayer(const std::string& name,
                                                   const std::string& path) {
  TGIS_RegistredLayers factory;
  return factory.CreateLayer(name, path);
}
