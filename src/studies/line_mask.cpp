#include "studies/line_mask.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/car/line_probe.h"

namespace ormakin::studies {

std::string LineMaskPbm(const TBitmap& course) {
  const int width = course.Width();
  const int height = course.Height();
  std::string pbm = "P4\n" + std::to_string(width) + " " + std::to_string(height) + "\n";
  // Each row packs eight pixels a byte, the leftmost in the highest bit, and
  // is padded to a whole byte.
  std::vector<std::uint8_t> row((static_cast<std::size_t>(std::max(width, 0)) + 7) / 8);
  for (int y = 0; y < height; ++y) {
    std::fill(row.begin(), row.end(), 0);
    for (int x = 0; x < width; ++x) {
      if (IsLineColor(course.GetPixel(x, y))) {
        row[static_cast<std::size_t>(x) / 8] |= static_cast<std::uint8_t>(0x80u >> (x % 8));
      }
    }
    pbm.append(row.begin(), row.end());
  }
  return pbm;
}

}  // namespace ormakin::studies
