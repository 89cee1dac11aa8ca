#include "app/UnitFearth1.h"

#include "app/AppFiles.h"
#include "app/Readouts.h"
#include "browser/WebHost.h"
#include "browser/WebHostIntf.h"
#include "controls/OwGlassButton.h"
#include "controls/OwMenus.h"
#include "controls/rtflabel.h"
#include "controls/zq/zqCore.h"
#include "gis/vector/GisLayerVector.h"
#include "gis/viewer/GisRegistredLayers.h"
#include "gis/viewer/GisViewerWnd.h"
#include "platform/forms/ClientDataSet.h"
#include "platform/forms/Clipboard.h"
#include "platform/forms/Loading.h"
#include "platform/forms/Menus.h"
#include "platform/forms/Shell.h"
#include "platform/forms/StdCtrls.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/GraphicsObjects.h"

namespace {

// The status bar: a grey caption label and its value label per read-out.
struct TStatusField {
  const char* CaptionName;
  const char* Caption;
  int CaptionLeft;
  const char* ValueName;
  int ValueLeft;
};

constexpr TStatusField kStatusFields[] = {
    {"Label1", "zoom:", 4, "ezoom", 40},
    {"Label2", "WGS 84 (lat;lon)", 70, "ewx", 176},
    {"Label3", "UTM (x,y)", 350, "least", 416},
    {"Label4", "PIX (x,y)", 590, "epix", 650},
};

TLabel* AddStatusLabel(TDefinitionLoader& l, TPanel* panel, const std::string& name,
                       const std::string& caption, int left, TColor color) {
  auto* label = l.Add<TLabel>(name, panel);
  label->SetBounds(left, 6, 0, 15);
  label->SetAutoSize(true);
  label->Font()->SetName("Arial");
  label->Font()->SetHeight(-13);
  label->Font()->SetColor(color);
  label->SetCaption(caption);
  return label;
}

struct TStylerSetting {
  const char* Property;
  const char* Text;
};

/// The menu styler's stored look (everything else keeps its defaults);
/// ApplyMenuStylerLook sets the parts stored definitions cannot name.
constexpr TStylerSetting kMenuStylerLook[] = {
    {"AntiAlias", "aaNone"},
    {"Background.Position", "bpCenter"},
    {"SideBar.SplitterColorTo", "0"}, // clBlack
    {"Separator.GradientType", "gtBoth"},
    {"Font.Name", "Tahoma"},
    {"Font.Height", "-11"},
    {"Font.Color", "-16777209"}, // clMenuText
    {"NotesFont.Name", "Tahoma"},
    {"NotesFont.Height", "-8"},
    {"NotesFont.Color", "8421504"}, // clGray
    {"SelectedItem.Font.Name", "Tahoma"},
    {"SelectedItem.Font.Height", "-11"},
    {"SelectedItem.Font.Color", "-16777208"}, // clWindowText
    {"SelectedItem.NotesFont.Name", "Tahoma"},
    {"SelectedItem.NotesFont.Height", "-8"},
    {"SelectedItem.NotesFont.Color", "-16777208"},
    {"RootItem.Font.Name", "Tahoma"},
    {"RootItem.Font.Height", "-11"},
    {"RootItem.Font.Color", "-16777209"},
    {"SideBar.Font.Name", "Tahoma"},
    {"SideBar.Font.Height", "-19"},
    {"SideBar.Font.Color", "16777215"}, // clWhite
};

void ApplyMenuStylerLook(TDefinitionLoader& l, TOwMenuStyler* styler) {
  for (const TStylerSetting& v : kMenuStylerLook) l.SetText(styler, v.Property, v.Text);
  styler->SideBar()->Image()->Position = TBackgroundPosition::bpCenter;
  styler->SideBar()->Background()->Position = TBackgroundPosition::bpCenter;
  styler->SideBar()->Font()->SetStyle(fsBold | fsItalic);
  TFont* caption = styler->ButtonAppearance()->CaptionFont();
  caption->SetName("Tahoma");
  caption->SetHeight(-11);
  caption->SetColor(clWindowText);
}

TOwPopupMenu* AddMenu(TDefinitionLoader& l, const char* name, TOwMenuStyler* styler) {
  auto* menu = l.Add<TOwPopupMenu>(name);
  menu->SetMenuStyler(styler);
  return menu;
}

TMenuItem* AddMenuItem(TDefinitionLoader& l, TPopupMenu* menu, const char* name,
                       const char* caption) {
  auto* item = l.Add<TMenuItem>(name);
  item->SetCaption(caption);
  menu->Items()->Add(item);
  return item;
}

} // namespace

TCaptureLayers ProgramCaptureLayers() {
  TCaptureLayers layers;
  layers.CreateLayer = [](const std::string& name, const std::string& path) {
    return GisCreateLayer(name, path);
  };
  layers.CreateEmptyLayer = [] {
    return std::unique_ptr<TGIS_LayerAbstract>(std::make_unique<TGIS_LayerVector>());
  };
  return layers;
}

