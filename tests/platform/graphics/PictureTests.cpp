// JPEG, the picture-format registry, metafiles and printing.
#include <QFile>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>

#include "GraphicsTestUtil.h"
#include "ImageOracle.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Dib.h"
#include "platform/graphics/Jpeg.h"
#include "platform/graphics/Metafile.h"
#include "platform/graphics/Printer.h"
#include "platform/rtl/Streams.h"

namespace {

std::unique_ptr<TBitmap> MakeGradient(int w, int h) {
  auto holder = std::make_unique<TBitmap>(w, h, pf24bit);
  TBitmap& b = *holder;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = b.ScanLine(y) + 3 * x;
      p[0] = std::uint8_t(x * 4);
      p[1] = std::uint8_t(y * 4);
      p[2] = std::uint8_t(128 + (x + y) % 64);
    }
  return holder;
}

std::vector<std::uint8_t> Bytes(TGraphic& g) {
  TMemoryStream m;
  g.SaveToStream(m);
  return std::vector<std::uint8_t>(m.Memory(), m.Memory() + m.Size());
}

/// Byte offset of a marker (FF xx) in the header part, or -1.
long FindMarker(const std::vector<std::uint8_t>& d, std::uint8_t m) {
  for (std::size_t i = 0; i + 1 < d.size(); ++i)
    if (d[i] == 0xFF && d[i + 1] == m) return long(i);
  return -1;
}

TEST(Jpeg, EncodesBaselineJfifWithTheQualitySetAtSaveTime) {
  auto holder = MakeGradient(40, 24);
  TBitmap& b = *holder;
  TJPEGImage j;
  j.Assign(&b);
  j.SetCompressionQuality(90);
  std::vector<std::uint8_t> q90 = Bytes(j);
  j.SetCompressionQuality(20);
  std::vector<std::uint8_t> q20 = Bytes(j);
  EXPECT_LT(q20.size(), q90.size());
  ASSERT_GT(q90.size(), 20u);
  EXPECT_EQ(q90[0], 0xFF);
  EXPECT_EQ(q90[1], 0xD8);
  EXPECT_GE(FindMarker(q90, 0xC0), 0);  // baseline frame
  EXPECT_EQ(FindMarker(q90, 0xC2), -1); // not progressive
  long app0 = FindMarker(q90, 0xE0);
  ASSERT_GE(app0, 0);
  EXPECT_EQ(std::string(q90.begin() + app0 + 4, q90.begin() + app0 + 8), "JFIF");
  EXPECT_EQ(q90[std::size_t(app0) + 11], 0); // density unit 0
  EXPECT_EQ(q90[std::size_t(app0) + 13], 1); // 1:1
  EXPECT_EQ(q90[std::size_t(app0) + 15], 1);
  long sof = FindMarker(q90, 0xC0);
  EXPECT_EQ(q90[std::size_t(sof) + 9], 3);     // three components
  EXPECT_EQ(q90[std::size_t(sof) + 11], 0x22); // luma sampled 2x2
  j.SetGrayscale(true);
  std::vector<std::uint8_t> grey = Bytes(j);
  EXPECT_EQ(grey[std::size_t(FindMarker(grey, 0xC0)) + 9], 1);
  // a greyscale file decodes to 24-bit pixels with equal channels
  TMemoryStream m;
  m.WriteBuffer(grey.data(), std::int64_t(grey.size()));
  m.SetPosition(0);
  TJPEGImage g;
  g.LoadFromStream(m);
  const TBitmap& pixels = g.Bitmap();
  EXPECT_EQ(pixels.PixelFormat(), pf24bit);
  for (int x : {0, 20, 39}) {
    COLORREF c = pixels.Dib()->PixelColor(x, 12);
    EXPECT_EQ(GetRValue(c), GetGValue(c)) << x;
    EXPECT_EQ(GetGValue(c), GetBValue(c)) << x;
  }
}

