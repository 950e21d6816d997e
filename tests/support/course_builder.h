// Small courses and settings files for tests, benchmarks and examples.
#pragma once

#include <functional>
#include <string>

namespace ormakin::testing {

// A 24-bit bottom-up BMP file of width x height pixels: black where `isLine`
// says so, white elsewhere.
std::string LineCourseBmp(int width, int height, const std::function<bool(int, int)>& isLine);

// A ring of black line: the pixels whose distance from (cx, cy) lies within
// [radius - halfWidth, radius + halfWidth].
std::function<bool(int, int)> Ring(double cx, double cy, double radius, double halfWidth);

// A settings file text for a car that follows a line: start point, default
// sensors, and a one-state controller that steers towards the line.
std::string FollowerSettings(double startX, double startY);

}  // namespace ormakin::testing
