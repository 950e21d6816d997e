#include "ring_scenario.h"

#include "course_builder.h"

namespace ormakin::testing {

RingScenario::RingScenario(RecordingPlatform& platform)
    : settingsPath_(dir_.WriteFile("ormakin.ini", FollowerSettings(400, 200))),
      coursePath_(dir_.WriteFile("ring.bmp", LineCourseBmp(500, 400, Ring(250, 200, 150, 1.5)))),
      map_(platform, settingsPath_) {
  map_.Create();
  platform.fileChoices.push_back(coursePath_);
  map_.Dispatch(&TTraceMap::Open1Click);
}

}  // namespace ormakin::testing
