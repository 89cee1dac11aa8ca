// The MrSID and ECW layers over the fake decoder libraries: passwords, the
// zoom levels and strip windows asked for, the strip cache, band choice,
// failures of the library, and the library's lifecycle.
#include "tests/gis/raster/Jp2TestSupport.h"

#include "gis/core/GisDefsPasswords.h"
#include "gis/core/GisParams.h"
#include "gis/core/GisResource.h"

namespace jp2fake {

using jp2test::TDecoderTest;

std::uint8_t Pixel(long long x, long long y, int band) {
  return std::uint8_t((x * 3 + y * 5 + band * 70) & 0xFF);
}

/// The fake's switches and log, reached through a reference of our own.
struct TFakeControl {
  explicit TFakeControl(const std::string& library) {
    handle = ::dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    EXPECT_NE(handle, nullptr) << library;
  }
  ~TFakeControl() {
    if (handle) ::dlclose(handle);
  }
  template <class F> F Fn(const char* name) const {
    return reinterpret_cast<F>(::dlsym(handle, name));
  }
  std::string Log() const { return Fn<const char* (*)()>("FakeDecoder_Log")(); }
  void Clear() const { Fn<void (*)()>("FakeDecoder_ClearLog")(); }
  int Loads() const { return Fn<int (*)()>("FakeDecoder_StripLoads")(); }
  int LoadNumber() const { return Fn<int (*)()>("FakeDecoder_LoadNumber")(); }
  void SetInitFails(bool v) const { Fn<void (*)(int)>("FakeDecoder_SetInitFails")(v ? 1 : 0); }
  void* handle = nullptr;
};

std::string Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
    ++n;
  return IntToStr(n);
}

std::string OpenError(TGIS_LayerPixel& layer) {
  try {
    layer.Open();
  } catch (const EGIS_Exception& e) {
    return e.what();
  }
  return "opened";
}

class FakeDecoders : public TDecoderTest {
protected:
  void SetUp() override { UseLibraries(jp2test::kFakes); }
  std::string Image(const std::string& name, const std::string& text) {
    WriteFile(dir.File(name), text);
    return dir.File(name);
  }
  TTempFolder dir;
};

TEST_F(FakeDecoders, MrSIDPasswordsFromTheListTheEventAndWrongOnes) {
  const std::string path = Image("p.sid", "FAKE 40 30 3 1 1 secret");
  GisLayerPasswords().Clear();
  int asked = 0;
  auto answer = [&asked](const std::string& given) {
    return [&asked, given](TGIS_LayerAbstract*, const std::string& key, std::string& pw) {
      ++asked;
      EXPECT_EQ(key, "password");
      pw = given;
    };
  };
  {
    // remembered under the layer's name: the event is not asked
    GisLayerPasswords().Add("listed", "password", "secret");
    TGIS_LayerMrSID l;
    l.SetName("listed");
    l.SetPath(path);
    l.PasswordEvent = answer("unused");
    l.Open();
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(l.Width(), 40);
  }
  {
    // typed into the event, then remembered for the next open
    TGIS_LayerMrSID l;
    l.SetName("typed");
    l.SetPath(path);
    l.PasswordEvent = answer("secret");
    l.Open();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(GisLayerPasswords().Get("typed", "password"), "secret");
    TGIS_LayerMrSID again;
    again.SetName("typed");
    again.SetPath(path);
    again.PasswordEvent = answer("wrong");
    again.Open();
    EXPECT_EQ(asked, 1);
  }
  {
    // a wrong one is 0037 and is not remembered
    TGIS_LayerMrSID l;
    l.SetName("wrong");
    l.SetPath(path);
    l.PasswordEvent = answer("nope");
    const std::string e = OpenError(l);
    EXPECT_NE(e.find("is password protected"), std::string::npos) << e;
    EXPECT_EQ(GisLayerPasswords().Get("wrong", "password"), "");
    // without an event and a password it is a read failure
    TGIS_LayerMrSID none;
    none.SetName("none");
    none.SetPath(path);
    EXPECT_NE(OpenError(none).find("(code 0)"), std::string::npos);
  }
  GisLayerPasswords().Clear();
}

