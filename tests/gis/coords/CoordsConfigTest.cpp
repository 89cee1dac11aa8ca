// The "Ellipsoid.*", "Datum.*" and "Projection.*" keys of layer
// configuration sections, and the calls the layer root and the viewer make.
#include "CoordsTestSupport.h"
#include "TestProjection.h"

#include "gis/core/GisIni.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/StringList.h"

#include <vector>

using namespace coords_test;

namespace {

class CoordsConfigTest : public CoordsTest {
protected:
  // A memory-only layer configuration with "Vornakel Layer" selected.
  static std::unique_ptr<TGIS_Ini> NewIni() { return std::make_unique<TGIS_Ini>(nullptr, ""); }

  // The selected section as "key=value" lines, in stored order.
  static std::vector<std::string> Lines(TGIS_Ini& ini) {
    TStringList values;
    ini.IniFile().ReadSectionValues(ini.Section(), values);
    std::vector<std::string> lines;
    for (int i = 0; i < values.Count(); ++i)
      lines.push_back(values.Strings(i));
    return lines;
  }

  static std::vector<std::string> Keys(TGIS_Ini& ini) {
    std::vector<std::string> keys;
    for (const std::string& line : Lines(ini))
      keys.push_back(line.substr(0, line.find('=')));
    return keys;
  }

  // A section from "key=value" lines.
  static std::unique_ptr<TGIS_Ini> Section(std::initializer_list<const char*> lines) {
    auto ini = NewIni();
    for (std::string line : lines) {
      const size_t eq = line.find('=');
      ini->WriteRaw(line.substr(0, eq), line.substr(eq + 1));
    }
    return ini;
  }

