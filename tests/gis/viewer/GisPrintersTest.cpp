// The printer wrapper: device capabilities, twips, the PDF job (checked with
// pdfinfo) and a wrapper without any printer.
#include <gtest/gtest.h>

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>

#include "gis/core/GisResource.h"
#include "gis/viewer/GisGDI.h"
#include "gis/viewer/GisPrinters.h"
#include "platform/rtl/Strings.h"
#include "tests/gis/viewer/ViewerTestSupport.h"
#include "tests/support/TempDir.h"

namespace {

// A scratch folder removed at the end of the test.
struct TScratch {
  sktest::TTempDir temp{"gis-printers"};
  std::filesystem::path dir{temp.Path()};
};

// The value after "Key:" on its line of pdfinfo's output.
std::string PdfField(const std::string& output, const std::string& key) {
  const std::string info = "\n" + output;
  std::size_t at = info.find("\n" + key + ":");
  if (at == std::string::npos) return {};
  at += key.size() + 2;
  std::size_t end = info.find('\n', at);
  std::string v = info.substr(at, end == std::string::npos ? std::string::npos : end - at);
  std::size_t a = v.find_first_not_of(' ');
  return a == std::string::npos ? std::string() : v.substr(a);
}

int PdfPages(const std::string& info) {
  std::string v = PdfField(info, "Pages");
  int n = -1;
  std::from_chars(v.data(), v.data() + v.size(), n);
  return n;
}

TPrinterSetup PageSetup(int ppi, int w, int h, int ox, int oy) {
  TPrinterSetup s;
  s.pixelsPerInch = ppi;
  s.physicalWidth = w;
  s.physicalHeight = h;
  s.offsetX = ox;
  s.offsetY = oy;
  return s;
}

} // namespace

TEST(GisPrinters, DeviceCapabilitiesAndTwips) {
  TPrinter printer;
  printer.SetSetup(PageSetup(300, 2550, 3300, 50, 75));
  TGIS_Printer p(&printer);
  EXPECT_EQ(p.Printer(), &printer);
  EXPECT_EQ(printer.Canvas()->Font()->PixelsPerInch(), 300);
  EXPECT_EQ(p.GetPageWidth(), 2550 - 100);
  EXPECT_EQ(p.GetPageHeight(), 3300 - 150);
  EXPECT_EQ(p.GetPhysicalSize(), TPoint(2550, 3300));
  EXPECT_EQ(p.GetPhysicalSizeTwips(), TPoint(12240, 15840)); // 8.5 x 11 inches
  EXPECT_EQ(p.GetPrintableArea(), TRect(50, 75, 2450, 3150));
  EXPECT_EQ(p.GetPrintableAreaTwips(), TRect(240, 360, 11760, 15120));
  p.SetPageWidth(1); // the writers of page and physical sizes do nothing
  p.SetPageHeight(1);
  p.SetPhysicalSize(TPoint(1, 1));
  p.SetPageNumber(9);
  EXPECT_EQ(p.GetPageWidth(), 2450);
  EXPECT_EQ(p.GetPhysicalSize(), TPoint(2550, 3300));
  EXPECT_EQ(p.GetPageNumber(), 0);
  EXPECT_EQ(p.GetCapabilities(), pcCopies | pcOrientation | pcCollation);
  EXPECT_EQ(p.GetPrinterIndex(), 0);
  p.SetCopies(3);
  EXPECT_EQ(p.GetCopies(), 3);
  p.SetOrientation(poLandscape);
  EXPECT_EQ(p.GetOrientation(), poLandscape);
  EXPECT_EQ(p.GetPhysicalSize(), TPoint(3300, 2550));
  p.SetOrientation(poPortrait);

  struct TRow {
    int twips, x, y;
  } rows[] = {
      {0, -50, -75},        // nothing, less the offsets
      {-7, 7 - 50, 7 - 75}, // negative: pixels
      {1, 1 - 50, 1 - 75},  // never below one pixel
      {4, 1 - 50, 1 - 75},  // 4 x 300 = 1200 <= 1440
      {5, 1 - 50, 1 - 75},  // 1500 / 1440 rounds to 1
      {12, 2 - 50, 2 - 75}, // 3600 / 1440 = 2.5: halves to even
      {1440, 300 - 50, 300 - 75},
      {2880, 600 - 50, 600 - 75},
  };
  for (const TRow& row : rows) {
    EXPECT_EQ(p.TwipsToDeviceX(row.twips), row.x) << row.twips;
    EXPECT_EQ(p.TwipsToDeviceY(row.twips), row.y) << row.twips;
  }
}

