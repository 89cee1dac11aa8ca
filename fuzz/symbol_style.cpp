// A vector layer's style file (the layer's ".ini": markers, lines, areas and
// labels, with the symbols they name): any file loads or raises the kernel's
// error, and a layer of a point, a line and a polygon draws with the style
// into a small picture without a fault.

#include <cstdint>
#include <string>

#include "fuzz/support/FuzzForms.h"
#include "fuzz/support/FuzzSupport.h"
#include "gis/core/GisKernel.h"
#include "gis/vector/GisLayerVector.h"
#include "gis/vector/GisSqlQuery.h"
#include "gis/viewer/GisSymbol.h"
#include "gis/viewer/GisViewerWnd.h"
#include "platform/graphics/Bitmap.h"
#include "platform/rtl/Exceptions.h"

namespace {

TGIS_ViewerWnd* viewer = nullptr;

void AddShape(TGIS_LayerVector& layer, TGIS_ShapeType type,
              std::initializer_list<TGIS_Point> points) {
  TGIS_Shape* shape = layer.CreateShape(type);
  shape->AddPart();
  for (const TGIS_Point& p : points)
    shape->AddPoint(p);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  skfuzz::StartForms(argc, argv);
  GisKernelInit();
  GisSymbolsRegisterUnit();
  GisSqlQueryInstall();
  auto* form = new TForm(nullptr);
  form->SetBounds(0, 0, 120, 80);
  viewer = new TGIS_ViewerWnd(form);
  viewer->KeyPoll = [](HWND) { return false; };
  viewer->SetParent(form);
  viewer->SetBounds(0, 0, 96, 64);
  viewer->SetBigExtentMargin(0);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  skfuzz::WriteScratch("style.ini", data, size);
  auto* layer = new TGIS_LayerVector;
  try {
    layer->SetName("styled");
    layer->SetConfigPath(skfuzz::ScratchPath("style"));
    layer->Open();
    AddShape(*layer, gisShapeTypePoint, {{20, 20}});
    AddShape(*layer, gisShapeTypeArc, {{5, 5}, {90, 60}, {60, 10}});
    AddShape(*layer, gisShapeTypePolygon, {{30, 30}, {80, 30}, {80, 60}, {30, 60}, {30, 30}});
    layer->LoadConfig();
    viewer->Add(layer);
    layer = nullptr; // the viewer's now
    viewer->SetVisibleExtent({0, 0, 96, 64});
    TBitmap picture(96, 64, pf24bit);
    viewer->RenderToBitmap(&picture);
  } catch (const Exception&) {
  }
  delete layer;
  viewer->Close();
  GisSymbolList().Clear();
  return 0;
}
