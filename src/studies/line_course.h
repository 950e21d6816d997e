// A course prepared for many runs at once: its line pixels as bits, which
// any number of threads may probe together, and its line cells, the units in
// which a run's progress along the line is counted.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/car/line_probe.h"
#include "core/picture/bitmap.h"

namespace ormakin::studies {

class LineCourse final : public LineProbe {
 public:
  // The side of a line cell in pixels: the course is cut into squares of this
  // size, and a square that holds a line pixel is a line cell. Large enough
  // that a car driving along a line 5 pixels wide passes the centre of
  // nearly every cell it crosses, small enough to see the shape of a bend.
  static constexpr int kCellSize = 8;

  // The line of `course`: the pixels that read pure black, as the window's
  // probe sees them.
  explicit LineCourse(const TBitmap& course);

  int Width() const { return width_; }
  int Height() const { return height_; }

  // Changes nothing, so several cars on several threads may share a course.
  bool IsOnLine(std::int32_t x, std::int32_t y) override { return OnLine(x, y); }
  bool OnLine(std::int64_t x, std::int64_t y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
      return false;
    }
    const std::uint64_t i = static_cast<std::uint64_t>(y) * static_cast<std::uint64_t>(width_) +
                            static_cast<std::uint64_t>(x);
    return ((bits_[i / 64] >> (i % 64)) & 1u) != 0;
  }

  // The index of the line cell that holds pixel (x, y), or -1 when that pixel
  // lies outside the course or in a cell without line.
  std::int32_t LineCellAt(std::int64_t x, std::int64_t y) const;
  std::int32_t LineCellCount() const { return lineCells_; }

  // How many pixels are line.
  std::uint64_t LinePixelCount() const { return linePixels_; }

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<std::uint64_t> bits_;
  int cellColumns_ = 0;
  std::vector<std::int32_t> cellIndex_;  // per cell: its line-cell index, or -1
  std::int32_t lineCells_ = 0;
  std::uint64_t linePixels_ = 0;
};

// The course in the picture file `name`, read as the window's open command
// reads it. Raises the window's exceptions: a file it cannot read, or a
// picture that is no bitmap.
LineCourse LoadLineCourse(const std::string& name);

}  // namespace ormakin::studies
