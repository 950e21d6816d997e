// TBitmap: a picture made of pixels, over a pixel store that several bitmaps
// can share. Copying a bitmap shares its store; the first change to a bitmap
// whose store is shared gives it a private copy first (copy on write).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "core/picture/color.h"
#include "core/picture/pixel_store.h"

namespace ormakin {

class TBitmap {
 public:
  // An empty bitmap of 0 x 0 pixels.
  TBitmap();
  // A full-colour bitmap of width x height pixels, every pixel `fill`.
  TBitmap(int width, int height, TColor fill);
  // A bitmap over an existing store (the BMP reader makes these).
  explicit TBitmap(std::shared_ptr<PixelStore> store);

  // Copies share the store.
  TBitmap(const TBitmap&) = default;
  TBitmap& operator=(const TBitmap&) = default;

  // A bitmap that shows at most the top-left maxWidth x maxHeight pixels of
  // `source`, sharing its store until the first change. The private copy that
  // a change makes covers only those pixels, in full colour, so that a frame of
  // a huge course costs what the window shows.
  static TBitmap ViewOf(const TBitmap& source, int maxWidth, int maxHeight);

  int Width() const;
  int Height() const;

  // The colour of pixel (x, y), 0x00BBGGRR; kNoColor for a point outside.
  // Reads the store in place, in its own format.
  TColor GetPixel(int x, int y) const;
  // The colours of row y from x = 0, as GetPixel reads them, into out[0] to
  // out[count - 1], clipped to the bitmap; nothing for a row outside it. For
  // reading a whole picture: one call a row, where GetPixel is one a pixel.
  void GetRow(int y, int count, TColor* out) const;

  // Called before every drawing operation: makes the store private first when
  // it is shared. Returns the store to draw on.
  PixelStore& BeginChange();

  // How many bitmaps share this one's store (for tests and benchmarks).
  long StoreUsers() const;
  const PixelStore* Store() const;

  // Writes the top-left width x height pixels (clipped to the bitmap) as
  // 0xFFRRGGBB values, row after row, `stride` values apart. Pixels that the
  // bitmap does not cover are left unchanged. For painting.
  void CopyToRgb32(int width, int height, std::uint32_t* out, std::size_t stride) const;

 private:
  std::shared_ptr<PixelStore> store_;
  int viewWidth_ = -1;  // -1: the whole store
  int viewHeight_ = -1;
};

}  // namespace ormakin
