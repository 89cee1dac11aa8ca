// The map window's capture engine: it builds the map page from its template,
// sends positions to the page, and on every tick of its timer captures the
// page, writes the capture files and shows them in the viewer.
//
// Files: MapCapture.cpp (page rebuild, position step, script), MapCaptureTick.cpp
// (timer tick, publication of a capture, the capture layer, read-outs),
// MapCaptureInput.cpp (mouse, drag and web zoom step, navigation steps).
#pragma once

#include "app/CaptureSchedule.h"
#include "app/WebMercator.h"
#include "gis/core/GisDefsGeometry.h"
#include "platform/forms/Controls.h"
#include "platform/rtl/Types.h"

#include <functional>
#include <memory>
#include <string>

class IWebHost;
class TBitmap;
class TGIS_LayerAbstract;
class TGIS_Viewer;
class TTimer;

/// A view position: global pixel, latitude/longitude and viewer client pixel.
struct TViewPoint {
  Extended X = 0, Y = 0;
  Extended Lat = 0, Lon = 0;
  Extended ClientX = 0, ClientY = 0;
};

/// What the tool window's "Map position" page shows.
struct TPositionReadouts {
  TViewPoint TopLeft, Centre, BottomRight;
  int Width = 0, Height = 0; // the viewer's client size
};

/// What the capture needs of the map window and the program.
struct TCaptureEnvironment {
  std::string AppDir;      // with a trailing "/"
  IWebHost* Web = nullptr; // the browser under the viewer
  TGIS_Viewer* Viewer = nullptr;
  /// A modal message (the program's message box).
  std::function<void(const std::string& text)> ShowMessage;
  /// The layer factory: a layer named `name` for the file `path`, or none.
  std::function<std::unique_ptr<TGIS_LayerAbstract>(const std::string& name,
                                                    const std::string& path)>
      CreateLayer;
  /// An empty vector layer (the draggable room around the capture).
  std::function<std::unique_ptr<TGIS_LayerAbstract>()> CreateEmptyLayer;
  /// Shows the map window (and brings it forward).
  std::function<void()> ShowMapWindow;
  /// Runs first in every page rebuild (the window empties its state data set).
  std::function<void()> BeforeRebuild;
  /// One turn of the message loop, and whether the program is closing.
  std::function<void()> ProcessMessages;
  std::function<bool()> Terminated;
  /// The read-outs changed (the tool window shows them).
  std::function<void(const TPositionReadouts&)> OnReadouts;
  /// The zoom label of the status bar changed.
  std::function<void(const std::string&)> OnZoomText;
  /// The status bar's texts for the mouse: pixels, degrees, client position.
  std::function<void(const std::string& pixels, const std::string& degrees,
                     const std::string& client)>
      OnCursorTexts;
  /// The web zoom changed in the viewer: the tool window's zoom bar follows.
  std::function<void(int mapZoom)> OnMapZoom;
};

class TMapCapture {
public:
  explicit TMapCapture(TCaptureEnvironment environment);
  ~TMapCapture();
  TMapCapture(const TMapCapture&) = delete;
  TMapCapture& operator=(const TMapCapture&) = delete;

  // ---- the web map's state ----------------------------------------------------
  Extended MapLat = 46.0L;
  Extended MapLon = 14.0L;
  Extended SentLat = 0, SentLon = 0;
  int MapZoom = 6;
  std::string MapSource = "yahoo";
  std::string MapType = "YAHOO_MAP_REG";
  bool RecentrePending = false;
  bool BuildingPage = true;
  int CaptureWidth = 0, CaptureHeight = 0;
  Extended CaptureTopY = 0;
  bool ResizePending = false;
  Cardinal ResizeTick = 0;
  int DownloadCount = 0;
  TPositionReadouts Readouts;

