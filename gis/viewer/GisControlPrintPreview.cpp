// TGIS_ControlPrintPreviewSimple: settings, glyph and published properties.
#include "gis/viewer/GisControlPrintPreview.h"

#include <mutex>

#include "gis/core/GisResource.h"
#include "gis/viewer/GisViewer.h"
#include "platform/forms/Properties.h"
#include "platform/rtl/Streams.h"

namespace {
constexpr TColor kTransparent = 0xFF00FF;
constexpr int kGlyphSize = 28;

// The built-in glyph: a sheet of paper with a magnifying glass over it, on
// the transparent colour. Registered under the class name when the
// application has not registered artwork of its own.
std::vector<std::uint8_t> DefaultGlyph() {
  TBitmap glyph(kGlyphSize, kGlyphSize, pf24bit);
  TCanvas* c = glyph.Canvas();
  c->Brush()->SetColor(kTransparent);
  c->FillRect(TRect(0, 0, kGlyphSize, kGlyphSize));
  c->Pen()->SetColor(clGray);
  c->Brush()->SetColor(clWhite);
  c->Rectangle(4, 2, 20, 24);
  c->Pen()->SetColor(clSilver);
  for (int y = 6; y < 20; y += 3) {
    c->MoveTo(7, y);
    c->LineTo(17, y);
  }
  c->Pen()->SetColor(clNavy);
  c->Pen()->SetWidth(2);
  c->Brush()->SetColor(clAqua);
  c->Ellipse(11, 11, 22, 22);
  c->MoveTo(20, 20);
  c->LineTo(26, 26);
  TMemoryStream stream;
  glyph.SaveToStream(stream);
  const std::uint8_t* bytes = stream.Memory();
  return std::vector<std::uint8_t>(bytes, bytes + stream.Size());
}

void LoadGlyph(TBitmap& glyph, const std::string& name) {
  static std::once_flag once;
  std::call_once(once, [&] {
    if (FindBitmapResource(name) == nullptr) RegisterBitmapResource(name, DefaultGlyph());
  });
  glyph.LoadFromResourceName(0, name);
  glyph.SetTransparentColor(kTransparent);
  glyph.SetTransparentMode(tmFixed);
  glyph.SetTransparent(true);
}
} // namespace

void TGIS_ControlPrintPreviewSimple::RegisterClass() {
  static std::once_flag once;
  std::call_once(once, [] {
    using C = TGIS_ControlPrintPreviewSimple;
    RegisterProperties<C>()
        .Reference<TGIS_Viewer>("GIS_Viewer", &C::GIS_Viewer, &C::SetGIS_Viewer)
        .String("Caption", &C::Caption, &C::SetCaption, GIS_RS_PREVIEW_DLG)
        .Enum<TWindowState>("WindowState", "TWindowState", &C::WindowState, &C::SetWindowState,
                            {"wsNormal", "wsMinimized", "wsMaximized"}, TWindowState::wsMaximized)
        .Enum<TPosition>("WindowPosition", "TPosition", &C::WindowPosition, &C::SetWindowPosition,
                         {"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly",
                          "poScreenCenter", "poDesktopCenter", "poMainFormCenter",
                          "poOwnerFormCenter"},
                         TPosition::poDesigned)
        .Integer("WindowLeft", &C::WindowLeft, &C::SetWindowLeft, 0)
        .Integer("WindowTop", &C::WindowTop, &C::SetWindowTop, 0)
        .Integer("WindowWidth", &C::WindowWidth, &C::SetWindowWidth, 640)
        .Integer("WindowHeight", &C::WindowHeight, &C::SetWindowHeight, 480);
    RegisterComponentClass<C>();
  });
}

TGIS_ControlPrintPreviewSimple::TGIS_ControlPrintPreviewSimple(TComponent* owner)
    : TCustomControl(owner), glyph_(std::make_unique<TBitmap>()) {
  RegisterClass();
  SetCaption(GIS_RS_PREVIEW_DLG);
  LoadGlyph(*glyph_, StaticClassName());
  SetBounds(Left(), Top(), glyph_->Width(), glyph_->Height());
  if (auto* parent = dynamic_cast<TWinControl*>(owner)) SetParent(parent);
  if (!ComponentState().Contains(TComponentStateItem::csDesigning)) SetVisible(false);
}

TGIS_ControlPrintPreviewSimple::~TGIS_ControlPrintPreviewSimple() {
  if (viewer_ != nullptr) viewer_->RemoveFreeNotification(this);
}

void TGIS_ControlPrintPreviewSimple::SetGIS_Viewer(TGIS_Viewer* viewer) {
  if (viewer == viewer_) return;
  if (viewer_ != nullptr) viewer_->RemoveFreeNotification(this);
  viewer_ = viewer;
  if (viewer_ != nullptr) viewer_->FreeNotification(this);
}

void TGIS_ControlPrintPreviewSimple::Notification(TComponent* component, TOperation operation) {
  inherited::Notification(component, operation);
  if (operation == TOperation::opRemove && component != nullptr && component == viewer_)
    viewer_ = nullptr;
}

void TGIS_ControlPrintPreviewSimple::Paint() {
  Canvas()->Draw(0, 0, glyph_.get());
}
