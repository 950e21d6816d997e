// TCanvas: the drawing surface of a bitmap. Every drawing operation is clipped
// to the bitmap; coordinates are pixels, x to the right and y downwards.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "core/picture/bitmap.h"
#include "core/picture/color.h"

namespace ormakin {

struct TPoint {
  std::int32_t x = 0;
  std::int32_t y = 0;
};

// Left <= x < Right, Top <= y < Bottom.
struct TRect {
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Right = 0;
  std::int32_t Bottom = 0;
};

class TCanvas {
 public:
  // A new canvas: pen black, one pixel wide, solid, copy mode; brush white, solid.
  explicit TCanvas(TBitmap& bitmap);

  TColor PenColor() const { return penColor_; }
  TColor BrushColor() const { return brushColor_; }
  int PenWidth() const { return 1; }
  void SetPenColor(TColor color) { penColor_ = color; }
  void SetBrushColor(TColor color) { brushColor_ = color; }

  // A closed polygon (corners in pixels): its interior in the brush colour,
  // then its outline in the pen colour. Interior: pixel (x, y) is inside when
  // an odd number of edges cross row y at or left of x, an edge counting for
  // the rows from its top up to but not including its bottom (even-odd rule;
  // pixels on the right and bottom edges are left out). Outline: a line one
  // pixel wide along every edge, closing edge included, both ends included,
  // one pixel per step along the longer axis, the other coordinate rounded to
  // the nearest pixel, an exact half to the smaller coordinate. So equal pen
  // and brush paint the figure solid up to its edges.
  // Any 32-bit corners are fine: the work is bounded by the bitmap's size.
  void Polygon(std::span<const TPoint> points);

  // Paints Left <= x < Right, Top <= y < Bottom in the brush colour.
  void FillRect(const TRect& rect);

  // Called after every drawing operation (the window asks for a repaint).
  std::function<void()> OnChange;

  // The rows and line steps that the drawing operations have visited so far:
  // their work, which clipping keeps within the bitmap's size whatever the
  // coordinates.
  std::uint64_t StepsTaken() const { return steps_; }

 private:
  TBitmap& bitmap_;
  TColor penColor_ = clBlack;
  TColor brushColor_ = clWhite;
  std::uint64_t steps_ = 0;
};

}  // namespace ormakin
