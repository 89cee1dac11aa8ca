// TPrinter: print jobs rendered as raster pages and written as a PDF file
// when the job ends.
//
// Each page is a white 32-bit image at the printer's resolution (default A4
// at 300 pixels per inch, 2480 x 3508) drawn by the same engine as every other
// surface. The PDF goes to OutputFileName (default: the job title with ".pdf"
// in the system's temporary folder).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/graphics/Canvas.h"
#include "platform/rtl/Exceptions.h"

SK_DECLARE_EXCEPTION(EPrinter, Exception)

class TSurface;

enum TPrinterOrientation { poPortrait, poLandscape };
enum TPrinterCapability { pcCopies = 1, pcOrientation = 2, pcCollation = 4 };

/// The page setup of the stand-in printer.
struct TPrinterSetup {
  int pixelsPerInch = 300;
  int physicalWidth = 2480; // portrait, pixels
  int physicalHeight = 3508;
  int offsetX = 0, offsetY = 0;
};

class TPrinterCanvas;

class TPrinter {
public:
  TPrinter();
  ~TPrinter();
  TPrinter(const TPrinter&) = delete;
  TPrinter& operator=(const TPrinter&) = delete;

  /// The installed printers (one PDF printer by default; tests may empty it).
  std::vector<std::string>& Printers() { return printers_; }
  int PrinterIndex() const;
  void SetPrinterIndex(int index);
  /// The printer's DC (an information context outside a job).
  HDC Handle();
  TCanvas* Canvas();
  int PageWidth() const;  // HORZRES
  int PageHeight() const; // VERTRES
  int Copies() const { return copies_; }
  void SetCopies(int n);
  TPrinterOrientation Orientation() const { return orientation_; }
  void SetOrientation(TPrinterOrientation o);
  int PageNumber() const { return pageNumber_; }
  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& t) { title_ = t; }
  bool Printing() const { return printing_; }
  bool Aborted() const { return aborted_; }
  int Capabilities() const { return pcCopies | pcOrientation | pcCollation; }

  void BeginDoc();
  void EndDoc();
  void NewPage();
  void Abort();

  const std::string& OutputFileName() const { return outputFileName_; }
  void SetOutputFileName(const std::string& f) { outputFileName_ = f; }
  const TPrinterSetup& Setup() const { return setup_; }
  void SetSetup(const TPrinterSetup& s);

  // ---- test hooks --------------------------------------------------------
  /// Pages of the current or last job (kept until the next BeginDoc).
  int PageCount() const { return int(pages_.size()); }
  TSurface* Page(int index) const;

private:
  void CheckPrinter() const;
  void CheckPrinting() const;
  void NewSurface();
  void ApplyCaps();
  int PhysWidth() const;
  int PhysHeight() const;
  std::vector<std::string> printers_{"PDF"};
  int index_ = 0;
  int copies_ = 1;
  TPrinterOrientation orientation_ = poPortrait;
  int pageNumber_ = 0;
  std::string title_;
  bool printing_ = false, aborted_ = false;
  std::string outputFileName_;
  TPrinterSetup setup_;
  HDC dc_ = nullptr;
  std::unique_ptr<TPrinterCanvas> canvas_;
  std::vector<std::unique_ptr<TSurface>> pages_;
};

/// The process's printer.
TPrinter* Printer();
/// Replaces the process's printer (tests); returns the previous one.
std::unique_ptr<TPrinter> SetPrinter(std::unique_ptr<TPrinter> printer);
