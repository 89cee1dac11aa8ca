#include "app/UnitSkorvaplinth.h"

#include "app/AppFiles.h"
#include "app/MapPage.h"
#include "app/Readouts.h"
#include "app/SingleInstance.h"
#include "app/TileSave.h"
#include "controls/ImagePicker.h"
#include "controls/OwPageControl.h"
#include "controls/OwTrackBar.h"
#include "controls/zq/zqCheckCtrls.h"
#include "formstate/ComboEdits.h"
#include "formstate/NumericEdits.h"
#include "formstate/Placement.h"
#include "platform/forms/ImgList.h"
#include "platform/forms/Loading.h"
#include "platform/forms/Shell.h"
#include "platform/forms/StdCtrls.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Strings.h"

#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr const char* kStoredProps =
    "elat.Value\r\nelon.Value\r\nEgzoom.Position\r\nErwidth.Value\r\nErheight.Value\r\n"
    "Cstayontop.Checked\r\ncdescr.Checked\r\nfilep.Text\r\nnx.Value\r\nny.Value\r\n"
    "mapPick.ItemIndex\r\n";

/// The home page "Help" and the About page's link open.
constexpr const char* kHomePage = "https://skorvaplinth.org/";

constexpr const char* kDescriptionTemplate = "1\r\n0\r\n0\r\n-1\r\n<#WX>\r\n<#WY>\r\n";

struct TStoredSetting {
  const char* Property;
  const char* Text;
};

template <std::size_t N>
void SetStored(TDefinitionLoader& l, TComponent* component, const TStoredSetting (&values)[N]) {
  for (const TStoredSetting& v : values) l.SetText(component, v.Property, v.Text);
}

/// The zoom bar's stored look: a pointer thumb 17 x 20 in white to silver, a
/// rounded slider 6 high, ticks below it, the label centred under them.
constexpr TStoredSetting kZoomBarLook[] = {
    {"TrackHint", "True"},
    {"Thumb.Width", "17"},
    {"Thumb.Size", "20"},
    {"Thumb.Shape", "tsPointer"},
    {"Thumb.Color", "16777215"},
    {"Thumb.ColorTo", "13226453"},
    {"Thumb.ColorMirror", "16777215"},
    {"Thumb.ColorMirrorTo", "13226453"},
    {"Thumb.BorderColor", "0"},
    {"Thumb.ColorHot", "15465983"},
    {"Thumb.ColorHotTo", "11332863"},
    {"Thumb.ColorMirrorHot", "5888767"},
    {"Thumb.ColorMirrorHotTo", "10807807"},
    {"Thumb.BorderColorHot", "10079963"},
    {"Thumb.ColorDown", "7778289"},
    {"Thumb.ColorDownTo", "4296947"},
    {"Thumb.ColorMirrorDown", "946929"},
    {"Thumb.ColorMirrorDownTo", "5021693"},
    {"Thumb.BorderColorDown", "4548219"},
    {"Thumb.Gradient", "ggVertical"},
    {"Thumb.GradientMirror", "ggVertical"},
    {"Slider.Size", "6"},
    {"Slider.Rounded", "True"},
    {"Slider.Offset", "7"},
    {"Slider.Color", "16777215"},
    {"Slider.ColorTo", "13226453"},
    {"Slider.Direction", "gdVertical"},
    {"Slider.BorderColor", "9598070"},
    {"TickMark.Position", "tmBottomRight"},
    {"TickMark.Spacing", "4"},
    {"TickMark.Color", "9598070"},
    {"TrackLabel.Visible", "True"},
    {"TrackLabel.Position", "lpBottomCenter"},
    {"TrackLabel.Spacing", "2"},
};

/// The page control's stored look: white pages, grey tabs, no overlap.
constexpr TStoredSetting kPagesLook[] = {
    {"DefaultTabColor", "14342874"},   {"ActiveColor", "16777215"},
    {"TabBackGroundColor", "16777215"}, {"TabMargin.RightMargin", "0"},
    {"TabOverlap", "0"},               {"ActiveFont.Name", "Tahoma"},
    {"ActiveFont.Height", "-11"},
};
constexpr TStoredSetting kSheetLook[] = {
    {"Color", "16777215"},
    {"ColorTo", "536870911"},
    {"TabColor", "14342874"},
    {"TabColorTo", "536870911"},
};

