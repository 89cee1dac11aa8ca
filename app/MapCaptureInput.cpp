// The map window's mouse, drag and zoom handling and the navigation steps.
#include "app/MapCapture.h"
#include "app/Navigation.h"
#include "app/Readouts.h"
#include "gis/viewer/GisViewer.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/Ticks.h"

TLatLon TMapCapture::MapPointToLatLon(const TGIS_Point& p) const {
  return PixelToLatLon(MapZoom, p.X, 2 * CaptureTopY - p.Y);
}

void TMapCapture::gisMouseMove(TShiftState shift, int x, int y) {
  if (shift == TShiftState{TShiftStateItem::ssLeft}) DragTick = GetTickCount();
  if (env_.Viewer->IsEmpty()) return;
  const TGIS_Point p = env_.Viewer->ScreenToMap(TPoint(x, y));
  CursorPixel = {p.X, 2 * CaptureTopY - p.Y};
  const TLatLon ll = MapPointToLatLon(p);
  CursorLat = ll.Lat;
  CursorLon = ll.Lon;
  if (env_.OnCursorTexts)
    env_.OnCursorTexts(FormatStatusPixels(CursorPixel.X, CursorPixel.Y),
                       FormatStatusDegrees(CursorLat, CursorLon),
                       IntToStr(x) + " | " + IntToStr(y));
}

void TMapCapture::gisMouseDown(TMouseButton, int x, int y) {
  if (env_.Viewer->IsEmpty()) return;
  BeginDrag();
  MouseDownX = x;
  MouseDownY = y;
}

void TMapCapture::RecentreOnViewer() {
  const TLatLon ll = MapPointToLatLon(env_.Viewer->Center());
  CursorLat = MapLat = ll.Lat;
  CursorLon = MapLon = ll.Lon;
}

void TMapCapture::gisMouseUp(TMouseButton button, int, int) {
  EndDrag();
  if (button != TMouseButton::mbLeft) return;
  if (static_cast<Cardinal>(GetTickCount() - DragTick) >= 500) return;
  RecentreOnViewer();
  RecentrePending = true;
  ApplyPosition();
}

void TMapCapture::gisZoomChange() {
  if (BuildingPage || ResizePending) return;
  const double z = env_.Viewer->Zoom();
  int step = 0;
  if (z > 1.3)
    step = z > 4.0 ? 3 : 1;
  else if (z < 0.97)
    step = z < 0.5 ? -3 : -1;
  if (step == 0) return;
  RecentreOnViewer();
  MapZoom += step;
  KeepPositionOnPage(); // the page's first and last levels bound the steps
  if (env_.OnMapZoom) env_.OnMapZoom(MapZoom);
  RecentrePending = true;
  ApplyPosition();
}

void TMapCapture::StepMap(const std::string& code, Extended& nx, Extended& ny) {
  const auto step =
      ComputeMapStep(code, MapZoom, MapLat, MapLon, Readouts.BottomRight.X - Readouts.TopLeft.X,
                     Readouts.BottomRight.Y - Readouts.TopLeft.Y, nx, ny);
  if (!step) return;
  nx = static_cast<Extended>(step->Nx);
  ny = static_cast<Extended>(step->Ny);
  MapLat = step->Centre.Lat;
  MapLon = step->Centre.Lon;
  RecentrePending = true;
  ApplyPosition();
}
