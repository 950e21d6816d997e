// The line as the sensors see it, as a black-and-white picture.
#pragma once

#include <string>

#include "bitmap.h"

namespace ormakin::cli {

// Writes a binary PBM (P4) of the course's size: 1 (black) where the pixel is
// pure black, so where a sensor sees the line, and 0 elsewhere. Raises
// Exception when the file cannot be written.
void WriteLineMask(const TBitmap& course, const std::string& name);

}  // namespace ormakin::cli
