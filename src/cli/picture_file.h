// Pictures that the tool writes: PNG, or BMP for a name ending in ".bmp".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/picture/bitmap.h"

namespace ormakin::cli {

// Writes `picture` in full colour: as a 24-bit BMP when `name` ends in ".bmp"
// (any letter case), otherwise as an 8-bit RGB PNG. Raises Exception when the
// picture has no pixels (neither format can hold 0 x 0) or the file cannot be
// written.
void WritePicture(const TBitmap& picture, const std::string& name);

void WritePng(const TBitmap& picture, const std::string& name);
// The studies' BMP writer (studies/bmp_file.h) into the file `name`.
void WriteBmp(const TBitmap& picture, const std::string& name);

// Row y of `picture` (y = 0 the top row) as bytes R, G, B; `rgb` holds
// 3 x Width() bytes and `scratch` Width() values.
void PictureRowRgb(const TBitmap& picture, int y, std::vector<std::uint32_t>& scratch,
                   std::uint8_t* rgb);

}  // namespace ormakin::cli
