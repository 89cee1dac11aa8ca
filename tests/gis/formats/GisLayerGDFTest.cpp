// GDF: files a helper writes record by record from a small road network (the
// helper's model is the expectation): separators, continued and split
// fields, field widths and record definitions, feature names, attributes,
// names and value descriptions, edge directions, complex features, and
// damaged files.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "gis/core/GisResource.h"
#include "gis/formats/GisFormatsLayers.h"
#include "gis/formats/GisLayerGDF.h"
#include "gis/viewer/GisRegistredLayers.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"
#include "tests/gis/formats/ErrorText.h"
#include "tests/gis/formats/FormatsTestSupport.h"

namespace gdftest {

using sktest::TTempDir;

/// How the helper lays records out.
struct TGdfStyle {
  int Separator = 2;  // 0, 1 (LF) or 2 (CR LF)
  bool Split = true;  // a field at the end of a record is split, else moved whole
  bool Definitions = false; // "03" widths and "04" definitions, fields in their order
};

/// One field or one count with its group.
struct TGdfItem {
  std::string Name;
  std::string Value;
  bool Number = false;
  std::vector<std::string> Members;               // a group: its member names
  std::vector<std::vector<std::string>> Elements; // and its elements
};

int DefaultWidth(const std::string& name) {
  static const std::map<std::string, int> widths = {
      {"REC_DESCR", 2}, {"G_TYPE", 1},  {"Q_PLAN", 2},   {"DESC_ID", 5},  {"NUM_COORD", 5},
      {"LAN_CODE", 3},  {"TEXT", 80},   {"FROM", 5},     {"TO", 5},       {"ABS_REL", 1},
      {"ATT_DIR", 1},   {"NUM_ATT", 5}, {"ATT_TYPE", 2}, {"FEAT_CODE", 4}, {"NUM_KNOT", 5},
      {"SPLIT_IND", 1}, {"NUM_EDGE", 5}, {"POS_NEG", 2}, {"NUM_PARTS", 5}, {"CATEGORY", 2},
      {"ATT_COUNT", 5}, {"FEAT_COD", 4}, {"FEAT_NAME", 20}, {"FEAT_SYN", 20}, {"VALUE", 10},
      {"VAL_DESC", 80}};
  auto it = widths.find(name);
  return it == widths.end() ? 10 : it->second;
}

/// Builds the 80-column records of one logical record.
class TGdfRecords {
public:
  TGdfRecords(const TGdfStyle& style, const std::map<std::string, int>& declared)
      : style_(style), declared_(declared) {}

  void Field(const std::string& name, const std::string& value, bool number) {
    auto it = declared_.find(name);
    const int w = it != declared_.end() && it->second > 0 ? it->second : DefaultWidth(name);
    std::string f = number ? std::string(std::size_t(std::max(0, w - int(value.size()))), ' ') + value
                           : value;
    f.resize(std::size_t(w), ' ');
    Put(f);
  }
  void Raw(const std::string& text) { Put(text); }

  std::vector<std::string> Finish() {
    std::vector<std::string> out = done_;
    std::string last = current_;
    last.resize(80, ' ');
    out.push_back(last);
    return out;
  }

private:
  void Put(const std::string& f) {
    const int c = int(current_.size()) + 1;
    const int w = int(f.size());
    if (c + w <= 80) {
      current_ += f;
      return;
    }
    const std::string first = f.substr(0, std::size_t(std::max(0, 80 - c)));
    // A field too wide for a continuation of its own is always split.
    if ((style_.Split || 3 + w > 80) && !Trim(first).empty()) {
      current_ += first;
      Continue();
      current_ += f.substr(first.size());
    } else {
      Continue();
      EXPECT_LE(3 + w, 80) << "a moved field must fit a continuation";
      current_ += f;
    }
  }
  void Continue() {
    current_.resize(79, ' ');
    current_ += '1';
    done_.push_back(current_);
    current_ = "00";
  }

