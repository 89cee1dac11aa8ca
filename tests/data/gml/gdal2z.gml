<?xml version="1.0" encoding="utf-8" ?>
<ogr:FeatureCollection
     xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance"
     xsi:schemaLocation="http://ogr.maptools.org/ gdal2z.xsd"
     xmlns:ogr="http://ogr.maptools.org/"
     xmlns:gml="http://www.opengis.net/gml">
  <gml:boundedBy>
    <gml:Box>
      <gml:coord><gml:X>0</gml:X><gml:Y>0</gml:Y><gml:Z>1</gml:Z></gml:coord>
      <gml:coord><gml:X>10</gml:X><gml:Y>10</gml:Y><gml:Z>5</gml:Z></gml:coord>
    </gml:Box>
  </gml:boundedBy>
                                                                                                                              
  <gml:featureMember>
    <ogr:xyz fid="xyz.0">
      <ogr:geometryProperty><gml:Point><gml:coordinates>1,2,3</gml:coordinates></gml:Point></ogr:geometryProperty>
      <ogr:name>p</ogr:name>
    </ogr:xyz>
  </gml:featureMember>
  <gml:featureMember>
    <ogr:xyz fid="xyz.1">
      <ogr:geometryProperty><gml:LineString><gml:coordinates>0,0,1 1,1,2 2,0,3</gml:coordinates></gml:LineString></ogr:geometryProperty>
      <ogr:name>l</ogr:name>
    </ogr:xyz>
  </gml:featureMember>
  <gml:featureMember>
    <ogr:xyz fid="xyz.2">
      <ogr:geometryProperty><gml:Polygon><gml:outerBoundaryIs><gml:LinearRing><gml:coordinates>0,0,5 10,0,5 10,10,5 0,0,5</gml:coordinates></gml:LinearRing></gml:outerBoundaryIs></gml:Polygon></ogr:geometryProperty>
      <ogr:name>a</ogr:name>
    </ogr:xyz>
  </gml:featureMember>
</ogr:FeatureCollection>