TEST(Jpeg, DecodesLikeImageMagickAndRoundTripsCloseToTheSource) {
  QTemporaryDir dir;
  auto holder = MakeGradient(33, 17);
  TBitmap& b = *holder;
  TJPEGImage j;
  j.Assign(&b);
  std::string file = (dir.path() + "/g.jpg").toStdString();
  j.SaveToFile(file);
  TJPEGImage back;
  back.LoadFromFile(file);
  EXPECT_EQ(back.Width(), 33);
  EXPECT_EQ(back.Height(), 17);
  TPpm oracle = ConvertToPpm(QString::fromStdString(file));
  const TBitmap& pixels = back.Bitmap();
  int maxError = 0, oracleDiff = 0;
  for (int y = 0; y < 17; ++y)
    for (int x = 0; x < 33; ++x) {
      COLORREF got = pixels.Dib()->PixelColor(x, y), src = b.Dib()->PixelColor(x, y);
      for (int s : {0, 8, 16}) {
        maxError = std::max(maxError, std::abs(int((got >> s) & 0xFF) - int((src >> s) & 0xFF)));
        oracleDiff = std::max(
            oracleDiff, std::abs(int((got >> s) & 0xFF) - int((oracle.At(x, y) >> s) & 0xFF)));
      }
    }
  EXPECT_LE(maxError, 24);
  EXPECT_LE(oracleDiff, 1); // same decoder family: identical up to rounding
  // drawing into a 24-bit bitmap, and a bitmap assigned from the JPEG
  TBitmap target(33, 17);
  target.Canvas()->Draw(0, 0, &back);
  EXPECT_EQ(target.Canvas()->Pixels(5, 5), TColor(pixels.Dib()->PixelColor(5, 5)));
  TBitmap assigned;
  assigned.SetPixelFormat(pf8bit);
  assigned.Assign(&back);
  EXPECT_EQ(assigned.PixelFormat(), pf24bit);
  EXPECT_TRUE(assigned.Dib()->SameImage(*pixels.Dib()));
}

TEST(Jpeg, MatchesTheReferenceEncoderAndDecoderExactly) {
  QTemporaryDir dir;
  auto holder = MakeGradient(37, 21);
  std::string bmp = (dir.path() + "/src.bmp").toStdString();
  holder->SaveToFile(bmp);
  for (int quality : {90, 75}) {
    TJPEGImage j;
    j.Assign(holder.get());
    j.SetCompressionQuality(quality);
    std::vector<std::uint8_t> ours = Bytes(j);
    QByteArray reference =
        RunTool("cjpeg", {"-quality", QString::number(quality), QString::fromStdString(bmp)});
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(ours.data()), int(ours.size())), reference)
        << "quality " << quality;
  }
  // decoding: pixel for pixel what djpeg writes
  std::string jpg = (dir.path() + "/src.jpg").toStdString();
  TJPEGImage j;
  j.Assign(holder.get());
  j.SaveToFile(jpg);
  QByteArray decoded = RunTool("djpeg", {"-bmp", QString::fromStdString(jpg)});
  TMemoryStream m;
  m.WriteBuffer(decoded.constData(), decoded.size());
  m.SetPosition(0);
  TBitmap reference;
  reference.LoadFromStream(m);
  TJPEGImage back;
  back.LoadFromFile(jpg);
  EXPECT_TRUE(back.Bitmap().Dib()->SameImage(*reference.Dib()));
}

TEST(Jpeg, EncodingReadsA24BitPictureInPlaceAndConvertsOthers) {
  auto picture = MakeGradient(37, 21);
  const std::vector<std::uint8_t> direct = EncodeJpeg(*picture, 90, false);
  TBitmap copy;
  copy.Assign(picture.get());
  EXPECT_EQ(EncodeJpeg(copy, 90, false), direct);
  EXPECT_TRUE(copy.Dib()->SameImage(*picture->Dib())); // the source is only read
  // An 8-bit picture is encoded as its 24-bit copy.
  TBitmap grey;
  grey.Assign(picture.get());
  grey.SetPixelFormat(pf8bit);
  TBitmap wide;
  wide.Assign(&grey);
  wide.SetPixelFormat(pf24bit);
  EXPECT_EQ(EncodeJpeg(grey, 75, false), EncodeJpeg(wide, 75, false));
  EXPECT_EQ(grey.PixelFormat(), pf8bit);
}