  TGdfStyle style_;
  const std::map<std::string, int>& declared_;
  std::vector<std::string> done_;
  std::string current_;
};

struct TPoint3 {
  std::int64_t X, Y, Z;
};
struct TAttr {
  std::string Type, Value;
};
struct TLineEdge {
  std::string Edge;
  bool Negative;
};
struct TFeature {
  int Kind; // 51, 52, 54
  std::string Id;
  int Code;
  std::vector<std::string> Knots;              // 51
  std::vector<TLineEdge> Edges;                // 52
  std::string From, To;                        // 52
  std::vector<std::pair<int, std::string>> Parts; // 54
  std::vector<int> Attributes;                 // SATT_IDs
};

/// A small network: its tables and features, written as a file and read as
/// the expected shapes.
struct TGdfModel {
  std::map<std::string, std::vector<TPoint3>> Coordinates;
  std::map<std::string, std::string> Knots; // knot -> xyz
  struct TEdge {
    std::string Xyz, From, To;
  };
  std::map<std::string, TEdge> Edges;
  std::map<int, std::vector<TAttr>> Attributes;
  std::map<int, std::string> Names;
  std::map<int, std::string> Classes;
  std::vector<std::pair<std::string, std::string>> AttributeNames; // code, name
  std::map<std::string, std::string> ValueDescriptions;           // type + value
  std::vector<TFeature> Features;
  bool Header = true;

