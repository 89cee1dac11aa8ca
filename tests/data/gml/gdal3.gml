<?xml version="1.0" encoding="utf-8" ?>
<ogr:FeatureCollection
     xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance"
     xsi:schemaLocation="http://ogr.maptools.org/ gdal3.xsd"
     xmlns:ogr="http://ogr.maptools.org/"
     xmlns:gml="http://www.opengis.net/gml">
  <gml:boundedBy><gml:Envelope><gml:lowerCorner>0 0</gml:lowerCorner><gml:upperCorner>10 10</gml:upperCorner></gml:Envelope></gml:boundedBy>
                                                                                                                                                                                                                 
  <ogr:featureMember>
    <ogr:gml3 gml:id="gml3.0">
      <gml:boundedBy><gml:Envelope><gml:lowerCorner>1.5 2.25</gml:lowerCorner><gml:upperCorner>1.5 2.25</gml:upperCorner></gml:Envelope></gml:boundedBy>
      <ogr:geometryProperty><gml:Point><gml:pos>1.5 2.25</gml:pos></gml:Point></ogr:geometryProperty>
      <ogr:name>p</ogr:name>
    </ogr:gml3>
  </ogr:featureMember>
  <ogr:featureMember>
    <ogr:gml3 gml:id="gml3.1">
      <gml:boundedBy><gml:Envelope><gml:lowerCorner>0 0</gml:lowerCorner><gml:upperCorner>2 1</gml:upperCorner></gml:Envelope></gml:boundedBy>
      <ogr:geometryProperty><gml:LineString><gml:posList>0 0 1 1 2 0</gml:posList></gml:LineString></ogr:geometryProperty>
      <ogr:name>l</ogr:name>
    </ogr:gml3>
  </ogr:featureMember>
  <ogr:featureMember>
    <ogr:gml3 gml:id="gml3.2">
      <gml:boundedBy><gml:Envelope><gml:lowerCorner>0 0</gml:lowerCorner><gml:upperCorner>10 10</gml:upperCorner></gml:Envelope></gml:boundedBy>
      <ogr:geometryProperty><gml:Polygon><gml:exterior><gml:LinearRing><gml:posList>0 0 10 0 10 10 0 10 0 0</gml:posList></gml:LinearRing></gml:exterior><gml:interior><gml:LinearRing><gml:posList>2 2 2 4 4 4 4 2 2 2</gml:posList></gml:LinearRing></gml:interior><gml:interior><gml:LinearRing><gml:posList>6 6 6 8 8 8 6 6</gml:posList></gml:LinearRing></gml:interior></gml:Polygon></ogr:geometryProperty>
      <ogr:name>holes</ogr:name>
    </ogr:gml3>
  </ogr:featureMember>
</ogr:FeatureCollection>
