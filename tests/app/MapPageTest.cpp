// The text replacement, the page template's filling and the position script.
#include "app/MapPage.h"

#include "platform/rtl/Format.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct TReplaceCase {
  const char* Name;
  const char* Token;
  const char* Replacement;
  const char* Text;
  const char* Expected;
};

const TReplaceCase kReplaceCases[] = {
    {"equal token and replacement", "<#A>", "<#A>", "x<#A>y", "x<#A>y"},
    {"absent token", "<#A>", "1", "nothing here", "nothing here"},
    {"token twice", "<#A>", "12", "<#A>-<#A>", "12-12"},
    {"formed occurrence, empty replacement", "<#A>", "", "<#<#A>A>", ""},
    {"case-sensitive", "<#a>", "1", "<#A>", "<#A>"},
    {"replacement holding its own token", "<#WX>", "x<#WX>", "<#WX>;<#WX>", "x<#WX>;x<#WX>"},
    {"empty text", "<#A>", "1", "", ""},
};

TEST(ReplaceToken, Table) {
  for (const TReplaceCase& c : kReplaceCases) {
    std::string text = c.Text;
    EXPECT_TRUE(ReplaceToken(c.Token, c.Replacement, text)) << c.Name;
    EXPECT_EQ(text, c.Expected) << c.Name;
  }
}

const char* const kTemplate =
    "<#WIDTH>x<#HEIGHT>|<#LON>,<#LAT>@<#ZOOM>\r\n<#MAPSTR>\r\n<#MAPTYPE>\r\nadd(<#MAP>)\r\n";

struct TSourceCase {
  int Index;
  const char* Caption;
  const char* LayerLine;
  const char* TypeLine;
  const char* Map;
  const char* PageZoom; // with MapZoom 6
};

const TSourceCase kSourceCases[] = {
    {0, "Google Normal",
     "var google = new OpenLayers.Layer.Google( \"Google Hybrid\" , {type: G_HYBRID_MAP });",
     "google.type=G_NORMAL_MAP;", "google", "6"},
    {1, "Google Satelite",
     "var google = new OpenLayers.Layer.Google( \"Google Hybrid\" , {type: G_HYBRID_MAP });",
     "google.type=G_SATELLITE_MAP;", "google", "6"},
    {2, "Google Hybrid",
     "var google = new OpenLayers.Layer.Google( \"Google Hybrid\" , {type: G_HYBRID_MAP });",
     "google.type=G_HYBRID_MAP;", "google", "6"},
    {3, "VE Normal", "var ve = new OpenLayers.Layer.VirtualEarth( \"VE\");",
     "ve.type=VEMapStyle.Road;", "ve", "5"},
    {4, "VE Staelite", "var ve = new OpenLayers.Layer.VirtualEarth( \"VE\");",
     "ve.type=VEMapStyle.Aerial;", "ve", "5"},
    {5, "VE Hybrid", "var ve = new OpenLayers.Layer.VirtualEarth( \"VE\");",
     "ve.type=VEMapStyle.Hybrid;", "ve", "5"},
    {6, "Yahoo Normal", "var yahoo = new OpenLayers.Layer.Yahoo( \"Yahoo\");",
     "yahoo.type=YAHOO_MAP_REG;", "yahoo", "6"},
    {7, "Yahoo Satelite", "var yahoo = new OpenLayers.Layer.Yahoo( \"Yahoo\");",
     "yahoo.type=YAHOO_MAP_SAT;", "yahoo", "6"},
    {8, "Yahoo Hybrid", "var yahoo = new OpenLayers.Layer.Yahoo( \"Yahoo\");",
     "yahoo.type=YAHOO_MAP_HYB;", "yahoo", "6"},
};

