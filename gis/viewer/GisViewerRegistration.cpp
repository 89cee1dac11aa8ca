// The published properties of the viewer and its window control, so that
// stored window definitions can set them by name, and the class factory.
#include "gis/viewer/GisViewerWnd.h"
#include "platform/forms/Properties.h"

namespace {

void RegisterViewerClasses() {
  RegisterProperties<TGIS_Viewer>()
      .Boolean("CachedPaint", &TGIS_Viewer::CachedPaint, &TGIS_Viewer::SetCachedPaint, true)
      .Boolean("OldCachedPaint", &TGIS_Viewer::OldCachedPaint, &TGIS_Viewer::SetOldCachedPaint,
               false)
      .Boolean("IncrementalPaint", &TGIS_Viewer::IncrementalPaint,
               &TGIS_Viewer::SetIncrementalPaint, true)
      .Boolean("FullPaint", &TGIS_Viewer::FullPaint, &TGIS_Viewer::SetFullPaint, false)
      .Boolean("InterruptByEsc", &TGIS_Viewer::InterruptByEsc, &TGIS_Viewer::SetInterruptByEsc,
               true)
      .Boolean("RestrictedDrag", &TGIS_Viewer::RestrictedDrag, &TGIS_Viewer::SetRestrictedDrag,
               true)
      .Integer("BigExtentMargin", &TGIS_Viewer::BigExtentMargin, &TGIS_Viewer::SetBigExtentMargin,
               -10)
      .Integer("Color", &TGIS_Viewer::Color, &TGIS_Viewer::SetColor, 0xFFFFFF)
      .Integer("SelectionColor", &TGIS_Viewer::SelectionColor, &TGIS_Viewer::SetSelectionColor,
               0xFFFFFF)
      .Integer("SelectionWidth", &TGIS_Viewer::SelectionWidth, &TGIS_Viewer::SetSelectionWidth, 100)
      .Boolean("SelectionOutlineOnly", &TGIS_Viewer::SelectionOutlineOnly,
               &TGIS_Viewer::SetSelectionOutlineOnly, false)
      .Integer("SelectionTransparency", &TGIS_Viewer::SelectionTransparency,
               &TGIS_Viewer::SetSelectionTransparency, 100)
      .Integer("CodePage", &TGIS_Viewer::ViewerCodePage, &TGIS_Viewer::SetViewerCodePage, 0)
      .Integer("OutCodePage", &TGIS_Viewer::OutCodePage, &TGIS_Viewer::SetOutCodePage, 0)
      .Boolean("UseRTree", &TGIS_Viewer::UseRTree, &TGIS_Viewer::SetUseRTree, false)
      .Integer("PrinterTileSize", &TGIS_Viewer::PrinterTileSize, &TGIS_Viewer::SetPrinterTileSize,
               512)
      .String(
          "PrintTitle", [](const TGIS_Viewer& v) { return v.PrintTitle; },
          [](TGIS_Viewer& v, const std::string& s) { v.PrintTitle = s; })
      .String(
          "PrintSubtitle", [](const TGIS_Viewer& v) { return v.PrintSubtitle; },
          [](TGIS_Viewer& v, const std::string& s) { v.PrintSubtitle = s; })
      .String(
          "PrintFooter", [](const TGIS_Viewer& v) { return v.PrintFooter; },
          [](TGIS_Viewer& v, const std::string& s) { v.PrintFooter = s; });
  RegisterComponentClass<TGIS_Viewer>();

  static const std::vector<std::string> modes = {"gisSelect", "gisDrag",   "gisZoom",
                                                 "gisEdit",   "gisZoomEx", "gisUserDefined"};
  static const std::vector<std::string> buttons = {"mbLeft", "mbRight", "mbMiddle"};
  static const std::vector<std::string> bars = {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"};
  RegisterProperties<TGIS_ViewerWnd>()
      .Enum<TGIS_ViewerMode>("Mode", "TGIS_ViewerMode", &TGIS_ViewerWnd::Mode,
                             &TGIS_ViewerWnd::SetMode, modes, gisSelect)
      .Enum<TMouseButton>("ModeMouseButton", "TMouseButton", &TGIS_ViewerWnd::ModeMouseButton,
                          &TGIS_ViewerWnd::SetModeMouseButton, buttons, TMouseButton::mbLeft)
      .Enum<TScrollStyle>("ScrollBars", "TScrollStyle", &TGIS_ViewerWnd::ScrollBars,
                          &TGIS_ViewerWnd::SetScrollBars, bars, TScrollStyle::ssBoth)
      .Integer("CursorForSelect", &TGIS_ViewerWnd::CursorForSelect,
               &TGIS_ViewerWnd::SetCursorForSelect, 0)
      .Integer("CursorForDrag", &TGIS_ViewerWnd::CursorForDrag, &TGIS_ViewerWnd::SetCursorForDrag,
               0)
      .Integer("CursorForZoom", &TGIS_ViewerWnd::CursorForZoom, &TGIS_ViewerWnd::SetCursorForZoom,
               0)
      .Integer("CursorForEdit", &TGIS_ViewerWnd::CursorForEdit, &TGIS_ViewerWnd::SetCursorForEdit,
               0)
      .Integer("MinZoomSize", &TGIS_ViewerWnd::MinZoomSize, &TGIS_ViewerWnd::SetMinZoomSize, -5)
      .Boolean("AutoCenter", &TGIS_ViewerWnd::AutoCenter, &TGIS_ViewerWnd::SetAutoCenter, false);
  RegisterComponentClass<TGIS_ViewerWnd>();
}

} // namespace

void GisViewerRegisterClasses() {
  static const bool done = (RegisterViewerClasses(), true);
  (void)done;
}