TFEarth1::TFEarth1(TComponent* owner, IToolWindow* tool, TCaptureLayers layers,
                   std::unique_ptr<IWebHost> web)
    : TForm(owner), tool_(tool), layers_(std::move(layers)), webHost_(std::move(web)) {
  BuildFromDefinition();
}

TFEarth1::~TFEarth1() {
  capture_.reset();
  webHost_.reset();
}

void TFEarth1::BuildFromDefinition() {
  TDefinitionLoader l(this);
  SetName("FEarth1");
  SetCaption("Skorva plinth");
  SetBounds(0, 0, 804, 667); // a client area of 796 x 640

  Panel2 = l.Add<TPanel>("Panel2", this);
  Panel2->SetAlign(TAlign::alClient);
  Panel2->SetBevelOuter(TBevelCut::bvNone);
  this->web = l.Add<TWebHost>("web", Panel2);
  this->web->SetBounds(0, 0, 796, 593);
  gis = l.Add<TGIS_ViewerWnd>("gis", Panel2);
  gis->SetAlign(TAlign::alClient);
  gis->SetBorderStyle(TBorderStyle::bsNone);
  gis->SetScrollBars(TScrollStyle::ssNone);
  gis->SetRestrictedDrag(true);
  gis->SetCachedPaint(true);
  gis->SetIncrementalPaint(true);
  gis->SetFullPaint(true);
  gis->SetBigExtentMargin(-10);
  gis->SetInterruptByEsc(true);
  gis->SetAutoCenter(false);
  gis->SetMode(gisSelect);

  panelbottom = l.Add<TPanel>("panelbottom", this);
  panelbottom->SetAlign(TAlign::alBottom);
  panelbottom->SetHeight(27);
  panelbottom->SetBevelOuter(TBevelCut::bvNone);
  TLabel** values[] = {&ezoom, &ewx, &least, &epix};
  for (std::size_t i = 0; i < std::size(kStatusFields); ++i) {
    const TStatusField& f = kStatusFields[i];
    AddStatusLabel(l, panelbottom, f.CaptionName, f.Caption, f.CaptionLeft, clGray);
    *values[i] = AddStatusLabel(l, panelbottom, f.ValueName, "", f.ValueLeft, clBlack);
  }

  // The hidden glass button ("data not available") over the map, and an
  // empty rich-text label on the status bar.
  bb = l.Add<TOwGlassButton>("bb", Panel2);
  bb->SetBounds(334, 286, 127, 21);
  l.Set(bb, "Visible", false);
  l.SetText(bb, "Caption", "podatki niso na voljo");
  l.Set(bb, "BackColor", int(clSilver));
  l.Set(bb, "CornerRadius", 8);
  l.SetText(bb, "Font.Name", "Tahoma");
  l.Set(bb, "Font.Height", -11);
  l.Set(bb, "ForeColor", int(clWhite));
  l.Set(bb, "GlowColor", 16760205);
  l.Set(bb, "InnerBorderColor", int(clBlack));
  l.Set(bb, "OuterBorderColor", int(clWhite));
  l.Set(bb, "ShineColor", int(clWhite));
  l.SetText(bb, "Version", "1.0.1.0");
  bb->OnClick = [this](TPersistent*) { bbClick(); };
  RTFLabel1 = l.Add<TRTFLabel>("RTFLabel1", panelbottom);
  RTFLabel1->SetBounds(725, 5, 65, 17);
  l.Set(RTFLabel1, "WordWrap", false);

  // The styled menus: the viewer's context menu and the map-source menu,
  // which nothing opens and whose items have no handlers.
  OwMenuStyler1 = l.Add<TOwMenuStyler>("OwMenuStyler1");
  ApplyMenuStylerLook(l, OwMenuStyler1);
  p = AddMenu(l, "p", OwMenuStyler1);
  Hitrost1 = AddMenuItem(l, p, "Hitrost1", "Copy Lat. and Lon to clipboard");
  Hitrost1->OnClick = [this](TPersistent*) { Hitrost1Click(); };
  CopyUTMtoclipboard1 = AddMenuItem(l, p, "CopyUTMtoclipboard1", "Copy UTM to clipboard");
  CopyUTMtoclipboard1->OnClick = [this](TPersistent*) { CopyUTMtoclipboard1Click(); };
  gis->SetPopupMenu(p);
  pmap = AddMenu(l, "pmap", OwMenuStyler1);
  AddMenuItem(l, pmap, "Google1", "Google");
  AddMenuItem(l, pmap, "Yahoo1", "Yahoo");
  AddMenuItem(l, pmap, "VE1", "VE");

  zqStyleManager1 = l.Add<TzqStyleManager>("zqStyleManager1");
  // The state data set, emptied before every page rebuild, and four more
  // that nothing reads or writes.
  Cltstanje = l.Add<TClientDataSet>("Cltstanje");
  for (const char* name : {"ClientDataSet1", "ClientDataSet2", "ClientDataSet3", "ClientDataSet4"})
    l.Add<TClientDataSet>(name);

  if (!webHost_) webHost_ = std::make_unique<TWebHostAdapter>(*this->web);
  capture_ = std::make_unique<TMapCapture>(Environment());

  gis->OnResize = [this](TPersistent*) { capture_->gisResize(); };
  gis->OnMouseMove = [this](TPersistent*, TShiftState shift, int x, int y) {
    capture_->gisMouseMove(shift, x, y);
  };
  gis->OnMouseDown = [this](TPersistent*, TMouseButton button, TShiftState, int x, int y) {
    capture_->gisMouseDown(button, x, y);
  };
  gis->OnMouseUp = [this](TPersistent*, TMouseButton button, TShiftState, int x, int y) {
    capture_->gisMouseUp(button, x, y);
  };
  gis->OnZoomChange = [this](TPersistent*) { capture_->gisZoomChange(); };
  OnMouseWheelDown = [this](TPersistent*, TShiftState shift, TPoint pos, bool& handled) {
    FormMouseWheelDown(shift, pos, handled);
  };
  OnMouseWheelUp = [this](TPersistent*, TShiftState shift, TPoint pos, bool& handled) {
    FormMouseWheelUp(shift, pos, handled);
  };
  OnCreate = [this](TPersistent*) { FormCreate(); };
  l.Finish();
}