TEST_F(FakeDecoders, MrSIDZoomLevelsAndStripWindows) {
  const std::string path = Image("z.sid", "FAKE 800 600 3 1 1 -");
  TGIS_LayerMrSID l;
  l.SetPath(path);
  l.Open();
  TFakeControl fake(jp2test::kFakes + "/libvrkMrSID4.so");
  fake.Clear();
  EXPECT_EQ(l.RowsPerStrip(), 426); // 1,024,000 div 2,400
  // a quarter of full size: level 2, set once
  EXPECT_EQ(l.GetOverviewScale(800, 200), 0.25);
  EXPECT_EQ(l.GetOverviewScale(800, 200), 0.25);
  EXPECT_EQ(Count(fake.Log(), "SetZoom("), "1");
  EXPECT_NE(fake.Log().find("SetZoom(2);"), std::string::npos);
  EXPECT_EQ(l.RowsPerStrip(), 150);
  std::vector<std::uint8_t> row(800 * 3);
  // a strip that would pass the level's last row starts a row earlier
  ASSERT_EQ(l.ReadLine(row.data(), 149, 100 * 3, 50 * 3), 300);
  EXPECT_EQ(fake.Log(), "SetZoom(2);LoadStrip(148,2,50,100);");
  EXPECT_EQ(row[0], Pixel(50 << 2, 149 << 2, 0));
  // other columns: a new strip of the level's rows
  ASSERT_EQ(l.ReadLine(row.data(), 0, 200 * 3, 0), 600);
  ASSERT_EQ(l.ReadLine(row.data(), 7, 200 * 3, 0), 600); // from the cache
  EXPECT_EQ(fake.Loads(), 2);
  EXPECT_EQ(fake.Log(), "SetZoom(2);LoadStrip(148,2,50,100);LoadStrip(0,150,0,200);");
  for (int x = 0; x < 200; ++x)
    for (int k = 0; k < 3; ++k)
      ASSERT_EQ(row[std::size_t(3 * x + k)], Pixel(x << 2, 7 << 2, k)) << x;
  // past the level's rows nothing is read
  EXPECT_EQ(l.ReadLine(row.data(), 150, 300, 0), 0);
  // back at full size: level 0
  EXPECT_EQ(l.GetOverviewScale(800, 800), 1.0);
  EXPECT_NE(fake.Log().find("SetZoom(0);"), std::string::npos);
}

TEST_F(FakeDecoders, MrSIDBandChoice) {
  struct TCase {
    const char* Name;
    int Bands;
    int Red, Green, Blue;
    int OutRed, OutGreen, OutBlue; // fake band feeding each output byte; -1 black
    const char* SetBands;          // logged for colour space 8
  } cases[] = {
      {"defaults", 3, 0, 0, 0, 2, 1, 0, nullptr},
      {"as the defaults", 3, 3, 2, 1, 2, 1, 0, nullptr},
      {"reversed", 3, 1, 2, 3, 0, 1, 2, nullptr},
      {"blue above the count", 3, 3, 2, 9, 2, 1, 0, nullptr},
      {"red off", 3, -1, 2, 1, -1, 1, 0, nullptr},
      {"grey", 1, 0, 0, 0, 0, 0, 0, nullptr},
      {"five bands, defaults", 5, 0, 0, 0, 2, 1, 0, "SetBands(3,2,1);"},
      {"five bands, 5 4 1", 5, 5, 4, 1, 4, 3, 0, "SetBands(5,4,1);"},
  };
  TFakeControl fake(jp2test::kFakes + "/libvrkMrSID4.so");
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string path = Image("b.sid", "FAKE 20 10 " + IntToStr(c.Bands) + " 1 1 -");
    TGIS_LayerMrSID l;
    l.SetPath(path);
    l.Open();
    fake.Clear();
    l.PixelParams().SetRedBand(c.Red);
    l.PixelParams().SetGreenBand(c.Green);
    l.PixelParams().SetBlueBand(c.Blue);
    l.Prepare();
    if (c.SetBands) {
      EXPECT_NE(fake.Log().find(c.SetBands), std::string::npos) << fake.Log();
      EXPECT_EQ(l.ColorSpace(), 8);
    }
    l.GetOverviewScale(20, 20);
    std::vector<std::uint8_t> row(20 * 3);
    ASSERT_EQ(l.ReadLine(row.data(), 3, 60, 0), 60);
    const int from[3] = {c.OutBlue, c.OutGreen, c.OutRed};
    for (int x = 0; x < 20; ++x)
      for (int k = 0; k < 3; ++k) {
        const std::uint8_t want = from[k] < 0 ? 0 : Pixel(x, 3, from[k]);
        ASSERT_EQ(row[std::size_t(3 * x + k)], want) << "x " << x << " byte " << k;
      }
  }
  // a chosen grid band: grid mode with that band in all three bytes
  const std::string path = Image("g.sid", "FAKE 20 10 3 1 1 -");
  TGIS_LayerMrSID l;
  l.SetPath(path);
  l.Open();
  l.PixelParams().SetGridBand(2);
  l.Prepare();
  EXPECT_TRUE(l.IsGrid());
  EXPECT_EQ(l.OutputBands(), (std::array<int, 3>{1, 1, 1}));
}

TEST_F(FakeDecoders, LibraryFailuresAreCodeZero) {
  const std::string path = Image("f.sid", "FAKE 20 10 3 1 1 -");
  const std::string ecwPath = Image("f.ecw", "FAKE 20 10 3 1 1 -");
  {
    // no library in the search folder (nor beside the program or on the path)
    TTempFolder empty;
    UseLibraries(empty.path.string());
    TGIS_LayerMrSID l;
    l.SetPath(path);
    const std::string e = OpenError(l);
    EXPECT_NE(e.find("\"vrkMrSID4.dll\" (code 0)"), std::string::npos) << e;
    TGIS_LayerECW w;
    w.SetPath(ecwPath);
    EXPECT_NE(OpenError(w).find("\"NCSEcw.dll\" (code 0)"), std::string::npos);
  }
  {
    // an entry point missing
    UseLibraries(jp2test::kFakesMissingEntry);
    TGIS_LayerMrSID l;
    l.SetPath(path);
    EXPECT_NE(OpenError(l).find("\"vrkMrSID4.dll\" (code 0)"), std::string::npos);
    TGIS_LayerECW w;
    w.SetPath(ecwPath);
    EXPECT_NE(OpenError(w).find("\"NCSEcw.dll\" (code 0)"), std::string::npos);
  }
  {
    // the library refuses the image
    UseLibraries(jp2test::kFakes);
    TFakeControl fake(jp2test::kFakes + "/libvrkMrSID4.so");
    fake.SetInitFails(true);
    TGIS_LayerMrSID l;
    l.SetPath(path);
    const std::string e = OpenError(l);
    EXPECT_NE(e.find(path + "\" (code 0)"), std::string::npos) << e;
    fake.SetInitFails(false);
  }
}

