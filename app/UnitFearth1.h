// The map window: the GIS viewer over the browser that draws the web map, a
// status bar of cursor read-outs, and the viewer's context menu. The capture
// engine (MapCapture.h) does the work; this window holds the components,
// routes their events to it and passes its results to the tool window.
//
// Files: UnitFearth1.cpp (the stored definition, creation, event routing).
#pragma once

#include "app/MapCapture.h"
#include "platform/forms/Forms.h"

#include <memory>
#include <string>

class IWebHost;
class TClientDataSet;
class TGIS_ViewerWnd;
class TLabel;
class TMenuItem;
class TPanel;
class TOwMenuStyler;
class TOwGlassButton;
class TOwPopupMenu;
class TPopupMenu;
class TRTFLabel;
class TWebHost;
class TzqStyleManager;

/// What the map window needs of the tool window.
class TFEarth1;

class IToolWindow {
public:
  virtual ~IToolWindow() = default;
  /// Places the map window, loads the start page and builds the first map
  /// (called by the map window's creation step, with that window).
  virtual void OpenStartPage(TFEarth1& map) = 0;
  /// Shows the position read-outs of the last capture.
  virtual void ShowReadouts(const TPositionReadouts& readouts) = 0;
  /// The zoom bar follows a web zoom changed in the viewer.
  virtual void SetZoomBarPosition(int position) = 0;
};

/// The layers the capture shows: the picture layer from the layer factory
/// and an empty vector layer.
struct TCaptureLayers {
  decltype(TCaptureEnvironment::CreateLayer) CreateLayer;
  decltype(TCaptureEnvironment::CreateEmptyLayer) CreateEmptyLayer;
};

/// The program's capture layers: the layer factory's row for the picture
/// (the raster rows are registered at start-up) and an empty vector layer.
TCaptureLayers ProgramCaptureLayers();

class TFEarth1 : public TForm {
public:
  /// Builds the window from its stored definition and runs its creation
  /// step. `web` replaces the browser in tests (null: the real one).
  TFEarth1(TComponent* owner, IToolWindow* tool, TCaptureLayers layers,
           std::unique_ptr<IWebHost> web = nullptr);
  ~TFEarth1() override;

  TMapCapture& Capture() { return *capture_; }
  IWebHost& Web() { return *webHost_; }

  // The stored components.
  TPanel* Panel2 = nullptr;
  TWebHost* web = nullptr;
  TGIS_ViewerWnd* gis = nullptr;
  TPanel* panelbottom = nullptr;
  TLabel* ezoom = nullptr;
  TLabel* ewx = nullptr;
  TLabel* least = nullptr;
  TLabel* epix = nullptr;
  TOwGlassButton* bb = nullptr; // "podatki niso na voljo", hidden
  TRTFLabel* RTFLabel1 = nullptr; // no text set
  TOwMenuStyler* OwMenuStyler1 = nullptr;
  TOwPopupMenu* p = nullptr; // the viewer's context menu
  TMenuItem* Hitrost1 = nullptr;
  TMenuItem* CopyUTMtoclipboard1 = nullptr;
  TOwPopupMenu* pmap = nullptr; // "Google", "Yahoo", "VE": nothing opens it
  TzqStyleManager* zqStyleManager1 = nullptr;
  TClientDataSet* Cltstanje = nullptr;

  void FormCreate();
  void FormMouseWheelDown(TShiftState shift, TPoint mousePos, bool& handled);
  void FormMouseWheelUp(TShiftState shift, TPoint mousePos, bool& handled);
  void WheelZoomIn(TPoint mousePos);
  void WheelZoomOut(TPoint mousePos);
  /// "Open": renders the view into print.bmp beside the program and opens
  /// it with the desktop's application (whose answer is not checked).
  void OpenPrint();
  /// "Apply map size": the window grows so that the viewer measures
  /// width x height.
  void ApplyMapSize(int width, int height);
  /// "Copy Lat. and Lon to clipboard" / "Copy UTM to clipboard".
  void Hitrost1Click();
  void CopyUTMtoclipboard1Click();
  /// The hidden button's click handler: the window never shows the button,
  /// and its definition gives the handler nothing to do.
  void bbClick();

private:
  void BuildFromDefinition();
  void WheelZoom(TPoint mousePos, double factor);
  TCaptureEnvironment Environment();

  IToolWindow* tool_;
  TCaptureLayers layers_;
  std::unique_ptr<IWebHost> webHost_;
  std::unique_ptr<TMapCapture> capture_;
};
