#include "studies/line_course.h"

#include <bit>

#include "core/base/errors.h"
#include "core/car/line_probe.h"
#include "core/picture/picture.h"

namespace ormakin::studies {

LineCourse::LineCourse(const TBitmap& course) : bits_(course) {
  const int width = bits_.Width();
  cellColumns_ = (width + kCellSize - 1) / kCellSize;
  const int cellRows = (bits_.Height() + kCellSize - 1) / kCellSize;
  cellIndex_.assign(static_cast<std::size_t>(cellColumns_) * static_cast<std::size_t>(cellRows),
                    -1);
  // The line cells numbered in the order of their first line pixel, row
  // after row: the set bits in order, words without line skipped whole.
  const std::vector<std::uint64_t>& words = bits_.Words();
  for (std::size_t w = 0; w < words.size(); ++w) {
    for (std::uint64_t word = words[w]; word != 0; word &= word - 1) {
      const std::uint64_t i = w * 64 + static_cast<std::uint64_t>(std::countr_zero(word));
      const auto x = static_cast<std::size_t>(i % static_cast<std::uint64_t>(width));
      const auto y = static_cast<std::size_t>(i / static_cast<std::uint64_t>(width));
      ++linePixels_;
      const std::size_t cell =
          y / kCellSize * static_cast<std::size_t>(cellColumns_) + x / kCellSize;
      if (cellIndex_[cell] < 0) {
        cellIndex_[cell] = lineCells_++;
      }
    }
  }
}

std::int32_t LineCourse::LineCellAt(std::int64_t x, std::int64_t y) const {
  if (x < 0 || y < 0 || x >= bits_.Width() || y >= bits_.Height()) {
    return -1;
  }
  return cellIndex_[static_cast<std::size_t>(y / kCellSize) *
                        static_cast<std::size_t>(cellColumns_) +
                    static_cast<std::size_t>(x / kCellSize)];
}

LineCourse LoadLineCourse(const std::string& name) {
  TPicture picture;
  picture.LoadFromFile(name);
  const TBitmap* bitmap = picture.Bitmap();
  if (bitmap == nullptr) {
    // An icon or a metafile: the car's first probe would fail so.
    throw EInvalidOperation(kBitmapOnlyMessage);
  }
  return LineCourse(*bitmap);
}

}  // namespace ormakin::studies
