#include "support/bmp_builder.h"

#include <algorithm>
#include <cstdlib>

namespace ormakin::testing {

namespace {

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  Put16(out, v & 0xFFFFu);
  Put16(out, v >> 16);
}

void Set32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) {
    out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
  }
}

std::uint32_t HeaderSize(BmpHeader header) {
  switch (header) {
    case BmpHeader::Core:
      return 12;
    case BmpHeader::Info:
      return 40;
    case BmpHeader::V4:
      return 108;
    default:
      return 124;
  }
}

// A course: a black ring and a black bar on a white ground.
bool OnCourseLine(int x, int y, int width, int height) {
  const long dx = x - width / 2;
  const long dy = y - height / 2;
  const long r2 = dx * dx + dy * dy;
  const long outer = std::min(width, height) * 2L / 5;
  const long inner = outer - 6;
  return (r2 <= outer * outer && r2 >= inner * inner) || std::abs(y - height / 8) < 3;
}

}  // namespace

std::uint32_t RawBgr(TColor color) {
  return ((color & 0xFFu) << 16) | (color & 0xFF00u) | ((color >> 16) & 0xFFu);
}

std::vector<std::uint8_t> BuildBmp(const BmpLayout& layout) {
  std::vector<std::uint8_t> out;
  Put16(out, layout.magic);
  Put32(out, 0);  // file size, set below
  Put32(out, 0);  // reserved
  Put32(out, 0);  // pixel offset, set below
  const std::uint32_t headerSize = HeaderSize(layout.header);
  Put32(out, headerSize);
  if (layout.header == BmpHeader::Core) {
    Put16(out, static_cast<std::uint32_t>(layout.width));
    Put16(out, static_cast<std::uint32_t>(layout.height));
    Put16(out, layout.planes);
    Put16(out, layout.bitsPerPixel);
  } else {
    Put32(out, static_cast<std::uint32_t>(layout.width));
    Put32(out, static_cast<std::uint32_t>(layout.height));
    Put16(out, layout.planes);
    Put16(out, layout.bitsPerPixel);
    Put32(out, layout.compression);
    Put32(out, layout.imageSize.value_or(0));
    Put32(out, 2835);  // 72 dpi
    Put32(out, 2835);
    Put32(out, layout.colorsUsed.value_or(static_cast<std::uint32_t>(layout.palette.size())));
    Put32(out, 0);
    if (layout.header != BmpHeader::Info) {
      Put32(out, layout.redMask);
      Put32(out, layout.greenMask);
      Put32(out, layout.blueMask);
      Put32(out, 0);           // alpha mask
      Put32(out, 0x73524742);  // colour space "sRGB"
      out.resize(14 + headerSize, 0);
    } else if (layout.compression == 3 &&
               (layout.bitsPerPixel == 16 || layout.bitsPerPixel == 32)) {
      Put32(out, layout.redMask);
      Put32(out, layout.greenMask);
      Put32(out, layout.blueMask);
    }
  }
  for (TColor c : layout.palette) {
    out.push_back(static_cast<std::uint8_t>(c >> 16));
    out.push_back(static_cast<std::uint8_t>(c >> 8));
    out.push_back(static_cast<std::uint8_t>(c));
    if (layout.header != BmpHeader::Core) {
      out.push_back(0);
    }
  }
  const std::uint32_t offset = layout.pixelOffset.value_or(static_cast<std::uint32_t>(out.size()));
  if (offset > out.size()) {
    out.resize(offset, 0);
  }
  Set32(out, 10, offset);
  out.insert(out.end(), layout.pixels.begin(), layout.pixels.end());
  Set32(out, 2, static_cast<std::uint32_t>(out.size()));
  return out;
}

std::vector<std::uint8_t> PackPixels(int width, int height, int bitsPerPixel,
                                     const std::function<std::uint32_t(int x, int y)>& value) {
  const int rows = std::abs(height);
  const std::size_t rowLength = (static_cast<std::size_t>(width) * bitsPerPixel + 31) / 32 * 4;
  std::vector<std::uint8_t> out(rowLength * static_cast<std::size_t>(rows), 0);
  for (int y = 0; y < rows; ++y) {
    const int fileRow = height < 0 ? y : rows - 1 - y;
    std::uint8_t* row = out.data() + static_cast<std::size_t>(fileRow) * rowLength;
    for (int x = 0; x < width; ++x) {
      const std::uint32_t v = value(x, y);
      const auto ux = static_cast<std::size_t>(x);
      switch (bitsPerPixel) {
        case 1:
          row[ux / 8] |= static_cast<std::uint8_t>((v & 1u) << (7 - ux % 8));
          break;
        case 4:
          row[ux / 2] |= static_cast<std::uint8_t>((v & 0xFu) << (ux % 2 == 0 ? 4 : 0));
          break;
        default:
          for (int b = 0; b < bitsPerPixel / 8; ++b) {
            row[ux * static_cast<std::size_t>(bitsPerPixel / 8) + static_cast<std::size_t>(b)] =
                static_cast<std::uint8_t>(v >> (8 * b));
          }
          break;
      }
    }
  }
  return out;
}

std::vector<std::uint8_t> BuildCourse(int width, int height, int bitsPerPixel) {
  BmpLayout layout;
  layout.width = width;
  layout.height = height;
  layout.bitsPerPixel = static_cast<std::uint16_t>(bitsPerPixel);
  if (bitsPerPixel == 1) {
    layout.palette = {clBlack, clWhite};
  } else if (bitsPerPixel == 8) {
    for (std::uint32_t i = 0; i < 256; ++i) {
      layout.palette.push_back(i | (i << 8) | (i << 16));
    }
  }
  layout.pixels = PackPixels(width, height, bitsPerPixel, [&](int x, int y) -> std::uint32_t {
    const bool line = OnCourseLine(x, y, width, height);
    if (bitsPerPixel == 1) {
      return line ? 0 : 1;
    }
    if (bitsPerPixel == 8) {
      return line ? 0 : 255;
    }
    return line ? 0 : RawBgr(clWhite);
  });
  return BuildBmp(layout);
}

std::vector<std::uint8_t> BuildRle8Course(int width, int height) {
  BmpLayout layout;
  layout.width = width;
  layout.height = height;
  layout.bitsPerPixel = 8;
  layout.compression = 1;
  layout.palette = {clBlack, clWhite};
  for (int fileRow = 0; fileRow < height; ++fileRow) {
    const int y = height - 1 - fileRow;
    int x = 0;
    while (x < width) {
      const bool line = OnCourseLine(x, y, width, height);
      int run = 1;
      while (x + run < width && run < 255 && OnCourseLine(x + run, y, width, height) == line) {
        ++run;
      }
      layout.pixels.push_back(static_cast<std::uint8_t>(run));
      layout.pixels.push_back(line ? 0 : 1);
      x += run;
    }
    layout.pixels.push_back(0);
    layout.pixels.push_back(0);  // end of line
  }
  layout.pixels.push_back(0);
  layout.pixels.push_back(1);  // end of bitmap
  layout.imageSize = static_cast<std::uint32_t>(layout.pixels.size());
  return BuildBmp(layout);
}

std::string AsString(const std::vector<std::uint8_t>& bytes) {
  return {bytes.begin(), bytes.end()};
}

}  // namespace ormakin::testing
