// `ormakin-sim check`: what a course picture holds, as the sensors see it.
#pragma once

#include <cstdint>
#include <cstdio>

#include "cli/command_line.h"
#include "core/picture/bitmap.h"

namespace ormakin::cli {

// Pixel counts of a course.
struct CourseSurvey {
  std::uint64_t linePixels = 0;       // pure black: the sensors see these
  std::uint64_t nearBlackPixels = 0;  // not pure black, every channel at most 0x40
  // Nearly black pixels next to a pure black one (of the eight around it):
  // the soft edge that smoothing leaves along a line.
  std::uint64_t nearBlackEdgePixels = 0;
};

// The brightest channel value that still counts as nearly black.
inline constexpr std::uint32_t kNearBlackLimit = 0x40;

CourseSurvey SurveyCourse(const TBitmap& course);

// Loads the course as the window does and prints its description and any
// warning to `out`; a load failure goes to `err`. Returns the exit status.
int CheckCommand(const CheckOptions& options, std::FILE* out, std::FILE* err);

}  // namespace ormakin::cli
