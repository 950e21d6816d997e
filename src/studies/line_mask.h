// The line as the sensors see it, as a black-and-white picture.
#pragma once

#include <string>

#include "core/picture/bitmap.h"

namespace ormakin::studies {

// A binary PBM (P4) of the course's size: 1 (black) where the pixel is pure
// black, so where a sensor sees the line, and 0 elsewhere.
std::string LineMaskPbm(const TBitmap& course);

}  // namespace ormakin::studies
