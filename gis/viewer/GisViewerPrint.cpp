// TGIS_Viewer: printing through the printer wrapper, with title, subtitle and
// footer bands.
#include "gis/viewer/GisGDI.h"
#include "gis/viewer/GisPrinters.h"
#include "gis/viewer/GisViewer.h"
#include "platform/forms/Forms.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/ScopeGuard.h"

void TGIS_Viewer::RenderToPrinter(TGIS_Printer* printer, const TRect& rect, double& scale,
                                  const TGIS_Extent& extent) {
  TCanvas* canvas = printer->GetCanvas();
  RenderToDC(canvas->Handle(), canvas->Font()->PixelsPerInch(), scale, extent, rect);
}

namespace {

int BandHeight(TGIS_GDI& gdi, TFont* font, const std::string& text) {
  if (text.empty()) return 0;
  gdi.Font()->AssignFont(font);
  return gdi.TextHeight(text) * 110 / 100;
}

void DrawBandText(TGIS_GDI& gdi, TFont* font, const std::string& text, const TRect& band) {
  if (text.empty()) return;
  gdi.Font()->AssignFont(font);
  const int x = band.Left + (band.Width() - gdi.TextWidth(text)) / 2;
  const int y = band.Top + (band.Height() - gdi.TextHeight(text)) / 2;
  gdi.TextOut(x, y, text);
}

} // namespace

void TGIS_Viewer::Print(TGIS_Printer* printer) {
  if (IsPainting()) return;
  std::unique_ptr<TGIS_Printer> owned;
  if (printer == nullptr) {
    owned = std::make_unique<TGIS_Printer>(::Printer());
    printer = owned.get();
  }
  if (OnBeforePrint) OnBeforePrint(this, printer);

  std::string title = PrintTitle;
  if (!PrintSubtitle.empty()) title += " [" + PrintSubtitle + "]";
  if (title.empty()) title = Application()->Title();
  if (title.empty()) title = ExtractFileName(Application()->ExeName());
  printer->SetTitle(title);
  printer->GetPageNumber();
  outputWidth_ = printer->GetPageWidth();
  outputHeight_ = printer->GetPageHeight();

  if (!IsEmpty()) {
    const std::uint8_t savedTarget = target_;
    const TGIS_Point savedCenter = center_;
    const TGIS_Extent savedExtent = GetVisibleExtent();
    auto restore = ScopeExit([&]() {
      Lock();
      try {
        target_ = savedTarget;
        SetVisibleExtent(savedExtent);
        center_ = savedCenter;
      } catch (...) {
      }
      gdiDC_.reset();
      Unlock();
      labelsArea_->Clear();
    });
    {
      printer->BeginDoc();
      if (printer->GetPathClipping()) {
        gdiDC_ = TGIS_GDI::CreateForCanvas(printer->GetCanvas());
        target_ = gisTargetDC;
        TGIS_GDI& gdi = *gdiDC_;
        gdi.Brush()->SetStyle(GIS_BRUSH_SOLID);
        gdi.Brush()->SetColor(clWhite);
        gdi.Pen()->SetColor(0x010101);
        gdi.Pen()->SetWidth(1);
        gdi.Pen()->SetStyle(GIS_PEN_SOLID);
        if (OnPrintPage) {
          for (;;) {
            bool lastPage = true;
            OnPrintPage(this, printer, lastPage);
            if (printer->GetAborted() || lastPage) break;
            printer->NewPage();
          }
        } else {
          const int w = printer->GetPageWidth(), h = printer->GetPageHeight();
          const int t = BandHeight(gdi, printTitleFont_.get(), PrintTitle);
          const int s = BandHeight(gdi, printSubtitleFont_.get(), PrintSubtitle);
          const int f = BandHeight(gdi, printFooterFont_.get(), PrintFooter);
          DrawBandText(gdi, printTitleFont_.get(), PrintTitle, TRect(0, 0, w, t));
          DrawBandText(gdi, printSubtitleFont_.get(), PrintSubtitle, TRect(0, t, w, t + s));
          DrawBandText(gdi, printFooterFont_.get(), PrintFooter, TRect(0, h - f, w, h));
          double scale = 0;
          RenderToPrinter(printer, TRect(0, t + s, w, h - f), scale, savedExtent);
        }
      }
      if (!printer->GetAborted()) printer->EndDoc();
    }
    restore.Run();
  }
  if (OnAfterPrint) OnAfterPrint(this, printer);
}
