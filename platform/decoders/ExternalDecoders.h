// The entry points of the two external raster decoder libraries the MrSID
// and ECW layers load at run time ("vrkMrSID4.dll" and "NCSEcw.dll", found
// as "libvrkMrSID4.so" and "libNCSEcw.so"), as function-pointer types, and
// the file information record of the ECW library. Written from what the
// layers rely on; any library with these entry points serves. This header
// includes nothing of a third party.
#pragma once

#include <cstdint>

extern "C" {

// ---- vrkMrSID4 --------------------------------------------------------------------------
// Images are numbered by handles; a negative handle means "not opened".
// Data-type codes: 1 u8, 2 s8, 3 u16, 4 s16, 5 u32, 6 s32, 7 f32, 8 f64.
// Colour-space codes: 1 grey, 3 three-channel colour, 8 bands chosen with
// SetBands.
using TSid_InitSID = int (*)(const char* path, const char* password);
using TSid_FreeSID = void (*)(int handle);
using TSid_IntOf = int (*)(int handle);       // ImageWidth, ImageHeight, NumBands,
                                              // ColorSpace, DataType, MaxZoomLevel
using TSid_DoubleOf = double (*)(int handle); // ImageResX/Y, ImageOriginX/Y, Min/Max/NoDataValue
using TSid_SetZoom = int (*)(int handle, int level);
using TSid_SetBuffer = void (*)(int handle, void* buffer);
/// Rows and columns at the current zoom level; 0 on success.
using TSid_LoadStrip = int (*)(int handle, int firstRow, int rowCount, int firstColumn,
                               int columnCount);
using TSid_SetBands = void (*)(int handle, std::int16_t red, std::int16_t green,
                               std::int16_t blue);
using TSid_SetGridBand = void (*)(int handle, std::int16_t band);
using TSid_GetMetadata = void* (*)();

// ---- NCSEcw ------------------------------------------------------------------------------
/// The file information record: cell-size units 1 metres, 2 degrees, 3 feet.
struct TECW_FileInfo {
  std::uint32_t Width;
  std::uint32_t Height;
  std::uint16_t Bands;
  std::uint16_t CompressionRate;
  std::int32_t CellUnits;
  double CellIncrementX;
  double CellIncrementY;
  double OriginX;
  double OriginY;
};

/// 0 on success, the view filled in.
using TECW_OpenFileView = int (*)(const char* path, void** view, void* refreshCallback);
using TECW_CloseFileView = int (*)(void* view);
using TECW_GetViewFileInfo = int (*)(void* view, TECW_FileInfo** info);
/// A window of full-resolution cells, both corners inclusive, resampled to
/// columns x rows output cells; 0 on success.
using TECW_SetFileView = int (*)(void* view, std::uint32_t bandCount, std::uint32_t* bandList,
                                 std::uint32_t topLeftX, std::uint32_t topLeftY,
                                 std::uint32_t bottomRightX, std::uint32_t bottomRightY,
                                 std::uint32_t columns, std::uint32_t rows);
/// The next output line, three bytes a column (blue, green, red); 0 on success.
using TECW_ReadViewLineBGR = int (*)(void* view, std::uint8_t* line);
}
