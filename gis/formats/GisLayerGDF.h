// The GisLayerGDF module: TGIS_LayerGDF, a Geographic Data File (80-column
// records of the road-data exchange standard) read whole at Open into
// in-memory shapes: point features as multipoints, line features as arcs,
// complex features as one shape per part, each with the name of its feature
// class and the values of its segmented attributes. Nothing is written back.
//
//   GisLayerGDFReader.h     the reader's records, tables and field framing
//   GisLayerGDFRecords.cpp  record framing, fixed-width fields (continued
//                           over records), field widths, record definitions
//                           and the layouts of the record types
//   GisLayerGDF.cpp         the two passes of Open: indexes, names, features,
//                           geometry and attributes
//
// Bounds: a count (NUM_COORD, NUM_KNOT, NUM_EDGE, NUM_ATT, NUM_PARTS) must
// fit into what is left of the file; a number must be finite and fit into
// 64 bits; a field never takes a negative width. Anything else is 0090 with
// the record counter.
#pragma once

#include "gis/vector/GisLayerVector.h"

class TGIS_LayerGDF : public TGIS_LayerVector {
public:
  TGIS_LayerGDF();
  ~TGIS_LayerGDF() override;

  /// Reads the whole file; a damaged record raises 0090 with the record
  /// counter (the shapes built before it stay).
  void Open() override;

  /// The reader of one open (GisLayerGDFReader.h).
  class TReader;

private:
  friend class TReader;
};

/// Fills the factory's ".gdf" row.
void GisRegisterLayerGDF();
