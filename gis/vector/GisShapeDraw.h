// What the shape classes share when they draw (the shape's own drawing
// operations are declared in GisShape.h): the cap on the device points of
// one drawn part, the screen decimation of a part into the viewer's point
// buffer, and the brush origin of patterned styles.
#pragma once

#include "gis/vector/GisShape.h"
#include "gis/viewer/GisViewer.h"

class TGIS_GDI;

/// The cap on the device points of one drawn part: a part is thinned until it
/// holds fewer points than this (2^27).
int GisMaxDrawPoints();
/// Lowers the cap for a test (at least 3, so that thinning always ends);
/// 0 restores 2^27.
void GisSetMaxDrawPointsForTests(int cap);

/// Turns one part into device points written from `out`: the first and the
/// last vertex always, an interior one only when it lies more than
/// `threshold` pixels (the sum of the coordinate differences) from the last
/// point kept. With `capped` the pass is repeated with the threshold one
/// pixel higher until fewer than GisMaxDrawPoints points remain. `out` must
/// hold the part's vertex count. Returns the number of points written.
int GisDecimatePart(TGIS_Viewer& viewer, const TGIS_Shape& shape, int part, double threshold,
                    bool capped, TPoint* out);

/// Every part with vertices decimated (as GisDecimatePart) one after another
/// into the viewer's point buffer from its start: the buffer's counts hold
/// the stored parts' point counts in order, its drawn flags mark which parts
/// were stored. Returns the number of stored parts.
int GisDecimateParts(TGIS_Viewer& viewer, const TGIS_Shape& shape, double threshold);

/// The threshold a selection outline is thinned from: 0 for outlines only,
/// else a tenth of the shape's visible span in pixels, kept between 2 and a
/// quarter of the selection width.
double GisSelectionThreshold(TGIS_Viewer& viewer, const TGIS_Shape& shape);

/// The shape's raw extent in viewer units (converted by its layer); an empty
/// extent stays empty.
TGIS_Extent GisShapeViewerExtent(const TGIS_Shape& shape);

/// How far GetPaintExtentEx widens the extent of a shape drawn with `section`,
/// in viewer units (X across, Y up and down): pens, outlines and labels at
/// the viewer's zoom; (0, 0) without a zoom.
TGIS_Point GisPaintMargins(TGIS_ParamsSectionVector& section, TGIS_Viewer& viewer);

/// The same of a point (renderAsThousand: a render size counts as 1000
/// pixels) or a multipoint drawn with `section`: markers and labels.
TGIS_Point GisMarkerPaintMargins(TGIS_ParamsSectionVector& section, TGIS_Viewer& viewer,
                                 bool renderAsThousand);

/// The context a shape draws on: the viewer's current one, or nullptr when
/// the shape is hidden, deleted or empty, or has no viewer.
TGIS_GDI* GisShapeDrawContext(const TGIS_Shape& shape);

/// Makes the viewer's point buffer hold `points` and its count and drawn-flag
/// buffers `parts` entries.
TGIS_Viewer::TDrawBuffers& GisDrawBuffers(TGIS_Viewer& viewer, int points, int parts);

/// A screen position reduced modulo a pattern's period (the sign of the
/// position kept): the brush origin that aligns a pattern to a shape.
int GisPatternPhase(double x, int period);
/// Sets the brush origin to the top-left corner of the shape's paint extent
/// on screen reduced modulo the pattern's size: a bitmap's own size when it
/// has one, else the hatch's 8 × 8.
void GisAlignPattern(TGIS_Viewer& viewer, TGIS_GDI& gdi, const TGIS_Shape& shape,
                     const TBitmap* bitmap);