TEST(GisPrinters, PrintsPagesIntoThePdfFileSet) {
  TScratch scratch;
  std::string file = (scratch.dir / "map print.pdf").string();
  TPrinter printer;
  printer.SetSetup(PageSetup(150, 1240, 1754, 0, 0)); // A4 at 150 ppi
  printer.SetOutputFileName(file);
  TGIS_Printer p(&printer);
  p.SetTitle("Roads [North]");
  EXPECT_EQ(p.GetTitle(), "Roads [North]");
  EXPECT_FALSE(p.GetPathClipping()); // not printing yet

  p.BeginDoc();
  EXPECT_TRUE(p.GetPathClipping());
  EXPECT_EQ(p.GetPageNumber(), 1);
  // the probe leaves no clipping behind
  RECT clip;
  GetClipBox(p.GetHandle(), &clip);
  EXPECT_EQ(clip, TRect(0, 0, 1240, 1754));
  {
    auto gdi = TGIS_GDI::CreateForCanvas(p.GetCanvas());
    gdi->Brush()->SetColor(clRed);
    gdi->FillRect(TRect(100, 100, 600, 400));
    gdi->Font()->SetPixelsPerInch(p.GetCanvas()->Font()->PixelsPerInch());
    gdi->TextOut(100, 500, "Page one");
    p.NewPage();
    EXPECT_EQ(p.GetPageNumber(), 2);
    gdi->FillRect(TRect(0, 0, 50, 50));
    p.NewPage();
  }
  EXPECT_EQ(printer.PageCount(), 3);
  p.EndDoc();
  EXPECT_FALSE(p.GetPathClipping());
  EXPECT_FALSE(p.GetAborted());

  ASSERT_TRUE(std::filesystem::exists(file));
  std::string info = PdfInfo(file);
  EXPECT_EQ(PdfPages(info), 3) << info;
  EXPECT_EQ(PdfField(info, "Title"), "Roads [North]") << info;
  EXPECT_NE(PdfField(info, "Page size").find("(A4)"), std::string::npos) << info;
}

TEST(GisPrinters, AnAbortedJobWritesNothing) {
  TScratch scratch;
  std::string file = (scratch.dir / "aborted.pdf").string();
  TPrinter printer;
  printer.SetOutputFileName(file);
  TGIS_Printer p(&printer);
  p.BeginDoc();
  p.Abort();
  EXPECT_TRUE(p.GetAborted());
  EXPECT_FALSE(p.GetPathClipping());
  EXPECT_FALSE(std::filesystem::exists(file));
}

TEST(GisPrinters, AWrapperWithoutAPrinterRaisesOnEveryCall) {
  TPrinter printer;
  printer.Printers().clear();
  TGIS_Printer p(&printer);
  EXPECT_EQ(p.Printer(), nullptr);
  const std::pair<const char*, std::function<void()>> calls[] = {
      {"GetHandle", [&] { p.GetHandle(); }},
      {"GetCanvas", [&] { p.GetCanvas(); }},
      {"GetPageHeight", [&] { p.GetPageHeight(); }},
      {"SetPageHeight", [&] { p.SetPageHeight(1); }},
      {"GetPageWidth", [&] { p.GetPageWidth(); }},
      {"SetPageWidth", [&] { p.SetPageWidth(1); }},
      {"GetPhysicalSize", [&] { p.GetPhysicalSize(); }},
      {"SetPhysicalSize", [&] { p.SetPhysicalSize(TPoint()); }},
      {"GetPhysicalSizeTwips", [&] { p.GetPhysicalSizeTwips(); }},
      {"GetPrintableArea", [&] { p.GetPrintableArea(); }},
      {"GetPrintableAreaTwips", [&] { p.GetPrintableAreaTwips(); }},
      {"GetAborted", [&] { p.GetAborted(); }},
      {"GetCapabilities", [&] { p.GetCapabilities(); }},
      {"GetCopies", [&] { p.GetCopies(); }},
      {"SetCopies", [&] { p.SetCopies(2); }},
      {"GetOrientation", [&] { p.GetOrientation(); }},
      {"SetOrientation", [&] { p.SetOrientation(poLandscape); }},
      {"GetPageNumber", [&] { p.GetPageNumber(); }},
      {"SetPageNumber", [&] { p.SetPageNumber(1); }},
      {"GetPrinterIndex", [&] { p.GetPrinterIndex(); }},
      {"GetPathClipping", [&] { p.GetPathClipping(); }},
      {"GetTitle", [&] { p.GetTitle(); }},
      {"SetTitle", [&] { p.SetTitle("x"); }},
      {"Abort", [&] { p.Abort(); }},
      {"BeginDoc", [&] { p.BeginDoc(); }},
      {"EndDoc", [&] { p.EndDoc(); }},
      {"NewPage", [&] { p.NewPage(); }},
      {"TwipsToDeviceX", [&] { p.TwipsToDeviceX(100); }},
      {"TwipsToDeviceY", [&] { p.TwipsToDeviceY(100); }},
  };
  for (const auto& [name, call] : calls)
    EXPECT_THROW(call(), EGIS_Exception) << name;
}

TEST(GisPrinters, TheDefaultWrapperUsesTheProcessPrinter) {
  auto own = std::make_unique<TPrinter>();
  TPrinter* raw = own.get();
  std::unique_ptr<TPrinter> previous = SetPrinter(std::move(own));
  {
    TGIS_Printer p;
    EXPECT_EQ(p.Printer(), raw);
  }
  SetPrinter(std::move(previous));
}
