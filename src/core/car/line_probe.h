// What the car asks of the course it drives on.
#pragma once

#include <cstdint>

namespace ormakin {

class LineProbe {
 public:
  virtual ~LineProbe() = default;
  // True exactly when the course pixel at (x, y) is pure black. Any point may
  // be asked; a point outside the course is not on the line.
  virtual bool IsOnLine(std::int32_t x, std::int32_t y) = 0;
};

}  // namespace ormakin
