// GML: GDAL's GML 2 and GML 3 files read as GDAL reads them, hand-made
// documents of the reader's rules and its mends, the errors, and the
// writer's text, names and files (read again by us, by xmllint and by GDAL).
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <map>

#include "gis/core/GisResource.h"
#include "gis/formats/GisFormatsLayers.h"
#include "gis/formats/GisLayerGML.h"
#include "gis/viewer/GisRegistredLayers.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Strings.h"
#include "tests/gis/formats/FormatsTestSupport.h"

namespace gmltest {

using fmttest::DataFile;
using fmttest::Split;
using sktest::TTempDir;

std::unique_ptr<TGIS_LayerGML> OpenGml(const std::string& path) {
  auto layer = std::make_unique<TGIS_LayerGML>();
  layer->SetPath(path);
  layer->Open();
  return layer;
}

std::unique_ptr<TGIS_LayerGML> OpenText(const TTempDir& dir, const std::string& text) {
  dir.Write("doc.gml", text);
  return OpenGml(dir / "doc.gml");
}

std::string Wrap(const std::string& features) {
  return "<?xml version=\"1.0\"?><c xmlns:gml=\"http://www.opengis.net/gml\" "
         "xmlns:o=\"urn:o\">" +
         features + "</c>";
}

std::string FieldText(TGIS_Shape* shape, const std::string& name) {
  const Variant v = shape->GetField(name);
  return v.IsNull() || v.IsEmpty() ? std::string() : v.AsString();
}

/// Every part of a shape as "x y" points joined by ",", parts by "|".
std::string Parts(TGIS_Shape* s) {
  std::string out;
  s->Lock(2);
  for (int p = 0; p < s->GetNumParts(); ++p) {
    if (p > 0) out += "|";
    for (int i = 0; i < s->GetPartSize(p); ++i) {
      const TGIS_Point pt = s->GetPoint(p, i);
      out += (i > 0 ? "," : "") + GisFloatToStr(pt.X) + " " + GisFloatToStr(pt.Y);
    }
  }
  s->Unlock();
  return out;
}

/// Compares a layer with a dump made by make_gml.sh: the shapes in order of
/// GDAL's features with geometry, vertices bit-equal, values by field name.
int CompareGml(TGIS_LayerVector& layer, const std::string& dump) {
  std::vector<std::string> names;
  int uid = 0, compared = 0;
  for (const std::string& line : Split(dump, '\n')) {
    if (line.empty()) continue;
    const auto columns = Split(line, '\t');
    if (columns[0] == "#fields") {
      names.assign(columns.begin() + 1, columns.end());
      continue;
    }
    SCOPED_TRACE(line);
    const auto geometry = Split(columns[0], '|');
    if (geometry.size() == 1) continue; // no geometry: no shape
    TGIS_Shape* shape = layer.GetShape(++uid);
    if (shape == nullptr) {
      ADD_FAILURE() << "no shape " << uid;
      continue;
    }
    // A multipoint is one part of points in our model, points in GDAL's.
    std::vector<std::string> gdalParts(geometry.begin() + 1, geometry.end());
    if (shape->ShapeType() == gisShapeTypeMultiPoint) {
      std::string all;
      for (const std::string& part : gdalParts)
        all += (all.empty() ? "" : " ") + part;
      gdalParts = {all};
    }
    EXPECT_EQ(shape->GetNumParts(), int(gdalParts.size()));
    if (shape->GetNumParts() != int(gdalParts.size())) continue;
    shape->Lock(2);
    for (int p = 0; p < shape->GetNumParts(); ++p) {
      const auto vertices = Split(gdalParts[std::size_t(p)], ' ');
      EXPECT_EQ(shape->GetPartSize(p), int(vertices.size()));
      for (int i = 0; i < shape->GetPartSize(p) && i < int(vertices.size()); ++i) {
        const auto xy = Split(vertices[std::size_t(i)], ',');
        const TGIS_Point pt = shape->GetPoint(p, i);
        EXPECT_EQ(fmttest::BitsOf(pt.X), fmttest::HexBits(xy[0]));
        EXPECT_EQ(fmttest::BitsOf(pt.Y), fmttest::HexBits(xy[1]));
      }
    }
    shape->Unlock();
    for (std::size_t c = 1; c < columns.size(); ++c) {
      const std::string& name = names[c - 1];
      if (layer.FindField(name) < 0 || name == "fid" || name == "gml_id") continue;
      EXPECT_EQ(FieldText(shape, name), columns[c] == "<null>" ? "" : columns[c]) << name;
    }
    ++compared;
  }
  EXPECT_EQ(layer.GetShape(uid + 1), nullptr);
  return compared;
}

using fmttest::MessageOf;

} // namespace gmltest

