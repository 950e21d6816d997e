// The summary line of a run: the sample courses' recorded runs give their
// recorded lines, and the line's edges (a stop, the widest counts, a hash
// with leading zeros) are written in full.
#include "studies/run_summary.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "core/car/bitmap_probe.h"
#include "core/car/trace_hash.h"
#include "core/picture/bmp_reader.h"
#include "core/settings/ini_file.h"
#include "support/memory_ini_file.h"
#include "support/recording_platform.h"
#include "support/sample_runs.h"

namespace ormakin::studies {
namespace {

TEST(RunSummaryLine, TheSampleCoursesGiveTheirRecordedLines) {
  const std::string examples = std::string(ORMAKIN_SOURCE_DIR) + "/examples";
  const TIniFile settings(examples + "/ormakin.ini");
  for (const testing::RecordedRun& recorded : testing::kSampleRuns) {
    const TBitmap course = ReadBitmapFile(examples + "/courses/" + recorded.course + ".bmp");
    testing::RecordingPlatform boxes;
    BitmapProbe probe(course);
    TCar car(ReadCarSettings(settings, boxes), probe);
    car.PlaceAtStart(ReadStartPoint(settings));
    TraceHash hash;
    CarRun run(car);
    run.Observe(hash);
    const RunResult result = run.Run(testing::kSampleRunTicks);
    EXPECT_EQ(RunSummaryLine(result, hash.Value(), car), testing::SummaryLine(recorded))
        << recorded.course;
  }
}

TEST(RunSummaryLine, WritesAStopTheWidestCountsAndEveryDigitOfTheHash) {
  testing::MemoryIniFile ini;
  ini.Set("car", "init_x", "-0.5").Set("car", "init_y", "1e300");
  testing::RecordingPlatform boxes;
  const TBitmap blank(4, 4, clWhite);
  BitmapProbe probe(blank);
  TCar car(ReadCarSettings(ini, boxes), probe);
  car.PlaceAtStart(ReadStartPoint(ini));
  RunResult result;
  result.ticks = UINT64_MAX;
  result.stopped = true;
  result.loopPeriod = UINT64_MAX - 1;
  EXPECT_EQ(RunSummaryLine(result, 0x00000000000000ABu, car),
            "ticks=18446744073709551615 stopped=yes x=-0.5 y=1.0000000000000001e+300 "
            "direction=4.7123889803846897 state=1 loop_period=18446744073709551614 "
            "hash=00000000000000ab");
  result.stopped = false;
  EXPECT_NE(RunSummaryLine(result, ~0ull, car).find(" stopped=no "), std::string::npos);
  EXPECT_NE(RunSummaryLine(result, ~0ull, car).find(" hash=ffffffffffffffff"), std::string::npos);
}

}  // namespace
}  // namespace ormakin::studies