  std::string Write(const TGdfStyle& style) const {
    std::map<std::string, int> declared;
    std::map<int, std::vector<std::string>> definitions;
    if (style.Definitions) {
      declared = {{"X_COORD", 11}, {"Y_COORD", 11}, {"Z_COORD", 11}, {"EDGE_ID", 12},
                  {"FILLER", 3},   {"KNOT_ID", 8}};
      definitions[52] = {"REC_DESCR", "LIFE_ID",  "FILLER",  "FEAT_CODE", "DESC_ID",
                         "SPLIT_IND", "NUM_EDGE", "EDGE_ID", "POS_NEG",   "NUM_ATT",
                         "SATT_ID",   "TO_ID",    "FROM_ID"};
      definitions[23] = {"REC_DESCR", "XYZ_ID", "FILLER",    "G_TYPE",  "Q_PLAN",
                         "DESC_ID",   "NUM_COORD", "X_COORD1", "Y_COORD1", "Z_COORD1"};
      definitions[25] = {"REC_DESCR", "FILLER", "KNOT_ID", "XYZ_ID"};
    }
    std::vector<std::string> records;
    auto add = [&](const std::vector<std::string>& r) {
      records.insert(records.end(), r.begin(), r.end());
    };
    auto logical = [&](int type, const std::vector<TGdfItem>& items) {
      TGdfRecords rec(style, declared);
      auto it = definitions.find(type);
      if (it == definitions.end()) {
        for (const TGdfItem& item : items)
          Emit(rec, item);
      } else {
        for (const std::string& name : it->second) {
          bool found = false;
          for (const TGdfItem& item : items) {
            if (item.Name == name) {
              Emit(rec, item);
              found = true;
            } else {
              for (const auto& m : item.Members)
                if (name.find(m) != std::string::npos) found = true; // emitted with the group
            }
          }
          if (!found) rec.Field(name, "", false);
        }
      }
      add(rec.Finish());
    };

    if (Header) {
      TGdfRecords h(style, declared);
      h.Raw("01");
      h.Raw(Pad("Sample network", 20));
      h.Raw("GDF 3.0   ");
      h.Raw("EN  ");
      h.Raw("TESTCO");
      h.Raw("2026      ");
      h.Raw("         1");
      h.Raw("   1");
      h.Raw("   2");
      add(h.Finish());
    }
    for (const auto& [name, width] : declared) {
      TGdfRecords w(style, declared);
      w.Raw("03");
      w.Raw(Pad(name, 10));
      w.Raw(Right(IntToStr(width), 2));
      add(w.Finish());
    }
    for (const auto& [type, names] : definitions) {
      TGdfRecords d(style, declared);
      d.Raw("04");
      d.Raw(Right(IntToStr(type), 4));
      d.Raw(Pad("DEF", 10));
      d.Raw(Right(IntToStr(int(names.size())), 2));
      for (const auto& n : names)
        d.Raw(Pad(n, 10));
      add(d.Finish());
    }
    for (const auto& [code, name] : AttributeNames) {
      TGdfRecords a(style, declared);
      a.Raw("05" + Pad(code, 2) + "AAAABBB 1TYPE  DOMAIN      UNIT        " + name);
      add(a.Finish());
    }
    for (const auto& [code, name] : Classes)
      logical(7, {F("REC_DESCR", "07"), N("FEAT_COD", code), F("FEAT_NAME", name),
                  F("LAN_CODE", "ENG"), F("FEAT_SYN", "")});
    for (const auto& [key, desc] : ValueDescriptions)
      logical(18, {F("REC_DESCR", "18"), F("ATT_TYPE", key.substr(0, 2)), F("VALUE", key.substr(2)),
                   F("LAN_CODE", "ENG"), F("VAL_DESC", desc)});
    add({Pad("16SECTION", 80)});
    for (const auto& [id, points] : Coordinates) {
      TGdfItem g{"NUM_COORD", "", true, {"X_COORD", "Y_COORD", "Z_COORD"}, {}};
      for (const TPoint3& p : points)
        g.Elements.push_back({IntToStr(p.X), IntToStr(p.Y), IntToStr(p.Z)});
      logical(23, {F("REC_DESCR", "23"), F("XYZ_ID", id), F("G_TYPE", "1"), F("Q_PLAN", "  "),
                   F("DESC_ID", "1"), g});
    }
    for (const auto& [id, e] : Edges)
      logical(24, {F("REC_DESCR", "24"), F("EDGE_ID", id), F("XYZ_ID", e.Xyz),
                   F("FKNOT_ID", e.From), F("TKNOT_ID", e.To)});
    for (const auto& [id, xyz] : Knots)
      logical(25, {F("REC_DESCR", "25"), F("KNOT_ID", id), F("XYZ_ID", xyz)});
    for (const auto& [id, text] : Names)
      logical(41, {F("REC_DESCR", "41"), N("NAME_ID", id), F("DESC_ID", "1"),
                   F("LAN_CODE", "ENG"), F("TEXT", text)});
    for (const auto& [id, attrs] : Attributes) {
      TGdfItem g{"NUM_ATT", "", true, {"ATT_TYPE", "DESC_ID", "ATT_VAL"}, {}};
      for (const TAttr& a : attrs)
        g.Elements.push_back({a.Type, "1", a.Value});
      logical(44, {F("REC_DESCR", "44"), N("SATT_ID", id), F("FROM", "0"), F("TO", "100"),
                   F("ABS_REL", "A"), F("ATT_DIR", "0"), g});
    }
    for (const TFeature& f : Features) {
      TGdfItem attrs{"NUM_ATT", "", true, {"SATT_ID"}, {}};
      for (int a : f.Attributes)
        attrs.Elements.push_back({IntToStr(a)});
      if (f.Kind == 51) {
        TGdfItem knots{"NUM_KNOT", "", true, {"KNOT_ID"}, {}};
        for (const auto& k : f.Knots)
          knots.Elements.push_back({k});
        logical(51, {F("REC_DESCR", "51"), F("POINT_ID", f.Id), F("DESC_ID", "1"),
                     N("FEAT_CODE", f.Code), knots, attrs});
      } else if (f.Kind == 52) {
        TGdfItem edges{"NUM_EDGE", "", true, {"EDGE_ID", "POS_NEG"}, {}};
        for (const auto& e : f.Edges)
          edges.Elements.push_back({e.Edge, e.Negative ? "-" : "+"});
        logical(52, {F("REC_DESCR", "52"), F("LIFE_ID", f.Id), F("DESC_ID", "1"),
                     N("FEAT_CODE", f.Code), F("SPLIT_IND", "0"), edges, attrs,
                     F("FROM_ID", f.From), F("TO_ID", f.To)});
      } else {
        TGdfItem parts{"NUM_PARTS", "", true, {"CATEGORY", "FEAT_ID"}, {}};
        for (const auto& [cat, id] : f.Parts)
          parts.Elements.push_back({IntToStr(cat), id});
        TGdfItem count{"ATT_COUNT", "", true, {"SATT_ID"}, attrs.Elements};
        logical(54, {F("REC_DESCR", "54"), F("COMF_ID", f.Id), F("DESC_ID", "1"),
                     N("FEAT_CODE", f.Code), F("SPLIT_IND", "0"), parts, count,
                     F("FROM_ID", ""), F("TO_ID", "")});
      }
    }
    const std::string sep = style.Separator == 0 ? "" : style.Separator == 1 ? "\n" : "\r\n";
    std::string out;
    for (const auto& r : records)
      out += r + sep;
    return out;
  }

