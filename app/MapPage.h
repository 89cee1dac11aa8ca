// The map page: the text replacement shared with the description files, the
// map-source table, the filling of the page template and the position script.
#pragma once

#include "platform/rtl/Types.h"

#include <array>
#include <string>

/// Replaces every occurrence of `token` in `text` (case-sensitive), searching
/// again from the start after each replacement, so that an occurrence formed
/// with the surrounding text is replaced too. A replacement that contains its
/// own token is replaced in one left-to-right pass instead (searching again
/// from the start would never end). Always true.
bool ReplaceToken(const std::string& token, const std::string& replacement, std::string& text);

/// One row of the map-source picker.
struct TMapSourceRow {
  const char* Caption;
  const char* Source;  // "google", "yahoo" or "ve"
  const char* MapType; // the service's map type constant
};

/// The picker's nine rows in item order.
const std::array<TMapSourceRow, 9>& MapSourceRows();

/// The page's zoom level for a web-map zoom: one less for "ve".
int PageZoom(const std::string& source, int mapZoom);

/// A map position as the page takes it: the centre in degrees and the
/// web-map zoom level.
struct TPagePosition {
  Extended Lat = 0;
  Extended Lon = 0;
  int MapZoom = 0;
};

/// The northernmost latitude of the Web-Mercator frame (its top edge); the
/// southernmost is its negative.
constexpr Extended kFrameLatitude = 85.051128779806592378L;

/// The web-map zoom levels the page draws for a source: its levels 0 to 22,
/// which "ve" counts from 1 (PageZoom).
int FirstPageZoom(const std::string& source);
int LastPageZoom(const std::string& source);

/// `position` kept inside what the page shows, so that a capture and its
/// world file describe the same place: a longitude outside [-180, 180) is
/// taken into it (the same meridian), the latitude bounded to the frame
/// (±kFrameLatitude) and the zoom to the page's levels. A position inside
/// is returned unchanged to the last bit.
TPagePosition KeepOnPage(const std::string& source, TPagePosition position);

/// What the page template is filled with.
struct TMapPageValues {
  int Width = 0;  // the page's map width (browser width - 30)
  int Height = 0; // the page's map height (browser height - 30)
  Extended Lat = 0;
  Extended Lon = 0;
  int MapZoom = 0;
  std::string Source;
  std::string MapType;
};

/// The template with its placeholders filled in their fixed order.
std::string FillMapTemplate(std::string text, const TMapPageValues& values);

/// "map.setCenter(new OpenLayers.LonLat(lon, lat), zoom );" in the general
/// number format, with the page's zoom level.
std::string PositionScript(Extended lat, Extended lon, int mapZoom, const std::string& source);

/// The general number format of everything the program writes (pages,
/// scripts, world files, the clipboard): 15 significant digits, a dot as the
/// decimal separator whatever the user's settings.
std::string GeneralNumber(Extended value);
