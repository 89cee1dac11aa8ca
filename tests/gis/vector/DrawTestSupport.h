// Helpers of the shape drawing tests: a viewer window over a map whose units
// are its pixels (zoom 1, y up), a vector layer that draws what the test asks
// for inside the viewer's paint, and pixel probes of a rendered bitmap.
#pragma once

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <memory>
#include <string>

#include "gis/core/GisKernel.h"
#include "gis/vector/GisLayerVector.h"
#include "gis/vector/GisShapeDraw.h"
#include "gis/viewer/GisGDI.h"
#include "gis/viewer/GisSymbol.h"
#include "gis/viewer/GisViewer.h"
#include "gis/viewer/GisViewerWnd.h"
#include "platform/forms/Forms.h"
#include "platform/graphics/Bitmap.h"
#include "tests/gis/viewer/GdiTarget.h"

/// A vector layer whose drawing pass is the test's: every shape's Draw
/// unless `OnDraw` is set.
class TDrawLayer : public TGIS_LayerVector {
public:
  std::function<void(TDrawLayer&)> OnDraw;
  bool DrawDefault() override {
    if (OnDraw) {
      OnDraw(*this);
      return true;
    }
    for (int i = 0; i < ShapeCount(); ++i)
      ShapeAt(i)->Draw();
    return true;
  }
};

/// A form holding a viewer window of w × h pixels showing the map extent
/// (0, 0, w, h): map point (x, y) is pixel (x, h − y).
struct TDrawViewer {
  explicit TDrawViewer(int w = 200, int h = 100) : width(w), height(h) {
    GisKernelInit();
    GisSymbolsRegisterUnit();
    form = new TForm(nullptr);
    form->SetBounds(0, 0, w + 100, h + 100);
    viewer = new TGIS_ViewerWnd(form);
    viewer->KeyPoll = [](HWND) { return false; };
    viewer->SetBorderStyle(TBorderStyle::bsNone);
    viewer->SetScrollBars(TScrollStyle::ssNone);
    viewer->SetParent(form);
    viewer->SetBounds(0, 0, w, h);
    viewer->Handle();
    viewer->SetBigExtentMargin(0);
    viewer->SetColor(0xFFFFFF);
    layer = new TDrawLayer();
    layer->SetName("shapes");
    viewer->Add(layer);
    layer->SetExtent({0, 0, double(w), double(h)});
    viewer->RecalcExtent();
    viewer->SetVisibleExtent({0, 0, double(w), double(h)});
  }
  ~TDrawViewer() {
    delete form;
    GisSetMaxDrawPointsForTests(0);
  }
  TDrawViewer(const TDrawViewer&) = delete;
  TDrawViewer& operator=(const TDrawViewer&) = delete;

  /// A shape of the layer built part by part.
  TGIS_Shape* Add(TGIS_ShapeType type, const std::vector<std::vector<TGIS_Point>>& parts) {
    TGIS_Shape* s = layer->CreateShape(type);
    for (const auto& part : parts) {
      s->AddPart();
      for (const TGIS_Point& p : part)
        s->AddPoint(p);
    }
    return s;
  }
  /// The layer's (current) style section.
  TGIS_ParamsSectionVector& Style() { return layer->GetParamsSection(); }
  /// Every style value back to its default.
  void ResetStyle() {
    const TGIS_ParamsSectionVector defaults;
    Style().Assign(defaults);
  }

  /// Renders the viewer into a fresh w × h bitmap (the paint runs the layer's
  /// drawing pass on a device-context target).
  void Render() {
    bitmap = std::make_unique<TBitmap>();
    bitmap->SetSize(width, height);
    viewer->RenderToBitmap(bitmap.get());
    bitmap->SetPixelFormat(pf24bit);
  }
  /// Runs `draw` inside a render, on the paint's drawing context.
  void RenderWith(std::function<void(TGIS_Viewer&, TGIS_GDI&)> draw) {
    layer->OnDraw = [this, draw](TDrawLayer&) { draw(*viewer, *viewer->GetGDI()); };
    Render();
    layer->OnDraw = nullptr;
  }
  COLORREF Pixel(int x, int y) const {
    const std::uint8_t* p = bitmap->ScanLine(y) + x * 3;
    return RGB(p[2], p[1], p[0]);
  }
  /// A pixel of the window's back buffer.
  COLORREF WindowPixel(int x, int y) {
    HWND h = viewer->Handle();
    HDC dc = GetDC(h);
    const COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(h, dc);
    return c;
  }
  int Count(COLORREF c) const {
    int n = 0;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        n += Pixel(x, y) == c;
    return n;
  }
  /// The bounding box of the pixels of a colour (empty when none).
  TRect InkBox(COLORREF c) const {
    return InkBoxOf(width, height, c, [this](int x, int y) { return Pixel(x, y); });
  }

  int width, height;
  TForm* form = nullptr;
  TGIS_ViewerWnd* viewer = nullptr;
  TDrawLayer* layer = nullptr;
  std::unique_ptr<TBitmap> bitmap;
};

// kRed and kWhite: GdiTarget.h.
inline constexpr COLORREF kYellow = 0x00FFFF, kBlue = 0xFF0000, kGreen = 0x008000,
                          kNearBlack = 0x010101, kLime = 0x00FF00;
