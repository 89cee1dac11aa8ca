// What the grid file layers (ASCII, float, Binary Terrain, DTED, DEM and
// BIL grids) share: explicit byte-order readers (the RPF files of CADRG
// read through them too), the keyword header of the
// float grids (also Binary Terrain's keyword ".prj"), reading exactly
// the bytes a file holds, and the column walk of reduced-scale reading.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "gis/raster/GisLayerPixel.h"

class TStream;

namespace gis_grid_bytes {

inline std::uint16_t LoadLE16(const std::uint8_t* p) {
  return std::uint16_t(p[0] | p[1] << 8);
}
inline std::uint16_t LoadBE16(const std::uint8_t* p) {
  return std::uint16_t(p[0] << 8 | p[1]);
}
inline std::uint32_t LoadLE32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
         std::uint32_t(p[3]) << 24;
}
inline std::uint32_t LoadBE32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 |
         std::uint32_t(p[3]);
}
inline std::uint64_t LoadLE64(const std::uint8_t* p) {
  return std::uint64_t(LoadLE32(p)) | std::uint64_t(LoadLE32(p + 4)) << 32;
}
/// 16 bits, 32 bits or a float in the given byte order.
inline std::uint16_t Load16(const std::uint8_t* p, bool bigEndian) {
  return bigEndian ? LoadBE16(p) : LoadLE16(p);
}
inline std::uint32_t Load32(const std::uint8_t* p, bool bigEndian) {
  return bigEndian ? LoadBE32(p) : LoadLE32(p);
}
inline float LoadFloat(const std::uint8_t* p, bool bigEndian) {
  const std::uint32_t u = Load32(p, bigEndian);
  float f;
  std::memcpy(&f, &u, 4);
  return f;
}
inline std::uint64_t LoadBE64(const std::uint8_t* p) {
  return std::uint64_t(LoadBE32(p)) << 32 | std::uint64_t(LoadBE32(p + 4));
}
/// A double in the given byte order.
inline double LoadDouble(const std::uint8_t* p, bool bigEndian) {
  const std::uint64_t u = bigEndian ? LoadBE64(p) : LoadLE64(p);
  double d;
  std::memcpy(&d, &u, 8);
  return d;
}
inline double LoadLEDouble(const std::uint8_t* p) {
  return LoadDouble(p, false);
}

} // namespace gis_grid_bytes

/// Reads exactly `n` bytes at `offset` of a stream of `size` bytes; false
/// (and nothing read) when the stream holds fewer there.
bool GisReadExactly(TStream& stream, std::int64_t size, std::int64_t offset, void* buffer,
                    std::int64_t n);

/// How the numbers of a keyword header are read: '.' or ',' (the kernel's
/// float text), the process's decimal separator, or '.' only.
enum class TGIS_HeaderDecimal { DotOrComma, Locale, Dot };

/// A number of a keyword header; raises EConvertError when it is none.
double GisHeaderNumber(const std::string& text, TGIS_HeaderDecimal decimal);

/// One line of a keyword header split into its first two tokens, upper-cased:
/// only spaces separate (a TAB belongs to its token), CR is dropped. False
/// for a line without a keyword.
bool GisHeaderKeyValue(const std::string& line, std::string& key, std::string& value);

/// The georeference keywords of the ASCII and float grids ("NCOLS",
/// "NROWS", "XLLCORNER", "YLLCORNER", "XLLCENTER", "YLLCENTER", "CELLSIZE",
/// "NODATA_VALUE", "BYTEORDER"), as a header gives them.
struct TGIS_GridHeader {
  int Columns = 0, Rows = 0;
  double CornerX = 0, CornerY = 0, CentreX = 0, CentreY = 0, CellSize = 0;
  bool HasCentre = false, HasNoData = false, MsbFirst = false;
  double NoData = 0;
  /// Whether any keyword of the table was given.
  bool Any = false;

  /// Takes one keyword (upper case) with its value text; false when the
  /// keyword is not one of the table. Numbers take '.' or ',', the cell
  /// size as `cellSizeDecimal` says. Raises EConvertError for a value that
  /// is no number.
  bool Apply(const std::string& key, const std::string& value, TGIS_HeaderDecimal cellSizeDecimal);
  /// Whether `key` (upper case) is a keyword of the table.
  static bool IsKeyword(const std::string& key);
  /// The lower-left corner: the given one, or half a cell below and left
  /// of a given centre (cell height `cellY`).
  double LowerLeftX(double cellX) const { return HasCentre ? CentreX - cellX / 2 : CornerX; }
  double LowerLeftY(double cellY) const { return HasCentre ? CentreY - cellY / 2 : CornerY; }
};

