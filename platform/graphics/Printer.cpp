#include "platform/graphics/Printer.h"

#include <QDir>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <cstdio>

#include "platform/graphics/GdiInternal.h"
#include "platform/graphics/QtBridge.h"
#include "platform/rtl/Files.h"

class TPrinterCanvas : public TCanvas {
public:
  explicit TPrinterCanvas(TPrinter* p) : printer_(p) {}
  void Attach(HDC dc) { AttachHandle(dc); }
  void Detach() {
    DeselectHandles();
    SetHandle(nullptr);
  }

protected:
  void CreateHandle() override { AttachHandle(printer_->Handle()); }

private:
  TPrinter* printer_;
};

namespace {
const char* kNoPrinter = "There is no default printer currently selected";
const char* kNotPrinting = "Printer is not currently printing";
} // namespace

TPrinter::TPrinter() {
  canvas_ = std::make_unique<TPrinterCanvas>(this);
}

TPrinter::~TPrinter() {
  canvas_->Detach();
  if (dc_) DeleteDC(dc_);
}

void TPrinter::CheckPrinter() const {
  if (printers_.empty() || index_ < 0 || index_ >= int(printers_.size()))
    throw EPrinter(kNoPrinter);
}

void TPrinter::CheckPrinting() const {
  if (!printing_) throw EPrinter(kNotPrinting);
}

int TPrinter::PrinterIndex() const {
  return printers_.empty() ? -1 : index_;
}

void TPrinter::SetPrinterIndex(int index) {
  if (index == -1) index = 0;
  if (index < 0 || index >= int(printers_.size())) throw EPrinter("Printer selected is not valid");
  index_ = index;
}

int TPrinter::PhysWidth() const {
  return orientation_ == poPortrait ? setup_.physicalWidth : setup_.physicalHeight;
}
int TPrinter::PhysHeight() const {
  return orientation_ == poPortrait ? setup_.physicalHeight : setup_.physicalWidth;
}
int TPrinter::PageWidth() const {
  return PhysWidth() - 2 * setup_.offsetX;
}
int TPrinter::PageHeight() const {
  return PhysHeight() - 2 * setup_.offsetY;
}

void TPrinter::SetCopies(int n) {
  copies_ = std::max(n, 1);
}

void TPrinter::SetOrientation(TPrinterOrientation o) {
  if (printing_) throw EPrinter("Cannot perform this operation while printing");
  orientation_ = o;
  ApplyCaps();
}

void TPrinter::SetSetup(const TPrinterSetup& s) {
  if (printing_) throw EPrinter("Cannot perform this operation while printing");
  setup_ = s;
  ApplyCaps();
}

void TPrinter::ApplyCaps() {
  if (!dc_) return;
  gdi::TDc* d = gdi::Dc(dc_);
  d->horzRes = PageWidth();
  d->vertRes = PageHeight();
  d->physWidth = PhysWidth();
  d->physHeight = PhysHeight();
  d->physOffX = setup_.offsetX;
  d->physOffY = setup_.offsetY;
  d->ppi = setup_.pixelsPerInch;
}

HDC TPrinter::Handle() {
  CheckPrinter();
  if (!dc_) {
    dc_ = CreateSurfaceDC(nullptr);
    gdi::Dc(dc_)->kind = OBJ_DC;
    ApplyCaps();
    canvas_->Font()->SetPixelsPerInch(setup_.pixelsPerInch);
  }
  return dc_;
}

TCanvas* TPrinter::Canvas() {
  CheckPrinter();
  Handle();
  return canvas_.get();
}

