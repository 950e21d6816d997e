// PixelStore: the pixels of one bitmap in the format they were read in (bits
// per pixel, row order, colour table, colour masks), read and written in place.
// Bitmaps share stores; a store itself knows nothing of sharing.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "core/picture/color.h"

namespace ormakin {

// The order of the rows in the store: as a bitmap file keeps them.
enum class RowOrder { BottomUp, TopDown };

// Whether a new store's bytes start at zero or are left for the caller to
// write every one of them (the file reader fills the store straight from disk).
// A zeroed store comes from AllocateZeroed, so a large one costs no memory
// until written: the system hands out pages that are already zero.
enum class StoreInit { Zero, Overwrite };

// Bit masks that pick the red, green and blue values out of a 16- or 32-bit
// pixel (bit fields).
struct ColorMasks {
  std::uint32_t red = 0;
  std::uint32_t green = 0;
  std::uint32_t blue = 0;
};

class PixelStore {
 public:
  // The largest store that is ever made, in bytes: larger images are refused
  // before anything is allocated.
  static constexpr std::uint64_t kMaxBytes = std::uint64_t{1} << 30;

  // Bytes per row: width * bitsPerPixel rounded up to a multiple of 32 bits.
  // 64-bit, so that it cannot overflow for any 32-bit width.
  static std::uint64_t RowLengthFor(std::int64_t width, int bitsPerPixel);
  // True when `bitsPerPixel` is one of 1, 4, 8, 16, 24, 32.
  static bool IsSupportedDepth(int bitsPerPixel);
  // Masks of an uncompressed file: 5-5-5 for 16 bits, 8-8-8 for 32 bits.
  static ColorMasks DefaultMasks(int bitsPerPixel);

  // A store of width x height pixels (both >= 0) of the given depth. The
  // caller has checked the size against kMaxBytes; larger ones throw
  // EInvalidGraphic. 16 and 32 bits per pixel start with the default masks;
  // the colour table starts with 0 entries, all black.
  PixelStore(int width, int height, int bitsPerPixel, RowOrder order,
             StoreInit init = StoreInit::Zero);

  // A deep copy: pixels, table and masks.
  PixelStore(const PixelStore& other);
  PixelStore& operator=(const PixelStore&) = delete;

  int Width() const { return width_; }
  int Height() const { return height_; }
  int BitsPerPixel() const { return bitsPerPixel_; }
  RowOrder Order() const { return order_; }
  std::size_t RowLength() const { return rowLength_; }
  std::size_t Size() const { return rowLength_ * static_cast<std::size_t>(height_); }
  std::uint8_t* Data() { return data_.get(); }
  const std::uint8_t* Data() const { return data_.get(); }

  // The bytes of row y, where y = 0 is the top row of the picture.
  const std::uint8_t* Row(int y) const { return data_.get() + RowOffset(y); }
  std::uint8_t* Row(int y) { return data_.get() + RowOffset(y); }

  // The colour table: 256 entries (0x00BBGGRR); `count` of them were given.
  // Pixel values beyond the given entries read as black.
  const std::array<TColor, 256>& Palette() const { return palette_; }
  int PaletteCount() const { return paletteCount_; }
  void SetPaletteEntry(int index, TColor color);
  void SetPaletteCount(int count);

  const ColorMasks& Masks() const { return masks_; }
  // 32 bits a pixel with the 8-8-8 masks: the bytes blue, green, red and one
  // unused, which those who copy pixels may read as they are.
  bool PlainRgb32() const { return plainRgb32_; }
  void SetMasks(const ColorMasks& masks);

  // The colour of pixel (x, y), y = 0 the top row, as 0x00BBGGRR; kNoColor
  // outside the store. Reads the one pixel in place: no copy, no allocation.
  TColor ColorAt(int x, int y) const;

  // The raw pixel value that comes nearest to `color` in this store's format
  // (for a colour table: the nearest given entry).
  std::uint32_t Encode(TColor color) const;
  // Writes a raw value (from Encode) to pixels x0 <= x < x1 of row y; the
  // caller has clipped the span to the store.
  void FillSpan(int y, int x0, int x1, std::uint32_t raw);
  void PutRaw(int x, int y, std::uint32_t raw) { FillSpan(y, x, x + 1, raw); }
  // Writes colors[0] to colors[count - 1] to row y from x = 0, each as
  // PutRaw(Encode(color)) would; the caller has clipped to the store.
  void PutRow(int y, const TColor* colors, int count);

  // Converts `count` pixels of row y, from x = 0, to 0xFFRRGGBB values for
  // painting; the caller has clipped to the store.
  void RowToRgb32(int y, int count, std::uint32_t* out) const;
  // The same pixels as colours, 0x00BBGGRR, as ColorAt reads them.
  void RowToColors(int y, int count, TColor* out) const;
  // The same pixels as 0xFFBBGGRR values: on a little-endian machine, the
  // bytes red, green, blue, 255 that a browser's canvas takes.
  void RowToRgba(int y, int count, std::uint32_t* out) const;

 private:
  // One colour channel of a bit-field pixel.
  struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;  // position of the mask's lowest bit
    int bits = 0;   // width from the lowest to the highest bit of the mask
  };
  static Channel MakeChannel(std::uint32_t mask);
  static std::uint32_t Extract(const Channel& c, std::uint32_t pixel);
  static std::uint32_t Insert(const Channel& c, std::uint32_t value8);
  TColor FromBitFields(std::uint32_t pixel) const;
  // Both row conversions, one loop a format: `Form` packs a colour, or its
  // red, green and blue, into the output's word.
  template <typename Form>
  void RowTo(int y, int count, std::uint32_t* out) const;

  std::size_t RowOffset(int y) const {
    const int fileRow = order_ == RowOrder::BottomUp ? height_ - 1 - y : y;
    return static_cast<std::size_t>(fileRow) * rowLength_;
  }

  int width_ = 0;
  int height_ = 0;
  int bitsPerPixel_ = 32;
  RowOrder order_ = RowOrder::TopDown;
  std::size_t rowLength_ = 0;
  struct Free {
    void operator()(std::uint8_t* p) const;
  };
  static std::unique_ptr<std::uint8_t[], Free> Allocate(std::size_t size, StoreInit init);

  std::unique_ptr<std::uint8_t[], Free> data_;
  std::array<TColor, 256> palette_{};
  int paletteCount_ = 0;
  ColorMasks masks_;
  std::array<Channel, 3> channels_{};  // red, green, blue
  bool plainRgb32_ = false;            // 32 bits with the 8-8-8 masks: bytes B, G, R, x
};

}  // namespace ormakin