TCurrencyEdit* NumericEdit(TDefinitionLoader& l, TWinControl* parent, const char* name, int left,
                           int top, long double value, long double minValue) {
  auto* e = l.Add<TCurrencyEdit>(name, parent);
  e->SetBounds(left, top, 90, 21);
  l.Set(e, "DecimalPlaces", 5);
  l.Set(e, "DisplayFormat", "###0.#####");
  e->SetCtl3D(false); // a flat one-pixel frame
  if (minValue != 0) l.Set(e, "MinValue", TPropValue(minValue));
  if (value != 0) l.Set(e, "Value", TPropValue(value));
  return e;
}

/// A read-out edit: wide enough for the largest global pixel of the page's
/// last level ("2147483647.999").
constexpr int kReadoutWidth = 118;

TEdit* Readout(TDefinitionLoader& l, TWinControl* parent, const char* name, int left, int top) {
  auto* e = l.Add<TEdit>(name, parent);
  e->SetBounds(left, top, kReadoutWidth, 21);
  e->SetText("0");
  return e;
}

TLabel* AddLabel(TDefinitionLoader& l, TWinControl* parent, const std::string& name,
                const std::string& text, int left, int top) {
  auto* label = l.Add<TLabel>(name, parent);
  label->SetBounds(left, top, 0, 15);
  label->SetCaption(text);
  return label;
}

TSpeedButton* Button(TDefinitionLoader& l, TWinControl* parent, const char* name,
                     const std::string& caption, int left, int top, int width,
                     std::function<void()> handler) {
  auto* b = l.Add<TSpeedButton>(name, parent);
  b->SetBounds(left, top, width, 23);
  b->SetCaption(caption);
  if (handler) b->OnClick = [handler](TPersistent*) { handler(); };
  return b;
}

TGroupBox* Group(TDefinitionLoader& l, TWinControl* parent, const char* name,
                 const std::string& caption, int left, int top, int width, int height) {
  auto* box = l.Add<TGroupBox>(name, parent);
  box->SetBounds(left, top, width, height);
  box->SetColor(clWhite);
  box->SetCaption(caption);
  return box;
}

/// A 16 x 16 glyph of an arrow pointing in direction `code` ("r", "rb", ...
/// "rt", clockwise from east), or a dot for no direction. Its bottom-left
/// pixel shows the transparent colour.
std::unique_ptr<TBitmap> DirectionGlyph(const std::string& code) {
  auto glyph = std::make_unique<TBitmap>(16, 16, pf24bit);
  TCanvas* c = glyph->Canvas();
  c->Brush()->SetColor(clOlive);
  c->FillRect(TRect(0, 0, 16, 16));
  c->Brush()->SetColor(TColor(0x404040));
  c->Pen()->SetColor(TColor(0x404040));
  const char* codes[] = {"r", "rb", "b", "lb", "l", "lt", "t", "rt"};
  int eighth = -1;
  for (int i = 0; i < 8; ++i)
    if (code == codes[i]) eighth = i;
  if (eighth < 0) {
    c->Ellipse(5, 5, 11, 11);
    return glyph;
  }
  // An arrow to the east around the centre, turned by eighths of a circle.
  const double shape[][2] = {{6, 0}, {0.5, -5}, {0.5, -2}, {-6, -2}, {-6, 2}, {0.5, 2}, {0.5, 5}};
  const double angle = eighth * 0.78539816339744830962, cosine = std::cos(angle),
               sine = std::sin(angle);
  std::vector<TPoint> points;
  for (const auto& p : shape)
    points.emplace_back(int(std::lround(7.5 + p[0] * cosine - p[1] * sine)),
                        int(std::lround(7.5 + p[0] * sine + p[1] * cosine)));
  c->Polygon(points);
  return glyph;
}

