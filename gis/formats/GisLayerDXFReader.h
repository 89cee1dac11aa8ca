// The DXF layer's reader (private to GisLayerDXF*.cpp): one per Open, holding
// the per-file lists, the transforms and the block index.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "gis/formats/GisLayerDXF.h"
#include "gis/formats/GisLayerDXFGroups.h"

class TGIS_LayerDXF::TReader {
public:
  TReader(TGIS_LayerDXF& layer, const std::uint8_t* data, std::int64_t size,
          const std::string& path);
  /// Reads the drawing into the layer's shapes; raises 0090 on malformed
  /// input (the shapes read so far stay).
  void Run();
  /// The drawing's version for the description ("R11 or R12", ...).
  const std::string& Version() const { return version_; }
  TGIS_DxfGroups& Groups() { return g_; }

private:
  struct TVertex {
    double X = 0, Y = 0, Z = 0, Bulge = 0;
  };
  /// What a collecting reader keeps until its shape is made.
  struct TCommon {
    std::string Handle, Layer, LineType, Weight;
    int Color = 0;
    double Elevation = 0;
  };
  struct TBlock {
    std::int64_t Position = 0;
    TGIS_DxfVec Base;
  };

  // Groups.
  void Next();
  std::string LayerValue() const;

  // The walk, the header and the tables.
  void Walk();
  void ReadVersion();
  void ReadExtentCorner(bool maximum);
  void RegisterBlock();
  void ReadTables();
  void ReadLayerEntry();
  void ReadLineTypeEntry();
  void ClipToHeader();
  /// Reads the entity at the current (0, name) group; false when the name is
  /// no entity read here. Ends on the next code-0 group.
  bool ReadEntity(bool inBlock);

  // Drawing layers and styles.
  bool AcceptLayer(const std::string& name);
  bool IsLayerHidden(const std::string& name);
  /// The current shape's own style section (made from the layer's on first use).
  TGIS_ParamsSectionVector& Own();
  void ApplyColor(const std::string& name, int index);
  void ApplyLineType(const std::string& name);
  void ApplyLayerWeight(const std::string& name);
  void ApplyWeight(int width);
  void ReadXData();

  // Transforms.
  void SetEntityOCS(const TGIS_DxfVec& extrusion);
  TGIS_DxfVec Transform(const TGIS_DxfVec& p) const { return DxfApply(entityT_, p); }
  void AddPoint(const TGIS_DxfVec& p);
  void ReadInsert();

  // Entities (GisLayerDXFEntities.cpp).
  TGIS_Shape* StartShape(TGIS_ShapeType type, const char* kind);
  void EndShape();
  /// Groups 5, 8 and 62 of the simple entities: handle, drawing layer, colour.
  void SimpleCommonGroup();
  /// Groups 210, 220 and 230: the extrusion direction.
  void ExtrusionGroup(TGIS_DxfVec& extrusion);
  void ReadSimple(const char* name);
  void ReadText();
  void ReadCircle();
  void ReadEllipse();
  void ReadSpline();
  void ReadPolyline();
  void ReadVertex(std::vector<TVertex>& vertices, std::vector<std::array<int, 4>>& faces);
  void ReadLWPolyline();
  void ReadMPolygon();
  void ReadHatch();
  bool CommonGroup(TCommon& common, bool& stop);
  TGIS_Shape* MakeCollected(TGIS_ShapeType type, const char* kind, const TCommon& common,
                            bool elevation);
  void AddVertices(const std::vector<TVertex>& vertices, bool closed);
  /// Points P(t) = C + cos t·U + sin t·V for t from `start` over `sweep`, through
  /// the entity transform.
  void AddArc(const TGIS_DxfVec& c, const TGIS_DxfVec& u, const TGIS_DxfVec& v, double start,
              double sweep);
  void AddBulgeArc(const TVertex& a, const TVertex& b);

  TGIS_LayerDXF& layer_;
  TGIS_DxfGroups g_;
  std::string path_;
  std::string version_ = "Unknown";
  TGIS_DxfNameList lineTypes_, layerLineTypes_, layerWeights_, layerColors_;
  std::map<std::string, TBlock, TGIS_DxfNameLess> blocks_;
  std::vector<std::string> blockStack_;
  TGIS_DxfMatrix entityT_ = DxfIdentity(), blockT_ = DxfIdentity();
  int depth_ = 0;
  std::int64_t blockItems_ = 0, blockBudget_ = 0, nextShake_ = 5000;
  bool haveMin_ = false, haveMax_ = false;
  TGIS_Extent3D header_;
  std::uint32_t background_ = 0;
  TGIS_Shape* shape_ = nullptr;
};
