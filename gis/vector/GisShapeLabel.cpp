// Shape labels: the label text and its template language, the placement of
// the label box at the first free position around the label point, and
// labels along lines for arcs.
#include <algorithm>
#include <cmath>

#include "gis/core/GisDefsGeometry.h"
#include "gis/vector/GisLayerVector.h"
#include "gis/viewer/GisArcLabel.h"
#include "gis/viewer/GisGDI.h"
#include "gis/viewer/GisLabelsArea.h"
#include "gis/viewer/GisStyleBitmap.h"
#include "gis/viewer/GisViewer.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeGuard.h"

/// What one label placement works with (TGIS_Shape::DrawLabel).
struct TGIS_LabelPlacement {
  TGIS_Viewer* Viewer = nullptr;
  TGIS_GDI* Gdi = nullptr;
  TGIS_ParamsLabel* Label = nullptr;
  std::string Text;
  /// The base point (the screen label point, or (0, 0) under a rotation).
  TPoint Base;
  /// The screen label point.
  TPoint Screen;
  /// The local label rectangle.
  TRect Local;
  /// The distance kept from the label point, in pixels.
  int Offset = 0;
  /// The label's rotation in radians (0: none).
  double Rotate = 0;
  bool Halo = false;
};

namespace {

/// The order in which label positions are tried.
constexpr TGIS_LabelPosition POSITION_ORDER[] = {
    gisLabelPositionMiddleCenter, gisLabelPositionMiddleRight, gisLabelPositionMiddleLeft,
    gisLabelPositionUpCenter,     gisLabelPositionDownCenter,  gisLabelPositionUpRight,
    gisLabelPositionUpLeft,       gisLabelPositionDownRight,   gisLabelPositionDownLeft};

bool IsLeft(TGIS_LabelPosition p) {
  return p == gisLabelPositionUpLeft || p == gisLabelPositionMiddleLeft ||
         p == gisLabelPositionDownLeft;
}
bool IsRight(TGIS_LabelPosition p) {
  return p == gisLabelPositionUpRight || p == gisLabelPositionMiddleRight ||
         p == gisLabelPositionDownRight;
}
bool IsUp(TGIS_LabelPosition p) {
  return p == gisLabelPositionUpLeft || p == gisLabelPositionUpCenter ||
         p == gisLabelPositionUpRight;
}
bool IsDown(TGIS_LabelPosition p) {
  return p == gisLabelPositionDownLeft || p == gisLabelPositionDownCenter ||
         p == gisLabelPositionDownRight;
}

/// One field value put into a label template: as text with an empty format,
/// else through the runtime's validating Format by its kind. A value that
/// does not format gives nothing.
std::string FormattedValue(const Variant& v, const std::string& format) {
  try {
    if (format.empty()) return VarToStr(v);
    const std::string spec = "%" + format;
    switch (VarType(v)) {
    case varShortInt:
    case varSmallint:
    case varInteger:
      return Format(spec, {v.AsInteger()});
    case varByte:
    case varWord:
    case varLongWord:
      return Format(spec, {std::uint32_t(v.AsInt64())});
    case varSingle:
    case varDouble:
      return Format(spec, {Extended(v.AsDouble())});
    case varCurrency:
      return Format(spec, {v.AsCurrency()});
    case varInt64:
    case varUInt64:
      return Format(spec, {v.AsInt64()});
    case varString:
    case varOleStr:
    case varStrArg:
      return Format(spec, {v.AsString()});
    case varDate:
      return FormatDateTime(format, v.AsDateTime());
    case varBoolean:
      return VarToStr(v);
    default:
      return "";
    }
  } catch (const Exception&) {
    return "";
  }
}

} // namespace

// ---- the label text -----------------------------------------------------------------------------

std::string TGIS_Shape::GetLabelText() {
  const TGIS_ParamsLabel& label = GetParamsSection().GetLabel();
  const std::string& value = label.Value();
  if (!value.empty() && value[0] != ':') return value;
  const std::string& pattern = value.empty() ? label.Field() : value;
  if (pattern.empty()) return "";
  auto field = [this](const std::string& name) {
    try {
      return GetField(name);
    } catch (const Exception&) {
      return Variant();
    }
  };
  if (pattern[0] != ':') return FormattedValue(field(pattern), "");

  enum { TEXT, ESCAPE, FORMAT, NAME } state = TEXT;
  std::string text, format, name;
  for (std::size_t i = 1; i < pattern.size(); ++i) {
    const char c = pattern[i];
    switch (state) {
    case TEXT:
      if (c == '\\')
        state = ESCAPE;
      else if (c == '<')
        state = FORMAT;
      else
        text += c;
      break;
    case ESCAPE:
      text += c == 'n' ? '\r' : c;
      state = TEXT;
      break;
    case FORMAT:
      // '>' without a field name keeps what was gathered for the next brace.
      if (c == ':')
        state = NAME;
      else if (c == '>')
        state = TEXT;
      else
        format += c;
      break;
    case NAME:
      if (c == '>') {
        text += FormattedValue(field(name), format);
        format.clear();
        name.clear();
        state = TEXT;
      } else if (c != ' ') {
        name += c;
      }
      break;
    }
  }
  return text;
}