  static TestProjection* RegisterTestProjection() {
    auto p = std::make_unique<TestProjection>();
    TestProjection* result = p.get();
    GisProjectionList().AddProjection(std::move(p));
    return result;
  }
};

// --- projections ------------------------------------------------------------------------

TEST_F(CoordsConfigTest, ProjectionKeysAreWrittenInOrder) {
  TestProjection p;
  p.SetDatum(GisDatumList().FindDatum("OGB-7"));
  p.SetUp(AllParameters());
  auto ini = NewIni();
  {
    TDecimalSeparatorGuard comma(','); // files always hold '.'
    p.WriteParameters(*ini);
  }
  const std::vector<std::string> expected = {
      "Projection.Code=TST",
      "Projection.Datum=OGB-7",
      "Projection.CentralMeridian=0.2617993877991494",
      "Projection.OriginLatitude=-0.7853981633974483",
      "Projection.FalseEasting=500000.125",
      "Projection.FalseNorthing=-10000000.5",
      "Projection.StandardParalell_1=0.5235987755982988",
      "Projection.StandardParalell_2=1.0471975511965976",
      "Projection.Zone=-33",
      "Projection.ScaleFactor=0.9996",
      "Projection.LongitudeOfCenter=-1.2345678901234567",
      "Projection.LatitudeOfCenter=0.123456789012345",
      "Projection.Azimuth=2.9",
      "Projection.LongitudeOfPoint_1=-0.1",
      "Projection.LatitudeOfPoint_1=0.7",
      "Projection.LongitudeOfPoint_2=0.3333333333333333",
      "Projection.LatitudeOfPoint_2=-1.4142135623730952",
  };
  EXPECT_EQ(Lines(*ini), expected);

  // Read back into a fresh projection: every parameter exactly, in the
  // shortest text that reads back so (0.9996, not 0.99960000000000004).
  TestProjection q;
  q.ReadParameters(*ini);
  EXPECT_EQ(q.Datum()->Code, "OGB-7");
  EXPECT_EQ(q.Ellipsoid()->Code, "AA");
  ExpectSameParameters(q.Parameters(), p.Parameters());

  // An angle of exactly pi (the antimeridian) keeps its edge after a reload.
  for (const double angle : {3.141592653589793, -3.141592653589793, 1.5707963267948966}) {
    SCOPED_TRACE(Numbers({angle}));
    TGIS_ProjectionSetUp edge = AllParameters();
    edge.CentralMeridian = angle;
    TestProjection r;
    r.SetUp(edge);
    auto out = NewIni();
    r.WriteParameters(*out);
    TestProjection back;
    back.ReadParameters(*out);
    EXPECT_EQ(back.CentralMeridian, angle);
  }
}

TEST_F(CoordsConfigTest, ReadingAPartialSectionKeepsTheCurrentValues) {
  TestProjection p;
  p.SetDatum(GisDatumList().FindDatum("EUR-M"));
  p.SetUp(AllParameters());
  auto ini = Section({"Projection.Code=tst", "Projection.Azimuth=1.25", "Projection.Zone=7"});
  p.ReadParameters(*ini); // "tst" passes: both sides are upper-cased
  TGIS_ProjectionSetUp expected = AllParameters();
  expected.Azimuth = 1.25;
  expected.Zone = 7;
  ExpectSameParameters(p.Parameters(), expected);
  EXPECT_EQ(p.Datum()->Code, "EUR-M");
  // A lower-case datum code is found.
  auto other = Section({"Projection.Datum=ogb-m"});
  p.ReadParameters(*other);
  EXPECT_EQ(p.Datum()->Code, "OGB-M");
}

TEST_F(CoordsConfigTest, TheCentreIsCarriedByProjectionsThatStoreNoParameters) {
  // GEC's SetUp stores nothing; the centre, which no projection uses, still
  // goes through configurations and copies.
  TGIS_ProjectionAbstract* gec = GisProjectionList().FindProjection("GEC");
  auto ini = Section({"Projection.Code=GEC", "Projection.LongitudeOfCenter=0.25",
                      "Projection.LatitudeOfCenter=-0.5", "Projection.FalseEasting=7"});
  gec->ReadParameters(*ini);
  EXPECT_EQ(gec->LongitudeOfCenter, 0.25);
  EXPECT_EQ(gec->LatitudeOfCenter, -0.5);
  EXPECT_EQ(gec->FalseEasting, 0); // a parameter GEC does not use is ignored
  std::unique_ptr<TGIS_ProjectionAbstract> copy = gec->CreateCopy();
  EXPECT_EQ(copy->LongitudeOfCenter, 0.25);
  EXPECT_EQ(copy->LatitudeOfCenter, -0.5);
  auto out = NewIni();
  copy->WriteParameters(*out);
  EXPECT_EQ(out->ReadString("Projection.LongitudeOfCenter", ""), "0.25");
  EXPECT_EQ(out->ReadString("Projection.LatitudeOfCenter", ""), "-0.5");
}

TEST_F(CoordsConfigTest, ReadParametersFailuresRaise0003) {
  struct Case {
    const char* Name;
    std::vector<const char*> Lines;
    bool FailSetUp;
  } cases[] = {
      {"another code", {"Projection.Code=MER"}, false},
      {"unlisted datum", {"Projection.Code=TST", "Projection.Datum=NOPE"}, false},
      {"datum with an unlisted ellipsoid", {"Projection.Datum=BADELL"}, false},
      {"SetUp raises", {"Projection.Datum=EUR-M", "Projection.Azimuth=1"}, true},
  };
  GisDatumList().AddDatum(gisDatumThreeParameter, "BADELL", "", "NOELL", {});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TestProjection p;
    p.FailSetUp = c.FailSetUp;
    auto ini = NewIni();
    for (std::string line : c.Lines) {
      const size_t eq = line.find('=');
      ini->WriteRaw(line.substr(0, eq), line.substr(eq + 1));
    }
    EGIS_Exception e = ExpectGisError([&] { p.ReadParameters(*ini); });
    EXPECT_EQ(e.Message(), "0003 Ini params are incorrect");
    EXPECT_EQ(e.ErrorNumber(), 0);
    if (c.FailSetUp) {
      // What was applied before the failure stays.
      EXPECT_EQ(p.Datum()->Code, "EUR-M");
    }
  }
}

