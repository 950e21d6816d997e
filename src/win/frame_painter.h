// Paints the visible picture (Image1) into a window: the frame's pixels go
// into a DIB section and from there onto the screen at natural size.
#pragma once

#include <windows.h>

#include "core/picture/picture.h"

namespace ormakin::win {

// Paints `image` into `area` of `dc` from the area's top-left corner, clipped
// to the area (500 x 400 for Image1): a bitmap 1:1, an icon or a metafile at
// its own size, drawn by the system. Only the part of the area that
// `damaged` touches is painted. Whatever the picture does not cover shows
// the button-face colour.
void PaintImage(HDC dc, const RECT& area, const RECT& damaged, const TImage& image);

}  // namespace ormakin::win
