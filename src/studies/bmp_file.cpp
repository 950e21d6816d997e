#include "studies/bmp_file.h"

#include <cstdint>
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

  std::vector<std::uint32_t> argb(static_cast<std::size_t>(width));
  std::vector<std::uint8_t> row(static_cast<std::size_t>(rowLength), 0);
  for (int y = height - 1; y >= 0; --y) {
    picture.Store()->RowToRgb32(y, width, argb.data());
    std::uint8_t* out = row.data();
    for (const std::uint32_t pixel : argb) {
      // A BMP file stores blue, green, red.
      *out++ = static_cast<std::uint8_t>(pixel);
      *out++ = static_cast<std::uint8_t>(pixel >> 8);
      *out++ = static_cast<std::uint8_t>(pixel >> 16);
    }
    write(row.data(), row.size());
  }
}

}  // namespace ormakin::studies