TEST_F(FakeDecoders, ECWWindowsStripsAndScrolling) {
  const std::string path = Image("e.ecw", "FAKE 1000 800 3 1 2 -");
  TGIS_LayerECW l;
  l.SetPath(path);
  l.Open();
  EXPECT_EQ(l.Units().Type(), gisUnitsDegreeDecimal);
  EXPECT_DOUBLE_EQ(l.PixelSizeX(), 0.5);
  EXPECT_DOUBLE_EQ(l.PixelSizeY(), -0.25);
  EXPECT_DOUBLE_EQ(l.Extent().XMax - l.Extent().XMin, 500);
  EXPECT_DOUBLE_EQ(l.Extent().YMax - l.Extent().YMin, 200);
  l.WakeUp();
  EXPECT_LE(l.StripBytes(), 1024000);
  EXPECT_EQ(l.StripBytes(), 3000 * 341);
  EXPECT_NE(l.InfoText().find("Enhanced Compression Wavelet Format (ECW)\r\n1000 x 800; 24 bit; 3 band(s)"),
            std::string::npos);
  TFakeControl fake(jp2test::kFakes + "/libNCSEcw.so");
  fake.Clear();
  // a quarter of full size asks for a window four times the strip
  EXPECT_EQ(l.GetOverviewScale(1000, 250), 0.25);
  std::vector<std::uint8_t> row(1000 * 3);
  ASSERT_EQ(l.ReadLine(row.data(), 0, 250 * 3, 0), 750);
  EXPECT_EQ(fake.Log(), "SetFileView(3,0,0,996,799,250,200);");
  // scrolling up decodes only the rows above the cached strip
  EXPECT_EQ(l.GetOverviewScale(1000, 1000), 1.0);
  fake.Clear();
  ASSERT_EQ(l.ReadLine(row.data(), 400, 100 * 3, 0), 300);
  EXPECT_EQ(fake.Log(), "SetFileView(3,0,400,99,738,100,339);");
  ASSERT_EQ(l.ReadLine(row.data(), 399, 100 * 3, 0), 300);
  EXPECT_EQ(fake.Log(), "SetFileView(3,0,400,99,738,100,339);SetFileView(3,0,0,99,399,100,400);");
  for (int x = 0; x < 100; ++x)
    for (int k = 0; k < 3; ++k)
      ASSERT_EQ(row[std::size_t(3 * x + k)], Pixel(x, 399, k));
  ASSERT_EQ(l.ReadLine(row.data(), 738, 100 * 3, 0), 300); // still cached
  EXPECT_EQ(fake.Loads(), 2);
  EXPECT_EQ(row[5], Pixel(1, 738, 2));
}

TEST_F(FakeDecoders, OneLibraryLoadForAllLayersAndVeryWideImages) {
  const std::string path = Image("w.sid", "FAKE 400000 3 3 1 1 -");
  const std::string so = jp2test::kFakes + "/libvrkMrSID4.so";
  int firstLoad = 0;
  {
    auto a = std::make_unique<TGIS_LayerMrSID>();
    a->SetPath(path);
    a->Open();
    EXPECT_TRUE(TGIS_LayerMrSID::LibraryLoaded());
    {
      TFakeControl fake(so);
      firstLoad = fake.LoadNumber();
    }
    auto b = std::make_unique<TGIS_LayerMrSID>();
    b->SetPath(path);
    b->Open();
    EXPECT_EQ(TGIS_LayerMrSID::InstanceCount(), 2);
    {
      TFakeControl fake(so);
      EXPECT_EQ(fake.LoadNumber(), firstLoad) << "the library was loaded again";
    }
    // a row wider than the strip limit still reads (one row a strip)
    EXPECT_EQ(b->RowsPerStrip(), 1);
    std::vector<std::uint8_t> row(30);
    ASSERT_EQ(b->ReadLine(row.data(), 2, 30, 399990 * 3), 30);
    EXPECT_EQ(row[0], Pixel(399990, 2, 0));
    a.reset();
    EXPECT_TRUE(jp2test::IsMapped(so));
    b.reset();
  }
  EXPECT_FALSE(jp2test::IsMapped(so));
  EXPECT_FALSE(TGIS_LayerMrSID::LibraryLoaded());
}

} // namespace jp2fake
