// The texts of the PNG picture's exceptions and zlib result descriptions:
// the one table the code and the tests read.
#pragma once

#include <string>

namespace PngTexts {
extern const char* const InvalidFileHeader;
extern const char* const UnexpectedEnd;
extern const char* const IHDRNotFirst;
extern const char* const UnknownCriticalChunk;
extern const char* const InvalidCRC;
extern const char* const NoImageData;
extern const char* const InvalidIHDR;
extern const char* const SizeExceeds;
extern const char* const UnknownCompression;
extern const char* const UnknownInterlace;
extern const char* const InvalidPalette;
extern const char* const MissingMultipleIDAT;
extern const char* const ZLIBError;
extern const char* const HeaderNotPresent;
extern const char* const OutMemory;
extern const char* const NotCompatible;
extern const char* const NoSuchPaletteEntry;
extern const char* const CannotResize;
/// The description of a zlib result code (-6 .. 2); "" for others.
std::string ZlibResult(int code);
} // namespace PngTexts
