#include "line_mask.h"

#include <vector>

#include "line_probe.h"
#include "output_file.h"

namespace ormakin::cli {

void WriteLineMask(const TBitmap& course, const std::string& name) {
  const int width = course.Width();
  const int height = course.Height();
  OutputFile file(name);
  file.Write("P4\n" + std::to_string(width) + " " + std::to_string(height) + "\n");
  // Each row packs eight pixels a byte, the leftmost in the highest bit, and
  // is padded to a whole byte.
  std::vector<std::uint8_t> row((static_cast<std::size_t>(width) + 7) / 8);
  for (int y = 0; y < height; ++y) {
    std::fill(row.begin(), row.end(), 0);
    for (int x = 0; x < width; ++x) {
      if (IsLineColor(course.GetPixel(x, y))) {
        row[static_cast<std::size_t>(x) / 8] |= static_cast<std::uint8_t>(0x80u >> (x % 8));
      }
    }
    file.Write(row.data(), row.size());
  }
  file.Close();
}

}  // namespace ormakin::cli
