// The sample courses' recorded runs, driven through the core alone (no
// window, no tool), so that every target the core is built for, emulated or
// not, must give the very same bits as the machine they were recorded on.

#include "support/sample_runs.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <ostream>
#include <string>

#include "core/car/bitmap_probe.h"
#include "core/car/car.h"
#include "core/car/car_run.h"
#include "core/car/trace_hash.h"
#include "core/picture/bmp_reader.h"
#include "core/settings/ini_file.h"
#include "core/settings/settings_model.h"
#include "support/recording_platform.h"

namespace ormakin::testing {

// Names the course in failure messages and in the test's name.
void PrintTo(const RecordedRun& run, std::ostream* out) {
  *out << run.course;
}

namespace {

const std::string kExamples = std::string(ORMAKIN_SOURCE_DIR) + "/examples";

class SampleCourseRun : public ::testing::TestWithParam<RecordedRun> {};

TEST_P(SampleCourseRun, GivesTheRecordedSummaryBitForBit) {
  const RecordedRun& recorded = GetParam();
  const TBitmap course = ReadBitmapFile(kExamples + "/courses/" + recorded.course + ".bmp");
  const TIniFile settings(kExamples + "/ormakin.ini");
  RecordingPlatform boxes;
  BitmapProbe probe(course);
  TCar car(ReadCarSettings(settings, boxes), probe);
  ASSERT_TRUE(boxes.boxes.empty()) << boxes.boxes.front().text;
  car.PlaceAtStart(ReadStartPoint(settings));

  TraceHash hash;
  CarRun run(car);
  run.Observe(hash);
  const RunResult result = run.Run(kSampleRunTicks);

  EXPECT_EQ(result.ticks, recorded.ticks);
  EXPECT_EQ(result.stopped, recorded.stopped);
  EXPECT_EQ(result.loopPeriod, recorded.loopPeriod);
  EXPECT_EQ(car.State(), recorded.state);
  // Compared as bits: equal doubles are not enough, a different zero or a NaN
  // would be a different run.
  EXPECT_EQ(std::bit_cast<std::uint64_t>(car.X()), std::bit_cast<std::uint64_t>(recorded.x))
      << car.X() << " instead of " << recorded.x;
  EXPECT_EQ(std::bit_cast<std::uint64_t>(car.Y()), std::bit_cast<std::uint64_t>(recorded.y))
      << car.Y() << " instead of " << recorded.y;
  EXPECT_EQ(std::bit_cast<std::uint64_t>(car.Direction()),
            std::bit_cast<std::uint64_t>(recorded.direction))
      << car.Direction() << " instead of " << recorded.direction;
  EXPECT_EQ(hash.Value(), recorded.hash)
      << std::hex << hash.Value() << " instead of " << recorded.hash;
}

INSTANTIATE_TEST_SUITE_P(Examples, SampleCourseRun, ::testing::ValuesIn(kSampleRuns),
                         [](const ::testing::TestParamInfo<RecordedRun>& info) {
                           std::string name;
                           for (const char* c = info.param.course; *c != '\0'; ++c) {
                             if (*c != '-') {
                               name += *c;
                             }
                           }
                           return name;
                         });

}  // namespace
}  // namespace ormakin::testing
