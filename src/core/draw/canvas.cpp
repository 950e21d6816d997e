#include "core/draw/canvas.h"

#include <algorithm>
#include <vector>

#include "core/draw/wide_int.h"
#include "core/picture/pixel_store.h"

namespace ormakin {

namespace {

// Holds products of two 33-bit coordinate differences.
#ifdef __SIZEOF_INT128__
using Wide = __int128;
#else
using Wide = WideInt;
#endif

// ceil(a / d) for d > 0.
Wide CeilDiv(Wide a, Wide d) {
  return a / d + (a % d > 0 ? 1 : 0);
}

std::int64_t Clamp(Wide v, std::int64_t lo, std::int64_t hi) {
  return v < lo ? lo : v > hi ? hi : static_cast<std::int64_t>(v);
}

// The interior by the even-odd rule, sampled at the pixels themselves:
// pixel (x, y) is inside when an odd number of edges cross row y at or left
// of x. An edge counts for the rows top <= y < bottom of its span, so a
// horizontal edge counts for none, a pixel on a top edge is in and one on a
// bottom edge out; a pixel exactly on a left edge is in and one on a right
// edge out. So the right and bottom edges are left out, and the one-pixel
// outline drawn afterwards (same pixel model) covers them without gaps. All
// arithmetic is exact. Returns the number of rows visited.
std::uint64_t FillInterior(PixelStore& store, std::span<const TPoint> points, std::uint32_t raw) {
  const std::int64_t width = store.Width();
  const std::int64_t height = store.Height();
  std::int64_t minY = points[0].y;
  std::int64_t maxY = points[0].y;
  for (const TPoint& p : points) {
    minY = std::min<std::int64_t>(minY, p.y);
    maxY = std::max<std::int64_t>(maxY, p.y);
  }
  // Only rows that some edge counts for, and inside the bitmap.
  const std::int64_t yFrom = std::max<std::int64_t>(minY, 0);
  const std::int64_t yTo = std::min<std::int64_t>(maxY, height);
  std::vector<std::int64_t> bounds;
  bounds.reserve(points.size());
  for (std::int64_t y = yFrom; y < yTo; ++y) {
    bounds.clear();
    for (std::size_t i = 0; i < points.size(); ++i) {
      const TPoint& a = points[i];
      const TPoint& b = points[(i + 1) % points.size()];
      const std::int64_t lo = std::min(a.y, b.y);
      const std::int64_t hi = std::max(a.y, b.y);
      if (y < lo || y >= hi) {
        continue;
      }
      // The edge crosses row y at x = a.x + p / q; the pixels from
      // ceil(a.x + p / q) on lie at or right of the crossing.
      Wide p = Wide{y - a.y} * (std::int64_t{b.x} - a.x);
      Wide q = std::int64_t{b.y} - a.y;
      if (q < 0) {
        p = -p;
        q = -q;
      }
      bounds.push_back(Clamp(a.x + CeilDiv(p, q), 0, width));
    }
    std::sort(bounds.begin(), bounds.end());
    for (std::size_t i = 0; i + 1 < bounds.size(); i += 2) {
      store.FillSpan(static_cast<int>(y), static_cast<int>(bounds[i]),
                     static_cast<int>(bounds[i + 1]), raw);
    }
  }
  return yTo > yFrom ? static_cast<std::uint64_t>(yTo - yFrom) : 0;
}

// A one-pixel line from a to b, both ends included: one pixel per step along
// the longer axis, the other coordinate rounded to the nearest pixel, an exact
// half going to the smaller coordinate whichever way the line runs (as the
// system's cosmetic pen does, so an edge covers the same pixels drawn either
// way). Only the steps that
// fall inside the bitmap are visited, so a line of any length costs at most
// the bitmap's width or height. Returns the number of steps visited.
std::uint64_t DrawLine(PixelStore& store, TPoint a, TPoint b, std::uint32_t raw) {
  const std::int64_t width = store.Width();
  const std::int64_t height = store.Height();
  const std::int64_t dx = std::int64_t{b.x} - a.x;
  const std::int64_t dy = std::int64_t{b.y} - a.y;
  const bool alongX = (dx < 0 ? -dx : dx) >= (dy < 0 ? -dy : dy);
  // Major and minor coordinates of the start, their deltas and the limits.
  const std::int64_t major0 = alongX ? a.x : a.y;
  const std::int64_t minor0 = alongX ? a.y : a.x;
  const std::int64_t dMajor = alongX ? dx : dy;
  const std::int64_t dMinor = alongX ? dy : dx;
  const std::int64_t majorLimit = alongX ? width : height;
  const std::int64_t minorLimit = alongX ? height : width;
  if (dMajor == 0) {
    if (a.x >= 0 && a.x < width && a.y >= 0 && a.y < height) {
      store.PutRaw(a.x, a.y, raw);
    }
    return 1;
  }
  const std::int64_t from = std::max<std::int64_t>(std::min(major0, major0 + dMajor), 0);
  const std::int64_t to = std::min<std::int64_t>(std::max(major0, major0 + dMajor), majorLimit - 1);
  const Wide den = dMajor < 0 ? -Wide{dMajor} : Wide{dMajor};
  const Wide slope = dMajor < 0 ? -Wide{dMinor} : Wide{dMinor};
  for (std::int64_t m = from; m <= to; ++m) {
    const Wide n = Wide{m - major0} * slope;
    const Wide minor = minor0 + CeilDiv(2 * n - den, 2 * den);
    if (minor < 0 || minor >= minorLimit) {
      continue;
    }
    const auto mi = static_cast<int>(static_cast<std::int64_t>(minor));
    const auto ma = static_cast<int>(m);
    if (alongX) {
      store.PutRaw(ma, mi, raw);
    } else {
      store.PutRaw(mi, ma, raw);
    }
  }
  return to >= from ? static_cast<std::uint64_t>(to - from + 1) : 0;
}

}  // namespace

TCanvas::TCanvas(TBitmap& bitmap) : bitmap_(bitmap) {}

void TCanvas::Polygon(std::span<const TPoint> points) {
  PixelStore& store = bitmap_.BeginChange();
  if (!points.empty()) {
    steps_ += FillInterior(store, points, store.Encode(brushColor_));
    const std::uint32_t pen = store.Encode(penColor_);
    for (std::size_t i = 0; i < points.size(); ++i) {
      steps_ += DrawLine(store, points[i], points[(i + 1) % points.size()], pen);
    }
  }
  if (OnChange) {
    OnChange();
  }
}

void TCanvas::FillRect(const TRect& rect) {
  PixelStore& store = bitmap_.BeginChange();
  const int left = std::max(rect.Left, 0);
  const int right = std::min(rect.Right, store.Width());
  const int top = std::max(rect.Top, 0);
  const int bottom = std::min(rect.Bottom, store.Height());
  if (left < right) {
    const std::uint32_t raw = store.Encode(brushColor_);
    for (int y = top; y < bottom; ++y) {
      store.FillSpan(y, left, right, raw);
    }
    steps_ += top < bottom ? static_cast<std::uint64_t>(bottom - top) : 0;
  }
  if (OnChange) {
    OnChange();
  }
}

}  // namespace ormakin
