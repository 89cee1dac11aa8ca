// TGIS_LayerVector: the drawing passes (shapes, labels, charts) and thematic
// rendering.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "gis/core/GisDefsGeometry.h"
#include "gis/vector/GisLayerVector.h"
#include "gis/viewer/GisEditor.h"
#include "gis/viewer/GisViewer.h"
#include "platform/rtl/Numerics.h"
#include "platform/rtl/ScopeGuard.h"

namespace {

/// Polls the hourglass at shapes 1, 1001, 2001 ... of a pass.
constexpr int SHAKE_EVERY = 1000;
/// A computed size or colour channel that is no number, or beyond int32.
constexpr double INT32_LOW = double(std::numeric_limits<std::int32_t>::min());
constexpr double INT32_HIGH = double(std::numeric_limits<std::int32_t>::max());
/// The range ends of a logarithmic scale over ends of mixed signs.
constexpr double NO_RANGE = 1.7e308;
/// The logarithm standing in for values at or below 0 on a logarithmic scale.
constexpr double LOG_OF_NOTHING = -307;
/// A chart value whose expression is missing.
constexpr double MISSING_CHART_VALUE = 1.7e308;

enum : std::size_t { SAVED_LINE, SAVED_AREA, SAVED_MARKER, SAVED_LABEL, SAVED_CHART };

bool AnySectionVisible(const std::vector<TGIS_ParamsSection*>& sections) {
  for (const TGIS_ParamsSection* s : sections)
    if (s->Visible()) return true;
  return false;
}

bool HasLabelText(const TGIS_ParamsLabel& label) {
  return !label.Field().empty() || !label.Value().empty();
}

/// The render parameters of the current section ask for thematic rendering.
bool RendersThematically(TGIS_ParamsSectionVector& section) {
  TGIS_ParamsRender& render = section.GetRender();
  return render.Expression() != nullptr || !render.Chart().empty();
}

/// One set of the render parameters: a value range with its zones, sizes and
/// colours.
struct TRenderSet {
  int Zones;
  double Low, High;
  std::int32_t StartSize, EndSize;
  std::uint32_t StartColor, EndColor;
};

/// R of the thematic rendering: the nearest integer, halves to even; false
/// for a value that is no number or lies beyond int32.
bool RoundChecked(double v, std::int64_t& out) {
  if (!std::isfinite(v) || v < INT32_LOW - 1 || v > INT32_HIGH + 1) return false;
  out = Round(v);
  return out >= INT32_LOW && out <= INT32_HIGH;
}

/// S + R((v - low) × (E - S) / (high - low)) per channel, clamped to 0..255.
bool InterpolateColor(const TRenderSet& set, double v, double low, double high,
                      std::uint32_t& color) {
  std::uint32_t result = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const int s = int((set.StartColor >> shift) & 0xFF), e = int((set.EndColor >> shift) & 0xFF);
    std::int64_t step = 0;
    if (!RoundChecked((v - low) * (e - s) / (high - low), step)) return false;
    const std::int64_t c = std::clamp<std::int64_t>(s + step, 0, 255);
    result |= std::uint32_t(c) << shift;
  }
  color = result;
  return true;
}

/// StartSize + R((EndSize - StartSize) × v / (high - low)): the value
/// itself is scaled, not its distance from the low end.
bool InterpolateSize(const TRenderSet& set, double v, double low, double high, std::int32_t& size) {
  std::int64_t step = 0;
  if (!RoundChecked((double(set.EndSize) - set.StartSize) * v / (high - low), step)) return false;
  const std::int64_t s = set.StartSize + step;
  if (s < INT32_LOW || s > INT32_HIGH) return false;
  size = std::int32_t(s);
  return true;
}

} // namespace

// ---- helpers of the passes ----------------------------------------------------------------------

bool TGIS_LayerVector::IsEditedShape(const TGIS_Shape& shape) const {
  const TGIS_Shape* edited = EditedShape();
  return edited != nullptr && (&shape == edited || shape.Uid() == edited->Uid());
}

TGIS_Shape* TGIS_LayerVector::EditedShape() const {
  if (viewer_ == nullptr) return nullptr;
  TGIS_Editor* editor = viewer_->Editor();
  if (editor == nullptr || !editor->InEdit() || editor->GetLayer() != this) return nullptr;
  return dynamic_cast<TGIS_Shape*>(editor->Shape());
}

