#include "run_score.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <numbers>
#include <vector>

#include "car_run.h"

namespace ormakin::cli {

namespace {

constexpr std::int64_t kFarAway = std::int64_t{1} << 50;

// The pixel of a real coordinate, as the car rounds its own: Trunc(v + 0.5).
std::int64_t PixelOf(double v) {
  const double shifted = v + 0.5;
  // Far outside any course; also catches values that are not finite.
  if (!(shifted > -1e15 && shifted < 1e15)) {
    return kFarAway;
  }
  return static_cast<std::int64_t>(shifted);
}

// The cell of a pixel, rounded down, also left of and above the course.
std::int64_t CellOf(std::int64_t p) {
  constexpr std::int64_t size = LineCourse::kCellSize;
  return p >= 0 ? p / size : -((-p + size - 1) / size);
}

// Whether two headings differ by less than kLapHeading, whole turns aside.
bool SameWay(double a, double b) {
  constexpr double kTurn = 2 * std::numbers::pi;
  const double d = std::fmod(std::fabs(a - b), kTurn);
  return std::min(d, kTurn - d) < kLapHeading;
}

// Keeps the score of a run as it goes: the line cells passed, the lap, the
// last tick a sensor saw the line and the rules applied.
class ScoreKeeper : public RunObserver {
 public:
  ScoreKeeper(const LineCourse& course, RunScore& result)
      : course_(course),
        result_(result),
        passed_(static_cast<std::size_t>(course.LineCellCount()), false),
        lapCells_(static_cast<std::int32_t>(
            std::ceil(kLapShare * static_cast<double>(course.LineCellCount())))) {}

  void Placed(const TCar& car) override {
    startX_ = car.X();
    startY_ = car.Y();
    startDirection_ = car.Direction();
    Pass(startX_, startY_);
  }

  void Ticked(const TickReport& tick) override {
    result_.applied.set(RuleIndex(tick.appliedState, tick.mask));
    const double x = tick.car.X();
    const double y = tick.car.Y();
    Pass(x, y);
    // A course without line has no lap.
    if (!result_.lapTick && course_.LineCellCount() > 0 && passedCount_ >= lapCells_ &&
        std::hypot(x - startX_, y - startY_) <= kLapDistance &&
        SameWay(tick.car.Direction(), startDirection_)) {
      result_.lapTick = tick.tick;
    }
    if (tick.mask != 0) {
      lastSeen_ = tick.tick;
    } else {
      ++result_.blindTicks;
    }
  }

  std::uint64_t LastSeen() const { return lastSeen_; }
  double Coverage() const {
    return course_.LineCellCount() > 0 ? static_cast<double>(passedCount_) / course_.LineCellCount()
                                       : 0.0;
  }

 private:
  // The car passes the line cells around its centre: its own cell and the
  // eight next to it, so that a car that follows a line passes every cell
  // the line touches, also those that it only clips at a corner.
  void Pass(double x, double y) {
    const std::int64_t column = CellOf(PixelOf(x));
    const std::int64_t row = CellOf(PixelOf(y));
    if (column == lastColumn_ && row == lastRow_) {
      return;
    }
    lastColumn_ = column;
    lastRow_ = row;
    for (std::int64_t dy = -1; dy <= 1; ++dy) {
      for (std::int64_t dx = -1; dx <= 1; ++dx) {
        const std::int32_t cell = course_.LineCellAt((column + dx) * LineCourse::kCellSize,
                                                     (row + dy) * LineCourse::kCellSize);
        if (cell >= 0 && !passed_[static_cast<std::size_t>(cell)]) {
          passed_[static_cast<std::size_t>(cell)] = true;
          ++passedCount_;
        }
      }
    }
  }

  const LineCourse& course_;
  RunScore& result_;
  std::vector<bool> passed_;
  std::int32_t passedCount_ = 0;
  std::int32_t lapCells_;
  double startX_ = 0.0;
  double startY_ = 0.0;
  double startDirection_ = 0.0;
  std::int64_t lastColumn_ = INT64_MIN;
  std::int64_t lastRow_ = INT64_MIN;
  std::uint64_t lastSeen_ = 0;
};

}  // namespace

const char* OutcomeName(Outcome outcome) {
  switch (outcome) {
    case Outcome::kHolds:
      return "holds the line";
    case Outcome::kStopped:
      return "stopped";
    case Outcome::kLost:
      return "lost";
    case Outcome::kLoopsOnLine:
      return "loops on the line";
    case Outcome::kLoopsOffLine:
      return "loops off the line";
  }
  return "?";
}

RunScore ScoreRun(TCar& car, const LineCourse& course, std::uint64_t ticks, RunObserver* also) {
  RunScore result;
  ScoreKeeper keeper(course, result);
  CarRun run(car);
  run.Observe(keeper);
  keeper.Placed(car);
  if (also != nullptr) {
    run.Observe(*also);
    also->Placed(car);
  }
  run.SearchLoop(false);

  for (std::uint64_t tick = 1; tick <= ticks; ++tick) {
    if (!run.Tick()) {
      break;  // stopped: told by the run's result below
    }
    if (tick - keeper.LastSeen() >= kLostTicks) {
      result.outcome = Outcome::kLost;
      break;
    }
    const RunResult sofar = run.Result();
    if (sofar.loopPeriod != 0) {
      result.loopPeriod = sofar.loopPeriod;
      // The cycle repeats its masks too: the line is seen on it or never.
      result.outcome = tick - keeper.LastSeen() < sofar.loopPeriod ? Outcome::kLoopsOnLine
                                                                   : Outcome::kLoopsOffLine;
      break;
    }
  }
  const RunResult end = run.Result();
  result.ticks = end.ticks;
  if (end.stopped && result.outcome == Outcome::kHolds) {
    result.outcome = Outcome::kStopped;
    result.stopReason = end.stopReason;
  }
  const bool lapsForEver = result.outcome == Outcome::kLoopsOnLine && result.lapTick &&
                           result.loopPeriod >= *result.lapTick;
  const bool endedEarly = result.outcome != Outcome::kHolds && !lapsForEver;

  result.coverage = keeper.Coverage();
  if (result.lapTick) {
    result.score =
        kCoveragePoints +
        kLapPoints * (1.0 - static_cast<double>(*result.lapTick) / static_cast<double>(ticks)) -
        (endedEarly ? kEndPenalty : 0.0);
  } else {
    result.score = kCoveragePoints * result.coverage - (endedEarly ? kEndPenalty : 0.0);
  }
  result.score -=
      kBlindPoints * static_cast<double>(result.blindTicks) / static_cast<double>(ticks);
  return result;
}

}  // namespace ormakin::cli
