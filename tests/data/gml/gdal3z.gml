<?xml version="1.0" encoding="utf-8" ?>
<ogr:FeatureCollection
     xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance"
     xsi:schemaLocation="http://ogr.maptools.org/ gdal3z.xsd"
     xmlns:ogr="http://ogr.maptools.org/"
     xmlns:gml="http://www.opengis.net/gml">
  <gml:boundedBy><gml:Envelope srsDimension="3"><gml:lowerCorner>0 0 1</gml:lowerCorner><gml:upperCorner>10 10 5</gml:upperCorner></gml:Envelope></gml:boundedBy>
                                                                                                                                                                                            
  <ogr:featureMember>
    <ogr:xyz gml:id="xyz.0">
      <gml:boundedBy><gml:Envelope srsDimension="3"><gml:lowerCorner>1 2 3</gml:lowerCorner><gml:upperCorner>1 2 3</gml:upperCorner></gml:Envelope></gml:boundedBy>
      <ogr:geometryProperty><gml:Point><gml:pos>1 2 3</gml:pos></gml:Point></ogr:geometryProperty>
      <ogr:name>p</ogr:name>
    </ogr:xyz>
  </ogr:featureMember>
  <ogr:featureMember>
    <ogr:xyz gml:id="xyz.1">
      <gml:boundedBy><gml:Envelope srsDimension="3"><gml:lowerCorner>0 0 1</gml:lowerCorner><gml:upperCorner>2 1 3</gml:upperCorner></gml:Envelope></gml:boundedBy>
      <ogr:geometryProperty><gml:LineString><gml:posList srsDimension="3">0 0 1 1 1 2 2 0 3</gml:posList></gml:LineString></ogr:geometryProperty>
      <ogr:name>l</ogr:name>
    </ogr:xyz>
  </ogr:featureMember>
  <ogr:featureMember>
    <ogr:xyz gml:id="xyz.2">
      <gml:boundedBy><gml:Envelope srsDimension="3"><gml:lowerCorner>0 0 5</gml:lowerCorner><gml:upperCorner>10 10 5</gml:upperCorner></gml:Envelope></gml:boundedBy>
      <ogr:geometryProperty><gml:Polygon><gml:exterior><gml:LinearRing><gml:posList srsDimension="3">0 0 5 10 0 5 10 10 5 0 0 5</gml:posList></gml:LinearRing></gml:exterior></gml:Polygon></ogr:geometryProperty>
      <ogr:name>a</ogr:name>
    </ogr:xyz>
  </ogr:featureMember>
</ogr:FeatureCollection>
