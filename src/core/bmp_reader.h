// The reader of Windows bitmap (BMP) files. A file is read in stages: file
// header, DIB header, colour masks, colour table, pixels. Uncompressed pixels
// keep the file's format and row order and go straight into the store;
// run-length-encoded ones are decoded into a full-colour (32 bits) store.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "bitmap.h"
#include "byte_source.h"

namespace ormakin {

// Reads a bitmap from any source. An empty source gives a 0 x 0 bitmap.
// Raises EReadError when the data ends inside the file header, the DIB
// header, the masks or the colour table, and EInvalidGraphic
// (kInvalidBitmapMessage) for data that is no bitmap or one too large to
// hold (more than PixelStore::kMaxBytes); a refused size allocates nothing.
// Pixel data that ends early leaves the rest of the pixels black.
TBitmap ReadBitmap(const ByteSource& source);

// The same, from bytes in memory (tests and the fuzzer use this).
TBitmap ReadBitmap(std::span<const std::uint8_t> bytes);

// Opens the file read-only and reads it; EFOpenError (FileOpenMessage with
// the name as passed) when it cannot be opened.
TBitmap ReadBitmapFile(const std::string& fileName);

}  // namespace ormakin
