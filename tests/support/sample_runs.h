// The bundled controller (examples/ormakin.ini) on each sample course of
// examples/courses/, 5000 ticks from the start point: the run's summary as
// recorded once. The tool's test and the core's test both compare with this
// table, so that no change of structure, compiler or target changes a run
// unnoticed, and a deliberate re-recording edits this one place.
#pragma once

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <string>

namespace ormakin::testing {

inline constexpr std::uint64_t kSampleRunTicks = 5000;

struct RecordedRun {
  const char* course;  // the file name in examples/courses/, without ".bmp"
  std::uint64_t ticks;
  bool stopped;
  // Written with 17 significant digits: each names exactly one double.
  double x;
  double y;
  double direction;
  std::int32_t state;
  std::uint64_t loopPeriod;
  std::uint64_t hash;  // TraceHash over the placement and every tick
};

inline constexpr RecordedRun kSampleRuns[] = {
    {"1-oval", 5000, false, 345.26723540745479, 69.984557197159376, 2.7227136331111317, 1, 0,
     0x2ac54ceae2fe145a},
    {"2-bends", 5000, false, 415.72780154451272, 229.27234246660788, 2.6179938779914762, 1, 0,
     0x645527021faf037b},
    {"3-eight", 5000, false, 258.74799270610691, 209.67441534706953, 2.4085543677521741, 1, 0,
     0x168d630dda1929b3},
    {"4-gap-corner", 5000, false, 368.83491116768732, 121.18950915885846, 3.7699111843077358, 1, 0,
     0x006103b5e012d5ca},
    {"5-large", 5000, false, 950.81819315205382, 850.31457123808639, 6.2831853071795774, 1, 0,
     0xf4d991b0cf3e0a57},
};

// The summary line that `ormakin-sim run` prints for the run.
inline std::string SummaryLine(const RecordedRun& run) {
  char line[256];
  std::snprintf(line, sizeof line,
                "ticks=%" PRIu64
                " stopped=%s x=%.17g y=%.17g direction=%.17g state=%d "
                "loop_period=%" PRIu64 " hash=%016" PRIx64,
                run.ticks, run.stopped ? "yes" : "no", run.x, run.y, run.direction,
                static_cast<int>(run.state), run.loopPeriod, run.hash);
  return line;
}

}  // namespace ormakin::testing