TOwTabSheet* Sheet(TDefinitionLoader& l, TOwPageControl* pages, const char* name,
                   const char* caption) {
  auto* sheet = l.Add<TOwTabSheet>(name, pages);
  sheet->SetPageControl(pages);
  sheet->SetCaption(caption);
  SetStored(l, sheet, kSheetLook);
  return sheet;
}

/// The picker's images: one per service, its initial on the service's colour.
TImageList* SourceImages(TDefinitionLoader& l) {
  struct TServiceImage {
    const char* Letter;
    TColor Color;
  };
  const TServiceImage images[] = {{"G", TColor(0x3A8A34)}, {"V", TColor(0xB56A1E)},
                                  {"Y", TColor(0x9A1F72)}};
  auto* list = l.Add<TImageList>("ImageList1");
  list->SetWidth(16);
  list->SetHeight(16);
  for (const TServiceImage& image : images) {
    TBitmap bitmap(16, 16, pf24bit);
    TCanvas* c = bitmap.Canvas();
    c->Brush()->SetColor(image.Color);
    c->FillRect(TRect(0, 0, 16, 16));
    c->Font()->SetName("Arial");
    c->Font()->SetHeight(-12);
    c->Font()->SetStyle(fsBold);
    c->Font()->SetColor(clWhite);
    c->Brush()->SetStyle(bsClear);
    c->TextOut((16 - c->TextWidth(image.Letter)) / 2, (16 - c->TextHeight(image.Letter)) / 2,
               image.Letter);
    list->Add(&bitmap, nullptr);
  }
  return list;
}

/// The image of a service in SourceImages.
int SourceImageIndex(const std::string& source) {
  if (source == "google") return 0;
  if (source == "ve") return 1;
  return 2;
}

} // namespace

TFSkorvaplinth::TFSkorvaplinth(TComponent* owner) : TForm(owner) {
  BuildFromDefinition();
}

TFSkorvaplinth::~TFSkorvaplinth() {
  DoDestroy();
}

