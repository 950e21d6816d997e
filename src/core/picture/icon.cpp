#include "core/picture/icon.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "core/base/errors.h"
#include "core/picture/byte_reader.h"
#include "core/picture/pixel_store.h"

namespace ormakin {

namespace {

constexpr std::array<std::uint8_t, 8> kPngSignature = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

[[noreturn]] void Invalid() {
  throw EInvalidGraphic(kInvalidIconMessage);
}

std::uint32_t BigEndian32(std::span<const std::uint8_t> b, std::size_t at) {
  return (std::uint32_t{b[at]} << 24) | (std::uint32_t{b[at + 1]} << 16) |
         (std::uint32_t{b[at + 2]} << 8) | std::uint32_t{b[at + 3]};
}

bool IsSide(std::int64_t side) {
  return side >= 1 && side <= TIcon::kMaxSide;
}

// The bits of pixel x of a packed row of 1, 4 or 8 bits per pixel.
std::uint32_t PackedIndex(const std::uint8_t* row, int x, int bpp) {
  const auto ux = static_cast<std::size_t>(x);
  switch (bpp) {
    case 1:
      return (row[ux >> 3] >> (7 - (ux & 7))) & 1u;
    case 4:
      return (row[ux >> 1] >> ((ux & 1) != 0 ? 0 : 4)) & 0xFu;
    default:
      return row[ux];
  }
}

}  // namespace

TIcon TIcon::LoadFromFile(const std::string& fileName) {
  const FileSource source(fileName);
  return Read(source);
}

TIcon TIcon::Read(std::span<const std::uint8_t> bytes) {
  const MemorySource source(bytes);
  return Read(source);
}

TIcon TIcon::Read(const ByteSource& source) {
  TIcon icon;
  try {
    // The icon directory: reserved 0, type 1 (icon), at least one entry; the
    // first entry tells where its image lies.
    const auto head = source.Fetch(0, 6 + 16);
    ByteReader dir(head);
    const std::uint16_t reserved = dir.U16();
    const std::uint16_t type = dir.U16();
    const std::uint16_t count = dir.U16();
    if (reserved != 0 || type != 1 || count == 0) {
      Invalid();
    }
    dir.Skip(8);  // width, height, colours, reserved, planes, depth
    const std::uint32_t imageBytes = dir.U32();
    const std::uint32_t imageOffset = dir.U32();
    const auto image = source.Fetch(imageOffset, imageBytes);

    if (image.size() >= kPngSignature.size() &&
        std::equal(kPngSignature.begin(), kPngSignature.end(), image.begin())) {
      // An embedded PNG: only its declared size (from its IHDR chunk) is kept.
      if (image.size() < 24 || std::memcmp(image.data() + 12, "IHDR", 4) != 0) {
        Invalid();
      }
      const std::uint32_t width = BigEndian32(image, 16);
      const std::uint32_t height = BigEndian32(image, 20);
      if (!IsSide(width) || !IsSide(height)) {
        Invalid();
      }
      icon.width_ = static_cast<int>(width);
      icon.height_ = static_cast<int>(height);
      icon.png_ = true;
      icon.image_ = image;
      return icon;
    }

    // A DIB: info header, colour table, the colour (XOR) rows, then the
    // transparency (AND) rows, bottom row first; the height counts both.
    ByteReader in(image);
    const std::uint32_t headerSize = in.U32();
    const std::int32_t width = in.I32();
    const std::int32_t doubleHeight = in.I32();
    const std::uint16_t planes = in.U16();
    const std::uint16_t bpp = in.U16();
    const std::uint32_t compression = in.U32();
    in.Skip(12);  // image size, resolution
    std::uint32_t colors = in.U32();
    if (headerSize < 40 || planes != 1 || compression != 0 || !IsSide(width) || doubleHeight < 2 ||
        !IsSide(doubleHeight / 2)) {
      Invalid();
    }
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) {
      Invalid();
    }
    if (colors == 0 && bpp <= 8) {
      colors = 1u << bpp;
    }
    if (colors > 256) {
      Invalid();
    }
    const int height = doubleHeight / 2;
    in.Seek(headerSize);
    std::array<std::uint32_t, 256> palette{};
    for (std::uint32_t i = 0; i < colors; ++i) {
      const std::uint32_t b = in.U8();
      const std::uint32_t g = in.U8();
      const std::uint32_t r = in.U8();
      in.Skip(1);
      palette[i] = 0xFF000000u | (r << 16) | (g << 8) | b;
    }
    const auto xorRowLength = static_cast<std::size_t>(PixelStore::RowLengthFor(width, bpp));
    const auto andRowLength = static_cast<std::size_t>(PixelStore::RowLengthFor(width, 1));
    const auto rows = static_cast<std::size_t>(height);
    const auto xorBits = in.Bytes(xorRowLength * rows);
    // Some 32-bit icons leave out their AND mask: such an icon is opaque
    // where its alpha does not say otherwise.
    const bool hasAnd = in.Has(andRowLength * rows);
    const auto andBits = hasAnd ? in.Bytes(andRowLength * rows) : std::span<const std::uint8_t>();

    icon.width_ = width;
    icon.height_ = height;
    icon.image_ = image;
    icon.pixels_.resize(static_cast<std::size_t>(width) * rows);
    bool anyAlpha = false;
    for (int y = 0; y < height; ++y) {
      const std::size_t fileRow = rows - 1 - static_cast<std::size_t>(y);
      const std::uint8_t* row = xorBits.data() + fileRow * xorRowLength;
      std::uint32_t* out = icon.pixels_.data() + static_cast<std::size_t>(y) * width;
      for (int x = 0; x < width; ++x) {
        const auto ux = static_cast<std::size_t>(x);
        std::uint32_t argb = 0;
        if (bpp <= 8) {
          argb = palette[PackedIndex(row, x, bpp)];
        } else if (bpp == 24) {
          const std::uint8_t* p = row + 3 * ux;
          argb = 0xFF000000u | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0];
        } else {
          const std::uint8_t* p = row + 4 * ux;
          argb = (std::uint32_t{p[3]} << 24) | (std::uint32_t{p[2]} << 16) |
                 (std::uint32_t{p[1]} << 8) | p[0];
          anyAlpha = anyAlpha || p[3] != 0;
        }
        out[x] = argb;
      }
    }
    // Without alpha values the AND mask says what is transparent (bit 1).
    if (bpp == 32 && !anyAlpha) {
      for (std::uint32_t& px : icon.pixels_) {
        px |= 0xFF000000u;
      }
    }
    if (hasAnd && !(bpp == 32 && anyAlpha)) {
      for (int y = 0; y < height; ++y) {
        const std::size_t fileRow = rows - 1 - static_cast<std::size_t>(y);
        const std::uint8_t* mask = andBits.data() + fileRow * andRowLength;
        std::uint32_t* out = icon.pixels_.data() + static_cast<std::size_t>(y) * width;
        for (int x = 0; x < width; ++x) {
          if (PackedIndex(mask, x, 1) != 0) {
            out[x] = 0;
          }
        }
      }
    }
  } catch (const EReadError&) {
    // A file that ends too early is just as malformed as a wrong field.
    Invalid();
  }
  return icon;
}

void TIcon::CopyToRgb32(int width, int height, std::uint32_t* out, std::size_t stride) const {
  const int w = std::min(width, width_);
  const int h = std::min(height, height_);
  if (pixels_.empty() || out == nullptr || w <= 0 || h <= 0) {
    return;
  }
  for (int y = 0; y < h; ++y) {
    const std::uint32_t* src = pixels_.data() + static_cast<std::size_t>(y) * width_;
    std::uint32_t* dst = out + static_cast<std::size_t>(y) * stride;
    for (int x = 0; x < w; ++x) {
      const std::uint32_t s = src[x];
      const std::uint32_t a = s >> 24;
      if (a == 0xFF) {
        dst[x] = s;
      } else if (a != 0) {
        const std::uint32_t d = dst[x];
        std::uint32_t mixed = 0xFF000000u;
        for (int shift = 0; shift < 24; shift += 8) {
          const std::uint32_t sc = (s >> shift) & 0xFFu;
          const std::uint32_t dc = (d >> shift) & 0xFFu;
          mixed |= ((sc * a + dc * (255 - a) + 127) / 255) << shift;
        }
        dst[x] = mixed;
      }
    }
  }
}

}  // namespace ormakin