TEST_F(CoordsConfigTest, LoadAndSaveProjection) {
  TestProjection* shared = RegisterTestProjection();
  TGIS_ProjectionList& list = GisProjectionList();

  auto ini = Section({"Projection.Code=tst", "Projection.Datum=EUR-M", "Projection.Zone=12"});
  TGIS_ProjectionAbstract* loaded = list.LoadProjection(*ini);
  EXPECT_EQ(loaded, shared); // the shared, registered instance changes
  EXPECT_EQ(shared->Zone, 12);
  EXPECT_EQ(shared->Datum()->Code, "EUR-M");
  EXPECT_EQ(list.FindProjection("TST")->Zone, 12);

  for (const char* code : {"", "XYZ"}) {
    auto none = Section({"Projection.Zone=5"});
    none->WriteString("Projection.Code", code);
    EXPECT_EQ(list.LoadProjection(*none), nullptr) << code;
  }
  EXPECT_EQ(list.LoadProjection(*NewIni()), nullptr);

  // No projection writes an empty code, which reads back as none.
  auto empty = NewIni();
  list.SaveProjection(*empty, nullptr);
  EXPECT_EQ(Lines(*empty), std::vector<std::string>{"Projection.Code="});
  EXPECT_EQ(list.LoadProjection(*empty), nullptr);

  auto saved = NewIni();
  list.SaveProjection(*saved, shared);
  EXPECT_EQ(Keys(*saved).size(), 17u);
  EXPECT_EQ(Lines(*saved)[0], "Projection.Code=TST");

  // A failing section raises 0003 through the list too.
  auto bad = Section({"Projection.Code=TST", "Projection.Datum=NOPE"});
  EXPECT_EQ(ExpectGisError([&] { list.LoadProjection(*bad); }).ErrorNumber(), 0);
}

// --- ellipsoids -------------------------------------------------------------------------

