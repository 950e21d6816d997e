// Rings to drive round. RingScenario is the standard scenario of the
// trajectory test and the benchmarks: a window over its own settings file,
// opened on a 500 x 400 course with a ring of 3-pixel line around
// (250, 200), radius 150, and the car placed on the ring's rightmost point,
// heading down, with a controller that follows it for ever. SquareRingRun is
// a ring whose runs repeat bit for bit, for the verdicts on cycles.
#pragma once

#include <string>

#include "core/settings/settings_model.h"
#include "core/window/trace_map.h"
#include "support/recording_platform.h"
#include "support/temp_dir.h"

namespace ormakin::testing {

class RingScenario {
 public:
  // The window uses `platform`, which must outlive the scenario.
  explicit RingScenario(RecordingPlatform& platform);
  TTraceMap& Map() { return map_; }
  TCar& Car() { return *map_.Car; }
  // The course file and the settings file, for programs that read them.
  const std::string& CoursePath() const { return coursePath_; }
  const std::string& SettingsPath() const { return settingsPath_; }

 private:
  TempDir dir_;
  std::string settingsPath_;
  std::string coursePath_;
  TTraceMap map_;
};

// A square ring of line 5 pixels wide round the square from (20, 20) to
// (84, 84), on a course of 124 x 124 pixels, and a car placed 14 pixels
// right of its left side at y = 30, heading down, whose three sensors lie on
// one point 3 pixels ahead. The car drives down at half a pixel a tick to
// the bottom side, turns right onto it, follows it to the bottom-left
// corner, turns back there and goes round the ring anticlockwise on the
// screen for ever, a pixel a tick, turning left at each corner. Every turn
// is a quarter or a half turn and every step a whole or half pixel, so its
// state soon repeats exactly, every 256 ticks. It passes its start heading down on the left
// side, 14 pixels from it: the first time without having passed the left
// side's line below its start, a lap the second time.
//
// `leadInDots` line pixels lie 4 pixels right of the car's way down, 8
// pixels apart from y = 32 on, where no sensor sees them but the car passes
// their cells. With 4 of them, its first lap needs them, and on the ring
// alone it cannot pass 90 % of the line again. `farDots` line pixels lie
// along the course's bottom row, a cell apart, where the car never comes.
struct SquareRingRun {
  std::string courseBmp;
  CarSettings settings;
  StartPoint start;
};
SquareRingRun SquareRing(int leadInDots = 0, int farDots = 0);

}  // namespace ormakin::testing
