#include "support/course_builder.h"

#include <cmath>
#include <sstream>

#include "support/bmp_builder.h"

namespace ormakin::testing {

std::string LineCourseBmp(int width, int height, const std::function<bool(int, int)>& isLine) {
  BmpLayout layout;
  layout.width = width;
  layout.height = height;
  layout.bitsPerPixel = 24;
  layout.pixels = PackPixels(width, height, 24, [&](int x, int y) {
    return isLine(x, y) ? RawBgr(clBlack) : RawBgr(clWhite);
  });
  return AsString(BuildBmp(layout));
}

std::function<bool(int, int)> Ring(double cx, double cy, double radius, double halfWidth) {
  return [=](int x, int y) {
    const double d = std::hypot(x - cx, y - cy);
    return d >= radius - halfWidth && d <= radius + halfWidth;
  };
}

std::string FollowerSettings(double startX, double startY) {
  std::ostringstream out;
  out << "[car]\r\ninit_x=" << startX << "\r\ninit_y=" << startY << "\r\n";
  // State 1 follows: straight on the centre, turn towards a side sensor that
  // sees the line; when nothing is seen it keeps turning left to search.
  out << "[state]\r\n"
         "1-0=8,1,1\r\n1-1=8,1,1\r\n1-2=-8,1,1\r\n1-3=0,1,1\r\n"
         "1-4=0,1,1\r\n1-5=4,1,1\r\n1-6=-4,1,1\r\n1-7=0,1,1\r\n";
  return out.str();
}

}  // namespace ormakin::testing
