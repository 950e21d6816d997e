// The score of one run, on small courses built in memory: laps, turning
// back, blind ticks, losing the line, the cells passed beside the course,
// cycles that are stuck or lap for ever and the verdict on a cycle when the
// budget ends.
#include "studies/run_score.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "core/picture/bmp_reader.h"
#include "support/course_builder.h"
#include "support/ring_scenario.h"

namespace ormakin::studies {
namespace {

LineCourse LineCourseOf(const std::string& bytes) {
  return LineCourse(
      ReadBitmap(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size())));
}

LineCourse CourseOf(int width, int height, const std::function<bool(int, int)>& isLine) {
  return LineCourseOf(testing::LineCourseBmp(width, height, isLine));
}

// A vertical line 5 pixels wide, x = 18 to 22, from the top of a course 200
// pixels tall to its bottom (or to `end`).
LineCourse StraightLine(int width = 40, int end = 200) {
  return CourseOf(width, 200, [=](int x, int y) { return x >= 18 && x <= 22 && y < end; });
}

// Rules of state 1 only, by mask: {turn, advance}, staying in state 1.
CarSettings OneState(const std::array<std::pair<double, double>, kMaskCount>& rules) {
  CarSettings settings;
  for (int mask = 0; mask < kMaskCount; ++mask) {
    settings.rules[0][mask] = TStateRule{1, rules[mask].first, rules[mask].second};
    settings.ruleSet[0][mask] = true;
  }
  return settings;
}

// Straight on, a pixel a tick, whatever the sensors see.
const CarSettings kStraight =
    OneState({{{0, 1}, {0, 1}, {0, 1}, {0, 1}, {0, 1}, {0, 1}, {0, 1}, {0, 1}}});
// Straight on while a sensor sees the line; where none does, turns back.
const CarSettings kShuttle =
    OneState({{{180, 1}, {0, 1}, {0, 1}, {0, 1}, {0, 1}, {0, 1}, {0, 1}, {0, 1}}});

// Every pose of the car after each tick.
struct Pose {
  std::uint64_t tick;
  double x, y, direction;
  std::int32_t mask;
};
class PoseRecorder : public RunObserver {
 public:
  void Placed(const TCar&) override {}
  void Ticked(const TickReport& tick) override {
    poses.push_back({tick.tick, tick.car.X(), tick.car.Y(), tick.car.Direction(), tick.mask});
  }
  std::vector<Pose> poses;
};

struct Scored {
  RunScore score;
  std::vector<Pose> poses;
};
Scored Score(const CarSettings& settings, LineCourse& course, double x, double y,
             std::uint64_t ticks) {
  TCar car(settings, course);
  car.PlaceAtStart({x, y});
  PoseRecorder recorder;
  Scored scored{ScoreRun(car, course, ticks, &recorder), {}};
  scored.poses = std::move(recorder.poses);
  return scored;
}

bool HeadingDown(const Pose& pose) {
  return std::abs(std::remainder(pose.direction - kStartHeading, 2 * std::numbers::pi)) < 0.1;
}

// The square ring's run, scored for `ticks`.
RunScore ScoreRing(const testing::SquareRingRun& ring, std::uint64_t ticks) {
  LineCourse course = LineCourseOf(ring.courseBmp);
  TCar car(ring.settings, course);
  car.PlaceAtStart(ring.start);
  return ScoreRun(car, course, ticks);
}

TEST(RunScore, SlowestLapCountsTheTicksAfterTheLastLapAsALapUnderWay) {
  struct Case {
    std::vector<std::uint64_t> laps;
    std::uint64_t slowest;
  };
  for (const Case& c : {Case{{}, 0}, Case{{30}, 70}, Case{{80}, 80}, Case{{30, 60, 90}, 30},
                        Case{{30, 50, 100}, 50}, Case{{10, 20, 30}, 70}}) {
    RunScore run;
    run.laps = c.laps;
    EXPECT_EQ(run.SlowestLap(100), c.slowest) << c.laps.size() << " laps";
  }
}

// The side of kLapDistance decided from the squares must be hypot's on
// every point a hair either side of the circle, at every angle, and for
// values whose squares underflow, overflow or are not numbers.
TEST(RunScore, LapReachIsTheSideHypotTells) {
  const auto reference = [](double dx, double dy) {
    const double distance = std::hypot(dx, dy);
    return distance <= kLapDistance  ? LapReach::kWithin
           : distance > kLapDistance ? LapReach::kBeyond
                                     : LapReach::kNeither;
  };
  constexpr double kInf = std::numeric_limits<double>::infinity();
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  std::vector<std::pair<double, double>> points = {{0, 0},
                                                   {16, 0},
                                                   {0, -16},
                                                   {1e-200, 1e-200},
                                                   {5e-324, 0},
                                                   {1e200, 0},
                                                   {-1e200, 1e200},
                                                   {1.7e308, 1.7e308},
                                                   {kInf, 0},
                                                   {0, -kInf},
                                                   {kNaN, 0},
                                                   {kInf, kNaN},
                                                   {kNaN, -kInf},
                                                   {kNaN, kNaN},
                                                   {std::nextafter(16.0, 0.0), 0},
                                                   {std::nextafter(16.0, 32.0), 0}};
  for (int angle = 0; angle < 720; ++angle) {
    const double a = angle * std::numbers::pi / 360;
    for (int ulps = -8; ulps <= 8; ++ulps) {
      const double r = kLapDistance * (1 + ulps * std::numeric_limits<double>::epsilon());
      points.emplace_back(r * std::cos(a), r * std::sin(a));
    }
    for (const double r : {kLapDistance * (1 - 2e-9), kLapDistance * (1 + 2e-9)}) {
      points.emplace_back(r * std::cos(a), r * std::sin(a));
    }
  }
  int within = 0;
  int beyond = 0;
  for (const auto& [dx, dy] : points) {
    const LapReach expected = reference(dx, dy);
    EXPECT_EQ(LapReachOf(dx, dy), expected) << dx << ", " << dy;
    within += expected == LapReach::kWithin;
    beyond += expected == LapReach::kBeyond;
  }
  // The circle's points fall on both sides.
  EXPECT_GT(within, 5000);
  EXPECT_GT(beyond, 5000);
}

// Down the line from near its top, back up where it ends, past the start the
// other way round, and down again at the top: only that is a lap.
TEST(RunScore, TurningBackIsNoLapAndComingRoundAgainIs) {
  LineCourse course = StraightLine();
  const Scored run = Score(kShuttle, course, 20, 30, 400);
  ASSERT_EQ(run.poses.size(), 400u);
  const auto near = [](const Pose& p) { return std::hypot(p.x - 20, p.y - 30) <= kLapDistance; };

  // It passed its start going up, with the whole line behind it...
  const auto up = std::find_if(run.poses.begin() + 100, run.poses.end(),
                               [&](const Pose& p) { return near(p) && !HeadingDown(p); });
  ASSERT_NE(up, run.poses.end());
  // ... and came back down to it after turning at the top: the lap.
  const auto down =
      std::find_if(up, run.poses.end(), [&](const Pose& p) { return near(p) && HeadingDown(p); });
  ASSERT_NE(down, run.poses.end());
  EXPECT_EQ(run.score.laps, std::vector<std::uint64_t>{down->tick});
  EXPECT_EQ(run.score.outcome, Outcome::kHolds);
  EXPECT_DOUBLE_EQ(run.score.coverage, 1.0);
}

// Up and down a line that the car passes whole each way: a lap every time
// round, each counting its cells anew, and the run's exact repetition is the
// car lapping for ever, not stuck. On a course where the line it shuttles on
// is only half the line, the same cycle is stuck.
TEST(RunScore, ACycleThatLapsGoesOnAndOneThatDoesNotIsStuck) {
  constexpr std::uint64_t kTicks = 3000;
  LineCourse single = StraightLine();
  const Scored laps = Score(kShuttle, single, 20, 30, kTicks);
  const RunScore& lapping = laps.score;
  EXPECT_EQ(lapping.outcome, Outcome::kHolds);
  EXPECT_EQ(lapping.ticks, kTicks);
  EXPECT_NE(lapping.loopPeriod, 0u);
  ASSERT_GE(lapping.laps.size(), 5u);
  // Once round the line and back, every time.
  const std::uint64_t period = lapping.laps[1] - lapping.laps[0];
  for (std::size_t i = 1; i < lapping.laps.size(); ++i) {
    EXPECT_EQ(lapping.laps[i] - lapping.laps[i - 1], period) << "lap " << i;
  }
  EXPECT_EQ(period, lapping.loopPeriod);
  EXPECT_GT(kTicks - lapping.laps.back(), 0u);
  EXPECT_LE(kTicks - lapping.laps.back(), period);
  // The first lap, from near the top, is the shortest.
  EXPECT_LT(lapping.laps.front(), period);
  EXPECT_EQ(lapping.SlowestLap(kTicks), period);
  EXPECT_NEAR(lapping.score,
              kCoveragePoints + kLapPoints * (1.0 - static_cast<double>(period) / kTicks) -
                  kBlindPoints * static_cast<double>(lapping.blindTicks) / kTicks,
              1e-9);

  LineCourse twoLines =
      CourseOf(80, 200, [](int x, int) { return (x >= 18 && x <= 22) || (x >= 56 && x <= 60); });
  const RunScore stuck = Score(kShuttle, twoLines, 20, 30, kTicks).score;
  EXPECT_EQ(stuck.outcome, Outcome::kLoopsOnLine);
  EXPECT_TRUE(stuck.laps.empty());
  EXPECT_EQ(stuck.loopPeriod, lapping.loopPeriod);
  EXPECT_LT(stuck.ticks, kTicks);
  EXPECT_NEAR(stuck.coverage, 0.5, 0.01);
  EXPECT_NEAR(stuck.score,
              kCoveragePoints * stuck.coverage - kEndPenalty -
                  kBlindPoints * static_cast<double>(stuck.blindTicks) / kTicks,
              1e-9);
  // Also when the run's last tick comes just after the cycle was found, before
  // the car has been round it once more.
  const RunScore late = Score(kShuttle, twoLines, 20, 30, stuck.ticks + 1).score;
  EXPECT_EQ(late.outcome, Outcome::kLoopsOnLine);
  EXPECT_EQ(late.ticks, stuck.ticks);
}

// A lap, then the car parks beside its start: the ticks after the lap count
// as a lap that never ends, and staying at the start is no second lap.
TEST(RunScore, AFastLapAndThenNothingIsWorthLessThanLappingOnSlowly) {
  constexpr std::uint64_t kTicks = 3000;
  LineCourse course = StraightLine();
  // As the shuttle until it turns at the top; then it jumps 10 pixels down,
  // beside its start, and turns on the spot for ever.
  CarSettings parks = kShuttle;
  parks.rules[0][0] = TStateRule{2, 180, 1};
  for (int mask = 0; mask < kMaskCount; ++mask) {
    parks.rules[1][mask] = TStateRule{mask == 0 ? 3 : 2, mask == 0 ? 180.0 : 0.0, 1};
    parks.rules[2][mask] = TStateRule{4, 0, 10};
    parks.rules[3][mask] = TStateRule{4, 90, 0};
    parks.ruleSet[1][mask] = parks.ruleSet[2][mask] = parks.ruleSet[3][mask] = true;
  }
  const RunScore parked = Score(parks, course, 20, 30, kTicks).score;
  const RunScore shuttle = Score(kShuttle, course, 20, 30, kTicks).score;
  ASSERT_EQ(parked.laps.size(), 1u);
  EXPECT_LT(parked.laps.front(), shuttle.laps.front());
  EXPECT_EQ(parked.SlowestLap(kTicks), kTicks - parked.laps.front());
  EXPECT_EQ(parked.outcome, Outcome::kLoopsOnLine);
  EXPECT_LT(parked.score, shuttle.score - kEndPenalty);
}

TEST(RunScore, BlindTicksCostPointsAndFiveHundredInARowAreLost) {
  constexpr std::uint64_t kTicks = 300;
  // A gap of 20 rows, y = 100 to 119, in the line: the car drives through
  // it blind for 20 ticks more than down the whole line (both run off the
  // course's bottom later).
  LineCourse whole = StraightLine();
  LineCourse gap =
      CourseOf(40, 200, [](int x, int y) { return x >= 18 && x <= 22 && (y < 100 || y >= 120); });
  const RunScore ahead = Score(kStraight, whole, 20, 10, kTicks).score;
  const RunScore through = Score(kStraight, gap, 20, 10, kTicks).score;
  EXPECT_EQ(through.outcome, Outcome::kHolds);
  EXPECT_EQ(through.blindTicks, ahead.blindTicks + 20);
  EXPECT_DOUBLE_EQ(through.coverage, 1.0);
  EXPECT_DOUBLE_EQ(ahead.score - through.score, kBlindPoints * 20 / kTicks);

  // A line that ends at y = 50 on a tall course: the car drives on, blind,
  // and is lost 500 ticks after a sensor last saw the line.
  LineCourse tall = CourseOf(40, 1000, [](int x, int y) { return x >= 18 && x <= 22 && y < 50; });
  const Scored lost = Score(kStraight, tall, 20, 10, 2000);
  std::uint64_t lastSeen = 0;
  for (const Pose& pose : lost.poses) {
    lastSeen = pose.mask != 0 ? pose.tick : lastSeen;
  }
  EXPECT_EQ(lost.score.outcome, Outcome::kLost);
  EXPECT_EQ(lost.score.ticks, lastSeen + kLostTicks);
  EXPECT_DOUBLE_EQ(lost.score.coverage, 1.0);
  EXPECT_DOUBLE_EQ(lost.score.score,
                   kCoveragePoints - kEndPenalty -
                       kBlindPoints * static_cast<double>(lost.score.blindTicks) / 2000);
}

// A car driving down beside a line on the course's left edge, x = 0 to 4: it
// passes the line cells within one cell of its own. Its pixel is rounded as
// the car rounds it, towards zero: x = -9.4 is pixel -8, in the cell next to
// the course; -9.6 is pixel -9, a cell farther.
TEST(RunScore, ACarLeftOfTheCoursePassesTheLineOnlyFromTheNextCell) {
  LineCourse edge = CourseOf(40, 200, [](int x, int) { return x <= 4; });
  struct Case {
    double x;
    double coverage;
  };
  for (const Case& c :
       {Case{-4, 1.0}, Case{-9.4, 1.0}, Case{-9.6, 0.0}, Case{-12, 0.0}, Case{-30, 0.0}}) {
    const RunScore run = Score(kStraight, edge, c.x, 0, 250).score;
    EXPECT_DOUBLE_EQ(run.coverage, c.coverage) << "x = " << c.x;
  }
}

// A lap needs the car to come back the way it set off, whole turns aside: a
// shuttle whose rules on the line turn it by whole turns every tick, so that
// its heading leaves the range of one turn and goes farther each tick, laps
// as the plain one does.
TEST(RunScore, WholeTurnsOfTheHeadingDoNotMatterToALap) {
  LineCourse course = StraightLine();
  const std::vector<std::uint64_t> laps = Score(kShuttle, course, 20, 30, 1000).score.laps;
  ASSERT_GE(laps.size(), 2u);
  for (const double turn : {720.0, -720.0, 1080.0}) {
    CarSettings settings = kShuttle;
    for (int mask = 1; mask < kMaskCount; ++mask) {
      settings.rules[0][mask].Turn = turn;
    }
    const Scored run = Score(settings, course, 20, 30, 1000);
    EXPECT_EQ(run.score.laps, laps) << "turning " << turn << " degrees a tick";
    for (const std::uint64_t lap : run.score.laps) {
      EXPECT_GT(std::abs(run.poses[lap - 1].direction - kStartHeading), 2 * std::numbers::pi)
          << "turning " << turn << " degrees a tick, lap on tick " << lap;
    }
  }
}

// On the square ring the car passes its 32 line cells and no other: with
// line cells beyond its reach it laps as long as 32 are at least 90 % of
// them, exactly 90 % included, rounded up.
TEST(RunScore, ALapNeedsAtLeastNinetyPercentOfTheLineCells) {
  struct Case {
    int farDots;
    int lineCells;
    bool laps;
  };
  for (const Case& c : {Case{0, 32, true}, Case{3, 35, true}, Case{4, 36, false}}) {
    const testing::SquareRingRun ring = testing::SquareRing(0, c.farDots);
    ASSERT_EQ(LineCourseOf(ring.courseBmp).LineCellCount(), c.lineCells);
    const RunScore run = ScoreRing(ring, 2000);
    EXPECT_EQ(!run.laps.empty(), c.laps) << c.lineCells << " line cells";
    EXPECT_DOUBLE_EQ(run.coverage, 32.0 / c.lineCells);
  }
}

// Where the budget ends on a cycle that may still bring a lap, the verdict
// is the one a longer budget gives, for every budget from the tick the
// repetition is found on. On the ring without dots the car's first lap
// comes after that tick, and it laps for ever; with four dots beside its
// way down it laps once, on the cycle, and never again: stuck.
TEST(RunScore, TheVerdictWhenTheBudgetEndsOnACycleIsTheOneOfALongerBudget) {
  struct Case {
    const char* name;
    int leadInDots;
    Outcome verdict;
  };
  for (const Case& c :
       {Case{"lapping", 0, Outcome::kHolds}, Case{"stuck", 4, Outcome::kLoopsOnLine}}) {
    const testing::SquareRingRun ring = testing::SquareRing(c.leadInDots);
    LineCourse course = LineCourseOf(ring.courseBmp);
    TCar car(ring.settings, course);
    car.PlaceAtStart(ring.start);
    CarRun search(car);
    search.SearchLoop(true);
    const RunResult cycle = search.Run(10000);
    ASSERT_EQ(cycle.loopPeriod, 256u) << c.name;
    const std::uint64_t found = cycle.loopTick;

    const RunScore whole = ScoreRing(ring, 4000);
    ASSERT_EQ(whole.outcome, c.verdict) << c.name;
    ASSERT_FALSE(whole.laps.empty()) << c.name;
    if (c.verdict == Outcome::kHolds) {
      // The budgets in between once ended stuck.
      ASSERT_GT(whole.laps.front(), found);
    } else {
      // Its one lap is on the cycle, and a period later the car is stuck.
      ASSERT_EQ(whole.laps.size(), 1u);
      ASSERT_GT(whole.laps.front() + cycle.loopPeriod, found);
      EXPECT_EQ(whole.ticks, whole.laps.front() + cycle.loopPeriod);
    }
    std::vector<std::uint64_t> otherVerdict;
    for (std::uint64_t budget = found; budget <= found + 2 * cycle.loopPeriod; ++budget) {
      if (ScoreRing(ring, budget).outcome != c.verdict) {
        otherVerdict.push_back(budget);
      }
    }
    EXPECT_TRUE(otherVerdict.empty())
        << c.name << ": " << otherVerdict.size() << " budgets from " << otherVerdict.front()
        << " to " << otherVerdict.back() << " end otherwise";
  }
}

TEST(RunScore, ACourseWithoutLineHasNoLapNorCoverage) {
  LineCourse blank = CourseOf(40, 40, [](int, int) { return false; });
  const RunScore run = Score(kShuttle, blank, 20, 20, 100).score;
  EXPECT_TRUE(run.laps.empty());
  EXPECT_EQ(run.coverage, 0.0);
  EXPECT_NE(run.outcome, Outcome::kHolds);
}

}  // namespace
}  // namespace ormakin::studies