  // ---- the expected shapes -----------------------------------------------------------------
  struct TShape {
    TGIS_ShapeType Type;
    std::vector<TGIS_Point> Points;
    std::map<std::string, std::string> Fields;
  };

  std::vector<TShape> Expected() const {
    std::vector<TShape> out;
    std::map<std::string, const TFeature*> pointsSeen, linesSeen;
    for (const TFeature& f : Features) {
      if (f.Kind == 51) {
        out.push_back({gisShapeTypeMultiPoint, PointFeature(f), Fields(f)});
        pointsSeen[f.Id] = &f;
      } else if (f.Kind == 52) {
        out.push_back({gisShapeTypeArc, LineFeature(f, pointsSeen), Fields(f)});
        linesSeen[f.Id] = &f;
      } else {
        for (const auto& [cat, id] : f.Parts) {
          if (cat == 4) break;
          if (cat == 1) {
            std::vector<TGIS_Point> pts;
            auto it = pointsSeen.find(id);
            if (it != pointsSeen.end()) pts = PointFeature(*it->second);
            if (pts.size() > 1) pts = {pts.back()};
            out.push_back({gisShapeTypePoint, pts, Fields(f)});
          } else if (cat == 2 || cat == 3) {
            std::vector<TGIS_Point> pts;
            auto it = linesSeen.find(id);
            if (it != linesSeen.end()) pts = LineFeature(*it->second, pointsSeen);
            out.push_back({gisShapeTypeArc, pts, Fields(f)});
          }
        }
      }
    }
    return out;
  }

private:
  static std::string Pad(const std::string& s, std::size_t n) {
    std::string t = s;
    t.resize(n, ' ');
    return t;
  }
  static std::string Right(const std::string& s, std::size_t n) {
    return std::string(n - s.size(), ' ') + s;
  }
  static TGdfItem F(const char* name, const std::string& value) { return {name, value, false, {}, {}}; }
  static TGdfItem N(const char* name, std::int64_t value) {
    return {name, IntToStr(value), true, {}, {}};
  }
  static void Emit(TGdfRecords& rec, const TGdfItem& item) {
    if (item.Members.empty()) {
      rec.Field(item.Name, item.Value, item.Number);
      return;
    }
    rec.Field(item.Name, IntToStr(int(item.Elements.size())), true);
    const bool numbers = item.Members[0] == "X_COORD" || item.Members[0] == "CATEGORY";
    for (const auto& e : item.Elements)
      for (std::size_t m = 0; m < item.Members.size(); ++m)
        rec.Field(item.Members[m], e[m], numbers && (item.Members[m] != "FEAT_ID"));
  }

