// TGIS_Printer over the class library's printer.
#include "gis/viewer/GisPrinters.h"

#include "gis/core/GisResource.h"
#include "platform/rtl/Numerics.h"

namespace {
const char* kNoPrinter = "No printer is installed";

int ToTwips(int value, int ppi) {
  if (ppi <= 0) return 0;
  return int(Round(static_cast<Extended>(value) * 1440 / ppi));
}
} // namespace

TGIS_Printer::TGIS_Printer(TPrinter* printer) {
  if (printer == nullptr) printer = ::Printer();
  if (printer != nullptr && !printer->Printers().empty()) printer_ = printer;
  if (printer_ != nullptr)
    printer_->Canvas()->Font()->SetPixelsPerInch(GetDeviceCaps(printer_->Handle(), LOGPIXELSY));
}

TGIS_Printer::~TGIS_Printer() = default;

TPrinter* TGIS_Printer::Require() const {
  if (printer_ == nullptr) throw EGIS_Exception(kNoPrinter);
  return printer_;
}

int TGIS_Printer::Caps(int index) {
  return GetDeviceCaps(Require()->Handle(), index);
}

HDC TGIS_Printer::GetHandle() {
  return Require()->Handle();
}

TCanvas* TGIS_Printer::GetCanvas() {
  return Require()->Canvas();
}

int TGIS_Printer::GetPageHeight() {
  return Caps(VERTRES);
}

void TGIS_Printer::SetPageHeight(int) {
  Require();
}

int TGIS_Printer::GetPageWidth() {
  return Caps(HORZRES);
}

void TGIS_Printer::SetPageWidth(int) {
  Require();
}

TPoint TGIS_Printer::GetPhysicalSize() {
  return TPoint(Caps(PHYSICALWIDTH), Caps(PHYSICALHEIGHT));
}

void TGIS_Printer::SetPhysicalSize(const TPoint&) {
  Require();
}

TPoint TGIS_Printer::GetPhysicalSizeTwips() {
  TPoint size = GetPhysicalSize();
  return TPoint(ToTwips(size.x, Caps(LOGPIXELSX)), ToTwips(size.y, Caps(LOGPIXELSY)));
}

TRect TGIS_Printer::GetPrintableArea() {
  return TRect(Caps(PHYSICALOFFSETX), Caps(PHYSICALOFFSETY), Caps(HORZRES), Caps(VERTRES));
}

TRect TGIS_Printer::GetPrintableAreaTwips() {
  TRect area = GetPrintableArea();
  int px = Caps(LOGPIXELSX), py = Caps(LOGPIXELSY);
  return TRect(ToTwips(area.Left, px), ToTwips(area.Top, py), ToTwips(area.Right, px),
               ToTwips(area.Bottom, py));
}

bool TGIS_Printer::GetAborted() {
  return Require()->Aborted();
}

int TGIS_Printer::GetCapabilities() {
  return Require()->Capabilities();
}

int TGIS_Printer::GetCopies() {
  return Require()->Copies();
}

void TGIS_Printer::SetCopies(int value) {
  Require()->SetCopies(value);
}

TPrinterOrientation TGIS_Printer::GetOrientation() {
  return Require()->Orientation();
}

void TGIS_Printer::SetOrientation(TPrinterOrientation value) {
  Require()->SetOrientation(value);
}

int TGIS_Printer::GetPageNumber() {
  return Require()->PageNumber();
}

void TGIS_Printer::SetPageNumber(int) {
  Require();
}

int TGIS_Printer::GetPrinterIndex() {
  return Require()->PrinterIndex();
}

bool TGIS_Printer::GetPathClipping() {
  TPrinter* printer = Require();
  pathClipping_ = pathClipping_ && printer->Printing();
  return pathClipping_;
}

std::string TGIS_Printer::GetTitle() {
  return Require()->Title();
}

void TGIS_Printer::SetTitle(const std::string& value) {
  Require()->SetTitle(value);
}

void TGIS_Printer::Abort() {
  Require()->Abort();
}

void TGIS_Printer::BeginDoc() {
  TPrinter* printer = Require();
  pathClipping_ = false;
  printer->BeginDoc();
  HDC dc = printer->Handle();
  ::BeginPath(dc);
  ::LineTo(dc, 2, 2);
  ::EndPath(dc);
  HRGN probe = ::PathToRegion(dc);
  pathClipping_ = probe != nullptr;
  if (probe != nullptr) ::DeleteObject(probe);
  MoveToEx(dc, 0, 0, nullptr);
  ::SelectClipRgn(dc, nullptr);
}

void TGIS_Printer::EndDoc() {
  Require()->EndDoc();
}

void TGIS_Printer::NewPage() {
  Require()->NewPage();
}

int TGIS_Printer::TwipsToDevice(int twips, int ppi, int offset) {
  int pixels;
  if (twips < 0) {
    pixels = twips == INT32_MIN ? INT32_MAX : -twips;
  } else if (twips == 0) {
    pixels = 0;
  } else {
    Int64 n = Int64(twips) * ppi;
    pixels = n <= 1440 ? 1 : int(Round(static_cast<Extended>(n) / 1440));
  }
  return pixels - offset;
}

int TGIS_Printer::TwipsToDeviceX(int twips) {
  return TwipsToDevice(twips, Caps(LOGPIXELSY), Caps(PHYSICALOFFSETX));
}

int TGIS_Printer::TwipsToDeviceY(int twips) {
  return TwipsToDevice(twips, Caps(LOGPIXELSY), Caps(PHYSICALOFFSETY));
}