using gmltest::OpenGml;
using gmltest::OpenText;
using gmltest::Parts;
using gmltest::Wrap;

TEST(GmlLayer, GdalsFilesReadAsGdalReadsThem) {
  struct TCase {
    const char* Stem;
    int Shapes;
  };
  for (const TCase& c : {TCase{"gdal2", 7}, TCase{"gdal3", 3}, TCase{"gdal2z", 3}, TCase{"gdal3z", 3}}) {
    SCOPED_TRACE(c.Stem);
    auto layer = OpenGml(fmttest::DataFile(std::string("gml/") + c.Stem + ".gml"));
    EXPECT_EQ(layer->InfoText(), "Geographic Markup Language (GML)");
    EXPECT_EQ(gmltest::CompareGml(*layer, sktest::TTempDir::Read(fmttest::DataFile(
                                              std::string("gml/") + c.Stem + ".dump"))),
              c.Shapes);
  }
  // The fields of GML 2's feature.
  auto two = OpenGml(fmttest::DataFile("gml/gdal2.gml"));
  TGIS_Shape* first = two->GetShape(1);
  EXPECT_EQ(gmltest::FieldText(first, "mixed_fid"), "mixed.0");
  EXPECT_EQ(gmltest::FieldText(first, "note"), "a&b <c>");
  EXPECT_EQ(two->GetShape(2)->ShapeType(), gisShapeTypeMultiPoint);
}