void TGIS_LayerVector::ForEachDrawnShape(const std::function<void(TGIS_Shape&)>& body) {
  TGIS_Extent extent{0, 0, 0, 0};
  GetDrawExtentClipped(extent);
  int count = 0;
  for (TGIS_Shape* shape = FindFirst(extent, "", true); shape != nullptr; shape = FindNext()) {
    if (++count % SHAKE_EVERY == 1 && HourglassShake()) return;
    if (viewer_->IncrementalPainting() && !IncrementalPaint()) return;
    bool endPass = false;
    const TGIS_ParamsSectionVector* section = ChooseParamsSection(*shape, endPass);
    if (section == nullptr) continue;
    if (!section->Visible()) {
      if (endPass) return;
      continue;
    }
    body(*shape);
  }
}

// ---- the shape pass -----------------------------------------------------------------------------

bool TGIS_LayerVector::DrawDefault() {
  if (viewer_ == nullptr || !(viewer_->Zoom() > 0)) return false;
  labelsPending_ = bool(PaintShapeLabelHook);
  chartsPending_ = bool(PaintShapeChartHook);
  SelectParamsSections("");
  if (!AnySectionVisible(ActiveSections())) return false;

  drawing_ = true;
  auto failure = ScopeExit([this] { labelsPending_ = chartsPending_ = false; });
  auto done = ScopeExit([this] { drawing_ = false; });
  TGIS_Editor* editor = viewer_->Editor();
  bool any = false;
  ForEachDrawnShape([&](TGIS_Shape& shape) {
    const TGIS_ParamsLabel& label = shape.GetParamsSection().GetLabel();
    if (label.Visible() && HasLabelText(label)) labelsPending_ = true;
    if (!RendersThematically(GetParamsSection())) {
      DrawShape(&shape);
      any = true;
    } else if (ApplyRender(&shape, 0)) {
      auto restore = ScopeExit([this] { RestoreRenderedStyles(); });
      DrawShape(&shape);
      any = true;
    }
    if (editor != nullptr && editor->ShowTracking() && EditedShape() != nullptr &&
        !IsEditedShape(shape))
      shape.DrawVertices();
  });
  failure.Dismiss();
  return any;
}

void TGIS_LayerVector::DrawShape(TGIS_Shape* shape) {
  if (!shape->GetParamsSection().GetChart().Values().empty()) chartsPending_ = true;
  if (PaintShapeHook)
    PaintShapeHook(viewer_, shape);
  else
    shape->Draw();
  if (viewer_ == nullptr || viewer_->IncrementalPainting()) return;
  if (!LabelsOnTop() || !viewer_->OverlaysInUse()) return;
  // The chart, then the label, each into its overlay.
  for (const bool charts : {true, false}) {
    if (!(charts ? chartsPending_ : labelsPending_)) continue;
    const std::uint8_t previous =
        charts ? viewer_->SwitchToChartsOverlay() : viewer_->SwitchToLabelsOverlay();
    auto back = ScopeExit([&] { viewer_->RestoreTarget(previous); });
    const TGIS_ShapePaintEvent& hook = charts ? PaintShapeChartHook : PaintShapeLabelHook;
    if (hook)
      hook(viewer_, shape);
    else if (charts)
      shape->DrawChart();
    else
      shape->DrawLabel();
  }
}

void TGIS_LayerVector::DrawEditor() {
  if (viewer_ == nullptr || !(viewer_->Zoom() > 0)) return;
  TGIS_Editor* editor = viewer_->Editor();
  if (editor == nullptr || editor->GetLayer() != this) return;
  if (auto* shape = dynamic_cast<TGIS_Shape*>(editor->Shape())) shape->DrawVertexLabels();
}

// ---- the label and chart passes -----------------------------------------------------------------

void TGIS_LayerVector::DrawLabels() {
  if (viewer_ == nullptr || viewer_->Zoom() == 0) return;
  TGIS_LayerAbstract::DrawLabels();
}

void TGIS_LayerVector::DrawCharts() {
  if (viewer_ == nullptr || viewer_->Zoom() == 0) return;
  TGIS_LayerAbstract::DrawCharts();
}

bool TGIS_LayerVector::DrawLabelsDefault() {
  return DrawOverlayPass(true);
}

bool TGIS_LayerVector::DrawChartsDefault() {
  return DrawOverlayPass(false);
}

