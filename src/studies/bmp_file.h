// A picture as a 24-bit BMP file: the one writer of BMP files, used by the
// tool (`--map`, `--frame` to a name ending in ".bmp") and by the page's
// sweep, so that both hand out the same bytes.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "core/picture/bitmap.h"

namespace ormakin::studies {

// Receives the file's bytes in order, a piece at a time.
using ByteSink = std::function<void(const void* data, std::size_t size)>;

// Hands `write` the BMP file of `picture`: the two headers (72 dots per inch,
// no compression), then the rows bottom row first, each pixel blue, green,
// red, each row padded to a multiple of 4 bytes. Raises Exception
// ("cannot write NAME: cause") when the picture has no pixels or is too large
// for a BMP file; `name` only names the file in that message.
void WriteBmp(const TBitmap& picture, const std::string& name, const ByteSink& write);

}  // namespace ormakin::studies
