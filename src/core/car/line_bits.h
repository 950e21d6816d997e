// The line of a course as bits, one a pixel, row after row: what a course
// prepared for many runs keeps, so that a probe is a bit test, not a pixel
// decoded.
#pragma once

#include <cstdint>
#include <vector>

#include "core/picture/bitmap.h"

namespace ormakin {

class LineBits {
 public:
  LineBits() = default;
  // The pixels of `course` that have the line's colour (IsLineColor).
  explicit LineBits(const TBitmap& course);

  int Width() const { return width_; }
  int Height() const { return height_; }
  // Pixel (x, y) is line; a point outside the course is not.
  bool OnLine(std::int64_t x, std::int64_t y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
      return false;
    }
    const std::uint64_t i = static_cast<std::uint64_t>(y) * static_cast<std::uint64_t>(width_) +
                            static_cast<std::uint64_t>(x);
    return ((words_[i / 64] >> (i % 64)) & 1u) != 0;
  }
  // The bits, 64 a word, bit i of the course's pixels in bit i % 64 of word
  // i / 64; pixel i is (i % Width(), i / Width()).
  const std::vector<std::uint64_t>& Words() const { return words_; }

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<std::uint64_t> words_;
};

}  // namespace ormakin
