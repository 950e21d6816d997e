// The sweep's map: the course faded channel by channel, white where the
// course does not reach.
#include "studies/sweep_map.h"

#include <gtest/gtest.h>

#include <vector>

namespace ormakin::studies {
namespace {

// A channel at a quarter of its contrast: the line's black becomes 0xBF.
std::uint32_t FadedChannel(std::uint32_t c) {
  return (c + 3 * 255) / 4;
}

TEST(SweepMap, FadesEveryValueOfEveryChannelAndIsWhiteAroundTheCourse) {
  // Pixel x holds red x, green 255 - x and blue 37 x mod 256, so that
  // every channel takes every value beside different neighbours.
  TBitmap course(256, 2, clWhite);
  std::vector<TColor> row(256);
  for (std::uint32_t x = 0; x < 256; ++x) {
    row[x] = x | (255 - x) << 8 | (37 * x % 256) << 16;
  }
  course.BeginChange().PutRow(0, row.data(), 256);
  const TBitmap map = SweepMap(course).Finish({}, {}, 1);
  for (std::uint32_t x = 0; x < 256; ++x) {
    const TColor expected =
        FadedChannel(x) | FadedChannel(255 - x) << 8 | FadedChannel(37 * x % 256) << 16;
    ASSERT_EQ(map.GetPixel(static_cast<int>(x), 0), expected) << x;
  }

  // A course narrower than the legend: white beside it and below it.
  const TBitmap narrow(3, 2, clBlack);
  const TBitmap wide = SweepMap(narrow).Finish({}, {}, 1);
  ASSERT_GT(wide.Width(), 3);
  EXPECT_EQ(wide.GetPixel(2, 1), 0x00BFBFBFu);
  EXPECT_EQ(wide.GetPixel(3, 0), clWhite);
  EXPECT_EQ(wide.GetPixel(wide.Width() - 1, 1), clWhite);
  EXPECT_EQ(wide.GetPixel(1, 2), clWhite);
}

}  // namespace
}  // namespace ormakin::studies