bool TGIS_Shape::GetLabelAnchor(TGIS_Point& point) {
  TGIS_Viewer* viewer = GetViewer();
  if (viewer != nullptr && viewer->FullPaint() &&
      (GetParamsSection().GetLabel().Position() & LabelPositionBit(gisLabelPositionFlow)) != 0) {
    TGIS_DrawableCopy copy = GetDrawableCopy(2);
    if (!copy) return false;
    point = copy->GetLabelPoint();
    FreeDrawableCopy(copy);
    return true;
  }
  point = GetLabelPoint();
  return true;
}

// ---- placing and drawing the label --------------------------------------------------------------

void TGIS_Shape::DrawLabel() {
  TGIS_Viewer* viewer = GetViewer();
  if (IsHidden() || IsDeleted() || IsEmpty() || viewer == nullptr) return;
  TGIS_ParamsSectionVector& section = GetParamsSection();
  TGIS_ParamsLabel& label = section.GetLabel();
  if (!label.Visible()) return;
  TGIS_LabelsArea& area = *viewer->LabelsArea();

  TGIS_LabelPlacement place;
  place.Viewer = viewer;
  place.Label = &label;
  place.Text = GetLabelText();
  if (place.Text.empty()) return;
  if (!label.Duplicates() && area.IsTextDrawn(place.Text)) return;

  // A shape smaller on screen than its smart size gets no label; points
  // always get theirs.
  if (ShapeType() != gisShapeTypePoint) {
    const int smart = SmartSizeOf(label, false);
    const TGIS_Extent e = GetExtent();
    if (smart > 0 &&
        ((e.XMax - e.XMin) + (e.YMax - e.YMin)) * viewer->Zoom() <= viewer->TwipsToPixels(smart))
      return;
  }

  const int w = viewer->TwipsToPixels(label.Width()), h = viewer->TwipsToPixels(label.Height());
  if (w <= 0 || h <= 0) return;

  TGIS_Point anchor;
  if (!GetLabelAnchor(anchor)) return;
  place.Screen = viewer->MapToScreen(anchor);

  TGIS_GDI* gdi = viewer->GetGDI();
  if (gdi == nullptr) return;
  place.Gdi = gdi;
  GisSetLabelFont(*gdi, label.Font(), Layer() != nullptr ? Layer()->OutCharset() : 0);
  TBitmap* boxBitmap = GisStyleBitmap(label.GetBitmap());
  gdi->PrepareBrush(label.Color(), boxBitmap, label.Pattern());
  gdi->PrepareOutlinePen(label.OutlineColor(), label.OutlineStyle(), false,
                         viewer->TwipsToPixels(label.OutlineWidth()), label.OutlinePattern(),
                         GisStyleBitmap(label.GetOutlineBitmap()));
  const int oldMode = gdi->SetGraphicsMode(GM_ADVANCED);
  const XFORM oldTransform = gdi->GetWorldTransform();
  auto restore = ScopeExit([&] {
    gdi->SetWorldTransform(oldTransform);
    gdi->SetGraphicsMode(oldMode);
  });

  place.Rotate = label.Rotate();
  if (place.Rotate != 0) {
    const float c = float(std::cos(place.Rotate)), s = float(std::sin(place.Rotate));
    gdi->ModifyWorldTransform(XFORM{c, s, -s, c, float(place.Screen.x), float(place.Screen.y)},
                              MWT_LEFTMULTIPLY);
    place.Base = TPoint(0, 0);
  } else {
    place.Base = place.Screen;
  }

  const TPoint used = area.MeasureText(*gdi, place.Text, label.Alignment(), TPoint(w, h));
  place.Local = TRect(0, 0, std::min(used.x, w), std::min(used.y, h));

  // The label keeps clear of the marker and of the chart.
  if (ShapeType() == gisShapeTypePoint || ShapeType() == gisShapeTypeMultiPoint) {
    const TGIS_ParamsMarker& marker = section.GetMarker();
    place.Offset =
        viewer->TwipsToPixels(marker.Size()) / 2 + viewer->TwipsToPixels(marker.OutlineWidth());
  }
  const TGIS_ParamsChart& chart = section.GetChart();
  if (chart.Size() != 0 && !chart.Values().empty())
    place.Offset = std::max(place.Offset, viewer->TwipsToPixels(chart.Size()) / 2);
  place.Offset += viewer->TwipsToPixels(label.OutlineWidth());

  place.Halo = label.Pattern() == bsClear && boxBitmap == nullptr &&
               ColorToRGB(label.Color()) != ColorToRGB(GisNonBlackColor(label.Font().Color));

  for (TGIS_LabelPosition position : POSITION_ORDER)
    if ((label.Position() & LabelPositionBit(position)) != 0 && PlaceLabel(position, place)) break;
}

