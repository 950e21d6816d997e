#include "core/draw/canvas.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/picture/bmp_reader.h"
#include "support/bmp_builder.h"

namespace ormakin {
namespace {

// The picture as text, top row first: '#' for `ink`, '.' for anything else.
std::vector<std::string> Picture(const TBitmap& bitmap, TColor ink) {
  std::vector<std::string> rows;
  for (int y = 0; y < bitmap.Height(); ++y) {
    std::string row;
    for (int x = 0; x < bitmap.Width(); ++x) {
      row += bitmap.GetPixel(x, y) == ink ? '#' : '.';
    }
    rows.push_back(row);
  }
  return rows;
}

TEST(Canvas, StartsWithBlackPenAndWhiteBrush) {
  TBitmap bitmap(1, 1, clRed);
  const TCanvas canvas(bitmap);
  EXPECT_EQ(canvas.PenColor(), clBlack);
  EXPECT_EQ(canvas.BrushColor(), clWhite);
  EXPECT_EQ(canvas.PenWidth(), 1);
}

TEST(Canvas, FillRectPaintsLeftAndTopButNotRightAndBottom) {
  TBitmap bitmap(6, 5, clWhite);
  TCanvas canvas(bitmap);
  canvas.SetBrushColor(clBlue);
  canvas.FillRect({1, 1, 4, 3});
  const std::vector<std::string> want = {
      "......", ".###..", ".###..", "......", "......",
  };
  EXPECT_EQ(Picture(bitmap, clBlue), want);
}

TEST(Canvas, FillRectIsClippedAtEveryEdge) {
  struct Case {
    TRect rect;
    std::vector<std::string> want;
  };
  const Case cases[] = {
      {{-2, -2, 2, 2}, {"##..", "##..", "....", "...."}},
      {{2, 2, 6, 6}, {"....", "....", "..##", "..##"}},
      {{INT_MIN, 1, INT_MAX, 2}, {"....", "####", "....", "...."}},
      {{1, INT_MIN, 2, INT_MAX}, {".#..", ".#..", ".#..", ".#.."}},
      {{3, 3, 1, 1}, {"....", "....", "....", "...."}},  // empty: right < left
      {{4, 0, 9, 4}, {"....", "....", "....", "...."}},  // wholly outside
  };
  for (const Case& c : cases) {
    TBitmap bitmap(4, 4, clWhite);
    TCanvas canvas(bitmap);
    canvas.SetBrushColor(clRed);
    canvas.FillRect(c.rect);
    EXPECT_EQ(Picture(bitmap, clRed), c.want)
        << c.rect.Left << "," << c.rect.Top << "," << c.rect.Right << "," << c.rect.Bottom;
  }
}

// Brush red ('#'), pen blue ('o'): the outline is drawn last, over the
// interior's edge pixels.
TEST(Canvas, SmallPolygons) {
  struct Case {
    const char* name;
    std::vector<TPoint> points;
    std::vector<std::string> want;
  };
  const Case cases[] = {
      {"1 x 1 square",
       {{1, 1}, {2, 1}, {2, 2}, {1, 2}},
       {".....", ".oo..", ".oo..", ".....", "....."}},
      {"4 x 3 rectangle",
       {{0, 0}, {4, 0}, {4, 3}, {0, 3}},
       {"ooooo", "o###o", "o###o", "ooooo", "....."}},
      {"a single point",
       {{2, 2}, {2, 2}, {2, 2}, {2, 2}},
       {".....", ".....", "..o..", ".....", "....."}},
      {"thin diagonal",
       {{0, 0}, {1, 0}, {4, 3}, {3, 3}},
       {"oo...", ".oo..", "..oo.", "...oo", "....."}},
      {"triangle", {{0, 0}, {4, 0}, {0, 4}}, {"ooooo", "o##o.", "o#o..", "oo...", "o...."}},
      {"triangle given the other way round",
       {{0, 4}, {4, 0}, {0, 0}},
       {"ooooo", "o##o.", "o#o..", "oo...", "o...."}},
      {"two points with a half-pixel tie at x = 1: the smaller y",
       {{0, 0}, {2, 1}},
       {"oo...", "..o..", ".....", ".....", "....."}},
      {"the same tie drawn from the other end",
       {{2, 1}, {0, 0}},
       {"oo...", "..o..", ".....", ".....", "....."}},
      {"a tie in x on a steep line: the smaller x",
       {{1, 0}, {0, 2}},
       {".o...", "o....", "o....", ".....", "....."}},
      {"self-crossing bow tie",
       {{0, 0}, {4, 4}, {4, 0}, {0, 4}},
       {"o...o", "oo.oo", "o#o#o", "oo.oo", "o...o"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TBitmap bitmap(5, 5, clWhite);
    TCanvas canvas(bitmap);
    canvas.SetPenColor(clBlue);
    canvas.SetBrushColor(clRed);
    canvas.Polygon(c.points);
    std::vector<std::string> got = Picture(bitmap, clRed);
    const std::vector<std::string> pen = Picture(bitmap, clBlue);
    for (std::size_t y = 0; y < got.size(); ++y) {
      for (std::size_t x = 0; x < got[y].size(); ++x) {
        if (pen[y][x] == '#') {
          got[y][x] = 'o';
        }
      }
    }
    EXPECT_EQ(got, c.want);
  }
}

// The reference for the interior, written independently of the canvas:
// pixel (x, y) is inside when an odd number of edges whose span top <= y <
// bottom cross row y at or left of x; compared exactly in integers.
bool InsideReference(const std::vector<TPoint>& poly, int x, int y) {
  int crossings = 0;
  for (std::size_t i = 0; i < poly.size(); ++i) {
    const TPoint a = poly[i];
    const TPoint b = poly[(i + 1) % poly.size()];
    if (y < std::min(a.y, b.y) || y >= std::max(a.y, b.y)) {
      continue;
    }
    // Crossing at a.x + num / den; is it <= x?
    const long long num = static_cast<long long>(y - a.y) * (b.x - a.x);
    const long long den = b.y - a.y;
    const long long rhs = static_cast<long long>(x - a.x) * den;
    if (den > 0 ? num <= rhs : num >= rhs) {
      ++crossings;
    }
  }
  return crossings % 2 == 1;
}

// Properties every outline pixel set must have: both ends in, one pixel per
// step along the longer axis, each within half a pixel of the true line.
void CheckLine(const std::set<std::pair<int, int>>& drawn, TPoint a, TPoint b) {
  EXPECT_TRUE(drawn.count({a.x, a.y}));
  EXPECT_TRUE(drawn.count({b.x, b.y}));
  const int dx = b.x - a.x;
  const int dy = b.y - a.y;
  const bool alongX = std::abs(dx) >= std::abs(dy);
  const int steps = std::max(std::abs(dx), std::abs(dy));
  for (int i = 0; i <= steps; ++i) {
    const int major = (alongX ? a.x : a.y) + (alongX ? (dx > 0 ? i : -i) : (dy > 0 ? i : -i));
    const double exact = alongX ? a.y + static_cast<double>(dy) * (major - a.x) / dx
                                : a.x + static_cast<double>(dx) * (major - a.y) / dy;
    bool found = false;
    for (int minor = static_cast<int>(std::floor(exact - 0.5));
         minor <= static_cast<int>(std::ceil(exact + 0.5)); ++minor) {
      if (std::abs(minor - exact) <= 0.5 &&
          drawn.count(alongX ? std::pair{major, minor} : std::pair{minor, major})) {
        found = true;
      }
    }
    EXPECT_TRUE(found) << "no pixel near step " << i;
  }
}

TEST(Canvas, RotatedRectangleMatchesTheFillRule) {
  const int kSize = 48;
  for (int degrees = 0; degrees < 360; degrees += 15) {
    SCOPED_TRACE(degrees);
    // A 10 x 20 rectangle about (24, 24), corners rounded to pixels.
    const double t = degrees * M_PI / 180.0;
    std::vector<TPoint> poly;
    for (const auto& [u, v] : {std::pair{-5.0, -10.0}, {5.0, -10.0}, {5.0, 10.0}, {-5.0, 10.0}}) {
      poly.push_back({static_cast<int>(std::lround(24 + u * std::cos(t) - v * std::sin(t))),
                      static_cast<int>(std::lround(24 + u * std::sin(t) + v * std::cos(t)))});
    }
    TBitmap fill(kSize, kSize, clBlack);
    {
      TCanvas canvas(fill);
      canvas.SetPenColor(clBlack);  // the outline vanishes into the ground
      canvas.SetBrushColor(clBlue);
      canvas.Polygon(poly);
    }
    for (int y = 0; y < kSize; ++y) {
      for (int x = 0; x < kSize; ++x) {
        const bool inside = InsideReference(poly, x, y);
        const bool outline = fill.GetPixel(x, y) == clBlack;
        // Outline pixels may cover interior ones; every other pixel is exact.
        if (!outline) {
          ASSERT_TRUE(inside) << x << "," << y;
        }
      }
    }
    TBitmap both(kSize, kSize, clWhite);
    TBitmap pen(kSize, kSize, clWhite);
    {
      TCanvas canvas(both);
      canvas.SetPenColor(clBlue);
      canvas.SetBrushColor(clBlue);
      canvas.Polygon(poly);
      TCanvas outlineOnly(pen);
      outlineOnly.SetPenColor(clRed);
      outlineOnly.SetBrushColor(clWhite);
      outlineOnly.Polygon(poly);
    }
    std::set<std::pair<int, int>> drawn;
    for (int y = 0; y < kSize; ++y) {
      for (int x = 0; x < kSize; ++x) {
        const bool onPen = pen.GetPixel(x, y) == clRed;
        if (onPen) {
          drawn.insert({x, y});
        }
        // Same pen and brush: exactly the interior and the outline, solid.
        ASSERT_EQ(both.GetPixel(x, y) == clBlue, InsideReference(poly, x, y) || onPen)
            << x << "," << y;
        // Nothing but the outline lies outside the interior.
        if (onPen && !InsideReference(poly, x, y)) {
          bool nearInterior = false;
          for (int ny = y - 1; ny <= y + 1; ++ny) {
            for (int nx = x - 1; nx <= x + 1; ++nx) {
              nearInterior = nearInterior || InsideReference(poly, nx, ny);
            }
          }
          EXPECT_TRUE(nearInterior) << "stray outline pixel " << x << "," << y;
        }
      }
    }
    for (std::size_t i = 0; i < poly.size(); ++i) {
      CheckLine(drawn, poly[i], poly[(i + 1) % poly.size()]);
    }
  }
}

TEST(Canvas, StarFollowsTheEvenOddRule) {
  // A five-pointed star drawn in one stroke: its centre is crossed twice and
  // so lies outside.
  const std::vector<TPoint> star = {{20, 0}, {32, 39}, {0, 14}, {40, 14}, {8, 39}};
  TBitmap bitmap(41, 41, clWhite);
  TCanvas canvas(bitmap);
  canvas.SetPenColor(clBlue);
  canvas.SetBrushColor(clRed);
  canvas.Polygon(star);
  EXPECT_EQ(bitmap.GetPixel(20, 24), clWhite);
  EXPECT_EQ(bitmap.GetPixel(20, 8), clRed);
  for (int y = 0; y < 41; ++y) {
    for (int x = 0; x < 41; ++x) {
      if (bitmap.GetPixel(x, y) != clBlue) {
        ASSERT_EQ(bitmap.GetPixel(x, y) == clRed, InsideReference(star, x, y)) << x << "," << y;
      }
    }
  }
}

TEST(Canvas, PolygonIsClippedAtEveryEdge) {
  // A diamond larger than the bitmap, centred on each corner and edge in turn.
  for (const TPoint centre :
       {TPoint{0, 0}, TPoint{7, 0}, TPoint{0, 5}, TPoint{7, 5}, TPoint{3, 2}}) {
    TBitmap bitmap(8, 6, clWhite);
    TCanvas canvas(bitmap);
    canvas.SetPenColor(clRed);
    canvas.SetBrushColor(clRed);
    const std::vector<TPoint> diamond = {{centre.x, centre.y - 4},
                                         {centre.x + 4, centre.y},
                                         {centre.x, centre.y + 4},
                                         {centre.x - 4, centre.y}};
    canvas.Polygon(diamond);
    for (int y = 0; y < 6; ++y) {
      for (int x = 0; x < 8; ++x) {
        const int d = std::abs(x - centre.x) + std::abs(y - centre.y);
        EXPECT_EQ(bitmap.GetPixel(x, y) == clRed, d <= 4)
            << "centre " << centre.x << "," << centre.y << " at " << x << "," << y;
      }
    }
  }
}

TEST(Canvas, HugeCoordinatesCostWhatTheBitmapHoldsAndClip) {
  TBitmap bitmap(50, 40, clWhite);
  TCanvas canvas(bitmap);
  canvas.SetPenColor(clRed);
  canvas.SetBrushColor(clBlue);
  const std::vector<TPoint> everything = {
      {INT_MIN, INT_MIN}, {INT_MAX, INT_MIN}, {INT_MAX, INT_MAX}, {INT_MIN, INT_MAX}};
  canvas.Polygon(everything);
  EXPECT_EQ(bitmap.GetPixel(0, 0), clBlue);
  EXPECT_EQ(bitmap.GetPixel(49, 39), clBlue);
  const std::vector<TPoint> sliver = {{INT_MIN, 10}, {INT_MAX, 11}, {INT_MAX, 12}, {INT_MIN, 11}};
  canvas.Polygon(sliver);
  const std::vector<TPoint> farAway = {
      {INT_MAX - 5, INT_MAX - 5}, {INT_MAX, INT_MAX - 5}, {INT_MAX, INT_MAX}, {INT_MIN, INT_MAX}};
  canvas.Polygon(farAway);
  canvas.FillRect({INT_MIN, INT_MIN, INT_MAX, INT_MAX});
  EXPECT_EQ(bitmap.GetPixel(25, 20), clBlue);
  // Per polygon at most every row once and every edge along its longer side
  // within the bitmap; then the rectangle's rows. Unclipped, billions.
  constexpr std::uint64_t kPerPolygon = 40 + 4 * 50;
  EXPECT_LE(canvas.StepsTaken(), 3 * kPerPolygon + 40);
}

TEST(Canvas, DrawingOnACopyLeavesTheCourseAlone) {
  const TBitmap course = ReadBitmap(testing::BuildCourse(600, 450, 8));
  std::vector<TColor> before;
  for (int y = 0; y < 450; y += 7) {
    for (int x = 0; x < 600; x += 7) {
      before.push_back(course.GetPixel(x, y));
    }
  }
  int changes = 0;
  for (int frameNo = 0; frameNo < 3; ++frameNo) {
    TBitmap frame = TBitmap::ViewOf(course, 500, 400);
    TCanvas canvas(frame);
    canvas.OnChange = [&] { ++changes; };
    canvas.SetBrushColor(clBlue);
    const std::vector<TPoint> body = {{100, 100}, {300, 100}, {300, 300}, {100, 300}};
    canvas.Polygon(body);
    canvas.FillRect({0, 0, 600, 10});
    EXPECT_EQ(frame.Store()->BitsPerPixel(), 32);
    EXPECT_EQ(frame.Width(), 500);
    EXPECT_EQ(frame.Store()->Width(), 500);
    EXPECT_EQ(frame.Store()->Height(), 400);
    EXPECT_EQ(frame.GetPixel(200, 200), clBlue);
    EXPECT_EQ(frame.GetPixel(499, 5), clBlue);
  }
  EXPECT_EQ(changes, 6);
  EXPECT_EQ(course.StoreUsers(), 1);
  std::size_t i = 0;
  for (int y = 0; y < 450; y += 7) {
    for (int x = 0; x < 600; x += 7) {
      ASSERT_EQ(course.GetPixel(x, y), before[i++]) << x << "," << y;
    }
  }
}

TEST(Canvas, DrawsOnPalettedBitmapsWithTheNearestEntry) {
  TBitmap course = ReadBitmap(testing::BuildCourse(20, 20, 1));  // black and white
  TCanvas canvas(course);
  canvas.SetBrushColor(0x00E0E0E0);  // light grey: nearest is white
  canvas.FillRect({0, 0, 20, 20});
  EXPECT_EQ(course.GetPixel(5, 5), clWhite);
  canvas.SetBrushColor(0x00202020);
  canvas.FillRect({0, 0, 3, 3});
  EXPECT_EQ(course.GetPixel(2, 2), clBlack);
  EXPECT_EQ(course.GetPixel(3, 3), clWhite);
}

}  // namespace
}  // namespace ormakin
