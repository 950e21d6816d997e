#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "core/car/car.h"
#include "core/draw/canvas.h"
#include "support/memory_ini_file.h"
#include "support/recording_platform.h"

namespace ormakin {
namespace {

using testing::MemoryIniFile;
using testing::RecordingPlatform;

constexpr double kDown = 4.71238898038469;

class BlackPoints : public LineProbe {
 public:
  bool IsOnLine(std::int32_t x, std::int32_t y) override { return black.count({x, y}) != 0; }
  std::set<std::pair<int, int>> black;
};

// A car whose last probe saw `black`; the rule it applies neither turns nor
// moves it.
struct DrawFixture : ::testing::Test {
  TBitmap DrawAt(double x, double y, double heading, std::set<std::pair<int, int>> black = {}) {
    ini.Rule(1, 0, "0,0,1").Rule(1, 1, "0,0,1").Rule(1, 5, "0,0,1").Rule(1, 7, "0,0,1");
    car = std::make_unique<TCar>(ini, boxes, course);
    car->SetPosition(x, y);
    car->SetDirection(heading);
    course.black = std::move(black);
    car->Step();
    TBitmap frame(200, 200, clWhite);
    canvas = std::make_unique<TCanvas>(frame);
    car->Draw(*canvas);
    return frame;
  }
  MemoryIniFile ini;
  RecordingPlatform boxes;
  BlackPoints course;
  std::unique_ptr<TCar> car;
  std::unique_ptr<TCanvas> canvas;
};

using CarDraw = DrawFixture;

TEST_F(CarDraw, HeadingRightAtOneHundred) {
  const TBitmap frame = DrawAt(100, 100, 0.0);
  // The body spans columns 90..110 and rows 95..105, edges included.
  for (int y = 95; y <= 105; ++y) {
    for (int x = 90; x <= 107; ++x) {
      EXPECT_EQ(frame.GetPixel(x, y), clBlue) << x << "," << y;
    }
  }
  for (int x = 89; x <= 112; ++x) {
    EXPECT_EQ(frame.GetPixel(x, 94), clWhite) << x;
    EXPECT_EQ(frame.GetPixel(x, 106), clWhite) << x;
  }
  EXPECT_EQ(frame.GetPixel(89, 100), clWhite);
  EXPECT_EQ(frame.GetPixel(112, 100), clWhite);
  // Markers: columns 108..111; left rows 95..98, centre 98..101, right
  // 101..104; all red with nothing seen, the centre one drawn last.
  for (int y = 95; y <= 104; ++y) {
    for (int x = 108; x <= 111; ++x) {
      EXPECT_EQ(frame.GetPixel(x, y), clRed) << x << "," << y;
    }
  }
  EXPECT_EQ(frame.GetPixel(110, 105), clBlue);
  EXPECT_EQ(frame.GetPixel(111, 105), clWhite);
  EXPECT_EQ(canvas->PenColor(), clRed);
  EXPECT_EQ(canvas->BrushColor(), clRed);
}

TEST_F(CarDraw, MarkerColoursFollowTheLastMask) {
  // Left (110, 97) and centre (110, 100) on the line: mask 5.
  const TBitmap frame = DrawAt(100, 100, 0.0, {{110, 97}, {110, 100}});
  ASSERT_EQ(car->SensorBits(), 5);
  EXPECT_EQ(frame.GetPixel(109, 95), clLime);   // left only
  EXPECT_EQ(frame.GetPixel(109, 98), clLime);   // left under centre
  EXPECT_EQ(frame.GetPixel(109, 101), clLime);  // right under centre
  EXPECT_EQ(frame.GetPixel(109, 102), clRed);   // right only
  EXPECT_EQ(canvas->PenColor(), clLime);
}

TEST_F(CarDraw, AllGreenWithEveryProbeOnTheLine) {
  const TBitmap frame = DrawAt(100, 100, 0.0, {{110, 97}, {110, 100}, {110, 103}});
  ASSERT_EQ(car->SensorBits(), 7);
  for (int y = 95; y <= 104; ++y) {
    EXPECT_EQ(frame.GetPixel(110, y), clLime) << y;
  }
}

TEST_F(CarDraw, HeadingDownNearTheCornerIsClipped) {
  const TBitmap frame = DrawAt(5, 10, kDown);
  // Body corners (10, 20), (10, 0), (0, 0), (0, 20).
  for (int y = 0; y <= 17; ++y) {
    for (int x = 0; x <= 10; ++x) {
      EXPECT_EQ(frame.GetPixel(x, y), clBlue) << x << "," << y;
    }
  }
  EXPECT_EQ(frame.GetPixel(11, 5), clWhite);
  // Markers in rows 18..21: right at columns 0..3, centre 3..6, left 6..9.
  for (int y = 18; y <= 21; ++y) {
    for (int x = 0; x <= 9; ++x) {
      EXPECT_EQ(frame.GetPixel(x, y), clRed) << x << "," << y;
    }
    EXPECT_EQ(frame.GetPixel(10, y), y <= 20 ? clBlue : clWhite) << y;
  }
  EXPECT_EQ(frame.GetPixel(5, 22), clWhite);
}

TEST_F(CarDraw, CarOutsideTheFrameOrBeyondThePixelRangeDrawsNothing) {
  for (const double x : {-100.0, 1e12, -1e300}) {
    const TBitmap frame = DrawAt(x, 50, 0.0);
    for (int y = 0; y < 200; y += 7) {
      for (int px = 0; px < 200; px += 7) {
        ASSERT_EQ(frame.GetPixel(px, y), clWhite) << x;
      }
    }
  }
}

}  // namespace
}  // namespace ormakin
