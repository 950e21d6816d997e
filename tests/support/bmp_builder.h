// Small BMP files built in memory, for tests, benchmarks and fuzz seeds.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/picture/color.h"

namespace ormakin::testing {

enum class BmpHeader { Core, Info, V4, V5 };

struct BmpLayout {
  std::int32_t width = 1;
  std::int32_t height = 1;  // negative: top row first
  std::uint16_t bitsPerPixel = 24;
  std::uint32_t compression = 0;
  std::uint16_t planes = 1;
  BmpHeader header = BmpHeader::Info;
  // Colour table entries as 0x00BBGGRR, written in the header's entry size.
  std::vector<TColor> palette;
  // The colours-used field; by default the palette's size (0 when empty).
  std::optional<std::uint32_t> colorsUsed;
  // Red, green, blue masks: after a 40-byte header when the compression is 3,
  // or inside a V4/V5 header.
  std::uint32_t redMask = 0;
  std::uint32_t greenMask = 0;
  std::uint32_t blueMask = 0;
  std::optional<std::uint32_t> imageSize;    // default 0
  std::optional<std::uint32_t> pixelOffset;  // default: right after the table
  std::uint16_t magic = 0x4D42;
  std::vector<std::uint8_t> pixels;  // pixel data as stored in the file
};

// The bytes of a BMP file.
std::vector<std::uint8_t> BuildBmp(const BmpLayout& layout);

// Pixel rows in file order for a picture of width x |height| (bottom row
// first unless height < 0), each padded to 32 bits. `value(x, y)`, y = 0 the
// top row, gives the raw pixel value: a table index, or the bits of a 16-,
// 24- or 32-bit pixel stored little-endian.
std::vector<std::uint8_t> PackPixels(int width, int height, int bitsPerPixel,
                                     const std::function<std::uint32_t(int x, int y)>& value);

// A colour 0x00BBGGRR as the raw value of a 24- or 32-bit pixel (bytes B, G, R).
std::uint32_t RawBgr(TColor color);

// A whole uncompressed course: a black ring on white, at 1, 8, 24 or 32 bits.
std::vector<std::uint8_t> BuildCourse(int width, int height, int bitsPerPixel);
// The same course at 8 bits, run-length encoded (RLE8).
std::vector<std::uint8_t> BuildRle8Course(int width, int height);

// As a std::string, the form TempDir::WriteFile takes.
std::string AsString(const std::vector<std::uint8_t>& bytes);

}  // namespace ormakin::testing
