// The GisLayerTiger module: TGIS_LayerTiger, a Census TIGER/Line data set of
// fixed-column text files read whole at Open: one arc shape per complete
// chain (".rt1") with its attributes, its interior shape points (".rt2"),
// the names of its places (".rtc") and its ZIP+4 add-on codes (".rtz").
// All four files are needed; nothing is ever written back.
//
//   GisLayerTiger.cpp     the record decoders (one per record type) and the layer
#pragma once

#include <string>

#include "gis/vector/GisLayerVector.h"

class TGIS_LayerTiger : public TGIS_LayerVector {
public:
  TGIS_LayerTiger();
  ~TGIS_LayerTiger() override;

  /// Reads the data set named by the ".rt1" path. A missing file of the set
  /// raises 0030 before anything is read; a damaged line 0090 with the file
  /// and its line (the shapes read so far stay).
  void Open() override;

private:
  class TReader;
  friend class TReader;
};

/// Fills the factory's ".rt1" row.
void GisRegisterLayerTiger();
