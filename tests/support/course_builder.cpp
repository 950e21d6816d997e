#include "course_builder.h"

#include <cmath>
#include <cstdint>
#include <sstream>

namespace ormakin::testing {

namespace {

void PutLe(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) {
    out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
  }
}

}  // namespace

std::string LineCourseBmp(int width, int height, const std::function<bool(int, int)>& isLine) {
  const std::uint32_t rowLength = (static_cast<std::uint32_t>(width) * 24 + 31) / 32 * 4;
  const std::uint32_t imageSize = rowLength * static_cast<std::uint32_t>(height);
  std::string out;
  out += "BM";
  PutLe(out, 54 + imageSize, 4);
  PutLe(out, 0, 4);
  PutLe(out, 54, 4);
  PutLe(out, 40, 4);
  PutLe(out, static_cast<std::uint32_t>(width), 4);
  PutLe(out, static_cast<std::uint32_t>(height), 4);
  PutLe(out, 1, 2);
  PutLe(out, 24, 2);
  PutLe(out, 0, 4);
  PutLe(out, imageSize, 4);
  PutLe(out, 2835, 4);
  PutLe(out, 2835, 4);
  PutLe(out, 0, 4);
  PutLe(out, 0, 4);
  for (int row = height - 1; row >= 0; --row) {
    std::string line(rowLength, '\0');
    for (int x = 0; x < width; ++x) {
      const char v = isLine(x, row) ? '\0' : '\xFF';
      line[3 * x] = line[3 * x + 1] = line[3 * x + 2] = v;
    }
    out += line;
  }
  return out;
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