void TFSkorvaplinth::BuildFromDefinition() {
  TDefinitionLoader l(this);
  SetName("FSkorvaplinth");
  SetCaption("Skorva Plinth");
  SetBounds(195, 194, 629, 343);
  SetFormStyle(TFormStyle::fsStayOnTop);
  // Tahoma 8 points, the face of the page control's ActiveFont: its tabs
  // are measured in this font and the active one is drawn in ActiveFont.
  Font()->SetName("Tahoma");
  Font()->SetHeight(-11);

  Panel1 = l.Add<TPanel>("Panel1", this);
  Panel1->SetAlign(TAlign::alTop);
  Panel1->SetHeight(45);
  Panel1->SetBevelOuter(TBevelCut::bvNone);
  Panel1->OnClick = [this](TPersistent*) {
    if (map_) map_->Show();
  };
  Egzoom = l.Add<TOwTrackBar>("Egzoom", Panel1);
  Egzoom->SetBounds(10, 1, 159, 43);
  Egzoom->SetMin(2);
  Egzoom->SetMax(18);
  Egzoom->SetPosition(6);
  SetStored(l, Egzoom, kZoomBarLook);
  Egzoom->TrackLabel()->SetFormat("zoom: %d");
  Egzoom->OnClick = [this](TPersistent*) { EgzoomClick(); };
  mapPick = l.Add<TImagePicker>("mapPick", Panel1);
  mapPick->SetBounds(180, 10, 150, 24);
  mapPick->SetFlat(true);
  mapPick->SetColor(clWhite);
  mapPick->SetShowCaption(true);
  mapPick->SetImages(SourceImages(l));
  for (const TMapSourceRow& row : MapSourceRows())
    mapPick->AddItem(SourceImageIndex(row.Source), row.Caption);
  mapPick->OnChange = [this](TPersistent*) { mapPickChange(); };
  mapPick->OnClick = [this](TPersistent*) {
    if (map_) map_->Show();
  };
  SpeedButton12 =
      Button(l, Panel1, "SpeedButton12", "Open", 340, 10, 70, [this] { OwGlassButton2Click(); });
  SpeedButton14 =
      Button(l, Panel1, "SpeedButton14", "Help", 415, 10, 70, [this] { OpenHomePage(); });

  OwPageControl1 = l.Add<TOwPageControl>("OwPageControl1", this);
  OwPageControl1->SetAlign(TAlign::alClient);
  SetStored(l, OwPageControl1, kPagesLook);
  OwPageControl1->OnEnter = [this](TPersistent*) {
    if (map_) map_->Show();
  };
  TOwTabSheet* position = Sheet(l, OwPageControl1, "TabSheet1", " Map position ");
  TOwTabSheet* size = Sheet(l, OwPageControl1, "TabSheet2", " Map size ");
  TOwTabSheet* navigation = Sheet(l, OwPageControl1, "TabSheet3", " Navigation ");
  TOwTabSheet* settings = Sheet(l, OwPageControl1, "TabSheet4", " Settings ");
  TOwTabSheet* about = Sheet(l, OwPageControl1, "TabSheet5", " About ");

  // Map position: the read-outs of the last capture in two rows of two
  // groups, the position to apply beside the last one.
  TGroupBox* wgs = Group(l, position, "GroupBox1", "WGS 84", 312, 118, 200, 50);
  elat = NumericEdit(l, wgs, "elat", 8, 20, 46.0L, 0);
  elon = NumericEdit(l, wgs, "elon", 104, 20, 5.0L, 0);
  SpeedButton10 = Button(l, position, "SpeedButton10", "Apply position", 312, 176, 100,
                         [this] { zqButton2Click(); });
  // Three corners of the view, each in global pixels, degrees and viewer pixels.
  struct TReadoutGroup {
    const char* Name;
    const char* Caption;
    TEdit** Fields[6];
    const char* FieldNames[6];
  };
  const TReadoutGroup groups[] = {
      {"GroupBox2",
       "Top Left position",
       {&utmleft1, &utmtop1, &wleft, &wtop, &Edit1, &Edit2},
       {"utmleft1", "utmtop1", "wleft", "wtop", "Edit1", "Edit2"}},
      {"GroupBox3",
       "Center position",
       {&cleft1, &ctop1, &cleft, &ctop, &pcx, &pcy},
       {"cleft1", "ctop1", "cleft", "ctop", "pcx", "pcy"}},
      {"GroupBox4",
       "Bottom Right position",
       {&utmright1, &utmbottom1, &rleft, &rtop, &prx, &pry},
       {"utmright1", "utmbottom1", "rleft", "rtop", "prx", "pry"}},
  };
  const char* rowNames[] = {"UTM", "WGS 84", "PIX"};
  int labels = 20;
  for (std::size_t g = 0; g < std::size(groups); ++g) {
    const int column0 = 50, column1 = column0 + kReadoutWidth + 4;
    TGroupBox* box = Group(l, position, groups[g].Name, groups[g].Caption, 8 + 304 * int(g % 2),
                           4 + 114 * int(g / 2), column1 + kReadoutWidth + 8, 110);
    AddLabel(l, box, "Label" + IntToStr(labels++), "x (lat)", column0 + 2, 18);
    AddLabel(l, box, "Label" + IntToStr(labels++), "y (lon)", column1 + 2, 18);
    for (int row = 0; row < 3; ++row) {
      AddLabel(l, box, "Label" + IntToStr(labels++), rowNames[row], 6, 37 + 24 * row);
      for (int column = 0; column < 2; ++column)
        *groups[g].Fields[2 * row + column] =
            Readout(l, box, groups[g].FieldNames[2 * row + column], column ? column1 : column0,
                    34 + 24 * row);
    }
  }

  // Map size.
  TGroupBox* current = Group(l, size, "GroupBox5", "Current map size (pix)", 8, 4, 200, 50);
  Ewidth = AddLabel(l, current, "Ewidth", "", 12, 24);
  Eheight = AddLabel(l, current, "Eheight", "", 108, 24);
  TGroupBox* wanted = Group(l, size, "GroupBox6", "New map size", 8, 60, 200, 50);
  Erwidth = NumericEdit(l, wanted, "Erwidth", 8, 20, 500.0L, 10.0L);
  Erheight = NumericEdit(l, wanted, "Erheight", 104, 20, 500.0L, 10.0L);
  SpeedButton13 = Button(l, size, "SpeedButton13", "Apply map size", 216, 79, 100,
                         [this] { zqButton3Click(); });

  // Navigation: eight directions around an inert middle button, the tile store.
  struct TNavButton {
    TSpeedButton** Field;
    const char* Name;
    const char* Code; // the direction its glyph points to
    int Column, Row;
    void (TFSkorvaplinth::*Handler)();
  };
  const TNavButton nav[] = {
      {&SpeedButton1, "SpeedButton1", "r", 2, 1, &TFSkorvaplinth::SpeedButton1Click},
      {&SpeedButton2, "SpeedButton2", "rb", 2, 2, &TFSkorvaplinth::ggg},
      {&SpeedButton3, "SpeedButton3", "b", 1, 2, &TFSkorvaplinth::SpeedButton3Click},
      {&SpeedButton4, "SpeedButton4", "lb", 0, 2, &TFSkorvaplinth::SpeedButton4Click},
      {&SpeedButton5, "SpeedButton5", "l", 0, 1, &TFSkorvaplinth::SpeedButton5Click},
      {&SpeedButton6, "SpeedButton6", "lt", 0, 0, &TFSkorvaplinth::SpeedButton6Click},
      {&SpeedButton7, "SpeedButton7", "t", 1, 0, &TFSkorvaplinth::SpeedButton7Click},
      {&SpeedButton8, "SpeedButton8", "rt", 2, 0, &TFSkorvaplinth::SpeedButton2Click},
      {&SpeedButton9, "SpeedButton9", "", 1, 1, nullptr},
  };
  TGroupBox* moves = Group(l, navigation, "GroupBox7", "Navigation", 8, 4, 98, 104);
  for (const TNavButton& b : nav) {
    auto handler = b.Handler;
    *b.Field = Button(l, moves, b.Name, "", 10 + 26 * b.Column, 20 + 26 * b.Row, 24,
                      handler ? std::function<void()>([this, handler] { (this->*handler)(); })
                              : std::function<void()>());
    const std::unique_ptr<TBitmap> glyph = DirectionGlyph(b.Code);
    (*b.Field)->SetGlyph(glyph.get());
  }
  TGroupBox* store = Group(l, navigation, "GroupBox8", "Store location", 114, 4, 494, 130);
  eloc = l.Add<TDirectoryEdit>("eloc", store);
  eloc->SetBounds(10, 20, 470, 21);
  eloc->SetDialogKind(TDirDialogKind::dkWin32);
  eloc->SetBorderStyle(TBorderStyle::bsNone);
  eloc->SetCtl3D(true);
  eloc->SetNumGlyphs(1);
  AddLabel(l, store, "Label11", "Prefix", 10, 48);
  AddLabel(l, store, "Label12", "x", 80, 48);
  AddLabel(l, store, "Label13", "y", 176, 48);
  filep = l.Add<TEdit>("filep", store);
  filep->SetBounds(10, 64, 60, 21);
  filep->SetText("ym");
  nx = NumericEdit(l, store, "nx", 80, 64, 0, 0);
  ny = NumericEdit(l, store, "ny", 176, 64, 0, 0);
  SpeedButton15 =
      Button(l, store, "SpeedButton15", "Save", 276, 63, 70, [this] { SpeedButton15Click(); });
  lfilename = AddLabel(l, store, "lfilename", "", 10, 100);

  // Settings.
  Cstayontop = l.Add<TzqCheckbox>("Cstayontop", settings);
  Cstayontop->SetBounds(8, 8, 200, 17);
  Cstayontop->SetCaption("Stay on top");
  Cstayontop->SetChecked(true);
  Cstayontop->OnClick = [this](TPersistent*) { CstayontopClick(); };
  cdescr = l.Add<TzqCheckbox>("cdescr", settings);
  cdescr->SetBounds(8, 30, 200, 17);
  cdescr->SetCaption("Create description file ");
  cdescr->SetChecked(true);
  cdescr->OnClick = [this](TPersistent*) { CstayontopClick(); };
  AddLabel(l, settings, "Label14", "Description file template", 220, 8);
  Mtemplate = l.Add<TMemo>("Mtemplate", settings);
  Mtemplate->SetBounds(220, 26, 200, 110);
  Mtemplate->SetText(kDescriptionTemplate);

  // About: the product, its version and its home page.
  AddLabel(l, about, "Label15", "Skorva Plinth", 8, 8);
  lver = AddLabel(l, about, "lver", "", 8, 30);
  lhome = AddLabel(l, about, "lhome", kHomePage, 8, 52);
  lhome->Font()->SetColor(clBlue);
  lhome->Font()->SetStyle(fsUnderline);
  lhome->SetCursor(crHandPoint);
  lhome->OnClick = [this](TPersistent*) { OpenHomePage(); };

  OwPageControl1->SetActivePage(navigation);

  fs = l.Add<TFormStorage>("fs");
  fs->SetStoredPropsText(kStoredProps);
  OnCreate = [this](TPersistent*) { FormCreate(); };
  // The guard comes last: a second start ends here.
  new TSingleInstance(this);
  l.Finish();
}

