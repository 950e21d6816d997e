#include "core/picture/pixel_store.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include "core/base/errors.h"
#include "core/os/zeroed_memory.h"

namespace ormakin {

namespace {

std::uint32_t Load16(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8);
}

std::uint32_t Load32(const std::uint8_t* p) {
  std::uint32_t v = 0;
  std::memcpy(&v, p, 4);
  if constexpr (std::endian::native == std::endian::big) {
    v = ((v & 0xFFu) << 24) | ((v & 0xFF00u) << 8) | ((v >> 8) & 0xFF00u) | (v >> 24);
  }
  return v;
}

// Bytes B, G, R (the file's order) as 0x00BBGGRR.
TColor FromBgr(const std::uint8_t* p) {
  return static_cast<TColor>(p[2]) | (static_cast<TColor>(p[1]) << 8) |
         (static_cast<TColor>(p[0]) << 16);
}

}  // namespace

std::uint64_t PixelStore::RowLengthFor(std::int64_t width, int bitsPerPixel) {
  if (width <= 0 || bitsPerPixel <= 0) {
    return 0;
  }
  const auto bits = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(bitsPerPixel);
  return (bits + 31) / 32 * 4;
}

bool PixelStore::IsSupportedDepth(int bitsPerPixel) {
  switch (bitsPerPixel) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
      return true;
    default:
      return false;
  }
}

ColorMasks PixelStore::DefaultMasks(int bitsPerPixel) {
  if (bitsPerPixel == 16) {
    return {0x7C00u, 0x03E0u, 0x001Fu};
  }
  if (bitsPerPixel == 32) {
    return {0x00FF0000u, 0x0000FF00u, 0x000000FFu};
  }
  return {};
}

PixelStore::PixelStore(int width, int height, int bitsPerPixel, RowOrder order, StoreInit init)
    : width_(width), height_(height), bitsPerPixel_(bitsPerPixel), order_(order) {
  if (width < 0 || height < 0 || !IsSupportedDepth(bitsPerPixel)) {
    throw EInvalidGraphic(kInvalidBitmapMessage);
  }
  const std::uint64_t rowLength = RowLengthFor(width, bitsPerPixel);
  if (height > 0 && rowLength > kMaxBytes / static_cast<std::uint64_t>(height)) {
    throw EInvalidGraphic(kInvalidBitmapMessage);
  }
  rowLength_ = static_cast<std::size_t>(rowLength);
  data_ = Allocate(Size(), init);
  SetMasks(DefaultMasks(bitsPerPixel));
}

PixelStore::PixelStore(const PixelStore& other)
    : width_(other.width_),
      height_(other.height_),
      bitsPerPixel_(other.bitsPerPixel_),
      order_(other.order_),
      rowLength_(other.rowLength_),
      data_(Allocate(other.Size(), StoreInit::Overwrite)),
      palette_(other.palette_),
      paletteCount_(other.paletteCount_),
      masks_(other.masks_),
      channels_(other.channels_),
      plainRgb32_(other.plainRgb32_) {
  if (Size() > 0) {
    std::memcpy(data_.get(), other.data_.get(), Size());
  }
}

void PixelStore::Free::operator()(std::uint8_t* p) const {
  std::free(p);
}

std::unique_ptr<std::uint8_t[], PixelStore::Free> PixelStore::Allocate(std::size_t size,
                                                                       StoreInit init) {
  // At least one byte, so that an empty store still has a valid pointer.
  const std::size_t bytes = size > 0 ? size : 1;
  void* p = init == StoreInit::Zero ? AllocateZeroed(bytes) : std::malloc(bytes);
  if (p == nullptr) {
    throw std::bad_alloc();
  }
  return std::unique_ptr<std::uint8_t[], Free>(static_cast<std::uint8_t*>(p));
}

void PixelStore::SetPaletteEntry(int index, TColor color) {
  if (index >= 0 && index < 256) {
    palette_[static_cast<std::size_t>(index)] = color & 0x00FFFFFFu;
  }
}

void PixelStore::SetPaletteCount(int count) {
  paletteCount_ = count < 0 ? 0 : count > 256 ? 256 : count;
}

PixelStore::Channel PixelStore::MakeChannel(std::uint32_t mask) {
  Channel c;
  c.mask = mask;
  if (mask != 0) {
    c.shift = std::countr_zero(mask);
    c.bits = std::bit_width(mask >> c.shift);
  }
  return c;
}

void PixelStore::SetMasks(const ColorMasks& masks) {
  masks_ = masks;
  channels_ = {MakeChannel(masks.red), MakeChannel(masks.green), MakeChannel(masks.blue)};
  const ColorMasks plain = DefaultMasks(32);
  plainRgb32_ = bitsPerPixel_ == 32 && masks.red == plain.red && masks.green == plain.green &&
                masks.blue == plain.blue;
}