TEST(FillMapTemplate, EverySourceRow) {
  for (const TSourceCase& c : kSourceCases) {
    const TMapSourceRow& row = MapSourceRows()[c.Index];
    EXPECT_STREQ(row.Caption, c.Caption);
    TMapPageValues values;
    values.Width = 796;
    values.Height = 613;
    values.Lat = 46.25L;
    values.Lon = 14;
    values.MapZoom = 6;
    values.Source = row.Source;
    values.MapType = row.MapType;
    const std::string expected = std::string("796x613|14,46.25@") + c.PageZoom + "\r\n" +
                                 c.LayerLine + "\r\n" + c.TypeLine + "\r\nadd(" + c.Map + ")\r\n";
    EXPECT_EQ(FillMapTemplate(kTemplate, values), expected) << c.Caption;
  }
}

TEST(FillMapTemplate, NumbersUseADotWhateverTheSettings) {
  FormatSettings().DecimalSeparator = ',';
  TMapPageValues values;
  values.Lat = 45.5L;
  values.Lon = 8829.155555555555L;
  values.Source = "yahoo";
  values.MapType = "YAHOO_MAP_REG";
  EXPECT_EQ(FillMapTemplate("<#LAT>;<#LON>", values), "45.5;8829.15555555556");
  EXPECT_EQ(FormatSettings().DecimalSeparator, '.');
}

TEST(FillMapTemplate, MissingAndRepeatedPlaceholders) {
  TMapPageValues values;
  values.Width = 10;
  values.Source = "yahoo";
  values.MapType = "YAHOO_MAP_REG";
  EXPECT_EQ(FillMapTemplate("<p><#WIDTH>/<#WIDTH></p>", values), "<p>10/10</p>");
  EXPECT_EQ(FillMapTemplate("plain page", values), "plain page");
}

TEST(PositionScript, ServicesAndNumbers) {
  EXPECT_EQ(PositionScript(46, 14, 6, "yahoo"),
            "map.setCenter(new OpenLayers.LonLat(14, 46), 6 );");
  EXPECT_EQ(PositionScript(46, 14, 6, "ve"), "map.setCenter(new OpenLayers.LonLat(14, 46), 5 );");
  EXPECT_EQ(PositionScript(-0.125L, 14.25L, 9, "google"),
            "map.setCenter(new OpenLayers.LonLat(14.25, -0.125), 9 );");
}

TEST(KeepOnPage, PositionsBeyondThePageComeOntoIt) {
  struct TCase {
    const char* What;
    const char* Source;
    TPagePosition In;
    TPagePosition Out;
  };
  const Extended inside = 14.123456789012345678L; // unchanged to the last bit
  const TCase cases[] = {
      {"inside", "yahoo", {46.98765432109876L, inside, 6}, {46.98765432109876L, inside, 6}},
      {"east of 180", "yahoo", {46, 200, 6}, {46, -160, 6}},
      {"180 itself", "google", {46, 180, 6}, {46, -180, 6}},
      {"-180 itself", "google", {46, -180, 6}, {46, -180, 6}},
      {"far west", "yahoo", {46, -910, 6}, {46, 170, 6}},
      {"south of the frame", "yahoo", {-91, 14, 6}, {-kFrameLatitude, 14, 6}},
      {"the pole", "yahoo", {90, 14, 6}, {kFrameLatitude, 14, 6}},
      {"past the last level", "yahoo", {46, 14, 27}, {46, 14, 22}},
      {"below level 0", "google", {46, 14, -1}, {46, 14, 0}},
      {"ve counts from 1", "ve", {46, 14, 0}, {46, 14, 1}},
      {"ve's last level", "ve", {46, 14, 24}, {46, 14, 23}},
  };
  for (const TCase& c : cases) {
    const TPagePosition p = KeepOnPage(c.Source, c.In);
    EXPECT_EQ(p.Lat, c.Out.Lat) << c.What;
    EXPECT_EQ(p.Lon, c.Out.Lon) << c.What;
    EXPECT_EQ(p.MapZoom, c.Out.MapZoom) << c.What;
  }
}

} // namespace
