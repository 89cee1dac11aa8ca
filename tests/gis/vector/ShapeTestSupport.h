// Helpers of the shape geometry tests: shapes from vertex lists, the tables
// of tests/data/shapes, and a relate engine that records what it is asked.
#pragma once

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "gis/vector/GisLayerVector.h"
#include "platform/rtl/Format.h"

using TParts = std::vector<std::vector<TGIS_Point>>;

/// A shape of the type built part by part with AddPoint.
inline std::unique_ptr<TGIS_Shape> MakeShape(TGIS_ShapeType type, const TParts& parts,
                                             TGIS_LayerVector* layer = nullptr) {
  auto s = GisCreateShapeOfType(type, 0, layer);
  for (const auto& part : parts) {
    s->AddPart();
    for (const TGIS_Point& p : part)
      s->AddPoint(p);
  }
  return s;
}

inline TParts PartsOf(const TGIS_Shape& s) {
  TParts parts;
  for (int part = 0; part < s.GetNumParts(); ++part) {
    parts.emplace_back();
    for (int i = 0; i < s.GetPartSize(part); ++i)
      parts.back().push_back(s.GetPoint(part, i));
  }
  return parts;
}

/// Relative closeness for oracle values.
inline bool Close(double a, double b, double tolerance = 1e-9) {
  return std::fabs(a - b) <= tolerance * std::max(1.0, std::max(std::fabs(a), std::fabs(b)));
}

/// One row of an oracle table: numbers read in order.
class TOracleRow {
public:
  explicit TOracleRow(std::vector<double> values) : values_(std::move(values)) {}
  double Next() { return values_.at(at_++); }
  int NextInt() { return int(Next()); }
  /// A geometry: part count, then per part the vertex count and X Y pairs.
  TParts NextParts() {
    TParts parts(static_cast<std::size_t>(NextInt()));
    for (auto& part : parts) {
      const int n = NextInt();
      for (int i = 0; i < n; ++i) {
        const double x = Next();
        part.push_back({x, Next()});
      }
    }
    return parts;
  }
  TGIS_Point NextPoint() {
    const double x = Next();
    return {x, Next()};
  }
  TGIS_Extent NextExtent() {
    const double a = Next(), b = Next(), c = Next();
    return {a, b, c, Next()};
  }

private:
  std::vector<double> values_;
  std::size_t at_ = 0;
};

/// The rows of tests/data/shapes/<name>.
inline std::vector<TOracleRow> OracleTable(const std::string& name) {
  std::vector<TOracleRow> rows;
  std::ifstream in(std::string(std::getenv("SK_TEST_DATA")) + "/shapes/" + name);
  std::string line, token;
  const TFormatSettings dot;
  while (std::getline(in, line)) {
    std::vector<double> values;
    std::istringstream words(line);
    while (words >> token)
      values.push_back(StrToFloat(token, dot));
    rows.emplace_back(std::move(values));
  }
  return rows;
}

/// A relate engine that records every question and gives a set answer.
struct TRecordingTopology : TGIS_RelateEngine {
  struct TCall {
    TGIS_ShapeType A, B;
    std::string Pattern;
    TGIS_Point FirstOfA;
  };
  static inline std::vector<TCall> Calls;
  static inline bool Answer = true;
  bool Relate(TGIS_Shape* a, TGIS_Shape* b, const std::string& pattern) override {
    Calls.push_back(
        {a->ShapeType(), b->ShapeType(), pattern, a->IsEmpty() ? TGIS_Point{} : a->GetPoint(0, 0)});
    return Answer;
  }
  /// The shapes asked to be normalised and the makeNew flag; they stay as
  /// they are.
  static inline std::vector<std::pair<TGIS_Shape*, bool>> Fixes;
  std::unique_ptr<TGIS_Shape> FixShape(TGIS_Shape* shape, bool makeNew) override {
    Fixes.push_back({shape, makeNew});
    return nullptr;
  }
};

/// Installs the recording engine for a test's scope.
struct TRecordingTopologyScope {
  TRecordingTopologyScope() {
    TRecordingTopology::Calls.clear();
    TRecordingTopology::Fixes.clear();
    TRecordingTopology::Answer = true;
    GisSetTopologyFactory([] { return std::make_unique<TRecordingTopology>(); });
  }
  ~TRecordingTopologyScope() { GisSetTopologyFactory(nullptr); }
};
