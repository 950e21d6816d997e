// The standard scenario of the trajectory test and the benchmarks: a window
// over its own settings file, opened on a 500 x 400 course with a ring of
// 3-pixel line around (250, 200), radius 150, and the car placed on the
// ring's rightmost point, heading down, with a controller that follows it
// for ever.
#pragma once

#include "recording_platform.h"
#include "temp_dir.h"
#include "trace_map.h"

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

}  // namespace ormakin::testing
