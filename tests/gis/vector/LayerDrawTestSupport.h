// Helpers of the layer drawing and label tests: a vector layer in a viewer
// window whose map units are the window's pixels, and spy points that
// record what the passes ask of them and can be edited.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "gis/vector/GisLayerVector.h"
#include "gis/vector/GisSqlQuery.h"
#include "gis/viewer/GisEditor.h"
#include "tests/gis/viewer/ViewerTestSupport.h"

/// A point that records the drawing calls it gets; edits end without the
/// topology engine (a point has nothing to normalise).
class TSpyPoint : public TGIS_ShapePoint {
public:
  using TGIS_ShapePoint::TGIS_ShapePoint;
  int Draws = 0, Labels = 0, Charts = 0, Vertices = 0, VertexLabels = 0;
  /// Fields this shape answers itself (over the layer's).
  std::vector<std::pair<std::string, Variant>> OwnFields;

  void Draw() override { ++Draws; }
  void DrawLabel() override {
    ++Labels;
    TGIS_ShapePoint::DrawLabel();
  }
  void DrawChart() override { ++Charts; }
  void DrawVertices() override { ++Vertices; }
  void DrawVertexLabels() override { ++VertexLabels; }
  Variant GetField(const std::string& name) override {
    for (const auto& [n, v] : OwnFields)
      if (n == name) return v;
    return TGIS_ShapePoint::GetField(name);
  }
  void FixShape() override {}
};

/// A vector layer that takes shapes made by the test.
class TPassLayer : public TGIS_LayerVector {
public:
  TPassLayer() { SetName("shapes"); }
  /// Appends a spy point at (x, y) with the next UID.
  TSpyPoint* AddSpyPoint(double x, double y) {
    auto shape = std::make_unique<TSpyPoint>(nullptr, std::span<const std::uint8_t>{}, false,
                                             GetNewUid(), this);
    TSpyPoint* raw = shape.get();
    AppendShape(std::move(shape));
    raw->AddPart();
    raw->AddPoint({x, y});
    return raw;
  }
  TGIS_Shape* AddShape(TGIS_ShapeType type, const std::vector<std::vector<TGIS_Point>>& parts) {
    TGIS_Shape* s = CreateShape(type);
    for (const auto& part : parts) {
      s->AddPart();
      for (const TGIS_Point& p : part)
        s->AddPoint(p);
    }
    return s;
  }
};

/// A viewer window of w x h pixels showing the map (0, 0, w, h) at zoom 1,
/// with one vector layer of the test's shapes.
struct TPassFixture {
  explicit TPassFixture(int w = 300, int h = 200) : form(w, h), width(w), height(h) {
    GisSqlQueryInstall();
    layer = new TPassLayer;
    layer->Open();
    layer->SetExtent({0, 0, double(w), double(h)});
    viewer().Add(layer);
    viewer().SetBigExtentMargin(0);
    viewer().SetColor(clWhite);
    ShowAll();
  }
  ~TPassFixture() {
    if (viewer().Editor()->InEdit()) viewer().Editor()->EndEdit();
  }
  TGIS_ViewerWnd& viewer() { return *form.viewer; }
  void ShowAll() { viewer().SetVisibleExtent({0, 0, double(width), double(height)}); }
  TGIS_ParamsSectionVector& Section() { return layer->GetParamsSection(); }
  /// A full paint through the window's paint message (the cache and the
  /// overlays).
  void PaintWindow() {
    viewer().DropCache();
    InvalidateRect(viewer().Handle(), nullptr, false);
    UpdateWindow(viewer().Handle());
  }
  /// A paint into a bitmap of the window's size (a device context: no
  /// overlays, the label and chart passes always run).
  std::unique_ptr<TBitmap> Render() {
    auto out = std::make_unique<TBitmap>(width, height, pf24bit);
    viewer().RenderToBitmap(out.get());
    return out;
  }

  TViewerForm form;
  int width, height;
  TPassLayer* layer = nullptr;
};