/// Reads a keyword header file line by line into `header`: keywords of the
/// table are taken, others that begin with a letter skipped; a keyword
/// that does not begin with a letter, an empty line or the end of the
/// file ends it. Raises what reading or a number raised.
void GisReadGridHeader(const std::string& path, TGIS_HeaderDecimal cellSizeDecimal,
                       TGIS_GridHeader& header);

/// The reduced-scale column walk of the column-stored grids: from column
/// `first`, an accumulator that starts at scale / 2 gains `scale` per
/// column; a column is taken (and the accumulator loses 1) when it reaches
/// 1. `take(column)` gets at most `count` columns below `total`; returns
/// how many it got.
int GisWalkScaledColumns(int first, int total, double scale, int count,
                         const std::function<void(int)>& take);

/// The read scale of the column-stored grids (Binary Terrain, DTED): set
/// by the overview step, it decides which file row a drawn row shows and
/// which columns are read.
struct TGIS_ColumnReadScale {
  double Value = 1.0;
  bool FullOnly = false; // inside a resampling of the full grid

  /// available / wanted (1 when wanted is 0, or at full scale only); a
  /// result above 1 or not above 0 becomes 1.
  double Choose(double wanted, double available) {
    double s = wanted != 0 && !FullOnly ? available / wanted : 1;
    if (!(s > 0) || s > 1) s = 1;
    Value = s;
    return s;
  }
  /// Runs `work` at full scale and leaves the scale at 1.
  template <class TWork> auto AtFullScale(TWork work) {
    struct TRestore {
      TGIS_ColumnReadScale& Scale;
      ~TRestore() {
        Scale.FullOnly = false;
        Scale.Value = 1.0;
      }
    } restore{*this};
    FullOnly = true;
    Value = 1.0;
    return work();
  }
  /// The file row, counted from the bottom, that drawn row `row` shows.
  int RowFromBottom(int row, int height) const;
};

/// Whether `cells` values of `bytes` each after `header` bytes fit a file of
/// `size` bytes (64-bit, sizes > 0).
bool GisGridFits(std::int64_t size, std::int64_t header, std::int64_t columns, std::int64_t rows,
                 std::int64_t bytes);

/// A cell of a grid held in memory: values[0] := the value; true when it is
/// not `noData`; false (values untouched) outside the grid.
bool GisGridCellValue(const std::vector<std::vector<float>>* grid, int column, int row,
                      float noData, std::vector<double>& values);

/// Colours `count` grid values into B,G,R pixels: the layer's ramp, or its
/// no-data colour for its no-data value and NaN; the bytes written.
int GisPutGridValues(TGIS_LayerPixel& layer, std::uint8_t* buffer, const float* values, int count);

/// The grid a layer holds in memory, or an empty one.
const std::vector<std::vector<float>>& GisGridOrEmpty(const std::vector<std::vector<float>>* grid);

/// The layers of the column-stored grids (Binary Terrain, DTED): rows are
/// gathered on demand into a row buffer, one value per column, at the read
/// scale the overview step chose; a resampling of the grid reads at full
/// scale whatever the output size.
class TGIS_LayerColumnGrid : public TGIS_LayerPixel {
public:
  double GetOverviewScale(double wanted, double available) override;
  bool GetGrid(const TGIS_Extent& extent, TGIS_GridArray& grid) override;
  double ReadScale() const { return scale_.Value; }

protected:
  /// Reads exactly `n` bytes at `offset`, opening the file again when the
  /// layer is dormant; raises the read error of the layer's file when it
  /// holds fewer.
  void ReadValueBytes(std::int64_t offset, void* buffer, std::int64_t n);

  std::vector<float> rowBuffer_;
  int cachedRow_ = -1, cachedCount_ = 0;
  double cachedScale_ = 1.0;
  TGIS_ColumnReadScale scale_;
  std::int64_t fileSize_ = 0;
};