// Scales a channel of any width to 8 bits the usual way: a narrow value is
// repeated to fill the low bits (5-bit v becomes (v << 3) | (v >> 2)), so that
// 0 stays 0 and the largest value becomes 255; a wide one keeps its top 8 bits.
std::uint32_t PixelStore::Extract(const Channel& c, std::uint32_t pixel) {
  if (c.bits == 0) {
    return 0;
  }
  const std::uint32_t v = (pixel & c.mask) >> c.shift;
  if (c.bits >= 8) {
    return (v >> (c.bits - 8)) & 0xFFu;
  }
  std::uint32_t out = 0;
  int pos = 8;
  while (pos > 0) {
    pos -= c.bits;
    out |= pos >= 0 ? v << pos : v >> -pos;
  }
  return out & 0xFFu;
}

std::uint32_t PixelStore::Insert(const Channel& c, std::uint32_t value8) {
  if (c.bits == 0) {
    return 0;
  }
  const std::uint64_t v =
      c.bits >= 8 ? std::uint64_t{value8} << (c.bits - 8) : std::uint64_t{value8} >> (8 - c.bits);
  return static_cast<std::uint32_t>(v << c.shift) & c.mask;
}

TColor PixelStore::FromBitFields(std::uint32_t pixel) const {
  return Extract(channels_[0], pixel) | (Extract(channels_[1], pixel) << 8) |
         (Extract(channels_[2], pixel) << 16);
}

TColor PixelStore::ColorAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) {
    return kNoColor;
  }
  const std::uint8_t* row = Row(y);
  const auto ux = static_cast<std::size_t>(x);
  switch (bitsPerPixel_) {
    case 1:
      return palette_[(row[ux >> 3] >> (7 - (ux & 7))) & 1u];
    case 4:
      return palette_[(row[ux >> 1] >> ((ux & 1) != 0 ? 0 : 4)) & 0xFu];
    case 8:
      return palette_[row[ux]];
    case 16:
      return FromBitFields(Load16(row + 2 * ux));
    case 24:
      return FromBgr(row + 3 * ux);
    default:
      return plainRgb32_ ? FromBgr(row + 4 * ux) : FromBitFields(Load32(row + 4 * ux));
  }
}

std::uint32_t PixelStore::Encode(TColor color) const {
  const std::uint32_t r = color & 0xFFu;
  const std::uint32_t g = (color >> 8) & 0xFFu;
  const std::uint32_t b = (color >> 16) & 0xFFu;
  switch (bitsPerPixel_) {
    case 1:
    case 4:
    case 8: {
      const int count = std::min(paletteCount_, 1 << bitsPerPixel_);
      std::uint32_t best = 0;
      std::int64_t bestDistance = std::numeric_limits<std::int64_t>::max();
      for (int i = 0; i < count; ++i) {
        const TColor entry = palette_[static_cast<std::size_t>(i)];
        const std::int64_t dr = static_cast<std::int64_t>(entry & 0xFFu) - r;
        const std::int64_t dg = static_cast<std::int64_t>((entry >> 8) & 0xFFu) - g;
        const std::int64_t db = static_cast<std::int64_t>((entry >> 16) & 0xFFu) - b;
        const std::int64_t distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
          bestDistance = distance;
          best = static_cast<std::uint32_t>(i);
        }
      }
      return best;
    }
    case 24:
      return b | (g << 8) | (r << 16);
    case 32:
      if (plainRgb32_) {
        return b | (g << 8) | (r << 16);
      }
      [[fallthrough]];
    default:
      return Insert(channels_[0], r) | Insert(channels_[1], g) | Insert(channels_[2], b);
  }
}

void PixelStore::FillSpan(int y, int x0, int x1, std::uint32_t raw) {
  if (x0 >= x1) {
    return;
  }
  std::uint8_t* row = Row(y);
  const auto from = static_cast<std::size_t>(x0);
  const auto to = static_cast<std::size_t>(x1);
  switch (bitsPerPixel_) {
    case 1:
      for (std::size_t x = from; x < to; ++x) {
        const auto bit = static_cast<std::uint8_t>(0x80u >> (x & 7));
        row[x >> 3] =
            static_cast<std::uint8_t>((raw & 1u) != 0 ? row[x >> 3] | bit : row[x >> 3] & ~bit);
      }
      break;
    case 4:
      for (std::size_t x = from; x < to; ++x) {
        std::uint8_t& byte = row[x >> 1];
        byte = (x & 1) != 0 ? static_cast<std::uint8_t>((byte & 0xF0u) | (raw & 0x0Fu))
                            : static_cast<std::uint8_t>((byte & 0x0Fu) | ((raw & 0x0Fu) << 4));
      }
      break;
    case 8:
      std::memset(row + from, static_cast<int>(raw & 0xFFu), to - from);
      break;
    case 16:
      for (std::size_t x = from; x < to; ++x) {
        row[2 * x] = static_cast<std::uint8_t>(raw);
        row[2 * x + 1] = static_cast<std::uint8_t>(raw >> 8);
      }
      break;
    case 24:
      for (std::size_t x = from; x < to; ++x) {
        row[3 * x] = static_cast<std::uint8_t>(raw);
        row[3 * x + 1] = static_cast<std::uint8_t>(raw >> 8);
        row[3 * x + 2] = static_cast<std::uint8_t>(raw >> 16);
      }
      break;
    default:
      for (std::size_t x = from; x < to; ++x) {
        row[4 * x] = static_cast<std::uint8_t>(raw);
        row[4 * x + 1] = static_cast<std::uint8_t>(raw >> 8);
        row[4 * x + 2] = static_cast<std::uint8_t>(raw >> 16);
        row[4 * x + 3] = static_cast<std::uint8_t>(raw >> 24);
      }
      break;
  }
}

