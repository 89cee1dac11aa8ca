// The class library's pen, brush and font style values and bitmap pixel
// formats, as the kernel's configuration converters carry them. They come from
// the drawing layer's headers (declarations only: the kernel's foundation does
// not link the drawing layer).
#pragma once

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/GraphicsObjects.h"
