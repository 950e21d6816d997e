// A fixed run on a ring course: the car's pose after a number of ticks is
// pinned, so any change in the arithmetic of a tick shows up here.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "support/recording_platform.h"
#include "support/ring_scenario.h"

namespace ormakin {
namespace {

using testing::RecordingPlatform;

// A ring of 3-pixel line around (250, 200) with radius 150; the car starts
// on its rightmost point, heading down, and follows it clockwise on screen.
struct RingRun : ::testing::Test {
  void SetUp() override { ASSERT_TRUE(platform.boxes.empty()); }
  RecordingPlatform platform;
  testing::RingScenario ring{platform};
  TTraceMap* map = &ring.Map();
};

TEST_F(RingRun, PosesAfterFixedTickCountsArePinned) {
  struct Pin {
    int tick;
    double x, y, direction;
    int state;
  };
  const Pin pins[] = {
      {1, 400, 201, 4.7123889803846897, 1},
      {10, 400, 210, 4.7123889803846897, 1},
      {100, 368.07167241965192, 292.45825109194863, 4.0840704496667302, 1},
      {1000, 390.51617605277238, 252.95690204255598, 4.3633231299858179, 1},
  };
  int tick = 0;
  for (const Pin& pin : pins) {
    while (tick < pin.tick) {
      ASSERT_TRUE(map->Car->Step());
      ++tick;
    }
    // Exact: the run is deterministic, and these are the program's own
    // numbers, checked once against a hand computation of the first tick: the centre
    // sensor sees the line, rule 1-4 goes straight on, one pixel down.
    EXPECT_EQ(map->Car->X(), pin.x) << "tick " << tick;
    EXPECT_EQ(map->Car->Y(), pin.y) << "tick " << tick;
    EXPECT_EQ(map->Car->Direction(), pin.direction) << "tick " << tick;
    EXPECT_EQ(map->Car->State(), pin.state) << "tick " << tick;
  }
}

TEST_F(RingRun, StaysOnTheCourseForFiveThousandTicks) {
  for (int tick = 1; tick <= 5000; ++tick) {
    ASSERT_TRUE(map->Car->Step()) << tick;
    const double r = std::hypot(map->Car->X() - 250, map->Car->Y() - 200);
    ASSERT_NEAR(r, 150, 12) << "tick " << tick;
  }
}

}  // namespace
}  // namespace ormakin