TEST(Jpeg, StreamLoadStopsAfterTheImageAndDamageRaises) {
  auto holder = MakeGradient(8, 8);
  TBitmap& b = *holder;
  TJPEGImage j;
  j.Assign(&b);
  std::vector<std::uint8_t> bytes = Bytes(j);
  TMemoryStream s;
  s.WriteBuffer(bytes.data(), std::int64_t(bytes.size()));
  s.WriteBuffer("TAIL", 4);
  s.SetPosition(0);
  TJPEGImage loaded;
  loaded.LoadFromStream(s);
  EXPECT_EQ(s.Position(), std::int64_t(bytes.size()));
  EXPECT_EQ(loaded.Width(), 8);
  loaded.Bitmap(); // decoded for viewing: the file is still written back unchanged
  loaded.SetCompressionQuality(10);
  EXPECT_EQ(Bytes(loaded), bytes);

  std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + 30);
  TMemoryStream bad;
  bad.WriteBuffer(cut.data(), std::int64_t(cut.size()));
  bad.SetPosition(0);
  TJPEGImage broken;
  EXPECT_THROW(broken.LoadFromStream(bad), EInvalidGraphic);
  TMemoryStream text;
  text.WriteBuffer("hello world", 11);
  text.SetPosition(0);
  EXPECT_THROW(broken.LoadFromStream(text), EInvalidGraphic);
  EXPECT_TRUE(broken.Empty());
}

class TTestGraphic : public TBitmap {
public:
  const char* ClassName() const override { return "TTestGraphic"; }
};

TEST(PictureRegistry, LoadFromFilePicksTheClassByExtension) {
  QTemporaryDir dir;
  auto holder = MakeGradient(6, 4);
  TBitmap& b = *holder;
  std::string bmp = (dir.path() + "/pic.BMP").toStdString();
  b.SaveToFile(bmp);
  TJPEGImage j;
  j.Assign(&b);
  std::string jpg = (dir.path() + "/pic.Jpeg").toStdString();
  j.SaveToFile(jpg);

  TPicture p;
  int changes = 0;
  p.OnChange = [&](TPicture*) { ++changes; };
  p.LoadFromFile(bmp);
  EXPECT_STREQ(p.Graphic()->ClassName(), "TBitmap");
  EXPECT_EQ(p.Width(), 6);
  p.LoadFromFile(jpg);
  EXPECT_STREQ(p.Graphic()->ClassName(), "TJPEGImage");
  EXPECT_EQ(changes, 2);
  try {
    p.LoadFromFile((dir.path() + "/pic.xyz").toStdString());
    FAIL();
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "Unknown picture file extension (.xyz)");
  }
  // the last registration of an extension wins; unregistering removes it
  TPicture::RegisterFileFormat("BMP", "Test", "TTestGraphic",
                               [] { return std::unique_ptr<TGraphic>(new TTestGraphic()); });
  p.LoadFromFile(bmp);
  EXPECT_STREQ(p.Graphic()->ClassName(), "TTestGraphic");
  TPicture::UnregisterGraphicClass("TTestGraphic");
  p.LoadFromFile(bmp);
  EXPECT_STREQ(p.Graphic()->ClassName(), "TBitmap");
}

void DrawScene(HDC dc) {
  HBRUSH brush = CreateHatchBrush(HS_DIAGCROSS, RGB(0, 0, 255));
  HPEN pen = CreatePen(PS_DASH, 1, RGB(255, 0, 0));
  HGDIOBJ ob = SelectObject(dc, brush), op = SelectObject(dc, pen);
  Rectangle(dc, 2, 2, 30, 20);
  SetROP2(dc, R2_XORPEN);
  MoveToEx(dc, 0, 10, nullptr);
  LineTo(dc, 40, 25);
  SetROP2(dc, R2_COPYPEN);
  HRGN clip = CreateRectRgn(10, 0, 40, 30);
  SelectClipRgn(dc, clip);
  DeleteObject(clip);
  Ellipse(dc, 5, 12, 38, 29);
  SelectClipRgn(dc, nullptr);
  SelectObject(dc, ob);
  SelectObject(dc, op);
  DeleteObject(brush);
  DeleteObject(pen);
}

