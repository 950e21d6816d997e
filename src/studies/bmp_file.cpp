#include "studies/bmp_file.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/base/errors.h"

namespace ormakin::studies {

namespace {

void PutLittleEndian(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) {
    out.push_back(static_cast<char>((value >> (8 * i)) & 0xFFu));
  }
}

}  // namespace

void WriteBmp(const TBitmap& picture, const std::string& name, const ByteSink& write) {
  const int width = picture.Width();
  const int height = picture.Height();
  if (width <= 0 || height <= 0) {
    throw Exception("cannot write " + name + ": the picture has no pixels (" +
                    std::to_string(width) + " x " + std::to_string(height) + ")");
  }
  const std::uint64_t rowLength = (static_cast<std::uint64_t>(width) * 3 + 3) / 4 * 4;
  const std::uint64_t imageSize = rowLength * static_cast<std::uint64_t>(height);
  if (imageSize > 0xFFFFFFFFULL - 54) {
    throw Exception("cannot write " + name + ": the picture is too large for a BMP file");
  }
  std::string header;
  header += "BM";
  PutLittleEndian(header, static_cast<std::uint32_t>(54 + imageSize), 4);
  PutLittleEndian(header, 0, 4);   // reserved
  PutLittleEndian(header, 54, 4);  // pixels follow the two headers
  PutLittleEndian(header, 40, 4);
  PutLittleEndian(header, static_cast<std::uint32_t>(width), 4);
  PutLittleEndian(header, static_cast<std::uint32_t>(height), 4);  // bottom row first
  PutLittleEndian(header, 1, 2);                                   // planes
  PutLittleEndian(header, 24, 2);
  PutLittleEndian(header, 0, 4);  // no compression
  PutLittleEndian(header, static_cast<std::uint32_t>(imageSize), 4);
  PutLittleEndian(header, 2835, 4);  // 72 dots per inch
  PutLittleEndian(header, 2835, 4);
  PutLittleEndian(header, 0, 4);
  PutLittleEndian(header, 0, 4);
  write(header.data(), header.size());

  const PixelStore& store = *picture.Store();
  std::vector<std::uint32_t> argb(static_cast<std::size_t>(width));
  // One byte more than a row, for the fourth byte of the last pixel below.
  std::vector<std::uint8_t> row(static_cast<std::size_t>(rowLength) + 1, 0);
  for (int y = height - 1; y >= 0; --y) {
    // A BMP file stores blue, green, red: a full-colour store's first three
    // bytes of each pixel, any other's pixels converted.
    std::uint8_t* out = row.data();
    if (store.PlainRgb32()) {
      // Each pixel's four bytes are copied whole, three bytes apart: the
      // next pixel overwrites the fourth, and the last one's is set back
      // to 0 with the row's padding.
      const std::uint8_t* in = store.Row(y);
      for (int x = 0; x < width; ++x) {
        std::memcpy(out + 3 * static_cast<std::size_t>(x), in + 4 * static_cast<std::size_t>(x), 4);
      }
      std::fill(out + 3 * static_cast<std::size_t>(width), out + rowLength, std::uint8_t{0});
    } else {
      store.RowToRgb32(y, width, argb.data());
      for (const std::uint32_t pixel : argb) {
        *out++ = static_cast<std::uint8_t>(pixel);
        *out++ = static_cast<std::uint8_t>(pixel >> 8);
        *out++ = static_cast<std::uint8_t>(pixel >> 16);
      }
    }
    write(row.data(), static_cast<std::size_t>(rowLength));
  }
}

}  // namespace ormakin::studies