void TPrinter::NewSurface() {
  auto page = std::make_unique<TMemorySurface>(PageWidth(), PageHeight(), 32, 0xFFFFFF);
  // a printer page reports itself as such (device caps, technology)
  class TPage : public TSurface {
  public:
    explicit TPage(std::unique_ptr<TMemorySurface> m, int ppi) : m_(std::move(m)), ppi_(ppi) {}
    int Width() const override { return m_->Width(); }
    int Height() const override { return m_->Height(); }
    int BitsPerPixel() const override { return 32; }
    std::int64_t Stride() const override { return m_->Stride(); }
    std::uint8_t* Bits() override { return m_->Bits(); }
    TSurfaceKind Kind() const override { return TSurfaceKind::Printer; }
    int PixelsPerInch() const override { return ppi_; }

  private:
    std::unique_ptr<TMemorySurface> m_;
    int ppi_;
  };
  pages_.push_back(std::make_unique<TPage>(std::move(page), setup_.pixelsPerInch));
  SetDCSurface(dc_, pages_.back().get());
}

void TPrinter::BeginDoc() {
  CheckPrinter();
  if (printing_) throw EPrinter("Printing in progress");
  Handle();
  pages_.clear();
  printing_ = true;
  aborted_ = false;
  pageNumber_ = 1;
  NewSurface();
}

void TPrinter::NewPage() {
  CheckPrinting();
  ++pageNumber_;
  NewSurface();
  // a new page starts with the DC's state as the platform resets it
  SelectClipRgn(dc_, nullptr);
}

void TPrinter::Abort() {
  CheckPrinting();
  aborted_ = true;
  printing_ = false;
  SetDCSurface(dc_, nullptr);
}

void TPrinter::EndDoc() {
  CheckPrinting();
  printing_ = false;
  SetDCSurface(dc_, nullptr);
  std::string file = outputFileName_;
  if (file.empty()) {
    std::string name = title_.empty() ? std::string("print") : title_;
    for (char& c : name)
      if (c == '/' || c == '\\' || c == ':') c = '_';
    file = (QDir::tempPath() + "/").toStdString() + name + ".pdf";
  }
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  // written beside the target and moved over it when complete
  file = ExpandFileName(file);
  std::string partial = file + ".part";
  printer.setOutputFileName(QString::fromStdString(partial));
  printer.setDocName(QString::fromStdString(title_));
  printer.setResolution(setup_.pixelsPerInch);
  printer.setFullPage(true);
  printer.setPageMargins(QMarginsF(0, 0, 0, 0));
  QPageSize size(QSizeF(double(PhysWidth()) / setup_.pixelsPerInch,
                        double(PhysHeight()) / setup_.pixelsPerInch),
                 QPageSize::Inch, QString(), QPageSize::ExactMatch);
  printer.setPageSize(size);
  printer.setPageOrientation(QPageLayout::Portrait);
  QPainter painter;
  if (!painter.begin(&printer)) throw EPrinter("Cannot write the print file " + file);
  for (std::size_t i = 0; i < pages_.size(); ++i) {
    if (i > 0) printer.newPage();
    TSurface* s = pages_[i].get();
    QImage image(s->Bits(), s->Width(), s->Height(), int(s->Stride()), QImage::Format_RGB32);
    QRect target(setup_.offsetX, setup_.offsetY, s->Width(), s->Height());
    painter.drawImage(target, image);
  }
  if (!painter.end() || std::rename(partial.c_str(), file.c_str()) != 0) {
    std::remove(partial.c_str());
    throw EPrinter("Cannot write the print file " + file);
  }
}

TSurface* TPrinter::Page(int index) const {
  return index >= 0 && index < int(pages_.size()) ? pages_[index].get() : nullptr;
}

namespace {
std::unique_ptr<TPrinter>& GlobalPrinter() {
  static std::unique_ptr<TPrinter> p;
  return p;
}
} // namespace

TPrinter* Printer() {
  if (!GlobalPrinter()) GlobalPrinter() = std::make_unique<TPrinter>();
  return GlobalPrinter().get();
}

std::unique_ptr<TPrinter> SetPrinter(std::unique_ptr<TPrinter> printer) {
  std::unique_ptr<TPrinter> old = std::move(GlobalPrinter());
  GlobalPrinter() = std::move(printer);
  return old;
}
