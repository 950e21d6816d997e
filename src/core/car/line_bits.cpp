#include "core/car/line_bits.h"

#include <algorithm>

#include "core/car/line_probe.h"

namespace ormakin {

LineBits::LineBits(const TBitmap& course)
    : width_(std::max(course.Width(), 0)), height_(std::max(course.Height(), 0)) {
  const std::uint64_t pixels =
      static_cast<std::uint64_t>(width_) * static_cast<std::uint64_t>(height_);
  words_.assign(static_cast<std::size_t>((pixels + 63) / 64), 0);
  std::vector<TColor> row(static_cast<std::size_t>(width_));
  std::uint64_t i = 0;
  for (int y = 0; y < height_; ++y) {
    course.GetRow(y, width_, row.data());
    for (const TColor color : row) {
      if (IsLineColor(color)) {
        words_[i / 64] |= std::uint64_t{1} << (i % 64);
      }
      ++i;
    }
  }
}

}  // namespace ormakin
