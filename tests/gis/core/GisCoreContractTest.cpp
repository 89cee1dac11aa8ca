// What the coordinate systems, the format readers, the database layers and the
// pixel stores rely on of the kernel's foundation: one test per service they
// name, so that a rename or a change of behaviour breaks here first.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "GisCoreTestSupport.h"
#include "gis/core/GisDefs.h"
#include "gis/core/GisIni.h"
#include "gis/core/GisKeywords.h"
#include "gis/core/GisResource.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"
#include "tests/support/TempDir.h"

namespace fs = std::filesystem;

namespace {

using Contract = GisCoreTest;

TEST_F(Contract, MessageTextsQuotedByTheirUsers) {
  struct Row {
    const std::string* text;
    const char* expected;
  };
  const Row rows[] = {
      {&GIS_RS_ERR_UNIMPLEMENTED, "0001 Unimplemented feature"},
      {&GIS_RS_ERR_UNTESTED, "0002 Untested case"},
      {&GIS_RS_ERR_INI_PARAMS, "0003 Ini params are incorrect"},
      {&GIS_RS_ERR_WRONGFIELD, "0011 Wrong or incompatible field type"},
      {&GIS_RS_ERR_FILEMAPPING, "0030 Error during mapping file \"%s\" (code %d)"},
      {&GIS_RS_ERR_FILEREAD, "0031 Error during reading file \"%s\" (code %d)"},
      {&GIS_RS_ERR_FILEWRITE, "0032 Error during writing file \"%s\" (code %d)"},
      {&GIS_RS_ERR_FILEEXIST, "0033 File \"%s\" already exist"},
      {&GIS_RS_ERR_FILEBADFORMAT, "0034 File \"%s\" has wrong format or was corrupted"},
      {&GIS_RS_ERR_FIELDEXIST, "0050 Field \"%s\" already exist"},
      {&GIS_RS_ERR_FIELDNOEXIST, "0051 Field \"%s\" does not exist or is marked as deleted"},
      {&GIS_RS_ERR_FIELDREADONLY, "0052 Field \"%s\" is readonly"},
      {&GIS_RS_ERR_LAYERNOEXIST, "0081 Layer \"%s\" does not exist"},
      {&GIS_RS_ERR_LAYERSQLERROR, "0085 Can not connect to SQL based layer: %s"},
      {&GIS_RS_ERR_TXTFILESTRUCT, "0090 File structure error in file \"%s\" as line %d"},
      {&GIS_RS_ERR_E00ENTRY, "0091 File \"%s\" has no entry: "},
      {&GIS_RS_ERR_BADPARAM, "0110 Invalid parameter \"%s\""},
      {&GIS_RS_ERR_BADPIXELFORMAT, "0120 Unsupported pixel format (color depth)"},
      {&GIS_RS_ERR_UNSUPPORTEDFEATURE, "0145 Unsupported feature %s (%d)"},
      {&GIS_RS_ERR_UNSUPPORTEDDIALECT, "0146 Unsupported dialect %s"},
      {&GIS_RS_ERR_PIXELSTORE_WRONGSOURCE,
       "0160 Source bitmap must be the same size as CellSize of the PixelStore"},
      {&GIS_RS_ERR_ELLIPSOID_NOEXIST, "0200 Ellipsoid \"%s\" not found"},
      {&GIS_RS_ERR_LATITUDE_INVALID, "0210 Latitude %s out of scope"},
      {&GIS_RS_ERR_LONGITUDE_INVALID, "0211 Longitude %s out of scope"},
      {&GIS_RS_ERR_EASTING_INVALID, "0215 Easting %s out of scope"},
      {&GIS_RS_ERR_NORTHING_INVALID, "0216 Northing %s out of scope"},
      {&GIS_RS_ERR_ORIGINLATITUDE_INVALID, "0220 Origin latitide %s out of scope"},
      {&GIS_RS_ERR_LATITUDEPOINT12_INVALID, "0223 Latitude of Point 1 & 2 to close"},
      {&GIS_RS_ERR_ZONE_INVALID, "0225 Zone \"%s%d\" out of scope"},
      {&GIS_RS_ERR_ZONE_OVERRIDEERROR, "0226 Zone \"%s%d\" override error"},
      {&GIS_RS_ERR_COORDINATES_INVALID, "0230 Coordinates not valid for the current datum"},
      {&GIS_RS_ERR_PRJ_NOTSOLVABELE, "0235 Projection is not solvable for current parameters"},
      {&GIS_RS_ERR_PRJ_DISTORTED, "0236 Result will be distorted for current parameters"},
      {&GIS_RS_ERR_LATITUDE_FIXED, "0240 Latitude out of scope - corrected."},
      {&GIS_RS_ERR_LONGITUDE_FIXED, "0241 Longitude out of scope - corrected."},
      {&GIS_RS_ERR_NORTHING_FIXED, "0242 Northing out of scope - corrected."},
      {&GIS_RS_ERR_EASTING_FIXED, "0243 Easting out of scope - corrected."},
      {&GIS_RS_ERR_ORIGINLATITUDE_FIXED, "0244 Origin lattitude out of scope - corrected."},
      {&GIS_RS_ERR_CENTRALMERIDIAN_FIXED, "0245 Standard meridian out of scope - corrected."},
      {&GIS_RS_ERR_STANDARDPARALLEL_1_FIXED,
       "0246 First standard parallel out of scope - corrected."},
      {&GIS_RS_ERR_STANDARDPARALLEL_2_FIXED,
       "0247 Second standard parallel out of scope - corrected."},
      {&GIS_RS_ERR_SCALEFACTOR_FIXED, "0248 Scale factor out of scope - corrected."},
  };
  for (const auto& r : rows)
    EXPECT_EQ(*r.text, r.expected);
}

TEST_F(Contract, ExceptionWithEmptyTextAndZeroValue) {
  // The projections always pass '' and 0: "%s" vanishes, "%d" gives 0.
  const EGIS_Exception lat(GIS_RS_ERR_ORIGINLATITUDE_INVALID, "", 0);
  EXPECT_EQ(lat.Message(), "0220 Origin latitide  out of scope");
  EXPECT_EQ(lat.ErrorNumber(), 22);
  const EGIS_Exception zone(GIS_RS_ERR_ZONE_INVALID, "", 61);
  EXPECT_EQ(zone.Message(), "0225 Zone \"61\" out of scope");
  const EGIS_Exception read(GIS_RS_ERR_FILEREAD, "/data/a.tif", 3);
  EXPECT_EQ(read.Message(), "0031 Error during reading file \"/data/a.tif\" (code 3)");
  EXPECT_EQ(read.ErrorNumber(), 3);
  EXPECT_EQ(read.ErrorText(), "/data/a.tif");
  EXPECT_EQ(read.ErrorValue(), 3);
}

TEST_F(Contract, IniTypedAccessInTheCallersSection) {
  const sktest::TTempDir temp("gis-contract");
  const fs::path file = temp / "contract.ini";
  {
    std::ofstream(file) << "[Vornakel Layer]\nProjection.Code=nil\n[Other]\nDatum.Code=WGS84\n"
                           "Datum.Bad=abc\nDatum.Comma=0,5\nZone=RENDER\n";
  }
  TGIS_Ini ini(nullptr, file.string());
  EXPECT_EQ(ini.Section(), "Vornakel Layer");
  EXPECT_EQ(ini.ReadString("Projection.Code", "def"), "def"); // "nil" reads as missing
  ini.SelectSectionByName("Other");                           // chosen by the caller
  EXPECT_EQ(ini.ReadString("Datum.Code", ""), "WGS84");
  EXPECT_EQ(ini.ReadFloat("Datum.Bad", 7), 7);
  EXPECT_EQ(ini.ReadFloat("Datum.Comma", 7), 0.5);
  EXPECT_EQ(ini.ReadInteger("Zone", 0), GIS_RENDER_SIZE);
  EXPECT_EQ(ini.ReadInteger("Datum.Bad", 4), 4);
  FormatSettings().DecimalSeparator = ',';
  ini.WriteFloat("Datum.Scale", 0.25);
  ini.WriteInteger("Datum.Count", -3);
  ini.WriteString("Datum.Description", "a\\b");
  EXPECT_TRUE(ini.Changed());
  EXPECT_EQ(ini.ReadRaw("Datum.Scale"), "0.25");
  EXPECT_EQ(ini.ReadRaw("Datum.Count"), "-3");
  EXPECT_EQ(ini.ReadRaw("Datum.Description"), "a\\\\b");
  fs::remove(file);
}

TEST_F(Contract, RecordsAndExtentHelpers) {
  EXPECT_TRUE(GisIsSamePoint(GisPoint(1, 2), {1, 2}));
  EXPECT_TRUE(GisIsSameExtent(GisExtent(1, 2, 3, 4), {1, 2, 3, 4}));
  EXPECT_TRUE(GisIsEmptyExtent(GisEmptyExtent()));
  EXPECT_TRUE(GisIsEmptyExtent3D(GisEmptyExtent3D()));
  EXPECT_TRUE(GisIsWholeWorld(GisWholeWorldExtent()));
  EXPECT_TRUE(GisIsSameExtent(GisExtentUnion(GisEmptyExtent(), {0, 0, 1, 1}), {0, 0, 1, 1}));
  EXPECT_TRUE(GisIsSameExtent(GisExtentIntersection({0, 0, 1, 1}, {2, 2, 3, 3}), {0, 0, 0, 0}));
  EXPECT_TRUE(GisIsExtentIntersecting({0, 0, 1, 1}, {1, 1, 2, 2}));
  EXPECT_EQ(GisPointDistance({0, 0}, {3, 4}), 5);
  EXPECT_EQ(GisMax(1, 2), 2);
  EXPECT_EQ(GisNonBlackColor(0), 0x010101u);
}

TEST_F(Contract, PathAndFileHelpers) {
  EXPECT_EQ(GisPathAbsolute("", ""), "");
  EXPECT_EQ(GisPathAbsolute("/x", "ftp://a/b"), "ftp://a/b");
  EXPECT_EQ(GisPathWithoutExt(" /d/roads.shp "), "/d/roads");
  EXPECT_EQ(GisFileNameWithoutExt("c:\\d/roads.shp"), "roads");
  EXPECT_EQ(GisTempFileName("/d/roads.shp"), "/d/roads.shp~tmp");
  EXPECT_EQ(GisBackupFileName("/d/roads.shp"), "/d/roads.~shp");
  EXPECT_EQ(GisBackupFileName("/d/roads"), "/d/roads.~");
  EXPECT_EQ(GisCommonFilesDir().substr(GisCommonFilesDir().size() - 9), "/Vornakel");
  int* owned = new int(5);
  GisFreeObject(owned);
  EXPECT_EQ(owned, nullptr);
  GisFreeObject(owned); // a null variable is fine
  auto unique = std::make_unique<int>(1);
  GisFreeObject(unique);
  EXPECT_EQ(unique, nullptr);
}

TEST_F(Contract, TextNumberAndCodePageHelpers) {
  EXPECT_EQ(GisStrToFloat("2,5"), 2.5);
  EXPECT_THROW(GisStrToFloat("x"), EConvertError);
  FormatSettings().DecimalSeparator = ',';
  EXPECT_EQ(GisFloatToStr(2.5), "2.5");
  EXPECT_TRUE(GisStrToBoolean("TRUE", false));
  EXPECT_TRUE(GisStrToBoolean("nil", true));
  EXPECT_EQ(GisStrToSize("RENDER", 0), GIS_RENDER_SIZE);
  EXPECT_EQ(GisStrToSize("nil", 9), 9);
  EXPECT_EQ(GisEscapeStr("a\r\nb\\"), "a\\nb\\\\");
  EXPECT_EQ(GisUnescapeStr("nil", "d"), "d");
  EXPECT_EQ(GisDequote(" 'x' ", '\''), "x");
  EXPECT_GE(GisTickCount(), 0);
  EXPECT_EQ(GisConvertCodePage("\xe8", 1250, 1250), "\xe8");
  EXPECT_EQ(GisWideToString(GisStringToWide("\xe8", 1250), 65001), "\xc4\x8d");
}

TEST_F(Contract, TokenizerHashListPasswordsUnitsAndLabelPositions) {
  TGIS_Tokenizer t;
  t.Execute(" 'a',\"b\" ,c", ",", true);
  ASSERT_EQ(t.Result().Count(), 3);
  EXPECT_EQ(t.Result()[0], "a");
  EXPECT_EQ(t.Result()[1], "b");
  t.ExecuteFields(" x,,y", ',', '"');
  EXPECT_EQ(t.Result().Count(), 3);

  TGIS_HashList hash;
  int object = 0;
  hash.Add(Variant("k"), &object);
  EXPECT_EQ(hash.Find(Variant("k")), &object);
  EXPECT_THROW(hash.Add(Variant("k"), nullptr), EAbort);

  TGIS_PointList points;
  points.Add({1, 2});
  EXPECT_EQ(points.Get(0).Y, 2);

  GisLayerPasswords().Add("Store", "User", "u");
  EXPECT_EQ(GisLayerPasswords().Get("STORE", "user"), "u");

  TGIS_Units units;
  units.SetType(gisUnitsMeter);
  EXPECT_EQ(units.Factor(), 1.0L);
  units.SetType(gisUnitsFootUS);
  EXPECT_EQ(static_cast<double>(units.Factor()), 0.3048006096012192);
  units.SetType(gisUnitsNone);
  EXPECT_EQ(units.Type(), 0);
  units.SetCustom(gisUnitsLinearCustom, 2.5);
  EXPECT_EQ(units.Factor(), 2.5L);

  const TGIS_LabelPositions bits[] = {1, 2, 4, 8, 16, 32, 64, 128, 256};
  for (int i = 0; i < 9; ++i)
    EXPECT_EQ(LabelPositionBit(static_cast<TGIS_LabelPosition>(i)), bits[i]);
}

} // namespace
