// TGIS_SymbolCGM: geometry from the VDC extent and the replay of the drawing
// list (the readers are in GisSymbolCgmParse.cpp).
#include <algorithm>
#include <cmath>

#include "gis/viewer/GisGDI.h"
#include "gis/viewer/GisSymbol.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Numerics.h"

namespace {

std::string ExistingOrGiven(const std::string& path) {
  if (FileExists(path)) return path;
  const std::string found = FindFileNoCase(path);
  return found.empty() ? path : found;
}

} // namespace

TGIS_SymbolCGM::TGIS_SymbolCGM(const std::string& path)
    : TGIS_SymbolAbstract(path), path_(ExistingOrGiven(path)) {
  Parse();
}

int TGIS_SymbolCGM::GetWidth() {
  return 2 * Scale(std::max(std::abs(double(extent_[0])), std::abs(double(extent_[2]))));
}

int TGIS_SymbolCGM::GetHeight() {
  return 2 * Scale(std::max(std::abs(double(extent_[1])), std::abs(double(extent_[3]))));
}

int TGIS_SymbolCGM::GetDrawWidth() {
  return Scale(extent_[2]) - Scale(extent_[0]);
}

int TGIS_SymbolCGM::GetDrawHeight() {
  return Scale(extent_[3]) - Scale(extent_[1]);
}

void TGIS_SymbolCGM::CalcOffset(int position) {
  const double x1 = extent_[0], y1 = extent_[1], x2 = extent_[2], y2 = extent_[3];
  double x = offsetX_, y = offsetY_;
  if (position >= 0 && position <= 8) {
    const int column = position % 3, row = position / 3;
    x = column == 0 ? -x2 : column == 1 ? 0 : -x1;
    y = row == 0 ? -y2 : row == 1 ? 0 : -y1;
  }
  const double a = std::max(x2 - x1, -y2 - y1);
  if (a != 0) {
    x += double(Round(a * shiftX_ / 100));
    y += double(Round(a * shiftY_ / 100));
  }
  offsetX_ = Scale(x);
  offsetY_ = Scale(y);
}

void TGIS_SymbolCGM::Release() {
  commands_.clear();
  commands_.shrink_to_fit();
  parsed_ = false;
}

void TGIS_SymbolCGM::DrawCommand(const TGIS_CgmCommand& command, int x, int y) {
  TGIS_GDI& gdi = RequireGdi(__LINE__);
  gdi.Brush()->SetColor(FillColor(command.fillColor));
  gdi.Brush()->SetStyle(command.brushStyle == 0 ? GIS_BRUSH_SOLID : GIS_BRUSH_CLEAR);
  gdi.Pen()->SetWidth(std::max(1, Scale(command.width)));
  gdi.Pen()->SetStyle(command.penStyle);
  if (command.penStyle != GIS_PEN_CLEAR) gdi.Pen()->SetColor(OutlineColor(command.lineColor));
  if (command.brushStyle != 0) gdi.Pen()->SetColor(FillColor(command.lineColor));

  const std::size_t n = command.points.size();
  if (drawPoints_.size() < n) drawPoints_.resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    const TPoint t = Transform(command.points[i].x, command.points[i].y);
    drawPoints_[i] = TPoint(t.x + x + offsetX_, t.y + y + offsetY_);
  }
  const bool closed = n > 0 && command.points.front() == command.points.back();
  if (command.kind == TGIS_CgmCommand::Polygon || closed)
    gdi.Polygon(drawPoints_.data(), int(n));
  else
    gdi.Polyline(drawPoints_.data(), int(n));
}

void TGIS_SymbolCGM::Draw(int x, int y) {
  try {
    if (!parsed_) Parse();
    for (const TGIS_CgmCommand& command : commands_)
      DrawCommand(command, x, y);
  } catch (const Exception&) {
    // A drawing that fails ends silently: the map goes on painting.
  }
}
