// A course prepared for many runs at once: its line pixels as bits, which
// any number of threads may probe together, and its line cells, the units in
// which a run's progress along the line is counted.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/car/line_bits.h"
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

  int Width() const { return bits_.Width(); }
  int Height() const { return bits_.Height(); }

  // Changes nothing, so several cars on several threads may share a course.
  bool IsOnLine(std::int32_t x, std::int32_t y) override { return OnLine(x, y); }
  const LineBits* Bits() const override { return &bits_; }
  bool OnLine(std::int64_t x, std::int64_t y) const { return bits_.OnLine(x, y); }

  // The index of the line cell that holds pixel (x, y), or -1 when that pixel
  // lies outside the course or in a cell without line.
  std::int32_t LineCellAt(std::int64_t x, std::int64_t y) const;
  std::int32_t LineCellCount() const { return lineCells_; }

  // How many pixels are line.
  std::uint64_t LinePixelCount() const { return linePixels_; }

 private:
  LineBits bits_;
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