  void AddXyz(const std::string& xyz, std::vector<TGIS_Point>& pts) const {
    auto it = Coordinates.find(xyz);
    if (it == Coordinates.end()) return;
    for (const TPoint3& p : it->second)
      pts.push_back({double(p.X), double(p.Y)});
  }
  void AddKnot(const std::string& knot, std::vector<TGIS_Point>& pts) const {
    auto it = Knots.find(knot);
    if (it != Knots.end()) AddXyz(it->second, pts);
  }
  std::vector<TGIS_Point> PointFeature(const TFeature& f) const {
    std::vector<TGIS_Point> pts;
    for (const auto& k : f.Knots)
      AddKnot(k, pts);
    return pts;
  }
  std::vector<TGIS_Point> LineFeature(const TFeature& f,
                                      const std::map<std::string, const TFeature*>& points) const {
    std::vector<TGIS_Point> pts;
    auto from = points.find(f.From);
    if (from != points.end()) pts = PointFeature(*from->second);
    for (const TLineEdge& e : f.Edges) {
      auto it = Edges.find(e.Edge);
      if (it == Edges.end()) continue;
      if (e.Negative) {
        AddKnot(it->second.To, pts);
        std::vector<TGIS_Point> own;
        AddXyz(it->second.Xyz, own);
        pts.insert(pts.end(), own.rbegin(), own.rend());
        AddKnot(it->second.From, pts);
      } else {
        AddKnot(it->second.From, pts);
        AddXyz(it->second.Xyz, pts);
        AddKnot(it->second.To, pts);
      }
    }
    auto to = points.find(f.To);
    if (to != points.end()) {
      const auto more = PointFeature(*to->second);
      pts.insert(pts.end(), more.begin(), more.end());
    }
    return pts;
  }
  std::map<std::string, std::string> Fields(const TFeature& f) const {
    std::map<std::string, std::string> out;
    auto c = Classes.find(f.Code);
    out["FEATURE_NAME"] = c != Classes.end() ? c->second : "";
    for (int id : f.Attributes) {
      auto it = Attributes.find(id);
      if (it == Attributes.end()) continue;
      for (const TAttr& a : it->second) {
        std::string name = a.Type;
        for (const auto& [code, n] : AttributeNames)
          if (code == a.Type) {
            name = n;
            break;
          }
        std::string v = a.Value;
        const bool nameType = a.Type == "ON" || a.Type == "AN" || a.Type == "RN";
        Int64 nameId = 0;
        auto desc = ValueDescriptions.find(a.Type + a.Value);
        if (nameType && !v.empty() && !(v[0] >= 'A' && v[0] <= 'Z') && TryStrToInt64(v, nameId) &&
            Names.count(int(nameId)) != 0)
          v = Names.at(int(nameId));
        else if (desc != ValueDescriptions.end())
          v = desc->second;
        out[name] = v;
      }
    }
    return out;
  }
};

TGdfModel Network() {
  TGdfModel m;
  m.Coordinates = {{"1", {{0, 0, 5}}},
                   {"2", {{100, 0, 5}}},
                   {"3", {{100, 100, 7}}},
                   {"10", {{10, 1, 0}, {50, 2, 0}, {90, 1, 0}}},
                   {"11", {{101, 10, 0}, {102, 50, 0}, {101, 90, 0}}},
                   {"12", {{-1234567, 9876543, 12}, {-1234000, 9876000, 13}, {-1233000, 9875000, 14},
                           {-1232000, 9874000, 15}, {-1231000, 9873000, 16}}}};
  m.Knots = {{"101", "1"}, {"102", "2"}, {"103", "3"}};
  m.Edges = {{"201", {"10", "101", "102"}}, {"202", {"11", "102", "103"}},
             {"203", {"12", "103", "101"}}};
  m.Names = {{50, "Main Street"}, {77, "Harbour Road"}};
  m.Classes = {{4110, "Road Element"}, {4120, "Junction"}, {4165, "Road"}};
  m.AttributeNames = {{"SP", "SPEED"}, {"ON", "OFFICIAL_NAME"}, {"FW", "FORM_OF_WAY"}};
  m.ValueDescriptions = {{"FW3", "Single carriageway"}, {"RTA1", "Route A1"}};
  m.Attributes = {{1, {{"SP", "50"}, {"ON", "50"}, {"FW", "3"}}},
                  {2, {{"ON", "77"}, {"RT", "A1"}, {"SP", "77"}}},
                  {3, {{"ON", "Avenue"}}}};
  m.Features = {
      {51, "301", 4120, {"101", "102"}, {}, "", "", {}, {}},
      {51, "302", 4120, {"103"}, {}, "", "", {}, {3}},
      {52, "401", 4110, {}, {{"201", false}, {"202", false}}, "301", "999", {}, {1}},
      {52, "402", 4110, {}, {{"202", true}, {"201", true}, {"203", false}}, "", "303", {}, {2}},
      {51, "303", 4120, {"102"}, {}, "", "", {}, {}}, // after the line that names it
      {54, "501", 4165, {}, {}, "", "", {{1, "301"}, {2, "402"}, {4, ""}, {2, "401"}}, {1, 3}},
      {54, "502", 4165, {}, {}, "", "", {{1, "301"}, {4, ""}, {2, "401"}}, {}},
  };
  return m;
}

void ExpectModel(TGIS_LayerGDF& layer, const TGdfModel& model) {
  const auto expected = model.Expected();
  ASSERT_EQ(layer.GetLastUid(), int(expected.size()));
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE("shape " + IntToStr(int(i + 1)));
    TGIS_Shape* s = layer.GetShape(int(i + 1));
    ASSERT_NE(s, nullptr);
    const auto& e = expected[i];
    EXPECT_EQ(s->ShapeType(), e.Type);
    ASSERT_EQ(s->GetNumPoints(), int(e.Points.size()));
    int k = 0;
    for (int part = 0; part < s->GetNumParts(); ++part)
      for (int j = 0; j < s->GetPartSize(part); ++j, ++k) {
        EXPECT_EQ(s->GetPoint(part, j).X, e.Points[std::size_t(k)].X);
        EXPECT_EQ(s->GetPoint(part, j).Y, e.Points[std::size_t(k)].Y);
      }
    for (const auto& [name, value] : e.Fields)
      EXPECT_EQ(VarToStr(s->GetField(name)), value) << name;
  }
}

