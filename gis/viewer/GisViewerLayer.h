// TGIS_LayerAbstract: the root of every layer (part of the GisViewer module;
// see GisViewer.h for the map of the module).
//
// Files: GisViewerLayer.cpp (construction, properties, life cycle,
// EnsureOpen), GisViewerLayerConfig.cpp (configuration files, style sections),
// GisViewerLayerCoords.cpp (conversions between the layer's and the viewer's
// coordinate systems).
//
// Later layer families answer the viewer's questions through the virtual
// operations at the end of the class (location, spatial index, selected
// in-memory shapes), so that the viewer never tests a layer's class.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gis/core/GisDefsGeometry.h"
#include "gis/core/GisDefsStyles.h"
#include "gis/core/GisDefsUnits.h"
#include "gis/core/GisMappedFiles.h"
#include "platform/rtl/DateTime.h"

class TGIS_Viewer;
class TGIS_Ini;
class TGIS_ParamsList;
class TGIS_ParamsSection;
class TGIS_ProjectionAbstract;
class TGIS_ShapeAbstract;
class TGIS_LayerAbstract;

/// The kernel's plain root object.
class TGIS_BaseObject {
public:
  virtual ~TGIS_BaseObject() = default;
};

/// Capability bits of a layer (set by the format layers' constructors).
inline constexpr std::uint8_t GIS_CAPABILITY_OWN_FILE = 0x01;      // data of its own file or store
inline constexpr std::uint8_t GIS_CAPABILITY_WRITES_FORMAT = 0x02; // writes its format
inline constexpr std::uint8_t GIS_CAPABILITY_READS_WHOLE = 0x04;   // reads the whole file at open

using TGIS_LayerPaintHook = std::function<void(TGIS_Viewer* viewer, TGIS_LayerAbstract* layer)>;
using TGIS_LayerPasswordEvent =
    std::function<void(TGIS_LayerAbstract* sender, const std::string& key, std::string& password)>;

class TGIS_LayerAbstract : public TGIS_BaseObject {
public:
  TGIS_LayerAbstract();
  /// Leaves its viewer's list (without being freed twice), then frees what it owns.
  ~TGIS_LayerAbstract() override;
  TGIS_LayerAbstract(const TGIS_LayerAbstract&) = delete;
  TGIS_LayerAbstract& operator=(const TGIS_LayerAbstract&) = delete;