void TFSkorvaplinth::FormCreate() {
  try {
    AppVersion = "1.01";
    SetCaption("Skorva Plinth " + AppVersion);
    lver->SetCaption(AppVersion);
    AppDir = ApplicationFolder();
    fs->SetIniFileName(AppDir + "skorvaplinth.ini");
    fs->LoadState();
    if (eloc->Text().empty()) {
      eloc->SetText(AppDir + "tmp");
      if (!DirectoryExists(AppDir + "tmp") && !CreateDir(AppDir + "tmp"))
        throw Exception("Unable to create folder " + AppDir + "tmp");
    }
  } catch (const Exception& e) {
    ShowMessage("Exception: " + e.Message());
  } catch (const std::exception& e) {
    ShowMessage(std::string("Exception: ") + e.what());
  }
}

void TFSkorvaplinth::OpenStartPage(TFEarth1& map) {
  map_ = &map;
  fs->LoadState();
  map_->SetLeft(0);
  map_->SetTop(0);
  map_->Capture().OpenStartPage(Egzoom->Position());
}

void TFSkorvaplinth::ShowReadouts(const TPositionReadouts& r) {
  utmleft1->SetText(FormatPixelReadout(r.TopLeft.X));
  utmtop1->SetText(FormatPixelReadout(r.TopLeft.Y));
  wleft->SetText(FormatDegreesReadout(r.TopLeft.Lat));
  wtop->SetText(FormatDegreesReadout(r.TopLeft.Lon));
  cleft1->SetText(FormatPixelReadout(r.Centre.X));
  ctop1->SetText(FormatPixelReadout(r.Centre.Y));
  cleft->SetText(FormatDegreesReadout(r.Centre.Lat));
  ctop->SetText(FormatDegreesReadout(r.Centre.Lon));
  pcx->SetText(FormatClientReadout(r.Centre.ClientX));
  pcy->SetText(FormatClientReadout(r.Centre.ClientY));
  utmright1->SetText(FormatPixelReadout(r.BottomRight.X));
  utmbottom1->SetText(FormatPixelReadout(r.BottomRight.Y));
  rleft->SetText(FormatDegreesReadout(r.BottomRight.Lat));
  rtop->SetText(FormatDegreesReadout(r.BottomRight.Lon));
  prx->SetText(FormatClientReadout(r.BottomRight.ClientX));
  pry->SetText(FormatClientReadout(r.BottomRight.ClientY));
  Ewidth->SetCaption(IntToStr(r.Width));
  Eheight->SetCaption(IntToStr(r.Height));
}