void PixelStore::PutRow(int y, const TColor* colors, int count) {
  if (bitsPerPixel_ == 32 && plainRgb32_) {
    // A full-colour store (what drawing makes): the bytes B, G, R, 0 of
    // each colour, without deciding the format again for each pixel.
    std::uint8_t* row = Row(y);
    for (int x = 0; x < count; ++x) {
      const TColor color = colors[x];
      std::uint8_t* p = row + 4 * static_cast<std::size_t>(x);
      p[0] = static_cast<std::uint8_t>(color >> 16);
      p[1] = static_cast<std::uint8_t>(color >> 8);
      p[2] = static_cast<std::uint8_t>(color);
      p[3] = 0;
    }
    return;
  }
  for (int x = 0; x < count; ++x) {
    PutRaw(x, y, Encode(colors[x]));
  }
}

namespace {

// The forms a row is converted to.
struct Rgb32Form {
  static std::uint32_t Color(TColor color) { return ToRgb32(color); }
  static std::uint32_t Rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return 0xFF000000u | (r << 16) | (g << 8) | b;
  }
};

struct ColorForm {
  static std::uint32_t Color(TColor color) { return color & 0x00FFFFFFu; }
  static std::uint32_t Rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return r | (g << 8) | (b << 16);
  }
};

struct RgbaForm {
  static std::uint32_t Color(TColor color) { return 0xFF000000u | ColorForm::Color(color); }
  static std::uint32_t Rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return 0xFF000000u | ColorForm::Rgb(r, g, b);
  }
};

}  // namespace

template <typename Form>
void PixelStore::RowTo(int y, int count, std::uint32_t* out) const {
  const std::uint8_t* row = Row(y);
  const auto n = static_cast<std::size_t>(count);
  switch (bitsPerPixel_) {
    case 1:
    case 4:
    case 8: {
      // One conversion of the table per row keeps the pixel loop to a lookup.
      std::array<std::uint32_t, 256> table{};
      const std::size_t entries = std::size_t{1} << bitsPerPixel_;
      for (std::size_t i = 0; i < entries; ++i) {
        table[i] = Form::Color(palette_[i]);
      }
      if (bitsPerPixel_ == 8) {
        for (std::size_t x = 0; x < n; ++x) {
          out[x] = table[row[x]];
        }
      } else if (bitsPerPixel_ == 4) {
        for (std::size_t x = 0; x < n; ++x) {
          out[x] = table[(row[x >> 1] >> ((x & 1) != 0 ? 0 : 4)) & 0xFu];
        }
      } else {
        for (std::size_t x = 0; x < n; ++x) {
          out[x] = table[(row[x >> 3] >> (7 - (x & 7))) & 1u];
        }
      }
      break;
    }
    case 16:
      for (std::size_t x = 0; x < n; ++x) {
        out[x] = Form::Color(FromBitFields(Load16(row + 2 * x)));
      }
      break;
    case 24:
      for (std::size_t x = 0; x < n; ++x) {
        const std::uint8_t* p = row + 3 * x;
        out[x] = Form::Rgb(p[2], p[1], p[0]);
      }
      break;
    default:
      if (plainRgb32_) {
        for (std::size_t x = 0; x < n; ++x) {
          const std::uint32_t word = Load32(row + 4 * x);
          out[x] = Form::Rgb((word >> 16) & 0xFFu, (word >> 8) & 0xFFu, word & 0xFFu);
        }
      } else {
        for (std::size_t x = 0; x < n; ++x) {
          out[x] = Form::Color(FromBitFields(Load32(row + 4 * x)));
        }
      }
      break;
  }
}

void PixelStore::RowToRgb32(int y, int count, std::uint32_t* out) const {
  RowTo<Rgb32Form>(y, count, out);
}

void PixelStore::RowToColors(int y, int count, TColor* out) const {
  RowTo<ColorForm>(y, count, out);
}

void PixelStore::RowToRgba(int y, int count, std::uint32_t* out) const {
  RowTo<RgbaForm>(y, count, out);
}

}  // namespace ormakin