TEST(Metafile, ReplayAtOneToOneEqualsDrawingDirectly) {
  TBitmap direct(40, 30);
  DrawScene(direct.Canvas()->Handle());
  TMetafile mf;
  mf.SetWidth(40);
  mf.SetHeight(30);
  {
    TMetafileCanvas canvas(&mf, nullptr);
    DrawScene(canvas.Handle());
  }
  EXPECT_GT(mf.RecordCount(), 3);
  TPicture holder, copy;
  holder.SetGraphic(&mf);
  copy.Assign(&holder);
  ASSERT_NE(copy.Graphic(), nullptr);
  EXPECT_STREQ(copy.Graphic()->ClassName(), "TMetafile");
  EXPECT_EQ(copy.Width(), 40);
  TBitmap replayed(40, 30);
  replayed.Canvas()->Draw(0, 0, &mf);
  EXPECT_TRUE(replayed.Dib()->SameImage(*direct.Dib()));
  // scaled into a larger rectangle, clipped to it
  TBitmap big(100, 70);
  big.Canvas()->StretchDraw(TRect(10, 5, 90, 65), &mf);
  EXPECT_EQ(big.Canvas()->Pixels(5, 30), clWhite);
  EXPECT_EQ(big.Canvas()->Pixels(95, 30), clWhite);
  EXPECT_EQ(big.Canvas()->Pixels(10 + 4, 5 + 4), clRed); // the rectangle's outline at (2,2), scaled
}

QImage RenderSvg(const QByteArray& svg, int w, int h) {
  QSvgRenderer renderer(svg);
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  renderer.render(&painter);
  return image;
}

QByteArray SvgOf(TMetafile& mf) {
  TMemoryStream m;
  mf.SaveToStream(m);
  return QByteArray(reinterpret_cast<const char*>(m.Memory()), int(m.Size()));
}

TEST(Metafile, SavesCopyDrawingAsVectorSvg) {
  QTemporaryDir dir;
  TMetafile mf;
  mf.SetWidth(60);
  mf.SetHeight(40);
  auto picture = MakeGradient(10, 10);
  {
    TMetafileCanvas canvas(&mf, nullptr);
    canvas.Brush()->SetColor(clRed);
    canvas.FillRect(TRect(0, 0, 20, 20));
    canvas.Brush()->SetColor(clBlue);
    canvas.Pen()->SetWidth(3);
    canvas.Ellipse(25, 5, 55, 35);
    canvas.Pen()->SetWidth(1);
    canvas.MoveTo(0, 30);
    canvas.LineTo(20, 30);
    canvas.Brush()->SetStyle(bsClear);
    canvas.Font()->SetName("Arial");
    canvas.TextOut(2, 22, "Hi");
    canvas.Draw(40, 28, picture.get());
  }
  EXPECT_TRUE(mf.Vectorizable());
  std::string file = (dir.path() + "/m.svg").toStdString();
  mf.SaveToFile(file);
  QFile f(QString::fromStdString(file));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  QByteArray svg = f.readAll();
  EXPECT_TRUE(svg.contains("<svg"));
  EXPECT_TRUE(svg.contains("<path") || svg.contains("<rect"));
  QSvgRenderer renderer(svg);
  ASSERT_TRUE(renderer.isValid());
  EXPECT_EQ(renderer.viewBox(), QRect(0, 0, 60, 40));
  // the vector rendering agrees with the exact replay almost everywhere
  QImage vector = RenderSvg(svg, 60, 40);
  TBitmap replay(60, 40);
  replay.Canvas()->Draw(0, 0, &mf);
  int differing = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 60; ++x) {
      COLORREF a = replay.Dib()->PixelColor(x, y);
      QRgb b = vector.pixel(x, y);
      if (std::abs(int(GetRValue(a)) - qRed(b)) > 60 ||
          std::abs(int(GetGValue(a)) - qGreen(b)) > 60 ||
          std::abs(int(GetBValue(a)) - qBlue(b)) > 60)
        ++differing;
    }
  EXPECT_LT(differing, 60 * 40 / 20) << "pixels differing";
  EXPECT_EQ(vector.pixel(10, 10), qRgb(255, 0, 0));
  EXPECT_EQ(vector.pixel(40, 20), qRgb(0, 0, 255));
}

