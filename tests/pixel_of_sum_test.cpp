#include "core/extended/pixel_of_sum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace ormakin {
namespace {

// Every pixel is the one of the Extended sum, also where a double sum would
// give another: offsets that put the sum plus a half on an integer, a few of
// the Extended's last places beside it, just inside and outside the doubles'
// margin, and well away from it; positions of both signs, around zero, and
// at the end of the doubles' range and beyond it; infinities and NaNs.
TEST(PixelOfSum, EveryPixelIsTheExtendedSums) {
  const double positions[] = {0.0,          -0.0,    3.0,    -3.0,         100.0,     -100.0,
                              0x1p24,       -0x1p24, 0x1p25, 0x1p25 - 0.5, -0x1p25,   0x1p31,
                              -0x1p31 - 2., 1e300,   -1e300, 37.25,        -1.0 / 3.0};
  const double halves[] = {-1.5, -0.5, 0.5, 1.5, 10.5, -10.5};
  const double nudges[] = {0.0,      0x1p-62, -0x1p-62, 0x1p-52, -0x1p-52, 0x1p-21,
                           -0x1p-21, 0x1p-19, -0x1p-19, 0.25,    -0.25};
  std::vector<Extended> offsets;
  for (const double half : halves) {
    for (const double nudge : nudges) {
      offsets.push_back(Extended(half) + Extended(nudge));
    }
  }
  const double inf = std::numeric_limits<double>::infinity();
  offsets.push_back(Extended(inf));
  offsets.push_back(Extended(std::numeric_limits<double>::quiet_NaN()));
  offsets.push_back(Extended(1e300) * Extended(1e300));  // beyond any double

  for (const double x : positions) {
    for (const Extended offset : offsets) {
      const PixelTerm term(offset);
      // The side probe's shape: a term, the position, a term.
      const Extended third = Extended(0.125) - offset / 1024;
      EXPECT_EQ(PixelOfSum(term, x, PixelTerm(third)), Trunc32PlusHalf(offset + x + third))
          << x << " " << static_cast<double>(offset);
      // The position less two terms, as a coordinate downwards.
      EXPECT_EQ(PixelOfSum(x, -term, -PixelTerm(third)), Trunc32PlusHalf(x - offset - third))
          << x << " " << static_cast<double>(offset);
      EXPECT_EQ(PixelOfSum(term, x), Trunc32PlusHalf(offset + x));
      EXPECT_EQ(PixelOfSum(x, -term), Trunc32PlusHalf(x - offset));
    }
  }
  EXPECT_EQ(PixelOfSum(inf, -PixelTerm(Extended(inf))), std::nullopt);
}

}  // namespace
}  // namespace ormakin
