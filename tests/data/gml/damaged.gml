<?xml version="1.0" encoding="utf-8" ?>
<ogr:FeatureCollection xmlns:ogr="http://ogr.maptools.org/" xmlns:gml="http://www.opengis.net/gml">
  <gml:featureMember>
    <ogr:roads fid="roads.0">
      <ogr:geometryProperty><gml:LineString><gml:coordinates>0,0 1,1</gml:coordinates></gml:LineString></ogr:geometryProperty>
      <ogr:name>first</ogr:name>
    </ogr:roads>
  </gml:featureMember>
  <gml:featureMember>
    <ogr:roads fid="roads.1">
      <ogr:geometryProperty><gml:LineString><gml:coordinates>5,5 6,6</gml:coordinates></gml:LineString>
      <ogr:name>cut off</ogr:name>
    </ogr:roads>
  </gml:featureMember>
