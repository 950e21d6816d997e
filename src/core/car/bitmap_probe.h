// A bitmap as the course a car drives on: the line is its pixels of the
// line's colour.
// It only reads the bitmap, so cars on several threads may share one.
#pragma once

#include "core/car/line_probe.h"
#include "core/picture/bitmap.h"

namespace ormakin {

class BitmapProbe : public LineProbe {
 public:
  // `course` must outlive the probe.
  explicit BitmapProbe(const TBitmap& course) : course_(course) {}
  bool IsOnLine(std::int32_t x, std::int32_t y) override {
    return IsLineColor(course_.GetPixel(x, y));
  }

 private:
  const TBitmap& course_;
};

}  // namespace ormakin
