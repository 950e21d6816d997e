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

class LineBits;

class LineProbe {
 public:
  virtual ~LineProbe() = default;
  // True exactly when the course pixel at (x, y) has the line's colour
  // (IsLineColor). Any point may be asked; a point outside the course is not
  // on the line.
  virtual bool IsOnLine(std::int32_t x, std::int32_t y) = 0;
  // The line as bits, for a probe whose answers are those bits and nothing
  // else, living as long as the probe; null for any other. A car reads them
  // straight, with no call through the probe on every tick.
  virtual const LineBits* Bits() const { return nullptr; }
};

}  // namespace ormakin
