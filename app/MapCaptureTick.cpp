// The timer's tick, the publication of a capture and the read-outs.
#include "app/CaptureFiles.h"
#include "app/MapCapture.h"
#include "app/MapPage.h"
#include "browser/WebHostIntf.h"
#include "gis/viewer/GisViewer.h"
#include "gis/viewer/GisViewerLayer.h"
#include "platform/forms/Timers.h"
#include "platform/graphics/Bitmap.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/Ticks.h"

#include <exception>

void TMapCapture::gisResize() {
  ResizeTick = GetTickCount();
  ResizePending = true;
  env_.Web->SetBounds(0, 0, env_.Viewer->Width() + 30, env_.Viewer->Height() + 30);
}

void TMapCapture::googleTimerTimer() {
  if (!schedule_.BeginTick()) return;
  auto endTick = ScopeExit([this] {
    schedule_.EndTick();
    ResumeCapture();
  });
  timer_->SetEnabled(false);
  if (ResizePending && static_cast<Cardinal>(GetTickCount() - ResizeTick) > 500) {
    ResizePending = false;
    BuildingPage = true;
    BtInicClick();
    return;
  }
  schedule_.CountCapture();
  CaptureSnapshot();
  endTick.Run();
}

void TMapCapture::CaptureSnapshot() {
  // A snapshot that cannot be taken (no page, a failed drawing, a viewer of
  // no size) publishes nothing; the old files and layer stay.
  std::unique_ptr<TBitmap> snapshot;
  try {
    if (CaptureWidth <= 0 || CaptureHeight <= 0) return;
    snapshot = env_.Web->SnapshotReusing(std::move(snapshotBuffer_));
    if (!snapshot) return;
    // The last capture's bitmap is drawn over when its size still fits.
    captureBitmap_ =
        CropSnapshot(*snapshot, CaptureWidth, CaptureHeight, std::move(captureBitmap_));
  } catch (const std::exception&) {
    return;
  }
  snapshotBuffer_ = std::move(snapshot); // the next tick's snapshot is drawn into it
  PublishCapture(MapZoom, MapLat, MapLon);
}

void TMapCapture::PublishCapture(int zoom, Extended lat, Extended lon) {
  try {
    if (!captureBitmap_) return;
    ShiftStretchInPlace(*captureBitmap_);
    WriteCaptureImages(*captureBitmap_, env_.AppDir);
    UpdatePositionReadouts();
    CaptureTopY =
        RewriteWorldFile(env_.AppDir + "image1.jgw", zoom, lat, lon, CaptureWidth, CaptureHeight).Y;
    LoadImageLayer(env_.AppDir + "image1.jpg");
    TGIS_LayerAbstract* layer = env_.Viewer->Get("Image1.jpg");
    if (!layer) return;
    const TGIS_Extent capture = layer->Extent();
    env_.Viewer->SetVisibleExtent(capture);
    ShowDraggableRoom(capture);
    if (env_.OnZoomText) env_.OnZoomText(IntToStr(zoom));
    env_.Viewer->Update();
  } catch (const std::exception&) {
    // The capture files are written as far as they got; the next tick tries again.
  }
}

void TMapCapture::ShowDraggableRoom(const TGIS_Extent& e) {
  // Each line uses the values already changed: one capture left and below,
  // two right and above.
  TGIS_Extent d = e;
  d.XMin = e.XMin - (e.XMax - e.XMin);
  d.XMax = e.XMax + (e.XMax - d.XMin);
  d.YMin = e.YMin - (e.YMax - e.YMin);
  d.YMax = e.YMax + (e.YMax - d.YMin);
  delete env_.Viewer->Get("ext");
  std::unique_ptr<TGIS_LayerAbstract> room = env_.CreateEmptyLayer();
  room->SetName("Ext");
  room->SetExtent(d);
  env_.Viewer->Add(room.get());
  room.release();
}

void TMapCapture::LoadImageLayer(const std::string& path) {
  try {
    const std::string name = ExtractFileName(path);
    delete env_.Viewer->Get(name);
    std::unique_ptr<TGIS_LayerAbstract> layer = env_.CreateLayer(name, path);
    if (!layer) return;
    layer->LoadConfig();
    env_.Viewer->Add(layer.get());
    layer.release();
  } catch (const std::exception& e) {
    if (env_.ShowMessage) env_.ShowMessage(std::string("File can't be open\r") + e.what());
  }
}

TViewPoint TMapCapture::ViewPointAt(int clientX, int clientY) {
  const TGIS_Point p = env_.Viewer->ScreenToMap(TPoint(clientX, clientY));
  TViewPoint v;
  v.X = p.X;
  v.Y = 2 * CaptureTopY - p.Y;
  const TLatLon ll = PixelToLatLon(MapZoom, v.X, v.Y);
  v.Lat = ll.Lat;
  v.Lon = ll.Lon;
  v.ClientX = clientX;
  v.ClientY = clientY;
  return v;
}

void TMapCapture::UpdatePositionReadouts() {
  const TGIS_Extent visible = env_.Viewer->GetVisibleExtent();
  if (visible.XMin == 0 || env_.Viewer->GetVisibleExtent().XMax == 0) return;
  const int width = env_.Viewer->Width();
  const int height = env_.Viewer->Height();
  Readouts.TopLeft = ViewPointAt(0, 0);
  Readouts.BottomRight = ViewPointAt(width, height);
  const TGlobalPixel centre = LatLonToPixel(MapZoom, MapLat, MapLon);
  Readouts.Centre = {centre.X, centre.Y, MapLat, MapLon, width / 2.0L, height / 2.0L};
  Readouts.Width = width;
  Readouts.Height = height;
  if (env_.OnReadouts) env_.OnReadouts(Readouts);
}
