// 100 000 points with 5-pixel markers and labels from a text field, placed
// with the labels area (Allocator on), painted in full into a 1920 x 1080
// window; beside the same layer without labels and beside plain TextOut of
// the same texts at the points. Prints ms per paint, the labels accepted,
// µs per Allocate (the paint's label boxes replayed into a labels area) and
// the peak resident memory.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/gis/vector/ShapeDrawBench.h"
#include "bench/support/RatioReporter.h"
#include "gis/viewer/GisGDI.h"
#include "platform/graphics/Bitmap.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Ticks.h"

namespace {

using namespace shape_draw_bench;

constexpr int kPoints = 100000;

struct TBenchPoint {
  TGIS_Point At;
  std::string Name;
};

/// The points and their texts, the same for every run.
const std::vector<TBenchPoint>& Points() {
  static const std::vector<TBenchPoint> all = [] {
    TRandomGenerator random(20261211);
    std::vector<TBenchPoint> out;
    out.reserve(kPoints);
    for (int i = 0; i < kPoints; ++i)
      out.push_back({{random.Next() * kWidth, random.Next() * kHeight}, Format("P%d", {i})});
    return out;
  }();
  return all;
}

/// The viewer with the points; their labels come from the NAME field when
/// `labelled`.
struct TPointsViewer : TBenchViewer {
  explicit TPointsViewer(bool labelled) {
    layer->AddField("NAME", gisFieldTypeString, 10, 0);
    for (const TBenchPoint& p : Points()) {
      TGIS_Shape* s = layer->CreateShape(gisShapeTypePoint);
      s->AddPart();
      s->AddPoint(p.At);
      s->SetField("NAME", p.Name);
    }
    TGIS_ParamsSectionVector& section = layer->GetParamsSection();
    section.GetMarker().SetSize(-5);
    section.GetChart().SetSize(0);
    section.GetLabel().SetField(labelled ? "NAME" : "");
    section.GetLabel().SetAllocator(true);
    // Every paint starts with an empty labels area; labels stay inside the view.
    viewer->SetFullPaint(true);
    viewer->OnAfterPaint = [this](TPersistent*) { accepted = viewer->LabelsArea()->Count(); };
  }
  int accepted = 0;
};

void BM_PointsWithLabels(benchmark::State& state) {
  TPointsViewer b(true);
  for (auto _ : state)
    b.FullPaint();
  state.counters["labels_accepted"] = b.accepted;
  state.counters["peak_rss_MiB"] = PeakRssMiB();
  state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_PointsWithLabels)->Unit(benchmark::kMillisecond);

void BM_PointsWithoutLabels(benchmark::State& state) {
  TPointsViewer b(false);
  for (auto _ : state)
    b.FullPaint();
  state.counters["peak_rss_MiB"] = PeakRssMiB();
  state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_PointsWithoutLabels)->Unit(benchmark::kMillisecond);

/// The texts drawn with TextOut at their points, in the labels' font, on a
/// bitmap of the window's size: what drawing every label costs without
/// measuring, placing or reserving.
void BM_RawTextOut(benchmark::State& state) {
  TBitmap target(kWidth, kHeight, pf24bit);
  auto gdi = TGIS_GDI::CreateForBitmap(&target);
  const TGIS_ParamsFont font; // the label font's defaults
  gdi->Font()->SetName(font.Name);
  gdi->Font()->SetSize(font.Size);
  gdi->Font()->SetColor(font.Color);
  gdi->Brush()->SetColor(0xFFFFFF);
  gdi->SetBkMode(TRANSPARENT);
  for (auto _ : state)
    for (const TBenchPoint& p : Points())
      gdi->TextOut(int(p.At.X) + 4, kHeight - int(p.At.Y) - 12, p.Name);
  state.counters["peak_rss_MiB"] = PeakRssMiB();
  state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_RawTextOut)->Unit(benchmark::kMillisecond);

/// Every label box one paint tries, replayed into an empty labels area in
/// the same order: µs per Allocate through the items rate.
void BM_AllocateLabelBoxes(benchmark::State& state) {
  TPointsViewer b(true);
  std::vector<TGIS_Extent> boxes;
  b.layer->PlaceLabelHook = [&](TGIS_Viewer* v, TGIS_Shape*, TGIS_LabelPosition, TPoint& o,
                                TRect& r) {
    boxes.push_back(
        v->ScreenToMapRect(TRect(o.x + r.Left, o.y + r.Top, o.x + r.Right, o.y + r.Bottom)));
  };
  b.FullPaint();
  int accepted = 0;
  for (auto _ : state) {
    TGIS_LabelsArea area(b.viewer); // the view's rule too: FullPaint is on
    accepted = 0;
    for (const TGIS_Extent& e : boxes)
      accepted += area.Allocate(e);
    benchmark::DoNotOptimize(accepted);
  }
  state.counters["allocations"] = double(boxes.size());
  state.counters["labels_accepted"] = accepted;
  state.counters["time_per_Allocate"] = benchmark::Counter(
      double(state.iterations()) * double(boxes.size()),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
  state.SetItemsProcessed(state.iterations() * std::int64_t(boxes.size()));
}
BENCHMARK(BM_AllocateLabelBoxes)->Unit(benchmark::kMillisecond);

const bool ratios = AddBenchRatio("100k points, labelled / unlabelled", "BM_PointsWithLabels",
                                  "BM_PointsWithoutLabels") &&
                    AddBenchRatio("100k points, labelled / raw TextOut of the texts",
                                  "BM_PointsWithLabels", "BM_RawTextOut");

} // namespace
