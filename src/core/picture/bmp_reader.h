// The reader of Windows bitmap (BMP) files. A file is read in stages: file
// header, DIB header, colour masks, colour table, pixels. Uncompressed pixels
// keep the file's format and row order and go straight into the store;
// run-length-encoded ones are decoded into a full-colour (32 bits) store.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/picture/bitmap.h"
#include "core/picture/byte_source.h"

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

// What the headers of a bitmap file say about how its pixels are stored, for
// tools that describe a course. Only the headers are read; nothing is
// decoded or checked beyond them.
struct BmpInfo {
  int bitsPerPixel = 0;           // as stored in the file (8 for an RLE8 file)
  std::uint32_t compression = 0;  // 0 none, 1 RLE8, 2 RLE4, 3 bit fields
  bool topDown = false;           // a negative height: the top row comes first
};

// The header fields of `source`; an empty source, or one too short to hold
// them, gives the zero BmpInfo. A 12-byte core header has no compression and
// is always bottom-up.
inline BmpInfo InspectBitmap(const ByteSource& source) {
  BmpInfo info;
  constexpr std::uint64_t kDibStart = 14;
  if (source.Size() < kDibStart + 12) {
    return info;
  }
  const std::uint64_t available = std::min<std::uint64_t>(source.Size() - kDibStart, 20);
  const std::vector<std::uint8_t> dib = source.Fetch(kDibStart, available);
  auto le = [&](std::size_t at, std::size_t bytes) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < bytes && at + i < dib.size(); ++i) {
      value |= static_cast<std::uint32_t>(dib[at + i]) << (8 * i);
    }
    return value;
  };
  if (le(0, 4) == 12) {
    info.bitsPerPixel = static_cast<int>(le(10, 2));
    return info;
  }
  info.topDown = static_cast<std::int32_t>(le(8, 4)) < 0;
  info.bitsPerPixel = static_cast<int>(le(14, 2));
  info.compression = le(16, 4);
  return info;
}

}  // namespace ormakin
