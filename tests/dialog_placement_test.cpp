#include "core/window/dialog_placement.h"

#include <gtest/gtest.h>

namespace ormakin {
namespace {

TEST(DialogPosition, CentresAThirdDownTheMonitorRoundingTowardZero) {
  struct Case {
    const char* name;
    ScreenRect monitor;
    int width, height;
    int x, y;
  };
  const Case cases[] = {
      {"primary", {0, 0, 1024, 768}, 600, 400, 212, 122},
      {"odd free space rounds down", {0, 0, 1025, 770}, 600, 400, 212, 123},
      {"second monitor", {1920, -200, 1280, 1024}, 600, 401, 2260, 7},
      {"dialog larger than the monitor", {0, 0, 800, 600}, 901, 704, -50, -34},
  };
  for (const Case& c : cases) {
    const ScreenPoint at = DialogPosition(c.monitor, c.width, c.height);
    EXPECT_EQ(at.x, c.x) << c.name;
    EXPECT_EQ(at.y, c.y) << c.name;
  }
}

}  // namespace
}  // namespace ormakin