bool TGIS_Shape::PlaceLabel(TGIS_LabelPosition position, TGIS_LabelPlacement& place) {
  TGIS_Viewer& viewer = *place.Viewer;
  TGIS_ParamsLabel& label = *place.Label;
  TRect local = place.Local;
  const int o = place.Offset;
  TPoint origin;
  origin.x = IsLeft(position)    ? place.Base.x - local.Right - o
             : IsRight(position) ? place.Base.x + o
                                 : place.Base.x - local.Right / 2;
  origin.y = IsUp(position)     ? place.Base.y - local.Bottom - o
             : IsDown(position) ? place.Base.y + o
                                : place.Base.y - local.Bottom / 2;
  if (TGIS_LayerVector* layer = Layer(); layer != nullptr && layer->PlaceLabelHook)
    layer->PlaceLabelHook(&viewer, this, position, origin, local);
  TRect rect(origin.x + local.Left, origin.y + local.Top, origin.x + local.Right,
             origin.y + local.Bottom);

  if (label.Allocator()) {
    TGIS_LabelsArea& area = *viewer.LabelsArea();
    bool free;
    if (place.Rotate == 0) {
      free = area.Allocate(viewer.ScreenToMapRect(rect));
    } else {
      // The corners of the rotated box on the map.
      TGIS_Point corners[4];
      const TPoint box[4] = {TPoint(rect.Left, rect.Top), TPoint(rect.Right, rect.Top),
                             TPoint(rect.Right, rect.Bottom), TPoint(rect.Left, rect.Bottom)};
      for (int i = 0; i < 4; ++i) {
        const TGIS_Point turned =
            GisRotatePoint({0, 0}, {double(box[i].x), double(box[i].y)}, place.Rotate);
        corners[i] =
            viewer.ScreenToMapFloat({turned.X + place.Screen.x, turned.Y + place.Screen.y});
      }
      free = area.AllocateQuad(corners[0], corners[1], corners[2], corners[3]);
    }
    if (!free) return false;
  }
  if (!label.Duplicates()) viewer.LabelsArea()->AddText(place.Text);

  const int hw = viewer.TwipsToPixels(label.OutlineWidth()) / 2;
  const TPoint frame[4] = {TPoint(rect.Left - hw - 3, rect.Top - hw - 1),
                           TPoint(rect.Right + hw + 3, rect.Top - hw - 1),
                           TPoint(rect.Right + hw + 3, rect.Bottom + hw + 1),
                           TPoint(rect.Left - hw - 3, rect.Bottom + hw + 1)};
  place.Gdi->PolygonArray(frame, 3);
  if (place.Halo) place.Gdi->Pen()->SetColor(label.Color());
  viewer.LabelsArea()->DrawText(*place.Gdi, place.Text, rect, label.Alignment(), place.Halo);
  return true;
}

// ---- labels along lines -------------------------------------------------------------------------

bool GisDrawArcLabel(TGIS_ShapeArc& styled, TGIS_Shape& points, int part, const std::string& text) {
  TGIS_Viewer* viewer = styled.GetViewer();
  if (text.empty() || points.IsEmpty() || viewer == nullptr) return false;
  if (part < 0 || part >= points.GetNumParts()) return false;
  std::vector<TGIS_Point> line;
  for (int i = 0; i < points.GetPartSize(part); ++i)
    line.push_back(points.GetPoint(part, i));
  const int charset = styled.Layer() != nullptr ? styled.Layer()->OutCharset() : 0;
  return GisDrawArcLabelPoints(*viewer, styled.GetParamsSection(), charset, line.data(),
                               int(line.size()), text);
}

void TGIS_ShapeArc::DrawLabel() {
  if (IsEmpty()) return;
  TGIS_Viewer* viewer = GetViewer();
  TGIS_ParamsLabel& label = GetParamsSection().GetLabel();
  const bool hooked = Layer() != nullptr && bool(Layer()->PlaceLabelHook);
  if (viewer == nullptr || !viewer->FullPaint() || label.Alignment() != gisLabelAlignmentFollow ||
      hooked) {
    TGIS_Shape::DrawLabel();
    return;
  }
  // Hidden or deleted lines, and invisible labels, get no label along the
  // line either.
  if (IsHidden() || IsDeleted() || !label.Visible()) return;
  TGIS_DrawableCopy copy = GetDrawableCopy(2);
  if (!copy) return;
  const std::string text = GetLabelText();
  TGIS_LabelsArea& area = *viewer->LabelsArea();
  for (int part = 0; part < copy->GetNumParts(); ++part) {
    if (label.Duplicates()) {
      GisDrawArcLabel(*this, *copy, part, text);
      continue;
    }
    if (area.IsTextDrawn(text)) break;
    if (GisDrawArcLabel(*this, *copy, part, text)) area.AddText(text);
  }
  FreeDrawableCopy(copy);
}