TEST(GmlLayer, RulesOfTheReader) {
  sktest::TTempDir dir("gml-rules");
  struct TCase {
    const char* Name;
    std::string Doc;
    int Shapes;
    std::string Geometry; // of the first shape
    std::map<std::string, std::string> Fields;
  };
  const TCase cases[] = {
      {"point with properties",
       Wrap("<gml:featureMember><o:f><o:name>a</o:name><gml:Point><gml:coordinates>1.5,2.5"
            "</gml:coordinates></gml:Point></o:f></gml:featureMember>"),
       1, "1.5 2.5", {{"name", "a"}}},
      {"coordinates and posList",
       Wrap("<gml:featureMember><o:f><gml:LineString><gml:posList>1 2 3 4 5 6</gml:posList>"
            "</gml:LineString></o:f></gml:featureMember><gml:featureMember><o:f><gml:LineString>"
            "<gml:coordinates>1,2 3,4 5,6</gml:coordinates></gml:LineString></o:f>"
            "</gml:featureMember>"),
       2, "1 2,3 4,5 6", {}},
      {"coord with X and Y",
       Wrap("<gml:featureMember><o:f><gml:LineString><gml:coord><gml:X>1</gml:X><gml:Y>2</gml:Y>"
            "</gml:coord><gml:coord><gml:X>3</gml:X><gml:Y>4</gml:Y></gml:coord></gml:LineString>"
            "</o:f></gml:featureMember>"),
       1, "1 2,3 4", {{"X", "13"}, {"Y", "24"}}},
      {"attributes of a property",
       Wrap("<gml:featureMember><o:f><o:Road type=\"main\">A1</o:Road><gml:Point><gml:pos>1 2"
            "</gml:pos></gml:Point></o:f></gml:featureMember>"),
       1, "1 2", {{"Road_type", "main"}, {"f", "A1"}}},
      {"any other Member starts a feature",
       Wrap("<o:roadMember><gml:Point><gml:pos>7 8</gml:pos></gml:Point><o:n>x</o:n></o:roadMember>"),
       1, "7 8", {{"n", "x"}}},
      // A Box inside a feature leaves the feature going, with its properties.
      {"feature box",
       Wrap("<gml:featureMember><o:f><o:before>b</o:before><gml:boundedBy><gml:Box><gml:coord>"
            "<gml:X>0</gml:X><gml:Y>0</gml:Y></gml:coord><gml:coord><gml:X>9</gml:X><gml:Y>9</gml:Y>"
            "</gml:coord></gml:Box></gml:boundedBy><gml:Point><gml:coordinates>1,1</gml:coordinates>"
            "</gml:Point><o:after>a</o:after></o:f></gml:featureMember>"),
       1, "1 1", {{"before", "b"}, {"after", "a"}}},
      // Line breaks separate coordinates; a long text is read whole.
      {"line-broken coordinates",
       Wrap("<gml:featureMember><o:f><gml:LineString><gml:coordinates>1,2\n3,4\r\n5,6\t7,8"
            "</gml:coordinates></gml:LineString></o:f></gml:featureMember>"),
       1, "1 2,3 4,5 6,7 8", {}},
      // The standard members are parts of their multi-geometry.
      {"geometry members",
       Wrap("<gml:featureMember><o:f><o:n>m</o:n><gml:MultiPoint><gml:pointMember><gml:Point>"
            "<gml:coordinates>1,2</gml:coordinates></gml:Point></gml:pointMember><gml:pointMember>"
            "<gml:Point><gml:coordinates>3,4</gml:coordinates></gml:Point></gml:pointMember>"
            "</gml:MultiPoint></o:f></gml:featureMember>"),
       1, "1 2,3 4", {{"n", "m"}}},
      {"line string members",
       Wrap("<gml:featureMember><o:f><o:n>l</o:n><gml:MultiLineString><gml:lineStringMember>"
            "<gml:LineString><gml:coordinates>0,0 1,1</gml:coordinates></gml:LineString>"
            "</gml:lineStringMember><gml:lineStringMember><gml:LineString><gml:coordinates>2,2 3,3"
            "</gml:coordinates></gml:LineString></gml:lineStringMember></gml:MultiLineString>"
            "</o:f></gml:featureMember>"),
       1, "0 0,1 1|2 2,3 3", {{"n", "l"}}},
      // A feature without geometry gives no shape and leaves the last one alone.
      {"feature without geometry",
       Wrap("<gml:featureMember><o:f><o:n>one</o:n><gml:Point><gml:pos>1 1</gml:pos></gml:Point>"
            "</o:f></gml:featureMember><gml:featureMember><o:f><o:n>none</o:n></o:f>"
            "</gml:featureMember>"),
       1, "1 1", {{"n", "one"}}},
      {"multipolygon",
       Wrap("<gml:featureMember><o:f><gml:MultiPolygon><gml:polygonMember><gml:Polygon>"
            "<gml:outerBoundaryIs><gml:LinearRing><gml:coordinates>0,0 1,0 1,1 0,0</gml:coordinates>"
            "</gml:LinearRing></gml:outerBoundaryIs></gml:Polygon></gml:polygonMember>"
            "<gml:polygonMember><gml:Polygon><gml:outerBoundaryIs><gml:LinearRing><gml:coordinates>"
            "5,5 6,5 6,6 5,5</gml:coordinates></gml:LinearRing></gml:outerBoundaryIs>"
            "</gml:Polygon></gml:polygonMember></gml:MultiPolygon></o:f></gml:featureMember>"),
       1, "0 0,1 0,1 1,0 0|5 5,6 5,6 6,5 5", {}},
      {"three dimensions",
       Wrap("<gml:featureMember><o:f><gml:Point srsDimension=\"3\"><gml:pos>1 2 3</gml:pos>"
            "</gml:Point></o:f></gml:featureMember>"),
       1, "1 2", {}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    auto layer = OpenText(dir, c.Doc);
    EXPECT_EQ(layer->GetLastUid(), c.Shapes);
    TGIS_Shape* s = layer->GetShape(1);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(Parts(s), c.Geometry);
    for (const auto& [name, value] : c.Fields)
      EXPECT_EQ(gmltest::FieldText(s, name), value) << name;
  }
  // A long coordinate text is read whole, whatever its line breaks.
  std::string many;
  for (int i = 0; i < 2000; ++i)
    many += (i % 3 == 0 ? "\n" : " ") + IntToStr(i) + "," + IntToStr(-i);
  auto longLine = OpenText(dir, Wrap("<gml:featureMember><o:f><gml:LineString><gml:coordinates>" +
                                     many + "</gml:coordinates></gml:LineString></o:f>"
                                     "</gml:featureMember>"));
  ASSERT_EQ(longLine->GetShape(1)->GetPartSize(0), 2000);
  EXPECT_EQ(longLine->GetShape(1)->GetPoint(0, 1999).Y, -1999);
  // Blanks between a property's start and the geometry give an empty field.
  auto empty = OpenText(dir, Wrap("<gml:featureMember><o:f><o:geom> <gml:Point><gml:pos>1 2"
                                  "</gml:pos></gml:Point></o:geom></o:f></gml:featureMember>"));
  EXPECT_GE(empty->FindField("geom"), 0);
  auto none = OpenText(dir, cases[9].Doc);
  EXPECT_EQ(gmltest::FieldText(none->GetShape(1), "n"), "one");
}

TEST(GmlLayer, ErrorsNameTheFileAndLine) {
  sktest::TTempDir dir("gml-errors");
  struct TCase {
    const char* Name;
    std::string Doc;
    std::string Start; // of the message
    int Value;
  };
  const std::string point = "<gml:featureMember><o:f><gml:Point><gml:coordinates>";
  const TCase cases[] = {
      {"malformed", "<c>\n<a>\n</b></c>", "0090", 3},
      {"unbound prefix", "<c>\n<q:x/></c>", "0090", 2},
      {"bad number", Wrap(point + "1,x</gml:coordinates></gml:Point></o:f></gml:featureMember>"),
       "0034", 0},
      {"no coordinates", Wrap(point + ",</gml:coordinates></gml:Point></o:f></gml:featureMember>"),
       "0034", 0},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    dir.Write("bad.gml", c.Doc);
    TGIS_LayerGML layer;
    layer.SetPath(dir / "bad.gml");
    try {
      layer.Open();
      ADD_FAILURE() << "no error";
    } catch (const EGIS_Exception& e) {
      EXPECT_EQ(std::string(e.what()).substr(0, 4), c.Start) << e.what();
      EXPECT_NE(std::string(e.what()).find(dir / "bad.gml"), std::string::npos);
      EXPECT_EQ(e.ErrorValue(), c.Value);
    }
  }
  // The damaged sample keeps the shapes read before the fault.
  TGIS_LayerGML damaged;
  damaged.SetPath(fmttest::DataFile("gml/damaged.gml"));
  EXPECT_NE(gmltest::MessageOf([&] { damaged.Open(); }).find("0090"), std::string::npos);
  ASSERT_NE(damaged.GetShape(1), nullptr);
  EXPECT_EQ(gmltest::FieldText(damaged.GetShape(1), "name"), "first");
}

TEST(GmlLayer, FactoryRowOpensIt) {
  GisFormatsRegisterLayers();
  auto layer = GisCreateLayer("a", fmttest::DataFile("gml/gdal2.gml"));
  ASSERT_NE(layer, nullptr);
  EXPECT_NE(dynamic_cast<TGIS_LayerGML*>(layer.get()), nullptr);
}

// ---- writing ---------------------------------------------------------------------------

namespace gmltest {

std::unique_ptr<TGIS_LayerVector> SampleLayer() {
  auto source = std::make_unique<TGIS_LayerVector>();
  source->Open();
  source->AddField("Name", gisFieldTypeString, 20, 0);
  source->AddField("a b", gisFieldTypeString, 20, 0);
  source->AddField("n", gisFieldTypeNumber, 10, 0);
  auto add = [&](TGIS_ShapeType type, const std::vector<std::vector<TGIS_Point>>& parts) {
    TGIS_Shape* s = source->CreateShape(type);
    s->Lock(2);
    for (const auto& part : parts) {
      s->AddPart();
      for (const TGIS_Point& p : part)
        s->AddPoint(p);
    }
    s->Unlock();
    return s;
  };
  TGIS_Shape* p = add(gisShapeTypePoint, {{{1.5, 2.5}}});
  p->SetField("Name", "A&B <'\"> \x01\xC5\x81");
  p->SetField("a b", "x");
  p->SetField("n", 7);
  add(gisShapeTypeArc, {{{0, 0}, {1, 1}}});
  add(gisShapeTypeArc, {{{0, 0}, {1, 1}}, {{2, 2}, {3, 3}}});
  add(gisShapeTypePolygon, {{{0, 0}, {10, 0}, {10, 10}, {0, 0}}, {{2, 2}, {3, 2}, {3, 3}, {2, 2}}});
  add(gisShapeTypeMultiPoint, {{{5, 6}}, {{7, 8}}});
  add(gisShapeTypeArc, {}); // no parts: not written
  return source;
}

bool XmlLintAccepts(const std::string& path) {
  return std::system(("xmllint --noout '" + path + "' 2>/dev/null").c_str()) == 0;
}

} // namespace gmltest

TEST(GmlWriter, GoldenTextNamesAndRoundTrip) {
  sktest::TTempDir dir("gml-write");
  auto source = gmltest::SampleLayer();
  TGIS_LayerGML out;
  out.SetPath(dir / "out.gml");
  out.ImportLayer(source.get(), GisWholeWorldExtent(), gisShapeTypeUnknown, "", false);
  EXPECT_EQ(out.ExportedNames(), (std::vector<std::string>{"NAME", "NAME_1", "N"}));
  const std::string text = sktest::TTempDir::Read(dir / "out.gml");
  const std::string ns = "http://www.opengis.net/gml";
  const std::string golden =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?><Vornakel xmlns:gml=\"" + ns +
      "\" xmlns:g=\"" + ns +
      "\"><gml:boundedBy><gml:Box><gml:coordinates>0,0 10,10</gml:coordinates></gml:Box>"
      "</gml:boundedBy><gml:featureMember><g:PROPERTIES fid=\"UID.1\"><g:NAME>A&amp;B "
      "&lt;&apos;&quot;&gt;  \xC5\x81</g:NAME><g:NAME_1>x</g:NAME_1><g:N>7</g:N>"
      "<g:GEOMETRY><gml:Point><gml:coordinates>1.5,2.5</gml:coordinates></gml:Point></g:GEOMETRY>"
      "</g:PROPERTIES></gml:featureMember>";
  EXPECT_EQ(text.substr(0, golden.size()), golden);
  EXPECT_EQ(text.find('\n'), std::string::npos);
  EXPECT_NE(text.find("<gml:MultiLineString><gml:LineStringMember><gml:LineString>"),
            std::string::npos);
  EXPECT_NE(text.find("<gml:innerBoundaryIs>"), std::string::npos);
  EXPECT_NE(text.find("<gml:MultiPoint><pointMember><gml:Point>"), std::string::npos);
  EXPECT_EQ(text.find("UID.6"), std::string::npos);
  EXPECT_TRUE(gmltest::XmlLintAccepts(dir / "out.gml"));

  // Our reader.
  auto back = OpenGml(dir / "out.gml");
  ASSERT_EQ(back->GetLastUid(), 5);
  EXPECT_EQ(gmltest::FieldText(back->GetShape(1), "NAME"), "A&B <'\">  \xC5\x81");
  EXPECT_EQ(Parts(back->GetShape(3)), "0 0,1 1|2 2,3 3");
  EXPECT_EQ(Parts(back->GetShape(4)), "0 0,10 0,10 10,0 0|2 2,3 2,3 3,2 2");
  EXPECT_EQ(Parts(back->GetShape(5)), "5 6,7 8");

  // GDAL.
  if (fmttest::HaveGdal()) {
    const std::string dump = fmttest::GdalDump(dir / "out.gml");
    EXPECT_EQ(fmttest::Split(dump, '\n').size(), 6u) << dump;
    EXPECT_NE(dump.find("A&B <'\">"), std::string::npos) << dump;
  }

  // Without gml:coordinates, and building an empty document.
  TGIS_LayerGML coord;
  coord.UseCoordinates = false;
  coord.SetPath(dir / "coord.gml");
  coord.ImportLayer(source.get(), GisWholeWorldExtent(), gisShapeTypeUnknown, "", false);
  const std::string c = sktest::TTempDir::Read(dir / "coord.gml");
  EXPECT_NE(c.find("<gml:Box><gml:coord><gml:X>0</gml:X><gml:Y>0</gml:Y></gml:coord>"),
            std::string::npos);
  EXPECT_EQ(Parts(OpenGml(dir / "coord.gml")->GetShape(2)), "0 0,1 1");
  TGIS_LayerGML built;
  built.Build(dir / "new.gml", GisWholeWorldExtent());
  EXPECT_TRUE(gmltest::XmlLintAccepts(dir / "new.gml"));
  EXPECT_NE(sktest::TTempDir::Read(dir / "new.gml").find("<gml:boundedBy><gml:Box>"),
            std::string::npos);
  TGIS_LayerGML again;
  EXPECT_EQ(gmltest::MessageOf([&] { again.Build(dir / "new.gml", GisWholeWorldExtent()); })
                .substr(0, 4),
            "0033");
}

TEST(GmlWriter, NamesAreDeterministic) {
  struct TCase {
    std::vector<std::string> Fields;
    std::vector<std::string> Names;
  };
  const TCase cases[] = {
      {{"roads 2004", "2roads", "ab cd"}, {"ROADS_2004", "_ROADS", "AB_CD"}},
      {{"a b", "A_B", "", "x"}, {"NAME_0", "NAME_1", "NAME_2", "X"}},
      {{"name", "Name", "NAME"}, {"NAME", "NAME_2", "NAME_3"}},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(GisGmlElementNames(c.Fields), c.Names);
}

TEST(GmlWriter, FailedWritesLeaveTheOldFile) {
  sktest::TTempDir dir("gml-safe");
  auto source = gmltest::SampleLayer();
  const std::string old = "<old/>";
  dir.Write("t.gml", old);
  dir.Write("t.gml~tmp", "stale");
  // A full disk in a child process: 0032, the old file as it was.
  const pid_t child = fork();
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{100, 100};
    setrlimit(RLIMIT_FSIZE, &limit);
    TGIS_LayerGML out;
    out.SetPath(dir / "t.gml");
    std::string message;
    try {
      out.ImportLayer(source.get(), GisWholeWorldExtent(), gisShapeTypeUnknown, "", false);
    } catch (const EGIS_Exception& e) {
      message = e.what();
    }
    _exit(message.substr(0, 4) == "0032" ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(sktest::TTempDir::Read(dir / "t.gml"), old);
  // A stale temporary is overwritten; the backup keeps the old file.
  TGIS_LayerGML out;
  out.SetPath(dir / "t.gml");
  out.ImportLayer(source.get(), GisWholeWorldExtent(), gisShapeTypeUnknown, "", false);
  EXPECT_TRUE(gmltest::XmlLintAccepts(dir / "t.gml"));
  EXPECT_EQ(sktest::TTempDir::Read(dir / "t.~gml"), old);
  EXPECT_FALSE(FileExists(dir / "t.gml~tmp"));
  // A folder we may not write: 0032.
  if (geteuid() != 0) {
    chmod(dir.Path().c_str(), 0555);
    TGIS_LayerGML ro;
    ro.SetPath(dir / "t.gml");
    EXPECT_EQ(gmltest::MessageOf([&] {
                ro.ImportLayer(source.get(), GisWholeWorldExtent(), gisShapeTypeUnknown, "", false);
              }).substr(0, 4),
              "0032");
    chmod(dir.Path().c_str(), 0755);
  }
}
