// The GisArcLabel module: labels along lines. A label looks for a stretch of
// the line straight enough for its text, keeps the text upright (reading left
// to right), sits beside the line and reserves its quadrilateral in the
// viewer's labels area.
//
// The search and the drawing work on a line part given as map points and the
// style section of its shape; the arc shape's entry only hands them over.
#pragma once

#include <string>
#include <vector>

#include "gis/core/GisDefsGeometry.h"
#include "platform/graphics/GdiTypes.h"

class TGIS_Viewer;
class TGIS_GDI;
class TGIS_ParamsSectionVector;
struct TGIS_ParamsFont;

/// Where a label along a line goes, in screen pixels.
struct TGIS_ArcLabelPlace {
  /// The chord's ends after the shift beside the line and the swap.
  TPoint start, end;
  /// The text's baseline-side edge (start, end) and the opposite edge.
  TPoint textStart, textEnd, oppositeStart, oppositeEnd;
  /// The ends were swapped so that the text runs left to right.
  bool swapped = false;
  /// The text's top-left corner and its angle (radians, clockwise on screen).
  TPoint topLeft;
  double angle = 0;
  /// The largest distance of the chord's inner vertices from it.
  double deviation = 0;
};

/// What the search needs of the label's style and text.
struct TGIS_ArcLabelRequest {
  int textWidth = 0, textHeight = 0;
  /// Half the line's width in pixels (line width + 2 × outline width).
  int lineOffset = 0;
  /// The text is centred on the line (position MIDDLECENTER).
  bool middleCenter = false;
  /// Placements must be accepted by the viewer's labels area.
  bool useAllocator = true;
};

/// The screen polyline of a line part: its first point and every following
/// one more than 4 pixels (rounded) from the last one taken.
std::vector<TPoint> GisArcLabelScreenLine(TGIS_Viewer& viewer, const TGIS_Point* points, int count);

/// Looks for a place for the label along the screen polyline; false when the
/// line is too short or too bent, or every place is taken.
bool GisFindArcLabelPlace(TGIS_Viewer& viewer, const std::vector<TPoint>& line,
                          const TGIS_ArcLabelRequest& request, TGIS_ArcLabelPlace& place);

/// Draws the text at the place found (the context's font and colours set by
/// the caller), with a halo when asked.
void GisDrawArcLabelText(TGIS_GDI& gdi, const std::string& text,
                         const TGIS_ArcLabelRequest& request, const TGIS_ArcLabelPlace& place,
                         bool halo);

/// The context's font becomes a label's font: name, size and style, the
/// character set given, the colour through the non-black rule.
void GisSetLabelFont(TGIS_GDI& gdi, const TGIS_ParamsFont& font, int charset);

/// Sets the context up for a label of the section's label style (its font
/// with the character set, the font colour through the non-black rule, a
/// clear brush, the halo colour as pen) and measures the text: the request
/// the search needs, the offset from the section's line width.
TGIS_ArcLabelRequest GisPrepareArcLabel(TGIS_Viewer& viewer, TGIS_GDI& gdi,
                                        TGIS_ParamsSectionVector& section, int charset,
                                        const std::string& text);

/// A label along one line part (map points) in the section's style, drawn on
/// the viewer's current context: false for an empty text or when no place
/// is found.
bool GisDrawArcLabelPoints(TGIS_Viewer& viewer, TGIS_ParamsSectionVector& section, int charset,
                           const TGIS_Point* points, int count, const std::string& text);
