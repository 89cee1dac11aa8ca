// The texts of the GIF picture's errors, notices and progress stages: the
// one table the code and the tests read.
#pragma once

namespace GifTexts {
// errors and notices
extern const char* const InvalidSignature;
extern const char* const PrematureEnd;
extern const char* const UnsupportedVersion;
extern const char* const UnknownBlockType;
extern const char* const ExceedsScreen;
extern const char* const InvalidTrailer;
extern const char* const UnknownExtension;
extern const char* const InvalidIntroducer;
extern const char* const ExtensionMismatch;
extern const char* const UnsupportedAppBlockSize;
extern const char* const InvalidData;
extern const char* const InvalidColorIndex;
extern const char* const ColorTableOverflow;
extern const char* const ColorTableEmpty;
extern const char* const BitBufferUnderRun;
extern const char* const CircularEntry;
extern const char* const InvalidPixelCoordinates;
extern const char* const ImageEmpty;
extern const char* const WidthTooSmall;
extern const char* const HeightTooSmall;
extern const char* const NoColorTable;
extern const char* const UnsupportedObject;
extern const char* const UnsupportedClipboardFormat;
extern const char* const ClipboardStoreFailed;
extern const char* const ColorNotInTable;
extern const char* const InvalidStreamOperation;
extern const char* const InvalidImageDimensions;
extern const char* const UnsupportedPixelFormat;
extern const char* const ScanLineOutOfRange;
extern const char* const InvalidReductionMethod;
// progress stages
extern const char* const Loading;
extern const char* const Saving;
extern const char* const Copying;
extern const char* const Rendering;
extern const char* const Converting;
extern const char* const Optimizing;
// the clipboard format and the picture loader's description
extern const char* const ClipboardFormat;
} // namespace GifTexts