TEST(GdfLayer, NetworksInEveryLayoutGiveTheModelsShapes) {
  const TGdfModel model = Network();
  for (int separator : {0, 1, 2})
    for (bool split : {true, false})
      for (bool definitions : {false, true}) {
        SCOPED_TRACE("separator " + IntToStr(separator) + (split ? " split" : " moved") +
                     (definitions ? " with definitions" : ""));
        TTempDir dir("gdf-network");
        const std::string path = dir.Write("net.gdf", model.Write({separator, split, definitions}));
        TGIS_LayerGDF layer;
        layer.SetPath(path);
        layer.Open();
        EXPECT_EQ(layer.InfoText(),
                  "Geographic Data File GDF 3.0 EN ( TESTCO Sample network )");
        EXPECT_FALSE(layer.IsModified());
        ExpectModel(layer, model);
      }
}

TEST(GdfLayer, SpotChecksOfTheModel) {
  // The model's own claims, stated once by hand.
  const TGdfModel model = Network();
  TTempDir dir("gdf-spot");
  TGIS_LayerGDF layer;
  layer.SetPath(dir.Write("net.gdf", model.Write({})));
  layer.Open();
  // 401: from point 301 (two knots), edges 201 and 202 forward; 999 is unknown.
  TGIS_Shape* line = layer.GetShape(3);
  ASSERT_NE(line, nullptr);
  ASSERT_EQ(line->GetNumPoints(), 2 + 5 + 5);
  EXPECT_EQ(line->GetPoint(0, 2).X, 0);    // from-knot of 201
  EXPECT_EQ(line->GetPoint(0, 3).X, 10);   // 201's own points
  EXPECT_EQ(line->GetPoint(0, 11).Y, 100); // to-knot of 202
  EXPECT_EQ(VarToStr(line->GetField("SPEED")), "50");               // a number stays a number
  EXPECT_EQ(VarToStr(line->GetField("OFFICIAL_NAME")), "Main Street"); // a name id is a name
  EXPECT_EQ(VarToStr(line->GetField("FORM_OF_WAY")), "Single carriageway");
  // 402 walks 202 backwards first: its to-knot 103 (100, 100), then 101..102 reversed.
  TGIS_Shape* back = layer.GetShape(4);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->GetPoint(0, 0).Y, 100);
  EXPECT_EQ(back->GetPoint(0, 1).Y, 90);
  EXPECT_EQ(VarToStr(back->GetField("RT")), "Route A1");
  // Point 303 stands after 402, which names it: no points from it.
  EXPECT_EQ(back->GetNumPoints(), 1 + 3 + 1 + 1 + 3 + 1 + 1 + 5 + 1);
  // Complex 501: parts 1, 2, then 4 ends it.
  TGIS_Shape* part = layer.GetShape(6);
  ASSERT_NE(part, nullptr);
  EXPECT_EQ(part->ShapeType(), gisShapeTypePoint);
  EXPECT_EQ(part->GetPoint(0, 0).X, 100); // the last knot of 301
  EXPECT_EQ(VarToStr(part->GetField("FEATURE_NAME")), "Road");
  EXPECT_EQ(VarToStr(part->GetField("OFFICIAL_NAME")), "Avenue"); // attribute 3 comes last
  EXPECT_EQ(layer.GetLastUid(), 8);
}

