#include "codecs/gif/GifTexts.h"

namespace GifTexts {
const char* const InvalidSignature = "Invalid GIF signature";
const char* const PrematureEnd = "Premature end of data";
const char* const UnsupportedVersion = "Unsupported GIF version";
const char* const UnknownBlockType = "Unknown GIF block type";
const char* const ExceedsScreen = "Image exceeds Logical Screen size";
const char* const InvalidTrailer = "Invalid Image trailer";
const char* const UnknownExtension = "Unknown extension type";
const char* const InvalidIntroducer = "Invalid extension introducer";
const char* const ExtensionMismatch =
    "Internal error: Extension Instance does not match Extension Label";
const char* const UnsupportedAppBlockSize = "Unsupported Application Extension block size";
const char* const InvalidData = "Invalid GIF data";
const char* const InvalidColorIndex = "Invalid color index";
const char* const ColorTableOverflow = "Color table overflow";
const char* const ColorTableEmpty = "Color table is empty";
const char* const BitBufferUnderRun = "Decoder bit buffer under-run";
const char* const CircularEntry = "Circular decoder table entry";
const char* const InvalidPixelCoordinates = "Invalid pixel coordinates";
const char* const ImageEmpty = "Image is empty";
const char* const WidthTooSmall = "Image width too small for contained frames";
const char* const HeightTooSmall = "Image height too small for contained frames";
const char* const NoColorTable = "No global or local color table defined";
const char* const UnsupportedObject = "Object type not supported for operation";
const char* const UnsupportedClipboardFormat = "Unsupported clipboard format";
const char* const ClipboardStoreFailed = "Failed to store GIF on clipboard";
const char* const ColorNotInTable = "Color not in color table";
const char* const InvalidStreamOperation = "Invalid stream operation";
const char* const InvalidImageDimensions = "Invalid image dimensions";
const char* const UnsupportedPixelFormat = "Unsupported PixelFormat";
const char* const ScanLineOutOfRange = "Scan line index out of range";
const char* const InvalidReductionMethod = "Invalid reduction method";
const char* const Loading = "Loading...";
const char* const Saving = "Saving...";
const char* const Copying = "Copying...";
const char* const Rendering = "Rendering...";
const char* const Converting = "Converting...";
const char* const Optimizing = "Optimizing...";
const char* const ClipboardFormat = "GIF Image";
} // namespace GifTexts
