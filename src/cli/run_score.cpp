#include "run_score.h"

#include <climits>
#include <cmath>

#include "loop_detector.h"

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

RunScore ScoreRun(TCar& car, const LineCourse& course, std::uint64_t ticks, RunLength length,
                  std::vector<std::pair<double, double>>* path) {
  RunScore result;
  const double startX = car.X();
  const double startY = car.Y();
  const std::int32_t lineCells = course.LineCellCount();
  std::vector<bool> passed(static_cast<std::size_t>(lineCells), false);
  std::int32_t passedCount = 0;
  // A lap needs this many cells passed; a course without line has no lap.
  const auto lapCells =
      static_cast<std::int32_t>(std::ceil(kLapShare * static_cast<double>(lineCells)));
  // The car passes the line cells around its centre: its own cell and the
  // eight next to it, so that a car that follows a line passes every cell
  // the line touches, also those that it only clips at a corner.
  std::int64_t lastColumn = INT64_MIN;
  std::int64_t lastRow = INT64_MIN;
  auto pass = [&](double x, double y) {
    const std::int64_t px = PixelOf(x);
    const std::int64_t py = PixelOf(y);
    // Rounded down, also left of and above the course.
    const auto cellOf = [](std::int64_t p) {
      return p >= 0 ? p / LineCourse::kCellSize
                    : -((-p + LineCourse::kCellSize - 1) / LineCourse::kCellSize);
    };
    const std::int64_t column = cellOf(px);
    const std::int64_t row = cellOf(py);
    if (column == lastColumn && row == lastRow) {
      return;
    }
    lastColumn = column;
    lastRow = row;
    for (std::int64_t dy = -1; dy <= 1; ++dy) {
      for (std::int64_t dx = -1; dx <= 1; ++dx) {
        const std::int32_t cell = course.LineCellAt((column + dx) * LineCourse::kCellSize,
                                                    (row + dy) * LineCourse::kCellSize);
        if (cell >= 0 && !passed[static_cast<std::size_t>(cell)]) {
          passed[static_cast<std::size_t>(cell)] = true;
          ++passedCount;
        }
      }
    }
  };
  pass(startX, startY);
  if (path != nullptr) {
    path->emplace_back(startX, startY);
  }

  LoopDetector loop(CarState::Of(car.X(), car.Y(), car.Direction(), car.State()));
  std::uint64_t lastSeen = 0;  // the last tick on which a sensor saw the line
  bool endedEarly = false;
  result.outcome = Outcome::kHolds;
  while (result.ticks < ticks) {
    const std::int32_t state = car.State();
    if (!car.Step()) {
      result.outcome = Outcome::kStopped;
      endedEarly = true;
      break;
    }
    ++result.ticks;
    const std::int32_t mask = car.SensorBits();
    result.applied.set(static_cast<std::size_t>((state - 1) * kMaskCount + mask));
    result.stopRuleState = state;
    result.stopRuleMask = mask;
    const double x = car.X();
    const double y = car.Y();
    if (path != nullptr) {
      path->emplace_back(x, y);
    }
    pass(x, y);
    if (!result.lapTick && lineCells > 0 && passedCount >= lapCells &&
        std::hypot(x - startX, y - startY) <= kLapDistance) {
      result.lapTick = result.ticks;
      if (length == RunLength::kUntilLap) {
        break;
      }
    }
    if (mask != 0) {
      lastSeen = result.ticks;
    } else if (result.ticks - lastSeen >= kLostTicks) {
      result.outcome = Outcome::kLost;
      endedEarly = true;
      break;
    }
    if (loop.Add(CarState::Of(x, y, car.Direction(), car.State()))) {
      result.loopPeriod = loop.Period();
      result.outcome = result.ticks - lastSeen < result.loopPeriod ? Outcome::kLoopsOnLine
                                                                   : Outcome::kLoopsOffLine;
      endedEarly = true;
      break;
    }
  }
  // A car whose state has no row does not move again, also when the tick
  // limit ended the run just before Step would have said so.
  const std::int32_t last = car.State();
  if (result.outcome == Outcome::kHolds && (last < 1 || last > kStateCount)) {
    result.outcome = Outcome::kStopped;
    endedEarly = true;
  }

  result.coverage = lineCells > 0 ? static_cast<double>(passedCount) / lineCells : 0.0;
  if (result.lapTick) {
    result.score = kCoveragePoints + kLapPoints * (1.0 - static_cast<double>(*result.lapTick) /
                                                             static_cast<double>(ticks));
  } else {
    result.score = kCoveragePoints * result.coverage - (endedEarly ? kEndPenalty : 0.0);
  }
  return result;
}

}  // namespace ormakin::cli