TEST(Metafile, HatchedFillsSaveAsTheirColoursInTheSvg) {
  // A red cross hatch over a blue square: opaque gaps take the background
  // colour (yellow), transparent gaps leave the blue below.
  struct Row {
    int bkMode;
    COLORREF gap;
  } rows[] = {{OPAQUE, RGB(255, 255, 0)}, {TRANSPARENT, RGB(0, 0, 255)}};
  for (const Row& r : rows) {
    TMetafile mf;
    mf.SetWidth(24);
    mf.SetHeight(24);
    {
      TMetafileCanvas canvas(&mf, nullptr);
      canvas.Brush()->SetColor(clBlue);
      canvas.FillRect(TRect(0, 0, 24, 24));
      SetBkColor(canvas.Handle(), RGB(255, 255, 0));
      SetBkMode(canvas.Handle(), r.bkMode);
      SetBrushOrgEx(canvas.Handle(), 3, 2, nullptr);
      HBRUSH hatch = CreateHatchBrush(HS_CROSS, RGB(255, 0, 0));
      RECT box{0, 0, 24, 24};
      FillRect(canvas.Handle(), &box, hatch);
      DeleteObject(hatch);
    }
    ASSERT_TRUE(mf.Vectorizable());
    QImage vector = RenderSvg(SvgOf(mf), 24, 24);
    TBitmap replay(24, 24);
    replay.Canvas()->Draw(0, 0, &mf);
    for (int y = 0; y < 24; ++y)
      for (int x = 0; x < 24; ++x) {
        bool line = (x - 3) % 8 == 0 || (y - 2) % 8 == 0;
        COLORREF want = line ? RGB(255, 0, 0) : r.gap;
        ASSERT_EQ(replay.Dib()->PixelColor(x, y), want) << x << "," << y;
        QRgb got = vector.pixel(x, y);
        ASSERT_EQ(RGB(qRed(got), qGreen(got), qBlue(got)), want)
            << "svg " << x << "," << y << " mode " << r.bkMode;
      }
  }
}

TEST(Metafile, ClippedCallsStayInsideTheirClipInTheSvg) {
  // every kind of call (image, fills, line, text) under one clip, x 5..11
  TMetafile mf;
  mf.SetWidth(20);
  mf.SetHeight(24);
  auto picture = MakeGradient(20, 24);
  {
    TMetafileCanvas canvas(&mf, nullptr);
    HRGN clip = CreateRectRgn(5, 0, 12, 24);
    SelectClipRgn(canvas.Handle(), clip);
    DeleteObject(clip);
    canvas.Draw(0, 0, picture.get());
    for (int hatched = 0; hatched < 2; ++hatched) {
      HBRUSH b = hatched ? CreateHatchBrush(HS_VERTICAL, RGB(0, 0, 255))
                         : CreateSolidBrush(RGB(255, 0, 0));
      RECT box{0, hatched * 5, 20, hatched * 5 + 5};
      FillRect(canvas.Handle(), &box, b);
      DeleteObject(b);
    }
    canvas.Pen()->SetColor(clLime);
    canvas.Pen()->SetWidth(3);
    canvas.MoveTo(0, 5);
    canvas.LineTo(20, 5);
    canvas.Brush()->SetColor(clYellow); // an opaque text cell
    canvas.Font()->SetName("Arial");
    canvas.Font()->SetHeight(-12);
    canvas.TextOut(0, 10, "WWWW");
  }
  ASSERT_TRUE(mf.Vectorizable());
  QImage vector = RenderSvg(SvgOf(mf), 20, 24);
  for (int y = 0; y < 24; ++y)
    for (int x : {0, 1, 2, 3, 4, 12, 13, 15, 17, 19})
      ASSERT_EQ(vector.pixel(x, y), qRgb(255, 255, 255)) << "outside the clip " << x << "," << y;
  EXPECT_EQ(vector.pixel(8, 5), qRgb(0, 255, 0));
  EXPECT_EQ(vector.pixel(5, 2), qRgb(255, 0, 0));
  EXPECT_EQ(vector.pixel(11, 2), qRgb(255, 0, 0));
  EXPECT_EQ(vector.pixel(8, 7), qRgb(0, 0, 255)); // the hatch line at x = 8
  int yellow = 0, black = 0; // the cell and the glyphs (dark, whatever their smoothing)
  for (int y = 10; y < 22; ++y)
    for (int x = 5; x < 12; ++x) {
      yellow += vector.pixel(x, y) == qRgb(255, 255, 0);
      black += qRed(vector.pixel(x, y)) < 100 && qBlue(vector.pixel(x, y)) < 100;
    }
  EXPECT_GT(yellow, 0);
  EXPECT_GT(black, 0);
  EXPECT_NE(vector.pixel(8, 23), qRgb(255, 255, 255)); // the image below the text
}