void TFSkorvaplinth::SetZoomBarPosition(int position) {
  Egzoom->SetPosition(position);
}

void TFSkorvaplinth::mapPickChange() {
  if (ActiveControl() != mapPick) return;
  const int index = mapPick->ItemIndex();
  // The focus moves to the zoom bar, so the picker's second change of one
  // selection does nothing (nor does a change while the page loads). The
  // picker keeps the index it shows: no write-back, which after a second
  // pick during the page's wait would show the first source again.
  if (Egzoom->CanFocus())
    Egzoom->SetFocus();
  else
    SetActiveControl(Egzoom);
  if (!map_ || index < 0 || index >= int(MapSourceRows().size())) return;
  const TMapSourceRow& row = MapSourceRows()[std::size_t(index)];
  map_->Capture().MapSource = row.Source;
  map_->Capture().MapType = row.MapType;
  map_->Show();
  map_->Capture().BtInicClick();
}

void TFSkorvaplinth::EgzoomClick() {
  if (!map_) return;
  map_->Capture().MapZoom = Egzoom->Position();
  map_->Show();
  map_->Capture().RecentrePending = true;
  map_->Capture().ApplyPosition();
}

void TFSkorvaplinth::zqButton2Click() {
  if (!map_) return;
  map_->Capture().MapLat = elat->Value();
  map_->Capture().MapLon = elon->Value();
  map_->Capture().RecentrePending = true;
  map_->Capture().ApplyPosition();
  // A position beyond the page's was brought onto it: the edits show where
  // the map went.
  if (map_->Capture().MapLat != elat->Value()) elat->SetValue(map_->Capture().MapLat);
  if (map_->Capture().MapLon != elon->Value()) elon->SetValue(map_->Capture().MapLon);
  map_->Show();
}

