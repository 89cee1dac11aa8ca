// Degrees to global Web-Mercator pixels and back, and the world file rewrite.
#include "app/WebMercator.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Strings.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

struct TPixelCase {
  int Zoom;
  double Lat, Lon;
  double X, Y;
};

// Exact values where the formulas give them; else the reference computed
// separately with a tolerance.
const TPixelCase kPixelCases[] = {
    {0, 0, 0, 128, 128},
    {1, 0, -180, 0, 256},
    {1, 0, 180, 512, 256},
    {6, 46, 14, 8829.155555555555, 5828.80094339771},
    {6, 0, 14, 8829.155555555555, 8192},
};

TEST(WebMercator, LatLonToPixelTable) {
  for (const TPixelCase& c : kPixelCases) {
    const TGlobalPixel p = LatLonToPixel(c.Zoom, c.Lat, c.Lon);
    EXPECT_NEAR(static_cast<double>(p.X), c.X, 1e-9) << "row " << (&c - kPixelCases);
    EXPECT_NEAR(static_cast<double>(p.Y), c.Y, 1e-9) << "row " << (&c - kPixelCases);
  }
}

TEST(WebMercator, NorthernLatitudesLieAboveTheEquator) {
  EXPECT_LT(LatLonToPixel(6, 46, 14).Y, 8192);
  EXPECT_GT(LatLonToPixel(6, -46, 14).Y, 8192);
}

TEST(WebMercator, RoundTripWithinRounding) {
  for (int zoom = 0; zoom <= 22; ++zoom)
    for (double lat = -85; lat <= 85; lat += 8.5)
      for (double lon = -180; lon <= 180; lon += 22.5) {
        const TGlobalPixel p = LatLonToPixel(zoom, lat, lon);
        const TLatLon back = PixelToLatLon(zoom, p.X, p.Y);
        const TGlobalPixel again = LatLonToPixel(zoom, back.Lat, back.Lon);
        ASSERT_NEAR(static_cast<double>(back.Lat), lat, 1e-9) << zoom;
        ASSERT_NEAR(static_cast<double>(back.Lon), lon, 1e-9) << zoom;
        ASSERT_NEAR(static_cast<double>(again.X - p.X), 0, 1e-9) << zoom;
        ASSERT_NEAR(static_cast<double>(again.Y - p.Y), 0, 1e-9) << zoom;
      }
}

/// The spherical Mercator metres of lon/lat from cs2cs (empty without it).
std::string Cs2csMercator(const std::string& lonLat) {
  const std::string command =
      "echo '" + lonLat +
      "' | cs2cs +proj=longlat +datum=WGS84 +to +proj=merc +a=6378137 +b=6378137 +k=1 "
      "+units=m +no_defs -f %.6f 2>/dev/null";
  std::string out;
  if (FILE* p = ::popen(command.c_str(), "r")) {
    char buf[256];
    while (std::fgets(buf, sizeof buf, p))
      out += buf;
    ::pclose(p);
  }
  return out;
}

TEST(WebMercator, AgreesWithCs2csSphericalMercator) {
  const double r = 6378137.0, halfWorld = 3.14159265358979323846 * r;
  struct TSpot {
    const char* LonLat;
    double Lon, Lat;
  };
  for (const TSpot s : {TSpot{"14 46", 14, 46}, TSpot{"-122.5 37.75", -122.5, 37.75},
                        TSpot{"151.2 -33.9", 151.2, -33.9}, TSpot{"0 84", 0, 84}}) {
    const std::string out = Cs2csMercator(s.LonLat);
    if (out.empty()) GTEST_SKIP() << "cs2cs is not installed";
    TStringList fields;
    fields.SetText(
        StringReplace(StringReplace(out, "\t", "\n", {rfReplaceAll}), " ", "\n", {rfReplaceAll}));
    ASSERT_GE(fields.Count(), 2) << out;
    const double x = StrToFloat(Trim(fields[0])), y = StrToFloat(Trim(fields[1]));
    for (int zoom : {0, 6, 18}) {
      const double size = 256.0 * (1 << zoom);
      const TGlobalPixel p = LatLonToPixel(zoom, s.Lat, s.Lon);
      const double millimetre = 1e-3 * size / (2 * halfWorld); // in pixels
      EXPECT_NEAR(static_cast<double>(p.X), (x / halfWorld + 1) / 2 * size, millimetre) << s.LonLat;
      EXPECT_NEAR(static_cast<double>(p.Y), (1 - y / halfWorld) / 2 * size, millimetre) << s.LonLat;
    }
  }
}

const char* const kWorldFileWithExtraLine = "1\r\n0\r\n0\r\n-1\r\n0\r\n0\r\nkept line\r\n";

TEST(WorldFile, RewritesLinesFiveAndSixOnly) {
  sktest::TTempDir dir("app-jgw");
  const std::string file = dir.Write("image1.jgw", kWorldFileWithExtraLine);
  const TGlobalPixel topLeft = RewriteWorldFile(file, 6, 46, 14, 796, 613);
  EXPECT_EQ(sktest::TTempDir::Read(file),
            "1\r\n0\r\n0\r\n-1\r\n8431.15555555556\r\n5522.30094339771\r\nkept line\r\n");
  const TGlobalPixel centre = LatLonToPixel(6, 46, 14);
  EXPECT_EQ(topLeft.X, centre.X - 398);
  EXPECT_EQ(topLeft.Y, centre.Y - 306.5L);
}

TEST(WorldFile, RefusedRewritesLeaveTheFileAsItWas) {
  sktest::TTempDir dir("app-jgw");
  const std::string missing = dir / "image1.jgw";
  EXPECT_THROW(RewriteWorldFile(missing, 6, 46, 14, 796, 613), Exception);
  EXPECT_FALSE(std::filesystem::exists(missing));

  const std::string shortFile = dir.Write("short.jgw", "1\r\n0\r\n0\r\n-1\r\n5\r\n");
  EXPECT_THROW(RewriteWorldFile(shortFile, 6, 46, 14, 796, 613), Exception);
  EXPECT_EQ(sktest::TTempDir::Read(shortFile), "1\r\n0\r\n0\r\n-1\r\n5\r\n");

  // A latitude of 90 lies outside the frame: no "INF" is written, and a later
  // valid position rewrites the file as usual.
  const std::string file = dir.Write("image1.jgw", kWorldFileWithExtraLine);
  EXPECT_THROW(RewriteWorldFile(file, 6, 90, 14, 796, 613), Exception);
  EXPECT_EQ(sktest::TTempDir::Read(file), kWorldFileWithExtraLine);
  RewriteWorldFile(file, 6, 46, 14, 796, 613);
  EXPECT_NE(sktest::TTempDir::Read(file).find("8431.15555555556"), std::string::npos);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                          std::filesystem::directory_iterator()),
            2); // no temporary file left behind
}

} // namespace
