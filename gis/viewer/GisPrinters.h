// TGIS_Printer: the printer wrapper the viewer prints through.
//
// It wraps the class library's printer (here a printer that writes its pages
// as a PDF file, see platform/graphics/Printer.h) and reports the device
// capabilities the viewer lays its pages out with. A wrapper made over a
// printer list that is empty holds no printer: every call through it raises
// EGIS_Exception instead of touching a printer that is not there.
#pragma once

#include <string>

#include "platform/graphics/Canvas.h"
#include "platform/graphics/Gdi.h"
#include "platform/graphics/Printer.h"

class TGIS_Printer {
public:
  /// Wraps `printer` (nullptr: the process's printer). A printer without any
  /// installed printer is not wrapped. The printer canvas's font gets the
  /// printer's LOGPIXELSY as its pixels per inch.
  explicit TGIS_Printer(TPrinter* printer = nullptr);
  virtual ~TGIS_Printer();
  TGIS_Printer(const TGIS_Printer&) = delete;
  TGIS_Printer& operator=(const TGIS_Printer&) = delete;

  /// The wrapped printer; nullptr when there is none.
  TPrinter* Printer() const { return printer_; }

  virtual HDC GetHandle();
  virtual TCanvas* GetCanvas();
  /// VERTRES.
  virtual int GetPageHeight();
  /// Does nothing.
  virtual void SetPageHeight(int value);
  /// HORZRES.
  virtual int GetPageWidth();
  /// Does nothing.
  virtual void SetPageWidth(int value);
  /// (PHYSICALWIDTH, PHYSICALHEIGHT).
  virtual TPoint GetPhysicalSize();
  /// Does nothing.
  virtual void SetPhysicalSize(const TPoint& value);
  /// The physical size, each value Round(v * 1440 / ppi).
  virtual TPoint GetPhysicalSizeTwips();
  /// (PHYSICALOFFSETX, PHYSICALOFFSETY, HORZRES, VERTRES) as Left, Top,
  /// Right, Bottom.
  virtual TRect GetPrintableArea();
  /// The four values of GetPrintableArea in twips.
  virtual TRect GetPrintableAreaTwips();
  virtual bool GetAborted();
  /// TPrinterCapability bits.
  virtual int GetCapabilities();
  virtual int GetCopies();
  virtual void SetCopies(int value);
  virtual TPrinterOrientation GetOrientation();
  virtual void SetOrientation(TPrinterOrientation value);
  virtual int GetPageNumber();
  /// Does nothing.
  virtual void SetPageNumber(int value);
  virtual int GetPrinterIndex();
  /// Paths can be turned into regions on this printer and it is printing;
  /// the answer is also kept as the flag.
  virtual bool GetPathClipping();
  virtual std::string GetTitle();
  virtual void SetTitle(const std::string& value);
  virtual void Abort();
  /// Starts the job and probes whether paths turn into regions.
  virtual void BeginDoc();
  virtual void EndDoc();
  virtual void NewPage();
  /// Twips to device pixels of the printable area (a negative value is a
  /// number of pixels).
  virtual int TwipsToDeviceX(int twips);
  virtual int TwipsToDeviceY(int twips);

private:
  TPrinter* Require() const;
  int Caps(int index);
  int TwipsToDevice(int twips, int ppi, int offset);
  TPrinter* printer_ = nullptr;
  bool pathClipping_ = false;
};
