// A fake of both external raster decoder libraries for the layers' tests.
// An "image" is a text file: "FAKE width height bands dataType units
// password" ("-" for none; the password to give is "secret"). A pixel of
// band b at full-resolution (x, y) is FakePixel(x, y, b). The fake logs
// the calls that matter (SetZoom, LoadStrip, SetBands, SetFileView) and
// counts strip loads; the test reaches the log and the switches through
// the FakeDecoder_* entry points. Built twice: whole, and without one
// entry point of each library (SK_FAKE_MISSING_ENTRY).
#include "platform/decoders/ExternalDecoders.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>

namespace {

/// Decimal text of an integer (the fake links none of the runtime).
std::string Num(long long v) {
  if (v == 0) return "0";
  const bool negative = v < 0;
  unsigned long long u = negative ? 0ull - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
  std::string s;
  while (u > 0) {
    s.insert(s.begin(), char('0' + u % 10));
    u /= 10;
  }
  return negative ? "-" + s : s;
}

struct TFakeImage {
  int Width = 0, Height = 0, Bands = 3, DataType = 1, Units = 1;
  std::string Password;
  int Level = 0;
  std::uint8_t* Buffer = nullptr;
  int Bands3[3] = {0, 1, 2}; // band of delivered byte 0, 1, 2
  int GridBand = 0;
  TECW_FileInfo Info{};
  // the ECW view
  std::uint32_t Left = 0, Top = 0, W = 0, H = 0, Columns = 0, Rows = 0, Next = 0;
};

std::string& Log() {
  static std::string log;
  return log;
}
int& StripLoads() {
  static int n = 0;
  return n;
}
bool& InitFails() {
  static bool fails = false;
  return fails;
}
std::map<int, std::unique_ptr<TFakeImage>>& Images() {
  static std::map<int, std::unique_ptr<TFakeImage>> images;
  return images;
}

int FakeLoadNumber() {
  static const int number = [] {
    const char* v = std::getenv("SK_FAKE_DECODER_LOADS");
    int n = 0;
    for (const char* p = v; p && *p >= '0' && *p <= '9'; ++p)
      n = n * 10 + (*p - '0');
    ++n;
    ::setenv("SK_FAKE_DECODER_LOADS", Num(n).c_str(), 1);
    return n;
  }();
  return number;
}
[[maybe_unused]] const int kLoadNumber = FakeLoadNumber();

void Note(const std::string& s) { Log() += s + ";"; }



std::unique_ptr<TFakeImage> ReadFake(const char* path) {
  std::ifstream f(path);
  std::string tag, password;
  auto im = std::make_unique<TFakeImage>();
  if (!(f >> tag >> im->Width >> im->Height >> im->Bands >> im->DataType >> im->Units >> password) ||
      tag != "FAKE")
    return nullptr;
  im->Password = password == "-" ? "" : password;
  return im;
}

TFakeImage* Find(int h) {
  const auto it = Images().find(h);
  return it == Images().end() ? nullptr : it->second.get();
}

} // namespace

