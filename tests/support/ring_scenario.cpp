#include "support/ring_scenario.h"

#include <cstdlib>

#include "support/course_builder.h"

namespace ormakin::testing {

RingScenario::RingScenario(RecordingPlatform& platform)
    : settingsPath_(dir_.WriteFile("ormakin.ini", FollowerSettings(400, 200))),
      coursePath_(dir_.WriteFile("ring.bmp", LineCourseBmp(500, 400, Ring(250, 200, 150, 1.5)))),
      map_(platform, settingsPath_) {
  map_.Create();
  platform.fileChoices.push_back(coursePath_);
  map_.Dispatch(&TTraceMap::Open1Click);
}

SquareRingRun SquareRing(int leadInDots, int farDots) {
  constexpr int kLeft = 20;
  constexpr int kTop = 20;
  constexpr int kRight = 84;
  constexpr int kBottom = 84;
  constexpr int kInside = 14;
  SquareRingRun run;
  constexpr int kSize = kBottom + 40;
  run.courseBmp = LineCourseBmp(kSize, kSize, [=](int x, int y) {
    const bool besideSquare = x >= kLeft - 2 && x <= kRight + 2;
    const bool alongSquare = y >= kTop - 2 && y <= kBottom + 2;
    const bool side = (std::abs(x - kLeft) <= 2 || std::abs(x - kRight) <= 2) && alongSquare;
    const bool topOrBottom =
        (std::abs(y - kTop) <= 2 || std::abs(y - kBottom) <= 2) && besideSquare;
    const bool dot = x == kLeft + kInside + 4 && y >= 32 && y < 32 + 8 * leadInDots && y % 8 == 0;
    const bool far = y == kSize - 1 && x % 8 == 0 && x < 8 * farDots;
    return side || topOrBottom || dot || far;
  });
  CarSettings& settings = run.settings;
  settings.sensorLeft = 0;
  settings.sensorRight = 0;
  settings.sensorPos = 3;
  for (int mask = 0; mask < kMaskCount; ++mask) {
    const bool seen = (mask & 4) != 0;
    // State 1: down at half speed until the line, then right along it.
    settings.rules[0][mask] = seen ? TStateRule{3, -90, 1} : TStateRule{1, 0, 0.5};
    // State 3: on along the line to its corner, then back.
    settings.rules[2][mask] = seen ? TStateRule{3, 0, 1} : TStateRule{2, 180, 1};
    // State 2: round the ring, left at each corner.
    settings.rules[1][mask] = seen ? TStateRule{2, 0, 1} : TStateRule{2, 90, 1};
    settings.ruleSet[0][mask] = settings.ruleSet[1][mask] = settings.ruleSet[2][mask] = true;
  }
  run.start = {kLeft + kInside, 30};
  return run;
}

}  // namespace ormakin::testing
