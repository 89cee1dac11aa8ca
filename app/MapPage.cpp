#include "app/MapPage.h"

#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"

#include <algorithm>
#include <cmath>

namespace {

const char* LayerScript(const std::string& source) {
  if (source == "google")
    return "var google = new OpenLayers.Layer.Google( \"Google Hybrid\" , {type: G_HYBRID_MAP });";
  if (source == "yahoo") return "var yahoo = new OpenLayers.Layer.Yahoo( \"Yahoo\");";
  if (source == "ve") return "var ve = new OpenLayers.Layer.VirtualEarth( \"VE\");";
  return "";
}

void ReplaceInOnePass(const std::string& token, const std::string& replacement, std::string& text) {
  for (std::size_t at = text.find(token); at != std::string::npos;
       at = text.find(token, at + replacement.size()))
    text.replace(at, token.size(), replacement);
}

} // namespace

bool ReplaceToken(const std::string& token, const std::string& replacement, std::string& text) {
  if (token == replacement || token.empty()) return true;
  if (replacement.find(token) != std::string::npos) {
    ReplaceInOnePass(token, replacement, text);
    return true;
  }
  for (std::size_t at = text.find(token); at != std::string::npos; at = text.find(token))
    text.replace(at, token.size(), replacement);
  return true;
}

const std::array<TMapSourceRow, 9>& MapSourceRows() {
  static const std::array<TMapSourceRow, 9> rows{{
      {"Google Normal", "google", "G_NORMAL_MAP"},
      {"Google Satelite", "google", "G_SATELLITE_MAP"},
      {"Google Hybrid", "google", "G_HYBRID_MAP"},
      {"VE Normal", "ve", "VEMapStyle.Road"},
      {"VE Staelite", "ve", "VEMapStyle.Aerial"},
      {"VE Hybrid", "ve", "VEMapStyle.Hybrid"},
      {"Yahoo Normal", "yahoo", "YAHOO_MAP_REG"},
      {"Yahoo Satelite", "yahoo", "YAHOO_MAP_SAT"},
      {"Yahoo Hybrid", "yahoo", "YAHOO_MAP_HYB"},
  }};
  return rows;
}

int PageZoom(const std::string& source, int mapZoom) {
  return source == "ve" ? mapZoom - 1 : mapZoom;
}

int FirstPageZoom(const std::string& source) {
  return source == "ve" ? 1 : 0;
}

int LastPageZoom(const std::string& source) {
  return FirstPageZoom(source) + 22;
}

TPagePosition KeepOnPage(const std::string& source, TPagePosition p) {
  if (!std::isfinite(p.Lon)) p.Lon = 0;
  if (!std::isfinite(p.Lat)) p.Lat = 0;
  if (p.Lon < -180 || p.Lon >= 180) {
    p.Lon = std::fmod(p.Lon + 180, 360.0L);
    if (p.Lon < 0) p.Lon += 360;
    p.Lon -= 180;
  }
  p.Lat = std::clamp(p.Lat, -kFrameLatitude, kFrameLatitude);
  p.MapZoom = std::clamp(p.MapZoom, FirstPageZoom(source), LastPageZoom(source));
  return p;
}

std::string GeneralNumber(Extended value) {
  FormatSettings().DecimalSeparator = '.';
  return FloatToStr(value);
}

std::string FillMapTemplate(std::string text, const TMapPageValues& values) {
  ReplaceToken("<#WIDTH>", IntToStr(values.Width), text);
  ReplaceToken("<#HEIGHT>", IntToStr(values.Height), text);
  ReplaceToken("<#LON>", GeneralNumber(values.Lon), text);
  ReplaceToken("<#LAT>", GeneralNumber(values.Lat), text);
  ReplaceToken("<#ZOOM>", IntToStr(PageZoom(values.Source, values.MapZoom)), text);
  const std::string mapType = values.Source + ".type=" + values.MapType + ";";
  ReplaceToken("<#MAPSTR>", LayerScript(values.Source), text);
  if (values.Source == "google") {
    ReplaceToken("<#MAPTYPE>", mapType, text);
    ReplaceToken("<#MAP>", values.Source, text);
  } else {
    ReplaceToken("<#MAP>", values.Source, text);
    ReplaceToken("<#MAPTYPE>", mapType, text);
  }
  return text;
}

std::string PositionScript(Extended lat, Extended lon, int mapZoom, const std::string& source) {
  return "map.setCenter(new OpenLayers.LonLat(" + GeneralNumber(lon) + ", " + GeneralNumber(lat) +
         "), " + IntToStr(PageZoom(source, mapZoom)) + " );";
}