TEST_F(CoordsConfigTest, LoadEllipsoid) {
  struct Case {
    const char* Name;
    std::vector<const char*> Lines;
    bool Added;
    double A, F;
  } cases[] = {
      {"flattening f",
       {"Ellipsoid.SemiMajor=6378000", "Ellipsoid.Flattering=0.0033"},
       true,
       6378000,
       0.0033},
      {"inverse flattening",
       {"Ellipsoid.SemiMajor=6378000", "Ellipsoid.Flattering=297"},
       true,
       6378000,
       1 / 297.0},
      {"sphere", {"Ellipsoid.SemiMajor=6371000", "Ellipsoid.Flattering=0"}, true, 6371000, 0},
      {"no flattening: a sphere", {"Ellipsoid.SemiMajor=6371000"}, true, 6371000, 0},
      {"comma decimal",
       {"Ellipsoid.SemiMajor=6378000,5", "Ellipsoid.Flattering=297"},
       true,
       6378000.5,
       1 / 297.0},
      {"no axis", {"Ellipsoid.Flattering=297"}, false, 0, 0},
      {"negative axis", {"Ellipsoid.SemiMajor=-5", "Ellipsoid.Flattering=297"}, false, 0, 0},
      {"unparsable axis", {"Ellipsoid.SemiMajor=big", "Ellipsoid.Flattering=297"}, false, 0, 0},
      {"negative flattening",
       {"Ellipsoid.SemiMajor=6378000", "Ellipsoid.Flattering=-0.003"},
       false,
       0,
       0},
      {"flattening of 1", {"Ellipsoid.SemiMajor=6378000", "Ellipsoid.Flattering=1"}, false, 0, 0},
      {"unparsable flattening: no sphere",
       {"Ellipsoid.SemiMajor=6378000", "Ellipsoid.Flattering=abc"},
       false,
       0,
       0},
      {"nil flattening: a sphere",
       {"Ellipsoid.SemiMajor=6371000", "Ellipsoid.Flattering=nil"},
       true,
       6371000,
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    GisCoordsResetForTests();
    auto ini = Section({"Ellipsoid.Code=MYE", "Ellipsoid.Description=Mine"});
    for (std::string line : c.Lines) {
      const size_t eq = line.find('=');
      ini->WriteRaw(line.substr(0, eq), line.substr(eq + 1));
    }
    EXPECT_EQ(GisEllipsoidList().LoadEllipsoid(*ini), nullptr);
    const TGIS_Ellipsoid* e = GisEllipsoidList().FindEllipsoid("mye");
    EXPECT_EQ(e != nullptr, c.Added);
    EXPECT_EQ(GisEllipsoidList().Count(), c.Added ? 24 : 23);
    if (!e) continue;
    EXPECT_EQ(e->Description, "Mine");
    EXPECT_EQ(static_cast<double>(e->SemiMajorAxis), c.A);
    EXPECT_NEAR(static_cast<double>(e->Flattening), c.F, 1e-17);
    EXPECT_TRUE(std::isfinite(static_cast<double>(e->SecondEccentricitySq)));
  }
}

TEST_F(CoordsConfigTest, AListedEllipsoidCodeWinsOverTheFile) {
  auto ini = Section({"Ellipsoid.Code=we", "Ellipsoid.SemiMajor=1", "Ellipsoid.Flattering=2"});
  TGIS_Ellipsoid* we = GisWGS84Ellipsoid();
  EXPECT_EQ(GisEllipsoidList().LoadEllipsoid(*ini), we);
  EXPECT_EQ(static_cast<double>(we->SemiMajorAxis), 6378137.0);
  EXPECT_EQ(GisEllipsoidList().Count(), 23);
}

TEST_F(CoordsConfigTest, SaveEllipsoidAndReadItBack) {
  auto ini = NewIni();
  GisEllipsoidList().SaveEllipsoid(*ini, "we");
  const std::vector<std::string> expected = {
      "Ellipsoid.Code=WE",
      "Ellipsoid.Description=World Geodetic System 1984 (WGS 84)",
      "Ellipsoid.SemiMajor=6378137",
      "Ellipsoid.Flattering=0.003352810664747481", // the digits that read back exactly
  };
  EXPECT_EQ(Lines(*ini), expected);
  // Under another code the saved keys define the same ellipsoid.
  ini->WriteString("Ellipsoid.Code", "WE2");
  GisEllipsoidList().LoadEllipsoid(*ini);
  const TGIS_Ellipsoid* copy = GisEllipsoidList().FindEllipsoid("WE2");
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->SemiMajorAxis, GisWGS84Ellipsoid()->SemiMajorAxis);
  EXPECT_NEAR(static_cast<double>(copy->SemiMinorAxis), 6356752.314245179, 1e-6);

  auto nothing = NewIni();
  GisEllipsoidList().SaveEllipsoid(*nothing, "NOPE");
  EXPECT_TRUE(Lines(*nothing).empty());
}

// --- datums -----------------------------------------------------------------------------

