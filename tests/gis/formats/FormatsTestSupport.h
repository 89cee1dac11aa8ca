// Shared by the vector-format tests: fixture paths, the GDAL reference dumps
// (tests/data/dump_ogr.py) and their comparison with a layer.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "gis/core/GisResource.h"
#include "gis/vector/GisLayerVector.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"
#include "tests/support/RunTool.h"
#include "tests/support/TempDir.h"

namespace fmttest {

inline std::string DataDir() {
  const char* root = std::getenv("SK_TEST_DATA");
  return std::string(root ? root : "tests/data");
}

inline std::string DataFile(const std::string& name) {
  return DataDir() + "/" + name;
}

/// Copies the files of a fixture set ("shp/points" + each extension) into a folder.
inline void CopyFixture(const std::string& stem, const std::vector<std::string>& extensions,
                        const sktest::TTempDir& dir, const std::string& as) {
  for (const auto& ext : extensions) {
    const std::string from = DataFile(stem + ext);
    if (!std::filesystem::exists(from)) continue;
    std::filesystem::copy_file(from, dir / (as + ext),
                               std::filesystem::copy_options::overwrite_existing);
  }
}

inline std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> out;
  std::size_t at = 0;
  for (;;) {
    const std::size_t end = text.find(separator, at);
    out.push_back(text.substr(at, end == std::string::npos ? std::string::npos : end - at));
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return out;
}

inline std::uint64_t HexBits(const std::string& hex) {
  std::uint64_t v = 0;
  for (char c : hex)
    v = (v << 4) | std::uint64_t(c <= '9' ? c - '0' : c - 'a' + 10);
  return v;
}

inline std::uint64_t BitsOf(double d) {
  std::uint64_t v;
  std::memcpy(&v, &d, 8);
  return v;
}

/// The message of the kernel's exception that `action` raises ('' for none).
inline std::string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const EGIS_Exception& e) {
    return e.what();
  }
  return "";
}

/// 16 lower-case hex digits.
inline std::string Hex16(std::uint64_t v) {
  std::string out(16, '0');
  for (int i = 15; i >= 0; --i, v >>= 4)
    out[std::size_t(i)] = "0123456789abcdef"[v & 15];
  return out;
}

/// The FNV-1a 64 hash of a text, as 16 lower-case hex digits (the digested dumps).
inline std::string Fnv1a64(const std::string& text) {
  std::uint64_t h = 0xcbf29ce484222325ull;
  for (unsigned char c : text)
    h = (h ^ c) * 0x100000001b3ull;
  return Hex16(h);
}

/// Whether GDAL's Python bindings can be run for live checks.
inline bool HaveGdal() {
  static const int have = std::system("/usr/bin/python3 -c 'import osgeo.ogr' >/dev/null 2>&1");
  return have == 0;
}

/// GDAL's dump of a vector file (live).
inline std::string GdalDump(const std::string& path) {
  return sktest::RunTool("/usr/bin/python3 " + DataFile("dump_ogr.py") + " '" + path + "'");
}

