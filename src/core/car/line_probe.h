// What the car asks of the course it drives on.
#pragma once

#include <cstdint>

#include "core/picture/color.h"

namespace ormakin {

// The line is drawn in pure black: a course pixel of any other colour, even
// the darkest grey, and a point outside the course are off it.
constexpr bool IsLineColor(TColor color) {
  return color == clBlack;
}

class LineProbe {
 public:
  virtual ~LineProbe() = default;
  // True exactly when the course pixel at (x, y) has the line's colour
  // (IsLineColor). Any point may be asked; a point outside the course is not
  // on the line.
  virtual bool IsOnLine(std::int32_t x, std::int32_t y) = 0;
};

}  // namespace ormakin