/// A file of hand-made records (each padded to 80 columns, CR LF after each).
std::string Lines(const std::vector<std::string>& records) {
  std::string out;
  for (std::string r : records) {
    r.resize(80, ' ');
    out += r + "\r\n";
  }
  return out;
}

/// A value right-aligned in `width` columns.
std::string R(const std::string& value, std::size_t width) {
  return std::string(width - value.size(), ' ') + value;
}

/// A coordinate record with the built-in layout: id 1, the texts of its numbers.
std::string Coordinates23(const std::vector<std::string>& numbers, std::size_t planWidth = 2) {
  std::string r = "23" + R("1", 10) + "1" + std::string(planWidth, ' ') + R("1", 5) +
                  R(IntToStr(int(numbers.size() / 3)), 5);
  for (const auto& n : numbers)
    r += R(n, 10);
  return r;
}
const std::string kKnot101 = "25" + R("101", 10) + R("1", 10);
/// A point feature of the given knots (as texts) and attribute ids.
std::string Point51(const std::vector<std::string>& knots, const std::vector<std::string>& attrs = {}) {
  std::string r = "51" + R("301", 10) + R("1", 5) + "4120" + R(IntToStr(int(knots.size())), 5);
  for (const auto& k : knots)
    r += R(k, 10);
  r += R(IntToStr(int(attrs.size())), 5);
  for (const auto& a : attrs)
    r += R(a, 10);
  return r;
}

