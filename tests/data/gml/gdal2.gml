<?xml version="1.0" encoding="utf-8" ?>
<ogr:FeatureCollection
     xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance"
     xsi:schemaLocation="http://ogr.maptools.org/ gdal2.xsd"
     xmlns:ogr="http://ogr.maptools.org/"
     xmlns:gml="http://www.opengis.net/gml">
  <gml:boundedBy>
    <gml:Box>
      <gml:coord><gml:X>-5.5</gml:X><gml:Y>-1e-06</gml:Y></gml:coord>
      <gml:coord><gml:X>12345678.12345679</gml:X><gml:Y>101</gml:Y></gml:coord>
    </gml:Box>
  </gml:boundedBy>
                                                                                                                                      
  <gml:featureMember>
    <ogr:mixed fid="mixed.0">
      <ogr:geometryProperty><gml:Point><gml:coordinates>1.5,2.25</gml:coordinates></gml:Point></ogr:geometryProperty>
      <ogr:name>alpha</ogr:name>
      <ogr:count>1</ogr:count>
      <ogr:note>a&amp;b &lt;c&gt;</ogr:note>
    </ogr:mixed>
  </gml:featureMember>
  <gml:featureMember>
    <ogr:mixed fid="mixed.1">
      <ogr:geometryProperty><gml:MultiPoint><gml:pointMember><gml:Point><gml:coordinates>1,2</gml:coordinates></gml:Point></gml:pointMember><gml:pointMember><gml:Point><gml:coordinates>3,4</gml:coordinates></gml:Point></gml:pointMember><gml:pointMember><gml:Point><gml:coordinates>-5.5,6.25</gml:coordinates></gml:Point></gml:pointMember></gml:MultiPoint></ogr:geometryProperty>
      <ogr:name>beta</ogr:name>
      <ogr:count>2</ogr:count>
      <ogr:note></ogr:note>
    </ogr:mixed>
  </gml:featureMember>
  <gml:featureMember>
    <ogr:mixed fid="mixed.2">
      <ogr:geometryProperty><gml:LineString><gml:coordinates>0,0 1,1 2,0</gml:coordinates></gml:LineString></ogr:geometryProperty>
      <ogr:name>gamma</ogr:name>
      <ogr:count>3</ogr:count>
      <ogr:note>line</ogr:note>
    </ogr:mixed>
  </gml:featureMember>
  <gml:featureMember>
    <ogr:mixed fid="mixed.3">
      <ogr:geometryProperty><gml:MultiLineString><gml:lineStringMember><gml:LineString><gml:coordinates>10,10 11,12</gml:coordinates></gml:LineString></gml:lineStringMember><gml:lineStringMember><gml:LineString><gml:coordinates>20,20 21,22 23,25</gml:coordinates></gml:LineString></gml:lineStringMember></gml:MultiLineString></ogr:geometryProperty>
      <ogr:name>delta</ogr:name>
      <ogr:count>4</ogr:count>
      <ogr:note>two parts</ogr:note>
    </ogr:mixed>
  </gml:featureMember>
  <gml:featureMember>
    <ogr:mixed fid="mixed.4">
      <ogr:geometryProperty><gml:Polygon><gml:outerBoundaryIs><gml:LinearRing><gml:coordinates>0,0 10,0 10,10 0,10 0,0</gml:coordinates></gml:LinearRing></gml:outerBoundaryIs><gml:innerBoundaryIs><gml:LinearRing><gml:coordinates>2,2 2,4 4,4 4,2 2,2</gml:coordinates></gml:LinearRing></gml:innerBoundaryIs></gml:Polygon></ogr:geometryProperty>
      <ogr:name>epsilon</ogr:name>
      <ogr:count>5</ogr:count>
      <ogr:note>hole</ogr:note>
    </ogr:mixed>
  </gml:featureMember>
  <gml:featureMember>
    <ogr:mixed fid="mixed.5">
      <ogr:geometryProperty><gml:Polygon><gml:outerBoundaryIs><gml:LinearRing><gml:coordinates>100,100 101,100 101,101 100,100</gml:coordinates></gml:LinearRing></gml:outerBoundaryIs></gml:Polygon></ogr:geometryProperty>
      <ogr:name>zeta</ogr:name>
      <ogr:count>6</ogr:count>
      <ogr:note></ogr:note>
    </ogr:mixed>
  </gml:featureMember>
  <gml:featureMember>
    <ogr:mixed fid="mixed.6">
      <ogr:name>eta</ogr:name>
      <ogr:count>7</ogr:count>
      <ogr:note>no geometry</ogr:note>
    </ogr:mixed>
  </gml:featureMember>
  <gml:featureMember>
    <ogr:mixed fid="mixed.7">
      <ogr:geometryProperty><gml:Point><gml:coordinates>12345678.1234568,-0.000001</gml:coordinates></gml:Point></ogr:geometryProperty>
      <ogr:name>theta</ogr:name>
      <ogr:count>8</ogr:count>
      <ogr:note>Łódź</ogr:note>
    </ogr:mixed>
  </gml:featureMember>
</ogr:FeatureCollection>
