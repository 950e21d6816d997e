// Feeds arbitrary bytes to the BMP reader. A file that loads is probed at
// every pixel (when small) and drawn on, so that the reads and writes of
// every pixel format are exercised.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "core/base/errors.h"
#include "core/draw/canvas.h"
#include "core/picture/bmp_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    ormakin::TBitmap bitmap = ormakin::ReadBitmap(std::span(data, size));
    const long long pixels = static_cast<long long>(bitmap.Width()) * bitmap.Height();
    if (pixels <= 1 << 16) {
      // Every pixel inside is a 24-bit colour; every point outside has none.
      for (int y = -1; y <= bitmap.Height(); ++y) {
        for (int x = -1; x <= bitmap.Width(); ++x) {
          const bool inside = x >= 0 && y >= 0 && x < bitmap.Width() && y < bitmap.Height();
          const ormakin::TColor color = bitmap.GetPixel(x, y);
          if (inside ? (color >> 24) != 0 : color != ormakin::kNoColor) std::abort();
        }
      }
      ormakin::TBitmap copy = bitmap;
      ormakin::TCanvas canvas(copy);
      canvas.SetBrushColor(0x00123456);
      const ormakin::TPoint body[] = {{-3, 1}, {bitmap.Width() + 2, 2}, {4, bitmap.Height() + 5}};
      canvas.Polygon(body);
      canvas.FillRect({1, 1, 3, 3});
    }
  } catch (const ormakin::Exception&) {
    // Refusals are expected; anything else escapes and fails the run.
  }
  return 0;
}
