#include "codecs/png/PngTexts.h"

namespace PngTexts {
const char* const InvalidFileHeader =
    "The file being readed is not a valid \"Portable Network Graphics\" image because it "
    "contains an invalid header. This file may be corruped, try obtaining it again.";
const char* const UnexpectedEnd = "This \"Portable Network Graphics\" image is invalid because "
                                  "the decoder found an unexpected end of the file.";
const char* const IHDRNotFirst = "This \"Portable Network Graphics\" image is not supported or "
                                 "it might be invalid.\r\n(IHDR chunk is not the first)";
const char* const UnknownCriticalChunk = "This \"Portable Network Graphics\" image contains an "
                                         "unknown critical part which could not be decoded.";
const char* const InvalidCRC = "This \"Portable Network Graphics\" image is not valid because it "
                               "contains invalid pieces of data (crc error)";
const char* const NoImageData = "This \"Portable Network Graphics\" image contains no data.";
const char* const InvalidIHDR = "The \"Portable Network Graphics\" image could not be loaded "
                                "because one of its main piece of data (ihdr) might be corrupted";
const char* const SizeExceeds =
    "This \"Portable Network Graphics\" image is not supported because either it's width or "
    "height exceeds the maximum size, which is 65535 pixels length.";
const char* const UnknownCompression =
    "This \"Portable Network Graphics\" image is encoded with an unknown compression scheme "
    "which could not be decoded.";
const char* const UnknownInterlace = "This \"Portable Network Graphics\" image uses an unknown "
                                     "interlace scheme which could not be decoded.";
const char* const InvalidPalette =
    "The \"Portable Network Graphics\" image contains an invalid palette.";
const char* const MissingMultipleIDAT =
    "This \"Portable Network Graphics\" image is invalid because it has missing image parts.";
const char* const ZLIBError =
    "Could not decompress the image because it contains invalid compressed data.\r\n "
    "Description: ";
const char* const HeaderNotPresent =
    "This operation is not valid because the current image contains no valid header.";
const char* const OutMemory = "Some operation could not be performed because the system is out "
                              "of resources. Close some windows and try again.";
const char* const NotCompatible = "The chunks must be compatible to be assigned.";
const char* const NoSuchPaletteEntry = "There is no such palette entry.";
const char* const CannotResize =
    "The \"Portable Network Graphics\" image can not be resize by changing width and height "
    "properties. Try assigning the image from a bitmap.";

std::string ZlibResult(int code) {
  static const char* const kTexts[] = {"incompatible version (-6)",
                                       "buffer error (-5)",
                                       "insufficient memory (-4)",
                                       "data error (-3)",
                                       "stream error (-2)",
                                       "file error (-1)",
                                       "(0)",
                                       "stream end (1)",
                                       "need dictionary (2)"};
  return code >= -6 && code <= 2 ? kTexts[code + 6] : "";
}
} // namespace PngTexts