TEST_F(CoordsConfigTest, LoadDatum) {
  const char* common[] = {"Datum.Code=MYD",    "Datum.Description=Mine", "Datum.Ellipsoid=IN",
                          "Datum.Delta.X=-87", "Datum.Delta.Y=-98",      "Datum.Delta.Z=-121",
                          "Datum.Sigma.X=3",   "Datum.Sigma.Y=8",        "Datum.Sigma.Z=5"};
  const char* box[] = {"Datum.Validity.YMin=30", "Datum.Validity.YMax=80", "Datum.Validity.XMin=5",
                       "Datum.Validity.XMax=33"};
  struct Case {
    const char* Name;
    std::vector<const char*> Extra;
    bool WithBox;
    TGIS_DatumKind Kind;
    double RotationZ, Scale;
  } cases[] = {
      {"three parameters", {}, true, gisDatumThreeParameter, 0, 1},
      {"three parameters as saved, scale 1", {"Datum.Scale=1"}, true, gisDatumThreeParameter, 0, 1},
      {"scale 0", {"Datum.Scale=0"}, true, gisDatumThreeParameter, 0, 1},
      {"a rotation",
       {"Datum.Rotation.Z=0.5", "Datum.Scale=0"},
       true,
       gisDatumSevenParameter,
       0.5 / 206264.8062471,
       0},
      {"scale only", {"Datum.Scale=3e-6"}, true, gisDatumSevenParameter, 0, 3e-6},
      {"no box", {}, false, gisDatumThreeParameter, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    GisCoordsResetForTests();
    auto ini = NewIni();
    auto put = [&](std::string line) {
      const size_t eq = line.find('=');
      ini->WriteRaw(line.substr(0, eq), line.substr(eq + 1));
    };
    for (const char* line : common)
      put(line);
    if (c.WithBox)
      for (const char* line : box)
        put(line);
    for (const char* line : c.Extra)
      put(line);
    EXPECT_EQ(GisDatumList().LoadDatum(*ini), nullptr);
    const TGIS_Datum* d = GisDatumList().FindDatum("myd");
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(GisDatumList().Count(), 228);
    EXPECT_EQ(d->Kind, c.Kind);
    EXPECT_EQ(d->Description, "Mine");
    EXPECT_EQ(d->EllipsoidCode, "IN");
    EXPECT_EQ(d->DeltaX, -87);
    EXPECT_EQ(d->DeltaZ, -121);
    EXPECT_DOUBLE_EQ(d->RotationZ, c.RotationZ);
    EXPECT_EQ(d->Scale, c.Scale);
    if (c.Kind == gisDatumSevenParameter) {
      // Sigmas and box are dropped: the whole world.
      EXPECT_EQ(d->SigmaX, 0);
      EXPECT_EQ(d->ValidityXMin, -kPi);
      EXPECT_EQ(d->ValidityYMax, kPi / 2);
    } else if (c.WithBox) {
      EXPECT_EQ(d->SigmaY, 8);
      EXPECT_EQ(d->ValidityXMin, 5 * 0.017453292519943295);
      EXPECT_EQ(d->ValidityYMax, 80 * 0.017453292519943295);
    } else {
      // Without box keys only the point (0, 0) passes.
      EXPECT_NO_THROW(d->CheckValidity(Pt(0, 0)));
      EXPECT_EQ(ExpectGisError([&] { d->CheckValidity(Pt(0.001, 0)); }).ErrorNumber(), 23);
      EXPECT_EQ(ExpectGisError([&] { d->CheckValidity(Pt(0, -0.001)); }).ErrorNumber(), 23);
    }
  }
}

// A scale written as a factor (1 + s) next to rotations is read as s parts
// per million, so the datum moves a point by metres, not by thousands of
// kilometres; a numeric key that is no number adds no datum at all.
TEST_F(CoordsConfigTest, DatumScaleAsAFactorAndUnparsableKeys) {
  const std::vector<const char*> seven = {"Datum.Ellipsoid=BR", "Datum.Delta.X=582",
                                          "Datum.Delta.Y=105", "Datum.Delta.Z=414",
                                          "Datum.Rotation.X=1.04", "Datum.Rotation.Y=0.35",
                                          "Datum.Rotation.Z=-3.08"};
  auto load = [&](const char* code, std::vector<const char*> extra) {
    auto ini = Section({});
    ini->WriteRaw("Datum.Code", code);
    for (std::string line : seven)
      ini->WriteRaw(line.substr(0, line.find('=')), line.substr(line.find('=') + 1));
    for (std::string line : extra)
      ini->WriteRaw(line.substr(0, line.find('=')), line.substr(line.find('=') + 1));
    EXPECT_EQ(GisDatumList().LoadDatum(*ini), nullptr);
    return GisDatumList().FindDatum(code);
  };
  const TGIS_Datum* ppm = load("PPM", {"Datum.Scale=6.7"});
  const TGIS_Datum* factor = load("FACTOR", {"Datum.Scale=1.0000067"});
  const TGIS_Datum* below = load("BELOW", {"Datum.Scale=0.9999933"});
  ASSERT_TRUE(ppm && factor && below);
  EXPECT_EQ(factor->Kind, gisDatumSevenParameter);
  EXPECT_NEAR(factor->Scale, 6.7, 1e-6);
  EXPECT_NEAR(below->Scale, -6.7, 1e-6);
  TGIS_Point3D a, b;
  ppm->ToWGS84(Deg(13.4, 52.5, 100), a);
  factor->ToWGS84(Deg(13.4, 52.5, 100), b);
  EXPECT_NEAR(a.X, b.X, 1e-12);
  EXPECT_NEAR(a.Y, b.Y, 1e-12);
  EXPECT_NEAR(a.Z, b.Z, 1e-3);

  const int count = GisDatumList().Count();
  for (const char* bad : {"Datum.Scale=1,0000067x", "Datum.Delta.X=abc", "Datum.Rotation.Z=--1",
                          "Datum.Validity.YMin=south"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(load("BAD", {bad}), nullptr);
    EXPECT_EQ(GisDatumList().Count(), count);
  }
}

TEST_F(CoordsConfigTest, AListedDatumCodeWinsAndAnEmptyCodeAddsNothing) {
  TGIS_Datum* eur = GisDatumList().FindDatum("EUR-M");
  auto listed = Section({"Datum.Code=eur-m", "Datum.Delta.X=1", "Datum.Rotation.X=9"});
  EXPECT_EQ(GisDatumList().LoadDatum(*listed), eur);
  EXPECT_EQ(eur->DeltaX, -87);
  EXPECT_EQ(eur->Kind, gisDatumThreeParameter);
  auto noCode = Section({"Datum.Description=x", "Datum.Delta.X=1"});
  EXPECT_EQ(GisDatumList().LoadDatum(*noCode), nullptr);
  EXPECT_EQ(GisDatumList().Count(), 227);
}

TEST_F(CoordsConfigTest, SaveDatumWritesRotationsInSecondsAndTheBoxInDegrees) {
  auto ini = NewIni();
  {
    TDecimalSeparatorGuard comma(',');
    GisDatumList().SaveDatum(*ini, "EUR-7");
  }
  const std::vector<std::string> expected = {
      "Datum.Code=EUR-7",
      "Datum.Description=EUROPEAN 1950, Mean (7 Param)",
      "Datum.Ellipsoid=IN",
      "Datum.Delta.X=-102",
      "Datum.Delta.Y=-102",
      "Datum.Delta.Z=-129",
      "Datum.Sigma.X=0",
      "Datum.Sigma.Y=0",
      "Datum.Sigma.Z=0",
      "Datum.Rotation.X=0.413",
      "Datum.Rotation.Y=-0.184",
      "Datum.Rotation.Z=0.385",
      "Datum.Validity.YMin=-90",
      "Datum.Validity.YMax=90",
      "Datum.Validity.XMin=-180",
      "Datum.Validity.XMax=180",
      "Datum.Scale=" + GisFloatToStr(2.4664e-6),
  };
  EXPECT_EQ(Lines(*ini), expected);

  // Saved datums reload as the same kind under another code.
  struct Case {
    const char* Code;
    TGIS_DatumKind Kind;
    TGIS_Point3D Place;
  } cases[] = {{"EUR-7", gisDatumSevenParameter, Deg(-3, 52, 10)},
               // No rotations and scale 0: nothing marks it seven-parameter.
               {"CH1903", gisDatumThreeParameter, Deg(8, 47, 10)},
               {"EUR-M", gisDatumThreeParameter, Deg(13, 52, 10)},
               {"NAR-D", gisDatumThreeParameter, Deg(-99, 19.4, 10)}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Code);
    auto section = NewIni();
    GisDatumList().SaveDatum(*section, c.Code);
    section->WriteString("Datum.Code", std::string(c.Code) + "-COPY");
    GisDatumList().LoadDatum(*section);
    const TGIS_Datum& original = *GisDatumList().FindDatum(c.Code);
    const TGIS_Datum* copy = GisDatumList().FindDatum(std::string(c.Code) + "-copy");
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Kind, c.Kind);
    EXPECT_EQ(copy->DeltaY, original.DeltaY);
    EXPECT_NEAR(copy->RotationX, original.RotationX, 1e-18);
    EXPECT_NEAR(copy->ValidityXMin, original.ValidityXMin, 1e-14);
    EXPECT_NEAR(copy->ValidityYMax, original.ValidityYMax, 1e-14);
    if (c.Kind == gisDatumSevenParameter) {
      EXPECT_EQ(copy->Scale, original.Scale);
    }
    TGIS_Point3D a = c.Place, b = a;
    if (original.Kind == c.Kind) {
      original.ToWGS84(a, a);
      copy->ToWGS84(b, b);
      EXPECT_NEAR(a.X, b.X, 1e-12);
      EXPECT_NEAR(a.Z, b.Z, 1e-6);
    }
  }

  auto nothing = NewIni();
  GisDatumList().SaveDatum(*nothing, "NOPE");
  EXPECT_TRUE(Lines(*nothing).empty());
}

