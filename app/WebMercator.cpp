#include "app/WebMercator.h"

#include "app/AppFiles.h"
#include "app/MapPage.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/StringList.h"

#include <cmath>

namespace {

constexpr Extended kTwoPi = 6.283185307179586477L;
constexpr Extended kPi = 3.1415926535897932385L;
constexpr Extended kHalfPi = 1.5707963267948966193L;

Extended WorldSize(int zoom) {
  return 256.0L * std::pow(2.0L, static_cast<Extended>(zoom));
}

} // namespace

TGlobalPixel LatLonToPixel(int zoom, Extended lat, Extended lon) {
  const Extended s = WorldSize(zoom);
  const Extended r = s / kTwoPi;
  const Extended phi = lat * kPi / 180;
  const Extended sinPhi = std::sin(phi);
  return {lon * kPi / 180 * r + s / 2, s / 2 - std::log((1 + sinPhi) / (1 - sinPhi)) * r / 2};
}

TLatLon PixelToLatLon(int zoom, Extended px, Extended py) {
  const Extended s = WorldSize(zoom);
  const Extended r = s / kTwoPi;
  const Extended x = px - s / 2;
  const Extended y = s / 2 - py;
  return {(kHalfPi - 2 * std::atan(std::exp(-y / r))) * 180 / kPi, x / r * 180 / kPi};
}

TGlobalPixel CaptureTopLeft(int zoom, Extended lat, Extended lon, int width, int height) {
  const TGlobalPixel centre = LatLonToPixel(zoom, lat, lon);
  return {centre.X - static_cast<Extended>(width) / 2,
          centre.Y - static_cast<Extended>(height) / 2};
}

TGlobalPixel RewriteWorldFile(const std::string& fileName, int zoom, Extended lat, Extended lon,
                              int width, int height) {
  const TGlobalPixel topLeft = CaptureTopLeft(zoom, lat, lon, width, height);
  if (!std::isfinite(topLeft.X) || !std::isfinite(topLeft.Y))
    throw Exception("The capture's position is outside the map frame");
  if (!FileExists(fileName)) throw Exception("World file " + fileName + " not found");
  TStringList lines;
  lines.LoadFromFile(fileName);
  if (lines.Count() < 6) throw Exception("World file " + fileName + " has fewer than six lines");
  lines.SetStrings(4, GeneralNumber(topLeft.X));
  lines.SetStrings(5, GeneralNumber(topLeft.Y));
  SaveTextReplacing(fileName, lines.Text());
  return topLeft;
}