void TFSkorvaplinth::zqButton3Click() {
  if (!map_) return;
  map_->ApplyMapSize(int(std::trunc(Erwidth->Value())), int(std::trunc(Erheight->Value())));
}

void TFSkorvaplinth::OwGlassButton2Click() {
  if (map_) map_->OpenPrint();
}

void TFSkorvaplinth::Step(const std::string& code) {
  if (!map_) return;
  Extended x = nx->Value(), y = ny->Value();
  map_->Capture().StepMap(code, x, y);
  nx->SetValue(x);
  ny->SetValue(y);
}

void TFSkorvaplinth::SpeedButton1Click() { Step("r"); }
void TFSkorvaplinth::ggg() { Step("rb"); }
void TFSkorvaplinth::SpeedButton3Click() { Step("b"); }
void TFSkorvaplinth::SpeedButton4Click() { Step("lb"); }
void TFSkorvaplinth::SpeedButton5Click() { Step("l"); }
void TFSkorvaplinth::SpeedButton6Click() { Step("lt"); }
void TFSkorvaplinth::SpeedButton7Click() { Step("t"); }
void TFSkorvaplinth::SpeedButton2Click() { Step("rt"); }

void TFSkorvaplinth::SpeedButton15Click() {
  if (map_) map_->Show();
  TTileSaveRequest request;
  request.AppDir = AppDir;
  request.StoreFolder = eloc->Text();
  request.Prefix = filep->Text();
  request.Nx = nx->Value();
  request.Ny = ny->Value();
  request.WithDescription = cdescr->Checked();
  request.Template = Mtemplate->MemoText();
  request.Wleft = wleft->Text();
  request.Wtop = wtop->Text();
  request.Utmleft = utmleft1->Text();
  request.Utmtop = utmtop1->Text();
  const TTileSaveResult result = SaveTile(request);
  if (!result.ResultLine.empty()) lfilename->SetCaption(result.ResultLine);
  if (!result.Message.empty()) ShowMessage(result.Message);
}

void TFSkorvaplinth::OpenHomePage() {
  // Offline the desktop cannot open it; its answer is not checked.
  ShellExecute(0, "open", lhome->Caption(), "", "", SW_SHOWNORMAL_SHELL);
}

void TFSkorvaplinth::CstayontopClick() {
  SetFormStyle(Cstayontop->Checked() ? TFormStyle::fsStayOnTop : TFormStyle::fsNormal);
}
