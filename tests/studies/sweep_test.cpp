// The sweep in memory: run in slices or by another runner it finds what one
// whole run finds, and its summary and map follow the starts done.
#include "studies/sweep.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/base/errors.h"
#include "core/picture/bmp_reader.h"
#include "studies/run_score_bytes.h"
#include "support/course_builder.h"
#include "support/memory_ini_file.h"
#include "support/recording_platform.h"

namespace ormakin::studies {
namespace {

TBitmap CourseOf(int width, int height, const std::function<bool(int, int)>& isLine) {
  const std::string bytes = testing::LineCourseBmp(width, height, isLine);
  return ReadBitmap(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

// A line 50 pixels wide, x = 50 to 99, down a course 300 pixels tall, and a
// car whose three sensors sit on its centre line, going straight on: a start
// left of x = 50 never sees the line and is lost, one from x = 50 on holds.
const TBitmap& WideLine() {
  static const TBitmap course = CourseOf(100, 300, [](int x, int) { return x >= 50; });
  return course;
}

Controller EdgeController(const TBitmap& course) {
  testing::MemoryIniFile ini;
  ini.Set("car", "init_x", "50")
      .Set("car", "init_y", "100")
      .Set("car", "sensor_left", "0")
      .Set("car", "sensor_right", "0")
      .Rule(1, 0, "0,1,1")
      .Rule(1, 7, "0,1,1");
  testing::RecordingPlatform boxes;
  LineCourse probe(course);
  const TCar car(ReadCarSettings(ini, boxes), probe);
  return Controller::Read(ini, car);
}

constexpr SweepOptions kOptions{600, 6, 2, false};

void ExpectSameResults(const std::vector<RunScore>& a, const std::vector<RunScore>& b) {
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t i = 0; i < a.size(); ++i) {
    EXPECT_EQ(a[i].outcome, b[i].outcome) << i;
    EXPECT_EQ(a[i].ticks, b[i].ticks) << i;
    EXPECT_EQ(a[i].score, b[i].score) << i;
    EXPECT_EQ(a[i].stopReason, b[i].stopReason) << i;
  }
}

void ExpectSamePicture(const TBitmap& a, const TBitmap& b) {
  ASSERT_EQ(a.Width(), b.Width());
  ASSERT_EQ(a.Height(), b.Height());
  int differ = 0;
  for (int y = 0; y < a.Height(); ++y) {
    for (int x = 0; x < a.Width(); ++x) {
      differ += a.GetPixel(x, y) != b.GetPixel(x, y) ? 1 : 0;
    }
  }
  EXPECT_EQ(differ, 0);
}

TEST(Sweep, SlicesGiveTheResultsSummaryAndMapOfOneWholeRun) {
  const TBitmap& course = WideLine();
  Sweep whole(course, EdgeController(course), kOptions);
  ASSERT_EQ(whole.Starts().size(), 49u);  // 7 x 7 starts, 2 pixels apart
  EXPECT_EQ(whole.RunNext(whole.Starts().size()), 49u);
  ASSERT_TRUE(whole.Done());
  // Columns x = 44, 46 and 48 are lost; the rest hold.
  EXPECT_EQ(whole.Summary(),
            "starts=49 ticks=600\n"
            "holds the line: 28 (57.1%)\n"
            "stopped: 0 (0.0%)\n"
            "lost: 21 (42.9%)\n"
            "loops on the line: 0 (0.0%)\n"
            "loops off the line: 0 (0.0%)\n"
            "worst: x=44 y=104 lost at tick 500, score -2568.9\n");

  Sweep sliced(course, EdgeController(course), kOptions);
  std::vector<std::size_t> heard;
  const auto hear = [&](std::size_t done) { heard.push_back(done); };
  EXPECT_EQ(sliced.RunNext(0, hear), 0u);
  EXPECT_EQ(sliced.RunNext(1, hear), 1u);
  EXPECT_EQ(sliced.RunNext(10, hear), 11u);
  EXPECT_FALSE(sliced.Done());
  EXPECT_EQ(sliced.Results().size(), 11u);
  // Progress counts the starts done in all, not those of the slice.
  ASSERT_FALSE(heard.empty());
  EXPECT_EQ(heard.back(), 11u);
  EXPECT_EQ(sliced.RunNext(1000, hear), 49u);  // more than are left
  EXPECT_TRUE(sliced.Done());
  EXPECT_EQ(sliced.RunNext(5, hear), 49u);  // nothing left to run
  EXPECT_EQ(heard.back(), 49u);
  for (std::size_t i = 1; i < heard.size(); ++i) {
    EXPECT_LE(heard[i - 1], heard[i]);
  }

  ExpectSameResults(sliced.Results(), whole.Results());
  EXPECT_EQ(sliced.Summary(), whole.Summary());
  ExpectSamePicture(sliced.Map(), whole.Map());
}

TEST(Sweep, ARunnerThatTakesTheStartsInAnotherOrderFindsTheSame) {
  const TBitmap& course = WideLine();
  Sweep serial(course, EdgeController(course), kOptions);
  serial.RunNext(49);
  const ForEachIndex backwards = [](std::size_t count, const std::function<void(std::size_t)>& task,
                                    const std::function<void(std::size_t)>&) {
    for (std::size_t i = count; i-- > 0;) {
      task(i);
    }
  };
  Sweep reversed(course, EdgeController(course), kOptions, backwards);
  reversed.RunNext(20);
  reversed.RunNext(29);
  ExpectSameResults(reversed.Results(), serial.Results());
  EXPECT_EQ(reversed.Summary(), serial.Summary());
}

// As the page's workers run it: ranges of starts run by sweeps of their own,
// in any order, carried as bytes and taken in start order by another.
TEST(Sweep, RangesRunElsewhereAndTakenInOrderGiveTheWholeRun) {
  const TBitmap& course = WideLine();
  Sweep whole(course, EdgeController(course), kOptions);
  whole.RunNext(whole.Starts().size());

  Sweep left(course, EdgeController(course), kOptions);
  Sweep right(course, EdgeController(course), kOptions);
  const std::string c = ScoresToBytes(right.RunRange(40, 100));  // cut at the end: 9
  const std::string b = ScoresToBytes(left.RunRange(13, 27));
  const std::string a = ScoresToBytes(right.RunRange(0, 13));
  EXPECT_TRUE(right.RunRange(49, 5).empty());
  EXPECT_EQ(left.DoneCount(), 0u);  // the ranges are not theirs to count

  Sweep joined(course, EdgeController(course), kOptions);
  EXPECT_EQ(joined.Take(ScoresFromBytes(a)), 13u);
  EXPECT_EQ(joined.Take(ScoresFromBytes(b)), 40u);
  EXPECT_EQ(joined.Take(ScoresFromBytes(c)), 49u);
  EXPECT_THROW(joined.Take(ScoresFromBytes(a)), Exception);  // more than are left
  EXPECT_EQ(joined.DoneCount(), 49u);
  ExpectSameResults(joined.Results(), whole.Results());
  EXPECT_EQ(joined.Summary(), whole.Summary());
  ExpectSamePicture(joined.Map(), whole.Map());
}

// Every field survives the bytes, bit for bit; bytes it did not write are
// refused whole rather than read as other results.
TEST(ScoresBytes, CarryEveryFieldAndRefuseDamagedBytes) {
  RunScore stopped;
  stopped.outcome = Outcome::kStopped;
  stopped.ticks = 0xFFFFFFFFFFFFFFFFULL;
  stopped.laps = {3, 1ULL << 40};
  stopped.loopPeriod = 7;
  stopped.coverage = 0.1;
  stopped.blindTicks = 12;
  stopped.score = -0.0;
  stopped.stopReason = "state 0 \xE7\x8A\xB6";
  stopped.applied.set(0).set(RuleIndex(kStateCount, kMaskCount - 1));
  RunScore loops;
  loops.outcome = Outcome::kLoopsOffLine;
  loops.score = 1234.5678901234567;
  const std::vector<RunScore> scores{stopped, loops};
  const std::string bytes = ScoresToBytes(scores);
  const std::vector<RunScore> back = ScoresFromBytes(bytes);
  ASSERT_EQ(back.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(back[i].outcome, scores[i].outcome);
    EXPECT_EQ(back[i].ticks, scores[i].ticks);
    EXPECT_EQ(back[i].laps, scores[i].laps);
    EXPECT_EQ(back[i].loopPeriod, scores[i].loopPeriod);
    EXPECT_EQ(std::bit_cast<std::uint64_t>(back[i].coverage),
              std::bit_cast<std::uint64_t>(scores[i].coverage));
    EXPECT_EQ(back[i].blindTicks, scores[i].blindTicks);
    EXPECT_EQ(std::bit_cast<std::uint64_t>(back[i].score),
              std::bit_cast<std::uint64_t>(scores[i].score));
    EXPECT_EQ(back[i].stopReason, scores[i].stopReason);
    EXPECT_EQ(back[i].applied, scores[i].applied);
  }
  EXPECT_TRUE(ScoresFromBytes(ScoresToBytes({})).empty());

  for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
    EXPECT_THROW(ScoresFromBytes(bytes.substr(0, cut)), Exception) << cut;
  }
  EXPECT_THROW(ScoresFromBytes(bytes + '\0'), Exception);
  std::string badOutcome = bytes;
  badOutcome[8] = 5;  // the first score's outcome
  EXPECT_THROW(ScoresFromBytes(badOutcome), Exception);
  std::string hugeCount = bytes;
  hugeCount[7] = '\x7F';  // the number of scores, far beyond the bytes
  EXPECT_THROW(ScoresFromBytes(hugeCount), Exception);
}

TEST(Sweep, ASummaryOfPartOfTheStartsCountsOnlyThoseDone) {
  const TBitmap& course = WideLine();
  Sweep sweep(course, EdgeController(course), kOptions);
  EXPECT_EQ(sweep.Summary(),
            "starts=0 ticks=600\n"
            "holds the line: 0 (0.0%)\n"
            "stopped: 0 (0.0%)\n"
            "lost: 0 (0.0%)\n"
            "loops on the line: 0 (0.0%)\n"
            "loops off the line: 0 (0.0%)\n");
  // The first row: x = 44 to 56, of which 44, 46 and 48 are lost.
  sweep.RunNext(7);
  EXPECT_EQ(sweep.Summary(),
            "starts=7 ticks=600\n"
            "holds the line: 4 (57.1%)\n"
            "stopped: 0 (0.0%)\n"
            "lost: 3 (42.9%)\n"
            "loops on the line: 0 (0.0%)\n"
            "loops off the line: 0 (0.0%)\n"
            "worst: x=44 y=94 lost at tick 500, score -2561.4\n");
  // The map colours the starts done only: the last start is still ground.
  const TBitmap map = sweep.Map();
  EXPECT_EQ(map.GetPixel(44, 94), OutcomeColor(Outcome::kLost));
  EXPECT_EQ(map.GetPixel(56, 94), OutcomeColor(Outcome::kHolds));
  EXPECT_NE(map.GetPixel(56, 106), OutcomeColor(Outcome::kHolds));
}

// A car whose every rule leaves it where it is, on a course whose line is a
// 10 x 10 square around its start: it sees the line and passes every line
// cell at once, and it never laps, from any start.
TEST(Sweep, ACarThatNeverMovesLoopsOnTheLineAndNeverLaps) {
  const TBitmap square =
      CourseOf(60, 60, [](int x, int y) { return x >= 25 && x < 35 && y >= 25 && y < 35; });
  testing::MemoryIniFile ini;
  ini.Set("car", "init_x", "30").Set("car", "init_y", "30").Set("car", "sensor_pos", "0");
  for (int mask = 0; mask < kMaskCount; ++mask) {
    ini.Rule(1, mask, "0,0,1");
  }
  testing::RecordingPlatform boxes;
  LineCourse probe(square);
  const TCar car(ReadCarSettings(ini, boxes), probe);
  Sweep sweep(square, Controller::Read(ini, car), SweepOptions{5000, 2, 1, false});
  sweep.RunNext(sweep.Starts().size());
  EXPECT_EQ(sweep.Summary(),
            "starts=25 ticks=5000\n"
            "holds the line: 0 (0.0%)\n"
            "stopped: 0 (0.0%)\n"
            "lost: 0 (0.0%)\n"
            "loops on the line: 25 (100.0%)\n"
            "loops off the line: 0 (0.0%)\n"
            "worst: x=28 y=28 loops on the line from tick 1, every 1 ticks, score 0.0\n");
}

TEST(Sweep, ACourseWithoutLineHasNoLineStartsAndIsDoneAtOnce) {
  const TBitmap blank = CourseOf(30, 20, [](int, int) { return false; });
  Sweep sweep(blank, EdgeController(blank), SweepOptions{100, 10, 1, true});
  EXPECT_TRUE(sweep.Starts().empty());
  EXPECT_TRUE(sweep.Done());
  EXPECT_EQ(sweep.RunNext(10), 0u);
  EXPECT_EQ(sweep.Summary().find("worst"), std::string::npos);
  // The course with its legend below, widened to fit the legend.
  const TBitmap map = sweep.Map();
  EXPECT_GT(map.Width(), 30);
  EXPECT_GT(map.Height(), 20);
}

}  // namespace
}  // namespace ormakin::studies
