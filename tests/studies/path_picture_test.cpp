#include "studies/path_picture.h"

#include <gtest/gtest.h>

#include "core/car/bitmap_probe.h"
#include "core/car/car_run.h"

namespace ormakin::studies {
namespace {

// The path kept only for a course's top-left part lights there exactly the
// pixels that the path over the whole course lights, also where long pieces
// leave that part and come back.
TEST(PathPicture, TopLeftPartLightsWhatTheWholeCourseLights) {
  const int width = 90;
  const int height = 70;
  TBitmap course(width, height, clWhite);
  BitmapProbe probe(course);
  CarSettings settings;
  settings.rules[0][0] = {1, 37.0, 9.5};  // long pieces, turning a little each tick
  settings.ruleSet[0][0] = true;
  for (const auto& [partWidth, partHeight] :
       {std::pair{30, 20}, std::pair{45, 70}, std::pair{1, 1}}) {
    TCar car(settings, probe);
    car.PlaceAtStart({20, 12});
    PathPicture whole(course);
    PathPicture part(TBitmap(partWidth, partHeight, clWhite), width, height);
    CarRun run(car);
    run.Observe(whole);
    run.Observe(part);
    run.Run(40);
    int lit = 0;
    for (int y = 0; y < partHeight; ++y) {
      for (int x = 0; x < partWidth; ++x) {
        const bool onPath = whole.Picture().GetPixel(x, y) == kPathColor;
        EXPECT_EQ(part.Picture().GetPixel(x, y) == kPathColor, onPath) << x << "," << y;
        lit += onPath ? 1 : 0;
      }
    }
    if (partWidth > 1) {
      EXPECT_GT(lit, 10) << partWidth << " x " << partHeight;
    }
  }
}

}  // namespace
}  // namespace ormakin::studies
