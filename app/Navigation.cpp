#include "app/Navigation.h"

#include "platform/rtl/Numerics.h"

#include <array>

namespace {

struct TDirection {
  const char* Code;
  int Dx; // in steps east
  int Dy; // in steps south
};

constexpr std::array<TDirection, 8> kDirections{{
    {"r", 1, 0},
    {"rb", 1, 1},
    {"b", 0, 1},
    {"lb", -1, 1},
    {"l", -1, 0},
    {"lt", -1, -1},
    {"t", 0, -1},
    {"rt", 1, -1},
}};

TDirection FindDirection(const std::string& code) {
  for (const TDirection& d : kDirections)
    if (code == d.Code) return d;
  return {"", 0, 0};
}

} // namespace

std::optional<TMapStep> ComputeMapStep(const std::string& code, int zoom, Extended lat,
                                       Extended lon, Extended viewWidth, Extended viewHeight,
                                       Extended nx, Extended ny) {
  const Extended sx = viewWidth - 4;
  const Extended sy = viewHeight - 4;
  if (!(sx > 0) || !(sy > 0)) return std::nullopt;
  const TDirection d = FindDirection(code);
  const TGlobalPixel centre = LatLonToPixel(zoom, lat, lon);
  TMapStep step;
  step.Centre = PixelToLatLon(zoom, centre.X + d.Dx * sx, centre.Y + d.Dy * sy);
  step.Nx = Trunc(nx) + d.Dx;
  step.Ny = Trunc(ny) + d.Dy;
  return step;
}