// --- what the layer root and the viewer do ---------------------------------------------

TEST_F(CoordsConfigTest, LayerReadsEllipsoidDatumAndProjectionThenConverts) {
  // A layer section with its own ellipsoid, datum and projection, read in the
  // order the layer root reads it.
  auto ini = Section({
      "Ellipsoid.Code=MYE",
      "Ellipsoid.Description=My ellipsoid",
      "Ellipsoid.SemiMajor=6378388",
      "Ellipsoid.Flattering=0.00336700336700337",
      "Datum.Code=MYD",
      "Datum.Description=My datum",
      "Datum.Ellipsoid=MYE",
      "Datum.Delta.X=-87",
      "Datum.Delta.Y=-98",
      "Datum.Delta.Z=-121",
      "Datum.Validity.YMin=30",
      "Datum.Validity.YMax=80",
      "Datum.Validity.XMin=5",
      "Datum.Validity.XMax=33",
      "Datum.Scale=1",
      "Projection.Code=GEC",
      "Projection.Datum=MYD",
  });
  GisEllipsoidList().LoadEllipsoid(*ini);
  GisDatumList().LoadDatum(*ini);
  TGIS_ProjectionAbstract* shared = GisProjectionList().LoadProjection(*ini);
  ASSERT_NE(shared, nullptr);
  std::unique_ptr<TGIS_ProjectionAbstract> layer = shared->CreateCopy();
  EXPECT_EQ(layer->Datum()->Code, "MYD");
  EXPECT_EQ(layer->Ellipsoid()->Code, "MYE");

  // The same datum as EUR-M on the same ellipsoid as "IN": the chain from
  // layer coordinates to a geodetic WGS 84 viewer agrees with EUR-M.
  std::unique_ptr<TGIS_ProjectionAbstract> viewer =
      GisProjectionList().FindProjection("GED")->CreateCopy();
  const TGIS_Point3D place = Deg(13.4, 52.5, 35);
  TGIS_Point3D v;
  layer->Project(place, v); // a layer point in geocentric metres
  layer->Unproject(v, v);
  layer->Datum()->ToWGS84(v, v);
  viewer->Datum()->FromWGS84(v, v);
  viewer->Project(v, v);
  TGIS_Point3D expected = place;
  GisDatumList().FindDatum("EUR-M")->ToWGS84(expected, expected);
  // Toms' inverse in the layer's own round trip is good to millimetres.
  EXPECT_NEAR(v.X, expected.X, 2e-9);
  EXPECT_NEAR(v.Y, expected.Y, 2e-9);
  EXPECT_NEAR(v.Z, expected.Z, 1e-2);

  // ... and back.
  viewer->Unproject(v, v);
  viewer->Datum()->ToWGS84(v, v);
  layer->Datum()->FromWGS84(v, v);
  layer->Project(v, v);
  TGIS_Point3D direct;
  layer->Project(place, direct);
  EXPECT_NEAR(v.X, direct.X, 0.05);
  EXPECT_NEAR(v.Y, direct.Y, 0.05);
  EXPECT_NEAR(v.Z, direct.Z, 0.05);

  // Writing the coordinate system: ellipsoid, datum, then projection keys.
  auto out = NewIni();
  GisEllipsoidList().SaveEllipsoid(*out, layer->Ellipsoid()->Code);
  GisDatumList().SaveDatum(*out, layer->Datum()->Code);
  GisProjectionList().SaveProjection(*out, layer.get());
  const std::vector<std::string> keys = {
      "Ellipsoid.Code",
      "Ellipsoid.Description",
      "Ellipsoid.SemiMajor",
      "Ellipsoid.Flattering",
      "Datum.Code",
      "Datum.Description",
      "Datum.Ellipsoid",
      "Datum.Delta.X",
      "Datum.Delta.Y",
      "Datum.Delta.Z",
      "Datum.Sigma.X",
      "Datum.Sigma.Y",
      "Datum.Sigma.Z",
      "Datum.Rotation.X",
      "Datum.Rotation.Y",
      "Datum.Rotation.Z",
      "Datum.Validity.YMin",
      "Datum.Validity.YMax",
      "Datum.Validity.XMin",
      "Datum.Validity.XMax",
      "Datum.Scale",
      "Projection.Code",
      "Projection.Datum",
      "Projection.CentralMeridian",
      "Projection.OriginLatitude",
      "Projection.FalseEasting",
      "Projection.FalseNorthing",
      "Projection.StandardParalell_1",
      "Projection.StandardParalell_2",
      "Projection.Zone",
      "Projection.ScaleFactor",
      "Projection.LongitudeOfCenter",
      "Projection.LatitudeOfCenter",
      "Projection.Azimuth",
      "Projection.LongitudeOfPoint_1",
      "Projection.LatitudeOfPoint_1",
      "Projection.LongitudeOfPoint_2",
      "Projection.LatitudeOfPoint_2",
  };
  EXPECT_EQ(Keys(*out), keys);

  // In a fresh process (fresh lists) the written section defines it all again.
  GisCoordsResetForTests();
  GisEllipsoidList().LoadEllipsoid(*out);
  GisDatumList().LoadDatum(*out);
  TGIS_ProjectionAbstract* again = GisProjectionList().LoadProjection(*out);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->Datum()->Code, "MYD");
  TGIS_Point3D w;
  again->Project(place, w);
  EXPECT_NEAR(w.X, direct.X, 1e-6);
  EXPECT_NEAR(w.Z, direct.Z, 1e-6);
}