bool TGIS_LayerVector::DrawOverlayPass(bool labels) {
  if (viewer_ == nullptr || !(viewer_->Zoom() > 0)) return false;
  bool& pending = labels ? labelsPending_ : chartsPending_;
  const std::uint8_t target = viewer_->TargetKind();
  if (target == gisTargetDC || target == gisTargetPrinterTile) pending = true;
  if (!pending) return false;
  auto done = ScopeExit([&] {
    pending = false;
    drawing_ = false;
  });
  SelectParamsSections("");
  if (ActiveSections().empty()) return false;
  drawing_ = true;
  if (HourglassShake()) return false;

  const TGIS_ShapePaintEvent& hook = labels ? PaintShapeLabelHook : PaintShapeChartHook;
  bool any = false;
  ForEachDrawnShape([&](TGIS_Shape& shape) {
    if (IsEditedShape(shape)) return;
    TGIS_ParamsSectionVector& own = shape.GetParamsSection();
    const TGIS_ParamsLabel& label = own.GetLabel();
    const bool charted = own.GetChart().Size() != 0;
    const bool wanted = labels ? (label.Visible() && (HasLabelText(label) || hook)) || charted
                               : charted || bool(hook);
    if (!wanted) return;
    const bool rendered = RendersThematically(GetParamsSection());
    if (rendered && !ApplyRender(&shape, 0)) return;
    auto restore = ScopeExit([&] {
      if (rendered) RestoreRenderedStyles();
    });
    if (hook)
      hook(viewer_, &shape);
    else if (labels)
      shape.DrawLabel();
    else
      shape.DrawChart();
    any = true;
  });
  return any;
}

// ---- thematic rendering -------------------------------------------------------------------------

namespace {

/// What the render parameters give for one value.
struct TRendered {
  std::int32_t Size;
  std::uint32_t Color;
  /// The size or a colour channel came out no number, or beyond int32.
  bool Fault = false;
};

TRenderSet PrimarySet(const TGIS_ParamsRender& r, double lo, double hi) {
  return {r.Zones(), lo, hi, r.StartSize(), r.EndSize(), r.StartColor(), r.EndColor()};
}

TRenderSet SecondSet(const TGIS_ParamsRender& r, double lo, double hi) {
  return {r.ZonesEx(), lo, hi, r.StartSizeEx(), r.EndSizeEx(), r.StartColorEx(), r.EndColorEx()};
}

/// The size and colour of the value v: the defaults unless v lies in the
/// range and the set it falls in has zones. A value that could not be
/// evaluated stands at the range's low end.
TRendered RenderValue(const TGIS_ParamsRender& r, double v, bool evaluated) {
  TRendered out{r.SizeDefault(), r.ColorDefault()};
  const double lo = std::min(r.MinVal(), r.MaxVal()), hi = std::max(r.MinVal(), r.MaxVal());
  const double loEx = std::min(r.MinValEx(), r.MaxValEx());
  const double hiEx = std::max(r.MinValEx(), r.MaxValEx());
  const double eps = std::max({0.0, (hi - lo) / 1e12, (hiEx - loEx) / 1e15});
  double low = r.Zones() != 0 ? lo : loEx, high = r.Zones() != 0 ? hi : hiEx;
  if (r.ZonesEx() != 0) {
    low = std::min(loEx, low);
    high = std::max(hiEx, high);
  }
  if (!evaluated) v = low;
  if (!(low - eps < v && v - eps < high)) return out;
  const bool primary = lo - eps < v && v - eps < hi;
  const TRenderSet set = primary ? PrimarySet(r, lo, hi) : SecondSet(r, loEx, hiEx);
  if (set.Zones == 0) return out;
  low = set.Low;
  high = set.High;
  if (set.Zones < 0) {
    // A logarithmic scale; its arguments are checked, never trapped.
    const double sign = set.Low > 0 && set.High > 0 ? 1 : -1;
    if (low * sign > 0 && high * sign > 0) {
      low = std::log10(low * sign);
      high = std::log10(high * sign);
    } else {
      low = high = NO_RANGE;
    }
    v = v * sign > 0 ? std::log10(v * sign) : LOG_OF_NOTHING;
    if (!std::isfinite(v)) v = low;
  }
  if (high == low) return out;
  out.Fault = !InterpolateColor(set, v, low, high, out.Color) ||
              !InterpolateSize(set, v, low, high, out.Size);
  return out;
}

} // namespace

bool TGIS_LayerVector::ApplyRender(TGIS_Shape* shape, double value) {
  TGIS_ParamsRender& render = GetParamsSection().GetRender();
  TRendered result{render.SizeDefault(), render.ColorDefault()};
  if (render.Expression() != nullptr) {
    // The query language reports a failed evaluation only through the
    // default it is given.
    double v = value;
    if (shape != nullptr)
      v = render.Expression()->EvaluateNumber(shape, std::numeric_limits<double>::quiet_NaN(),
                                              *this);
    const bool evaluated = !std::isnan(v);
    result = RenderValue(render, v, evaluated);
    if (!evaluated || result.Fault) {
      if (render.SizeDefault() == GIS_RENDER_SIZE || render.ColorDefault() == GIS_RENDER_COLOR)
        return false;
      if (result.Fault) result = {render.SizeDefault(), render.ColorDefault()};
    }
  }
  if (!render.Chart().empty() && shape != nullptr) {
    std::vector<double> values;
    for (const auto& query : render.ChartQueries())
      values.push_back(query ? query->EvaluateNumber(shape, 0, *this) : MISSING_CHART_VALUE);
    GetParamsSection().GetChart().SetRenderedValues(std::move(values));
  }
  ApplyRenderedStyles(result.Size, result.Color);
  return true;
}