  // ---- identity -----------------------------------------------------------
  TGIS_Viewer* Viewer() const { return viewer_; }
  /// Set by the viewer's Add (and cleared when the layer leaves it).
  void SetViewer(TGIS_Viewer* viewer) { viewer_ = viewer; }
  const std::string& Path() const { return path_; }
  void SetPath(const std::string& v) { path_ = v; }
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v) { caption_ = v; }
  const std::string& Name() const { return name_; }
  /// EGIS_Exception 0080 when the viewer already holds the name (any case).
  void SetName(const std::string& name);
  const std::string& Comments() const { return comments_; }
  void SetComments(const std::string& v) { comments_ = v; }

  // ---- extents and units ----------------------------------------------------
  const TGIS_Extent& Extent() const { return extent_; }
  virtual void SetExtent(const TGIS_Extent& extent);
  const TGIS_Extent& ProjectedExtent() const { return projectedExtent_; }
  TGIS_Units& Units() { return *units_; }
  const TGIS_Units& Units() const { return *units_; }
  TGIS_Units& ValueUnits() { return *valueUnits_; }
  bool ExtentLocked() const { return extentLocked_; }
  bool Opened() const { return opened_; }

  // ---- switches --------------------------------------------------------------
  bool Active() const { return active_; }
  void SetActive(bool v) { active_ = v; }
  bool LabelsOnTop() const { return labelsOnTop_; }
  void SetLabelsOnTop(bool v) { labelsOnTop_ = v; }
  bool HideFromLegend() const { return hideFromLegend_; }
  void SetHideFromLegend(bool v) { hideFromLegend_ = v; }
  bool UseFileParams() const { return useFileParams_; }
  void SetUseFileParams(bool v) { useFileParams_ = v; }
  bool UseConfig() const { return useConfig_; }
  void SetUseConfig(bool v) { useConfig_ = v; }
  bool IncrementalPaint() const { return incrementalPaint_; }
  void SetIncrementalPaint(bool v) { incrementalPaint_ = v; }
  bool CachedPaint() const { return cachedPaint_; }
  void SetCachedPaint(bool v) { cachedPaint_ = v; }
  int Transparency() const { return transparency_; }
  void SetTransparency(int v);
  int Addition() const { return addition_; }
  void SetAddition(int v);
  TGIS_DormantMode DormantMode() const { return dormantMode_; }
  void SetDormantMode(TGIS_DormantMode v) { dormantMode_ = v; }
  bool Modified() const { return modified_; }
  void SetModified(bool v) { modified_ = v; }

  // ---- code pages ------------------------------------------------------------
  int CodePage() const { return codePage_; }
  void SetCodePage(int v) { codePage_ = v; }
  int OutCodePage() const { return outCodePage_; }
  int OutCharset() const { return outCharset_; }
  int GetCodePage() const;
  int GetOutCodePage() const;
  void SetOutCodePage(int cp);

  // ---- configuration -----------------------------------------------------------
  TGIS_Ini* ConfigFile() const { return configFile_.get(); }
  const std::string& ConfigPath() const { return configPath_; }
  void SetConfigPath(const std::string& path);
  TGIS_ProjectionAbstract* Projection() const { return projection_.get(); }
  /// Keeps a copy of the projection (none for nullptr).
  void SetProjection(const TGIS_ProjectionAbstract* projection);
  TGIS_ParamsList& ParamsList() { return *paramsList_; }
  /// The current style section with its current shape cleared.
  TGIS_ParamsSection& GetParamsSection();
  void SetParamsSection(const TGIS_ParamsSection& section);
  const std::vector<TGIS_ParamsSection*>& ActiveSections() const { return activeSections_; }
  void SelectParamsSections(const std::string& style);
  void UseParamsSection(int index);

  // ---- hooks and informational members --------------------------------------------
  TGIS_LayerPaintHook PaintHook, PaintLabelsHook, PaintChartsHook;
  TGIS_LayerPasswordEvent PasswordEvent;
  /// Stream hooks handed to the streams a format layer opens; unassigned here.
  TGIS_ReadWriteEvent OnAfterRead, OnBeforeWrite;
  TDateTime OpenTime() const { return openTime_; }
  const std::string& InfoText() const { return infoText_; }
  void SetInfoText(const std::string& v) { infoText_ = v; }
  std::uint8_t Capabilities() const { return capabilities_; }
  void SetCapabilities(std::uint8_t v) { capabilities_ = v; }

  // ---- life cycle ------------------------------------------------------------------
  /// Opens the layer once (the viewer's Add calls it).
  void EnsureOpen();
  virtual void Open();
  virtual void AfterOpen() {}
  virtual void AfterConfig() {}
  virtual void ReadCoordinateSystem(TGIS_Ini& ini);
  virtual void ReadConfig(TGIS_Ini& ini);
  virtual void WriteConfig(TGIS_Ini& ini);
  virtual void LoadConfig();
  virtual void ReloadConfig();
  virtual void SaveConfig();
  virtual void SaveData() {}
  virtual void SaveAll();
  virtual bool IsModified() const;
  virtual void RecalcExtent() {}
  virtual void RecalcProjectedExtent();
  virtual void LockExtent() { extentLocked_ = true; }
  virtual void UnlockExtent();
  virtual void WakeUp() {}
  virtual void MakeDormant() {}
  virtual void DiscardChanges() = 0;

  // ---- drawing -------------------------------------------------------------------------
  /// With a non-zero viewer zoom: PaintHook when set, else DrawDefault.
  virtual void Draw();
  virtual bool DrawDefault() = 0;
  virtual void DrawEditor() {}
  virtual void DrawLabels();
  virtual void DrawCharts();
  virtual bool DrawLabelsDefault() { return false; }
  virtual bool DrawChartsDefault() { return false; }
  bool HourglassShake();
  void GetDrawExtent(TGIS_Extent& extent) const;
  void GetDrawExtentClipped(TGIS_Extent& extent) const;

  // ---- coordinate conversions -----------------------------------------------------------
  TGIS_Point PointToViewer(const TGIS_Point& p) const;
  TGIS_Point3D Point3DToViewer(const TGIS_Point3D& p) const;
  TGIS_Point PointFromViewer(const TGIS_Point& p) const;
  TGIS_Extent ExtentToViewer(const TGIS_Extent& e) const;
  TGIS_Extent ExtentFromViewer(const TGIS_Extent& e) const;

  // ---- questions the viewer asks of layer families -----------------------------------------
  /// Whether the layer takes part in the viewer's Locate (vector layers).
  virtual bool CanLocate() const { return false; }
  /// The nearest shape within precision, its distance in `distance`; nullptr when none.
  virtual TGIS_ShapeAbstract* LocateShape(const TGIS_Point& point, double precision,
                                          bool visibleOnly, double& distance) {
    (void)point, (void)precision, (void)visibleOnly, (void)distance;
    return nullptr;
  }
  /// Re-applies the layer's spatial-index setting (vector layers).
  virtual void ApplyIndexSetting() {}
  /// Holds an in-memory shape marked selected (vector layers).
  virtual bool HoldsSelectedShape() const { return false; }
  /// Whether visibility is judged against the live visible extent (raster layers).
  virtual bool UsesLiveVisibleExtent() const { return false; }

protected:
  /// Projects a point with the given steps; the viewer side ignores failures.
  TGIS_Point3D ToViewerSteps(TGIS_Point3D v) const;
  TGIS_Point3D FromViewerSteps(TGIS_Point3D v) const;

  TGIS_Viewer* viewer_ = nullptr;
  std::string path_, caption_, name_, comments_;
  TGIS_Extent projectedExtent_{0, 0, 0, 0};
  std::unique_ptr<TGIS_Units> units_, valueUnits_;
  bool active_ = true, labelsOnTop_ = true, hideFromLegend_ = false, useFileParams_ = true,
       useConfig_ = true, incrementalPaint_ = false, cachedPaint_ = true;
  int transparency_ = 100, addition_ = 0;
  TGIS_DormantMode dormantMode_ = gisDormantStandard;
  bool extentLocked_ = false, opened_ = false;
  std::unique_ptr<TGIS_Ini> configFile_;
  int codePage_ = 0, outCodePage_ = 0, outCharset_ = 0;
  std::string configPath_;
  std::unique_ptr<TGIS_ProjectionAbstract> projection_;
  TGIS_ParamsSection* paramsSection_ = nullptr;
  std::unique_ptr<TGIS_ParamsList> paramsList_;
  TDateTime openTime_ = 0;
  std::string infoText_;
  std::uint8_t capabilities_ = 0;
  TGIS_Extent extent_{1, 1, -1, -1};
  bool modified_ = false;
  std::vector<TGIS_ParamsSection*> activeSections_;
};