  /// The start page: the regular Yahoo map at the current centre and the zoom
  /// bar's `zoom`, after the browser has gone to "gmaps.htm". Without that
  /// file a message, and nothing is built (capturing stays off). The map
  /// window is shown first (ShowMapWindow).
  void OpenStartPage(int zoom);
  /// The page rebuild; a rebuild asked for during another one's wait runs
  /// once more after it instead of inside it.
  void BtInicClick();
  /// Fills the template, saves and loads the page and waits for it (more
  /// than two download completions, or 15 s). False when the template is
  /// missing (a message; capturing stays off).
  bool BuildMapPage();
  /// Keeps MapLat, MapLon and MapZoom inside what the page shows for the
  /// source (KeepOnPage): the longitude taken into [-180, 180), the latitude
  /// and the zoom bounded.
  void KeepPositionOnPage();
  /// The position step: keeps the position on the page, then sends the
  /// position script when a recentre is pending. During a rebuild's wait it keeps the request, and the rebuild
  /// sends it once the new page has loaded.
  void ApplyPosition();
  /// Runs a script in the loaded page; nothing without a page or text.
  void ExecuteScript(const std::string& text);
  /// The browser's download-complete event.
  void webDownloadComplete() { ++DownloadCount; }

  /// The timer's tick: a pending resize rebuilds the page, else the page is
  /// captured and published. A tick that cannot take a snapshot publishes
  /// nothing and the ticks go on.
  void googleTimerTimer();
  /// The viewer's resize: the browser follows it, 30 pixels larger.
  void gisResize();
  /// Writes the capture files and shows the capture in the viewer.
  void PublishCapture(int zoom, Extended lat, Extended lon);
  /// Replaces the viewer's layer named after the file by one opened from it.
  void LoadImageLayer(const std::string& path);
  /// Reads the view's corners and centre into the read-outs.
  void UpdatePositionReadouts();

  /// A mouse button went down in the viewer / came up: no tick runs in
  /// between.
  void BeginDrag();
  void EndDrag();

  // ---- interaction (MapCaptureInput.cpp) ------------------------------------------
  Extended CursorLat = 0, CursorLon = 0;
  TGlobalPixel CursorPixel;
  Cardinal DragTick = 0;
  int MouseDownX = 0, MouseDownY = 0;

  void gisMouseMove(TShiftState shift, int x, int y);
  void gisMouseDown(TMouseButton button, int x, int y);
  /// Ends the drag; a left release within 500 ms of the last drag move
  /// recentres the web map on the viewer's centre.
  void gisMouseUp(TMouseButton button, int x, int y);
  /// The viewer's zoom change: a zoom beyond 1.3 (4.0) steps the web zoom up
  /// by 1 (3), one below 0.97 (0.5) down by 1 (3).
  void gisZoomChange();
  /// One view in direction `code` from the web map's centre; the tile
  /// counters move with it. Nothing before the first read-outs.
  void StepMap(const std::string& code, Extended& nx, Extended& ny);
  /// The program is closing: the rebuild's wait ends and no tick runs again.
  void Terminate();

  TTimer& googleTimer() { return *timer_; }
  TBitmap* CaptureBitmap() { return captureBitmap_.get(); }
  const TCaptureSchedule& Schedule() const { return schedule_; }
  int CaptureCount() const { return schedule_.CaptureCount(); }

private:
  /// Lets the timer run when nothing is in progress, at the schedule's interval.
  void ResumeCapture();
  void CaptureSnapshot();
  void ShowDraggableRoom(const TGIS_Extent& capture);
  TViewPoint ViewPointAt(int clientX, int clientY);
  /// The latitude/longitude of a viewer map point.
  TLatLon MapPointToLatLon(const TGIS_Point& p) const;
  void RecentreOnViewer();

  TCaptureEnvironment env_;
  std::unique_ptr<TTimer> timer_;
  std::unique_ptr<TBitmap> captureBitmap_;
  std::unique_ptr<TBitmap> snapshotBuffer_;
  TCaptureSchedule schedule_;
  bool rebuildAgain_ = false;
};