void TGIS_LayerVector::ApplyRenderedStyles(std::int32_t size, std::uint32_t color) {
  // The styles are the layer's section's, reached again after the
  // evaluations so that no shape stands behind the section.
  TGIS_ParamsSectionVector& styles = GetParamsSection();
  savedSectionSerial_ = styles.Serial();
  for (TSavedStyle& saved : savedStyles_)
    saved.Saved = false;
  auto save = [this](std::size_t slot, TGIS_ParamsVector& params) {
    TSavedStyle& saved = savedStyles_[slot];
    if (saved.Saved) return;
    saved.Copy = params.CreateCopy();
    saved.Serial = params.Serial();
    saved.Saved = true;
  };
  auto sized = [&](std::size_t slot, TGIS_ParamsVector& params, std::int32_t current, auto&& set) {
    if (current != GIS_RENDER_SIZE) return;
    save(slot, params);
    set(size);
  };
  auto colored = [&](std::size_t slot, TGIS_ParamsVector& params, std::uint32_t current,
                     auto&& set) {
    if (current != GIS_RENDER_COLOR) return;
    save(slot, params);
    set(color);
  };

  TGIS_ParamsLine& line = styles.GetLine();
  sized(SAVED_LINE, line, line.Width(), [&](std::int32_t v) { line.SetWidth(v); });
  sized(SAVED_LINE, line, line.OutlineWidth(), [&](std::int32_t v) { line.SetOutlineWidth(v); });
  colored(SAVED_LINE, line, line.Color(), [&](std::uint32_t v) { line.SetColor(v); });
  colored(SAVED_LINE, line, line.OutlineColor(), [&](std::uint32_t v) { line.SetOutlineColor(v); });

  TGIS_ParamsArea& area = styles.GetArea();
  colored(SAVED_AREA, area, area.Color(), [&](std::uint32_t v) { area.SetColor(v); });
  colored(SAVED_AREA, area, area.OutlineColor(), [&](std::uint32_t v) { area.SetOutlineColor(v); });
  sized(SAVED_AREA, area, area.OutlineWidth(), [&](std::int32_t v) { area.SetOutlineWidth(v); });

  TGIS_ParamsMarker& marker = styles.GetMarker();
  sized(SAVED_MARKER, marker, marker.Size(), [&](std::int32_t v) { marker.SetSize(v); });
  sized(SAVED_MARKER, marker, marker.OutlineWidth(),
        [&](std::int32_t v) { marker.SetOutlineWidth(v); });
  colored(SAVED_MARKER, marker, marker.Color(), [&](std::uint32_t v) { marker.SetColor(v); });
  colored(SAVED_MARKER, marker, marker.OutlineColor(),
          [&](std::uint32_t v) { marker.SetOutlineColor(v); });

  TGIS_ParamsLabel& label = styles.GetLabel();
  colored(SAVED_LABEL, label, label.Color(), [&](std::uint32_t v) { label.SetColor(v); });
  colored(SAVED_LABEL, label, label.OutlineColor(),
          [&](std::uint32_t v) { label.SetOutlineColor(v); });
  sized(SAVED_LABEL, label, label.OutlineWidth(),
        [&](std::int32_t v) { label.SetOutlineWidth(v); });
  sized(SAVED_LABEL, label, label.Font().Size, [&](std::int32_t v) { label.Font().Size = v; });
  colored(SAVED_LABEL, label, label.Font().Color, [&](std::uint32_t v) { label.Font().Color = v; });

  TGIS_ParamsChart& chart = styles.GetChart();
  sized(SAVED_CHART, chart, chart.Size(), [&](std::int32_t v) { chart.SetSize(v); });
}

void TGIS_LayerVector::RestoreRenderedStyles() {
  if (savedSectionSerial_ == 0) return; // nothing rendered since the last restore
  TGIS_ParamsSectionVector& section = GetParamsSection();
  TGIS_ParamsVector* params[] = {&section.GetLine(), &section.GetArea(), &section.GetMarker(),
                                 &section.GetLabel(), &section.GetChart()};
  for (std::size_t slot = 0; slot < savedStyles_.size(); ++slot) {
    TSavedStyle& saved = savedStyles_[slot];
    if (!saved.Saved) continue;
    params[slot]->Assign(*saved.Copy);
    params[slot]->RestoreSerial(saved.Serial);
    saved.Saved = false;
  }
  section.RestoreSerial(savedSectionSerial_);
  savedSectionSerial_ = 0;
}