TEST(GdfLayer, FieldsTruncateNumbersAndCutAtColumn79) {
  TTempDir dir("gdf-fields");
  const std::string file =
      Lines({"16", Coordinates23({"12.7", "1234", "-3.9"}), kKnot101, Point51({"101"})});
  TGIS_LayerGDF layer;
  layer.SetPath(dir.Write("f.gdf", file));
  layer.Open();
  EXPECT_EQ(layer.InfoText(), "Geographic Data File ");
  TGIS_Shape* s = layer.GetShape(1);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->GetPoint(0, 0).X, 12);
  EXPECT_EQ(s->GetPoint(0, 0).Y, 1234);
  EXPECT_EQ(layer.Extent().XMax, 12);

  // Q_PLAN 11 columns wide puts the second Y at column 75: it is read from
  // columns 75-79 of a record that does not go on; the second Z, past
  // column 79, is empty.
  std::string wide = Coordinates23({"1", "2", "3", "4", "12345", "6"}, 11);
  wide = wide.substr(0, 74) + "12345";
  const std::string cut =
      Lines({"03Q_PLAN    11", "16", wide, kKnot101, Point51({"101"})});
  TGIS_LayerGDF layer2;
  layer2.SetPath(dir.Write("cut.gdf", cut));
  layer2.Open();
  TGIS_Shape* s2 = layer2.GetShape(1);
  ASSERT_NE(s2, nullptr);
  ASSERT_EQ(s2->GetNumPoints(), 2);
  EXPECT_EQ(s2->GetPoint(0, 1).X, 4);
  EXPECT_EQ(s2->GetPoint(0, 1).Y, 12345);
}

TEST(GdfLayer, DamagedFilesAreRefusedWithTheRecordCounter) {
  std::string continued = Point51({"101", "101", "101", "101", "101", "101"});
  continued = continued.substr(0, 76) + "   1";
  struct TCase {
    const char* Name;
    std::string File;
  };
  const TCase cases[] = {
      {"coordinate count beyond the file",
       Lines({"16", "23" + R("1", 10) + "1  " + R("1", 5) + "99999" + R("1", 10), kKnot101,
              Point51({"101"})})},
      {"a number beyond 64 bits",
       Lines({"16", Coordinates23({"1e300", "2", "3"}), kKnot101, Point51({"101"})})},
      {"a number that is no number",
       Lines({"16", kKnot101, "51" + R("301", 10) + R("1", 5) + "4120" + R("x", 5)})},
      {"a bad field width", Lines({"03X_COORD   xx", "16"})},
      {"a record that says it goes on at the end of the file",
       Lines({"16", Coordinates23({"1", "2", "3"}), kKnot101, continued})},
      {"an attribute with a blank code",
       Lines({"16", "44" + R("1", 10) + R("0", 5) + R("100", 5) + "A0" + R("1", 5) + "  " +
                        R("1", 5) + R("3", 10),
              Coordinates23({"1", "2", "3"}), kKnot101, Point51({"101"}, {"1"})})},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TTempDir dir("gdf-damaged");
    TGIS_LayerGDF layer;
    layer.SetPath(dir.Write("d.gdf", c.File));
    const std::string text = fmttest::ErrorText([&] { layer.Open(); });
    EXPECT_EQ(text.rfind("0090", 0), 0u) << text;
    EXPECT_NE(text.find("d.gdf"), std::string::npos) << text;
  }
  TTempDir dir("gdf-empty");
  TGIS_LayerGDF empty;
  empty.SetPath(dir.Write("e.gdf", ""));
  const std::string text = fmttest::ErrorText([&] { empty.Open(); });
  EXPECT_FALSE(text.empty());
  EXPECT_NE(text.rfind("0090", 0), 0u) << text; // the stream's read error
  TGIS_LayerGDF missing;
  missing.SetPath(dir / "none.gdf");
  EXPECT_FALSE(fmttest::ErrorText([&] { missing.Open(); }).empty());
}

TEST(GdfLayer, SamplesAndFactoryRow) {
  GisFormatsRegisterLayers();
  auto layer = GisCreateLayer("g", "/nowhere/x.GDF");
  EXPECT_NE(dynamic_cast<TGIS_LayerGDF*>(layer.get()), nullptr);
  TGIS_LayerGDF good;
  good.SetPath(fmttest::DataFile("gdf/good.gdf"));
  good.Open();
  EXPECT_GT(good.GetLastUid(), 0);
  TGIS_LayerGDF damaged;
  damaged.SetPath(fmttest::DataFile("gdf/damaged.gdf"));
  const std::string text = fmttest::ErrorText([&] { damaged.Open(); });
  EXPECT_EQ(text.rfind("0090", 0), 0u) << text;
}

} // namespace gdftest