TEST(Metafile, RasterOperationsSaveAsTheExactReplayImage) {
  TMetafile mf;
  mf.SetWidth(20);
  mf.SetHeight(10);
  {
    TMetafileCanvas canvas(&mf, nullptr);
    canvas.Brush()->SetColor(clRed);
    canvas.FillRect(TRect(0, 0, 10, 10));
    canvas.Pen()->SetMode(pmXor);
    canvas.Pen()->SetColor(clWhite);
    canvas.MoveTo(0, 5);
    canvas.LineTo(20, 5);
  }
  EXPECT_FALSE(mf.Vectorizable());
  QByteArray svg = SvgOf(mf);
  EXPECT_TRUE(svg.contains("<image"));
  QImage image = RenderSvg(svg, 20, 10);
  EXPECT_EQ(image.pixel(5, 2), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(5, 5), qRgb(0, 255, 255)); // red XOR white
  EXPECT_EQ(image.pixel(15, 5), qRgb(0, 0, 0));    // white XOR white
}

struct TPrinterFixture : testing::Test {
  void SetUp() override { previous = SetPrinter(std::make_unique<TPrinter>()); }
  void TearDown() override { SetPrinter(std::move(previous)); }
  std::unique_ptr<TPrinter> previous;
};

TEST_F(TPrinterFixture, PrintsPagesToAPdfOfThePageSize) {
  QTemporaryDir dir;
  TPrinter* p = Printer();
  std::string file = (dir.path() + "/job.pdf").toStdString();
  p->SetOutputFileName(file);
  p->SetTitle("Roads [North]");
  EXPECT_EQ(GetDeviceCaps(p->Handle(), HORZRES), 2480);
  EXPECT_EQ(GetDeviceCaps(p->Handle(), VERTRES), 3508);
  EXPECT_EQ(GetDeviceCaps(p->Handle(), LOGPIXELSY), 300);
  EXPECT_EQ(GetDeviceCaps(p->Handle(), PHYSICALWIDTH), 2480);
  EXPECT_EQ(p->Canvas()->Font()->PixelsPerInch(), 300);
  p->BeginDoc();
  EXPECT_EQ(p->PageNumber(), 1);
  EXPECT_TRUE(p->Printing());
  // the print probe: a zero-area path gives an (empty) region
  HDC dc = p->Canvas()->Handle();
  BeginPath(dc);
  LineTo(dc, 2, 2);
  EndPath(dc);
  HRGN probe = PathToRegion(dc);
  EXPECT_NE(probe, nullptr);
  DeleteObject(probe);
  p->Canvas()->Brush()->SetColor(clBlack);
  p->Canvas()->FillRect(TRect(100, 100, 200, 200));
  p->NewPage();
  p->NewPage();
  EXPECT_EQ(p->PageNumber(), 3);
  p->EndDoc();
  EXPECT_FALSE(p->Printing());
  ASSERT_EQ(p->PageCount(), 3);
  const std::uint8_t* px = p->Page(0)->Row(150) + 150 * 4;
  EXPECT_EQ(px[0] | px[1] | px[2], 0);
  EXPECT_FALSE(QFile::exists(QString::fromStdString(file + ".part")));
  QString info = QString::fromUtf8(RunTool("pdfinfo", {QString::fromStdString(file)}));
  EXPECT_TRUE(info.contains(QRegularExpression("Pages:\\s+3\\b"))) << info.toStdString();
  EXPECT_TRUE(
      info.contains(QRegularExpression("Page size:\\s+595(\\.\\d+)? x 84[12](\\.\\d+)? pts")))
      << info.toStdString();
}

TEST_F(TPrinterFixture, LandscapeSwapsTheSizesAndErrorsOutsideAJob) {
  TPrinter* p = Printer();
  p->SetOrientation(poLandscape);
  EXPECT_EQ(p->PageWidth(), 3508);
  EXPECT_EQ(p->PageHeight(), 2480);
  EXPECT_THROW(p->NewPage(), EPrinter);
  EXPECT_THROW(p->EndDoc(), EPrinter);
  p->Printers().clear();
  EXPECT_THROW(p->BeginDoc(), EPrinter);
  EXPECT_THROW(p->Canvas(), EPrinter);
  EXPECT_EQ(p->PrinterIndex(), -1);
}

} // namespace