/// Compares a layer with a dump: the shape of FID f is UID f + 1, its parts
/// and X/Y bit-equal, each attribute equal as its field type reads it.
/// Returns the number of features compared.
inline int CompareWithDump(TGIS_LayerVector& layer, const std::string& dump, int uidOffset = 1) {
  int compared = 0;
  for (const std::string& line : Split(dump, '\n')) {
    if (line.empty()) continue;
    const auto columns = Split(line, '\t');
    const auto geometry = Split(columns[0], '|');
    const std::int32_t uid = StrToInt(geometry[0]) + uidOffset;
    SCOPED_TRACE(line);
    TGIS_Shape* shape = layer.GetShape(uid);
    if (geometry.size() == 1) {
      EXPECT_TRUE(shape == nullptr || shape->IsEmpty());
      ++compared;
      continue;
    }
    if (shape == nullptr) {
      ADD_FAILURE() << "no shape " << uid;
      continue;
    }
    EXPECT_EQ(shape->Uid(), uid);
    if (geometry.size() > 1 && !geometry[1].empty() && geometry[1][0] == '#') {
      // A digested dump: per part its vertex count and the hash of its text.
      EXPECT_EQ(shape->GetNumParts(), int(geometry.size()) - 1);
      shape->Lock(2);
      for (int p = 0; p < shape->GetNumParts() && p + 1 < int(geometry.size()); ++p) {
        std::string text;
        for (int i = 0; i < shape->GetPartSize(p); ++i) {
          const TGIS_Point pt = shape->GetPoint(p, i);
          if (i > 0) text += ' ';
          text += Hex16(BitsOf(pt.X)) + "," + Hex16(BitsOf(pt.Y));
        }
        EXPECT_EQ("#" + IntToStr(shape->GetPartSize(p)) + ":" + Fnv1a64(text),
                  geometry[std::size_t(p) + 1])
            << "part " << p;
      }
      shape->Unlock();
      ++compared;
      continue;
    }
    // A multipoint is one part of points in our model, points in GDAL's.
    std::vector<std::string> vertices;
    std::vector<int> partSizes;
    for (std::size_t p = 1; p < geometry.size(); ++p) {
      auto v = Split(geometry[p], ' ');
      partSizes.push_back(int(v.size()));
      vertices.insert(vertices.end(), v.begin(), v.end());
    }
    if (shape->ShapeType() != gisShapeTypeMultiPoint) {
      EXPECT_EQ(shape->GetNumParts(), int(partSizes.size()));
      if (shape->GetNumParts() != int(partSizes.size())) continue;
      for (int p = 0; p < shape->GetNumParts(); ++p)
        EXPECT_EQ(shape->GetPartSize(p), partSizes[std::size_t(p)]);
    }
    EXPECT_EQ(shape->GetNumPoints(), int(vertices.size()));
    if (shape->GetNumPoints() != int(vertices.size())) continue;
    int k = 0;
    shape->Lock(2);
    for (int p = 0; p < shape->GetNumParts(); ++p)
      for (int i = 0; i < shape->GetPartSize(p); ++i, ++k) {
        const auto xy = Split(vertices[std::size_t(k)], ',');
        const TGIS_Point pt = shape->GetPoint(p, i);
        EXPECT_EQ(BitsOf(pt.X), HexBits(xy[0])) << "vertex " << k;
        EXPECT_EQ(BitsOf(pt.Y), HexBits(xy[1])) << "vertex " << k;
      }
    shape->Unlock();
    // Columns match fields by position; a deleted field is a column kept
    // without values.
    for (std::size_t c = 1; c < columns.size(); ++c) {
      const int field = int(c) - 1;
      if (field >= layer.FieldCount()) {
        ADD_FAILURE() << "more values than fields";
        break;
      }
      const TGIS_FieldInfo& info = *layer.GetFieldInfo(field);
      if (info.Deleted) continue;
      const Variant v = shape->GetField(info.NewName);
      const std::string& expected = columns[c];
      SCOPED_TRACE(info.NewName);
      if (expected == "<null>") {
        // Blank numbers and dates read as the dBASE table's own values for them.
        if (info.FieldType == gisFieldTypeString) {
          EXPECT_TRUE(v.IsNull() || v.AsString().empty());
        }
        continue;
      }
      switch (info.FieldType) {
      case gisFieldTypeNumber:
      case gisFieldTypeFloat: {
        const double e = StrToFloat(expected);
        EXPECT_NEAR(v.AsDouble(), e, std::fabs(e) * 1e-12 + 1e-12);
        break;
      }
      case gisFieldTypeDate: {
        Word y, m, d;
        DecodeDate(v.AsDateTime(), y, m, d);
        EXPECT_EQ(Format("%.4d/%.2d/%.2d", {int(y), int(m), int(d)}), expected);
        break;
      }
      default:
        EXPECT_EQ(v.AsString(), expected);
      }
    }
    ++compared;
  }
  return compared;
}

} // namespace fmttest
