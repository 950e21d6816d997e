#include "studies/line_course.h"

#include "core/base/errors.h"
#include "core/car/line_probe.h"
#include "core/picture/picture.h"

namespace ormakin::studies {

LineCourse::LineCourse(const TBitmap& course)
    : width_(std::max(course.Width(), 0)), height_(std::max(course.Height(), 0)) {
  const std::uint64_t pixels =
      static_cast<std::uint64_t>(width_) * static_cast<std::uint64_t>(height_);
  bits_.assign(static_cast<std::size_t>((pixels + 63) / 64), 0);
  cellColumns_ = (width_ + kCellSize - 1) / kCellSize;
  const int cellRows = (height_ + kCellSize - 1) / kCellSize;
  cellIndex_.assign(static_cast<std::size_t>(cellColumns_) * static_cast<std::size_t>(cellRows),
                    -1);
  std::vector<TColor> row(static_cast<std::size_t>(width_));
  for (int y = 0; y < height_; ++y) {
    course.GetRow(y, width_, row.data());
    for (int x = 0; x < width_; ++x) {
      if (!IsLineColor(row[static_cast<std::size_t>(x)])) {
        continue;
      }
      const std::uint64_t i = static_cast<std::uint64_t>(y) * static_cast<std::uint64_t>(width_) +
                              static_cast<std::uint64_t>(x);
      bits_[i / 64] |= std::uint64_t{1} << (i % 64);
      ++linePixels_;
      const std::size_t cell =
          static_cast<std::size_t>(y / kCellSize) * static_cast<std::size_t>(cellColumns_) +
          static_cast<std::size_t>(x / kCellSize);
      if (cellIndex_[cell] < 0) {
        cellIndex_[cell] = lineCells_++;
      }
    }
  }
}

std::int32_t LineCourse::LineCellAt(std::int64_t x, std::int64_t y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) {
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