extern "C" {

std::uint8_t FakePixel(long long x, long long y, int band) {
  return std::uint8_t((x * 3 + y * 5 + band * 70) & 0xFF);
}

// ---- control --------------------------------------------------------------------------------
const char* FakeDecoder_Log() { return Log().c_str(); }
void FakeDecoder_ClearLog() { Log().clear(); StripLoads() = 0; }
int FakeDecoder_StripLoads() { return StripLoads(); }
void FakeDecoder_SetInitFails(int fails) { InitFails() = fails != 0; }
int FakeDecoder_LoadNumber() { return kLoadNumber; }
int FakeDecoder_OpenImages() { return int(Images().size()); }

// ---- vrkMrSID4 ------------------------------------------------------------------------------
int vrkMrSID_InitSID(const char* path, const char* password) {
  if (InitFails()) return -1;
  auto im = ReadFake(path);
  if (!im) return -1;
  if (!im->Password.empty() && (!password || im->Password != password)) return -2;
  static int next = 1;
  Images()[next] = std::move(im);
  return next++;
}
void vrkMrSID_FreeSID(int h) { Images().erase(h); }
int vrkMrSID_ImageWidth(int h) { return Find(h) ? Find(h)->Width : 0; }
int vrkMrSID_ImageHeight(int h) { return Find(h) ? Find(h)->Height : 0; }
int vrkMrSID_NumBands(int h) { return Find(h) ? Find(h)->Bands : 0; }
int vrkMrSID_ColorSpace(int h) {
  const TFakeImage* im = Find(h);
  return !im ? 0 : im->Bands > 3 ? 8 : im->Bands == 3 ? 3 : 1;
}
int vrkMrSID_DataType(int h) { return Find(h) ? Find(h)->DataType : 0; }
double vrkMrSID_ImageResX(int) { return 2.0; }
double vrkMrSID_ImageResY(int) { return 2.0; }
double vrkMrSID_ImageOriginX(int) { return 1000.0; }
double vrkMrSID_ImageOriginY(int) { return 5000.0; }
int vrkMrSID_MaxZoomLevel(int) { return 5; }
int vrkMrSID_SetZoom(int h, int level) {
  Note("SetZoom(" + Num(level) + ")");
  if (TFakeImage* im = Find(h)) im->Level = level;
  return level;
}
void vrkMrSID_SetBuffer(int h, void* buffer) {
  if (TFakeImage* im = Find(h)) im->Buffer = static_cast<std::uint8_t*>(buffer);
}
int vrkMrSID_LoadStrip(int h, int firstRow, int rowCount, int firstColumn, int columnCount) {
  TFakeImage* im = Find(h);
  if (!im || !im->Buffer) return -1;
  ++StripLoads();
  Note("LoadStrip(" + Num(firstRow) + "," + Num(rowCount) + "," +
       Num(firstColumn) + "," + Num(columnCount) + ")");
  const bool grid = im->Bands == 1 && im->DataType != 1;
  for (int r = 0; r < rowCount; ++r)
    for (int c = 0; c < columnCount; ++c) {
      const long long x = (long long)(firstColumn + c) << im->Level;
      const long long y = (long long)(firstRow + r) << im->Level;
      if (grid) {
        const std::uint16_t v = std::uint16_t(x + 10 * y);
        std::memcpy(im->Buffer + (std::size_t(r) * columnCount + c) * 2, &v, 2);
      } else {
        std::uint8_t* p = im->Buffer + (std::size_t(r) * columnCount + c) * 3;
        for (int k = 0; k < 3; ++k)
          p[k] = im->Bands3[k] < 0 ? 0 : FakePixel(x, y, im->Bands3[k]);
      }
    }
  return 0;
}
void vrkMrSID_SetBands(int h, std::int16_t red, std::int16_t green, std::int16_t blue) {
  Note("SetBands(" + Num(red) + "," + Num(green) + "," + Num(blue) + ")");
  if (TFakeImage* im = Find(h)) {
    im->Bands3[0] = blue - 1;
    im->Bands3[1] = green - 1;
    im->Bands3[2] = red - 1;
  }
}
#ifndef SK_FAKE_MISSING_ENTRY
void vrkMrSID_SetGridBand(int h, std::int16_t band) {
  if (TFakeImage* im = Find(h)) im->GridBand = band;
}
#endif
double vrkMrSID_MinValue(int) { return 0; }
double vrkMrSID_MaxValue(int) { return 1000; }
double vrkMrSID_NoDataValue(int) { return -3.4e38; }
void* vrkMrSID_GetMetadata() { return nullptr; }

// ---- NCSEcw ---------------------------------------------------------------------------------
int NCScbmOpenFileView(const char* path, void** view, void*) {
  auto im = ReadFake(path);
  if (!im || !view) return 1;
  im->Info.Width = std::uint32_t(im->Width);
  im->Info.Height = std::uint32_t(im->Height);
  im->Info.Bands = std::uint16_t(im->Bands);
  im->Info.CompressionRate = 10;
  im->Info.CellUnits = im->Units;
  im->Info.CellIncrementX = 0.5;
  im->Info.CellIncrementY = 0.25;
  im->Info.OriginX = 100;
  im->Info.OriginY = 200;
  *view = im.release();
  return 0;
}
int NCScbmCloseFileView(void* view) {
  delete static_cast<TFakeImage*>(view);
  return 0;
}
int NCScbmGetViewFileInfo(void* view, TECW_FileInfo** info) {
  *info = &static_cast<TFakeImage*>(view)->Info;
  return 0;
}
#ifndef SK_FAKE_MISSING_ENTRY
int NCScbmSetFileView(void* view, std::uint32_t bandCount, std::uint32_t*, std::uint32_t tlx,
                      std::uint32_t tly, std::uint32_t brx, std::uint32_t bry, std::uint32_t columns,
                      std::uint32_t rows) {
  auto* im = static_cast<TFakeImage*>(view);
  Note("SetFileView(" + Num(bandCount) + "," + Num(tlx) + "," +
       Num(tly) + "," + Num(brx) + "," + Num(bry) + "," +
       Num(columns) + "," + Num(rows) + ")");
  ++StripLoads();
  if (brx < tlx || bry < tly || columns == 0 || rows == 0 || brx >= std::uint32_t(im->Width) ||
      bry >= std::uint32_t(im->Height))
    return 1;
  im->Left = tlx, im->Top = tly, im->W = brx - tlx + 1, im->H = bry - tly + 1;
  im->Columns = columns, im->Rows = rows, im->Next = 0;
  return 0;
}
#endif
int NCScbmReadViewLineBGR(void* view, std::uint8_t* line) {
  auto* im = static_cast<TFakeImage*>(view);
  if (im->Next >= im->Rows) return 1;
  const std::uint32_t j = im->Next++;
  const long long y = im->Top + (2LL * j + 1) * im->H / (2LL * im->Rows);
  for (std::uint32_t i = 0; i < im->Columns; ++i) {
    const long long x = im->Left + (2LL * i + 1) * im->W / (2LL * im->Columns);
    for (int k = 0; k < 3; ++k)
      line[3 * i + k] = FakePixel(x, y, k);
  }
  return 0;
}

} // extern "C"