TEST_F(CoordsConfigTest, AMissingEllipsoidShowsAs0003WhenTheProjectionIsRead) {
  // The ellipsoid of the section is degenerate and is not registered; the
  // datum naming it is, and reading the projection then fails visibly.
  auto ini = Section({"Ellipsoid.Code=BAD", "Ellipsoid.SemiMajor=0", "Datum.Code=BADD",
                      "Datum.Ellipsoid=BAD", "Projection.Code=GEC", "Projection.Datum=BADD"});
  GisEllipsoidList().LoadEllipsoid(*ini);
  GisDatumList().LoadDatum(*ini);
  EXPECT_EQ(GisEllipsoidList().FindEllipsoid("BAD"), nullptr);
  EXPECT_NE(GisDatumList().FindDatum("BADD"), nullptr);
  EGIS_Exception e = ExpectGisError([&] { GisProjectionList().LoadProjection(*ini); });
  EXPECT_EQ(e.Message(), "0003 Ini params are incorrect");
}

TEST_F(CoordsConfigTest, AnEmptySectionDefinesNothing) {
  auto ini = NewIni();
  EXPECT_EQ(GisEllipsoidList().LoadEllipsoid(*ini), nullptr);
  EXPECT_EQ(GisDatumList().LoadDatum(*ini), nullptr);
  EXPECT_EQ(GisProjectionList().LoadProjection(*ini), nullptr);
  EXPECT_EQ(GisEllipsoidList().Count(), 23);
  EXPECT_EQ(GisDatumList().Count(), 227);
  GisEllipsoidList().SaveEllipsoid(*ini, "");
  GisDatumList().SaveDatum(*ini, "");
  EXPECT_TRUE(Lines(*ini).empty());
  EXPECT_FALSE(ini->Changed());
}

} // namespace