TCaptureEnvironment TFEarth1::Environment() {
  TCaptureEnvironment env;
  env.AppDir = ApplicationFolder();
  env.Web = webHost_.get();
  env.Viewer = gis;
  env.CreateLayer = layers_.CreateLayer;
  env.CreateEmptyLayer = layers_.CreateEmptyLayer;
  env.ShowMessage = [](const std::string& text) { ShowMessage(text); };
  env.ProcessMessages = [] { Application()->ProcessMessages(); };
  env.Terminated = [] { return Application()->Terminated(); };
  env.BeforeRebuild = [this] { Cltstanje->EmptyDataSet(); };
  env.ShowMapWindow = [this] { Show(); };
  env.OnReadouts = [this](const TPositionReadouts& r) {
    if (tool_) tool_->ShowReadouts(r);
  };
  env.OnZoomText = [this](const std::string& text) { ezoom->SetCaption(text); };
  env.OnCursorTexts = [this](const std::string& pixels, const std::string& degrees,
                             const std::string& client) {
    least->SetCaption(pixels);
    ewx->SetCaption(degrees);
    epix->SetCaption(client);
  };
  env.OnMapZoom = [this](int zoom) {
    if (tool_) tool_->SetZoomBarPosition(zoom);
  };
  return env;
}

void TFEarth1::FormCreate() {
  capture_->MapLat = 46.0L;
  capture_->MapLon = 14.0L;
  capture_->BuildingPage = true;
  // A start page that cannot be written (a program folder nobody may write)
  // is reported like any error of the running program; the windows stay.
  try {
    if (tool_) tool_->OpenStartPage(*this);
  } catch (const std::exception&) {
    Application()->HandleException(this);
  }
  gis->SetMode(gisDrag);
}

void TFEarth1::WheelZoom(TPoint mousePos, double factor) {
  if (gis->IsEmpty()) return;
  const TPoint client = gis->ScreenToClient(mousePos);
  gis->ZoomBy(client.x, client.y, 3, factor);
}

void TFEarth1::WheelZoomIn(TPoint mousePos) {
  WheelZoom(mousePos, 1.25);
}
void TFEarth1::WheelZoomOut(TPoint mousePos) {
  WheelZoom(mousePos, 0.8);
}

void TFEarth1::FormMouseWheelDown(TShiftState, TPoint mousePos, bool& handled) {
  WheelZoomIn(mousePos);
  handled = true;
}

void TFEarth1::FormMouseWheelUp(TShiftState, TPoint mousePos, bool& handled) {
  WheelZoomOut(mousePos);
  handled = true;
}

void TFEarth1::Hitrost1Click() {
  Clipboard()->SetAsText(FormatClipboardPair(capture_->CursorLat, capture_->CursorLon));
}

void TFEarth1::CopyUTMtoclipboard1Click() {
  Clipboard()->SetAsText(FormatClipboardPair(capture_->CursorPixel.X, capture_->CursorPixel.Y));
}

void TFEarth1::bbClick() {}

void TFEarth1::OpenPrint() {
  Show();
  const std::string path = ApplicationFolder() + "print.bmp";
  {
    TBitmap print(0, 0, pf24bit);
    gis->RenderToBitmap(&print);
    print.SetPixelFormat(pf24bit);
    SaveFileReplacing(path, [&](const std::string& temporary) { print.SaveToFile(temporary); });
  }
  ShellExecute(0, "open", path, "", "", SW_SHOWNORMAL_SHELL);
}

void TFEarth1::ApplyMapSize(int width, int height) {
  SetWidth(width + 8);
  SetHeight(height + panelbottom->Height() + 27);
  Show();
}
