// For the harnesses of the picture classes: the input loaded through a
// picture's stream reader, then measured, drawn stretched onto a small
// bitmap and saved again. The runtime's exceptions are the refusals.
#pragma once

#include <cstdint>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

namespace skfuzz {

/// A memory stream holding the input, positioned at its start.
inline void FillStream(TMemoryStream& stream, const std::uint8_t* data, std::size_t size) {
  if (size > 0) stream.WriteBuffer(data, std::int64_t(size));
  stream.SetPosition(0);
}

/// Loads, measures, draws and saves; false when the picture was refused.
/// `more` runs on a loaded picture before it is drawn.
template <class TPicture, class TMore>
bool LoadDrawSave(const std::uint8_t* data, std::size_t size, TMore&& more) {
  try {
    TMemoryStream in;
    FillStream(in, data, size);
    TPicture picture;
    picture.LoadFromStream(in);
    (void)picture.Width();
    (void)picture.Height();
    (void)picture.Empty();
    more(picture);
    TBitmap target(24, 16, pf24bit);
    picture.Draw(target.Canvas(), TRect(0, 0, 24, 16));
    picture.Draw(target.Canvas(), TRect(-5, -7, 3, 2));
    TMemoryStream out;
    picture.SaveToStream(out);
    return true;
  } catch (const Exception&) {
    return false;
  }
}

template <class TPicture> bool LoadDrawSave(const std::uint8_t* data, std::size_t size) {
  return LoadDrawSave<TPicture>(data, size, [](TPicture&) {});
}

} // namespace skfuzz
