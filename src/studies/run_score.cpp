#include "studies/run_score.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <numbers>
#include <optional>
#include <vector>

#include "core/car/car_run.h"

namespace ormakin::studies {

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

// Keeps the score of a run as it goes: the line cells passed, in all and
// since the last lap, whether the car has been away from its start since the
// last lap, the laps, the last tick a sensor saw the line and the rules
// applied.
class ScoreKeeper : public RunObserver {
 public:
  ScoreKeeper(const LineCourse& course, RunScore& result)
      : course_(course),
        result_(&result),
        passedIn_(static_cast<std::size_t>(course.LineCellCount()), 0),
        lapCells_(static_cast<std::int32_t>(
            std::ceil(kLapShare * static_cast<double>(course.LineCellCount())))) {}

  void Placed(const TCar& car) override {
    startX_ = car.X();
    startY_ = car.Y();
    startDirection_ = car.Direction();
    Pass(startX_, startY_, true);
  }

  void Ticked(const TickReport& tick) override {
    result_->applied.set(RuleIndex(tick.appliedState, tick.mask));
    const double x = tick.car.X();
    const double y = tick.car.Y();
    Pass(x, y, false);
    const LapReach fromStart = LapReachOf(x - startX_, y - startY_);
    awaySinceLap_ = awaySinceLap_ || fromStart == LapReach::kBeyond;
    // A course without line has no lap.
    if (course_.LineCellCount() > 0 && awaySinceLap_ && sinceLap_ >= lapCells_ &&
        fromStart == LapReach::kWithin && SameWay(tick.car.Direction(), startDirection_)) {
      result_->laps.push_back(tick.tick);
      // The next lap counts its cells from here, those around the car too.
      sinceLap_ = 0;
      awaySinceLap_ = false;
      Pass(x, y, true);
    }
    if (tick.mask != 0) {
      lastSeen_ = tick.tick;
    } else {
      ++result_->blindTicks;
    }
  }

  // A keeper that goes on from where this one stands, telling `result`,
  // which starts as a copy of what this one has told: the laps so far number
  // the cells' marks.
  ScoreKeeper GoingOnInto(RunScore& result) const {
    result = *result_;
    ScoreKeeper copy(*this);
    copy.result_ = &result;
    return copy;
  }

  std::uint64_t LastSeen() const { return lastSeen_; }
  double Coverage() const {
    return course_.LineCellCount() > 0 ? static_cast<double>(passed_) / course_.LineCellCount()
                                       : 0.0;
  }

 private:
  // The car passes the line cells around its centre: its own cell and the
  // eight next to it, so that a car that follows a line passes every cell
  // the line touches, also those that it only clips at a corner. Unless
  // `again`, a car still in the cell of its last call passes nothing new.
  void Pass(double x, double y, bool again) {
    const std::int64_t column = CellOf(PixelOf(x));
    const std::int64_t row = CellOf(PixelOf(y));
    if (!again && column == lastColumn_ && row == lastRow_) {
      return;
    }
    lastColumn_ = column;
    lastRow_ = row;
    // Marked with the number of the lap under way, counted from 1.
    const std::uint32_t lap = static_cast<std::uint32_t>(result_->laps.size()) + 1;
    for (std::int64_t dy = -1; dy <= 1; ++dy) {
      for (std::int64_t dx = -1; dx <= 1; ++dx) {
        const std::int32_t cell = course_.LineCellAt((column + dx) * LineCourse::kCellSize,
                                                     (row + dy) * LineCourse::kCellSize);
        if (cell < 0) {
          continue;
        }
        std::uint32_t& mark = passedIn_[static_cast<std::size_t>(cell)];
        if (mark == 0) {
          ++passed_;
        }
        if (mark != lap) {
          mark = lap;
          ++sinceLap_;
        }
      }
    }
  }

  const LineCourse& course_;
  RunScore* result_;
  // Per line cell: the lap under way when the car last passed it, 0 never.
  std::vector<std::uint32_t> passedIn_;
  std::int32_t passed_ = 0;    // line cells passed at all
  std::int32_t sinceLap_ = 0;  // line cells passed in the lap under way
  std::int32_t lapCells_;
  bool awaySinceLap_ = false;  // farther than kLapDistance from the start at some tick
  double startX_ = 0.0;
  double startY_ = 0.0;
  double startDirection_ = 0.0;
  std::int64_t lastColumn_ = INT64_MIN;
  std::int64_t lastRow_ = INT64_MIN;
  std::uint64_t lastSeen_ = 0;
};

// The laps still to come once the car's state repeats: from then on it goes
// round the same cycle of `period` ticks for ever. A lap on the cycle is
// followed by another within a period or never, and after two laps on it,
// by one every time round. The first lap on it comes within two periods of
// where the cycle begins, at the latest a period after the repetition is
// found (the cells passed since the last lap before the cycle may reach the
// share only on the next time round).
class LapDeadline {
 public:
  LapDeadline(std::uint64_t found, std::uint64_t period, const std::vector<std::uint64_t>& laps)
      : period_(period) {
    // The laps from a period before the repetition on were on the cycle.
    for (const std::uint64_t lap : laps) {
      lapsOnCycle_ += lap + period >= found ? 1 : 0;
    }
    const std::uint64_t lastLap = laps.empty() ? 0 : laps.back();
    deadline_ = (lastLap + period > found ? lastLap : found) + period;
  }

  void Lapped(std::uint64_t tick) {
    ++lapsOnCycle_;
    deadline_ = tick + period_;
  }
  // The car is stuck: a lap was due by now and none came.
  bool Missed(std::uint64_t tick) const { return tick >= deadline_ && !LapsForEver(); }
  bool LapsForEver() const { return lapsOnCycle_ >= 2; }

 private:
  std::uint64_t period_;
  std::uint64_t deadline_;
  int lapsOnCycle_ = 0;
};

// Tells a keeper of ticks only: it goes on from a placement it already knows.
class TicksOnly : public RunObserver {
 public:
  explicit TicksOnly(RunObserver& observer) : observer_(observer) {}
  void Placed(const TCar&) override {}
  void Ticked(const TickReport& tick) override { observer_.Ticked(tick); }

 private:
  RunObserver& observer_;
};

// The ticks of MissesALap, apart from the objects it must destroy (see
// TickToTheEnd): whether `deadline` is missed before the car laps for ever.
[[gnu::noinline]] bool TicksMissALap(CarRun& run, const RunScore& ahead, std::uint64_t end,
                                     LapDeadline deadline) {
  for (std::uint64_t tick = end + 1; !deadline.LapsForEver(); ++tick) {
    const std::size_t lapsBefore = ahead.laps.size();
    if (!run.Tick()) {
      return false;  // a car on a cycle never stops
    }
    if (ahead.laps.size() > lapsBefore) {
      deadline.Lapped(tick);
    }
    if (deadline.Missed(tick)) {
      return true;
    }
  }
  return false;
}

// Whether the car, going on round its cycle past the end of the budget on
// tick `end`, misses a lap that `deadline` awaits. A copy of the car and of
// its keeper go on, so the run, its observers and its score stay as they are:
// what lies beyond the budget only decides whether the car is stuck.
bool MissesALap(const TCar& car, const ScoreKeeper& keeper, std::uint64_t end,
                LapDeadline deadline) {
  RunScore ahead;
  ScoreKeeper goingOn = keeper.GoingOnInto(ahead);
  TicksOnly told(goingOn);
  TCar copy = car;
  CarRun run(copy);
  run.Observe(told);
  return TicksMissALap(run, ahead, end, deadline);
}

// What a run learns of the car's cycle as it goes: the tick it was found (0
// for none yet), the lap it awaits, the blind ticks until it was found,
// whether a sensor sees the line on it, and whether the car is stuck on it.
struct CycleWatch {
  std::uint64_t found = 0;
  std::optional<LapDeadline> deadline;
  std::uint64_t blindAtFound = 0;
  bool onLine = false;
  bool stuck = false;

  // The run ends stuck on the cycle at `tick`.
  void EndStuck(RunScore& result, std::uint64_t tick) {
    result.outcome = onLine ? Outcome::kLoopsOnLine : Outcome::kLoopsOffLine;
    // Without a lap since the cycle was found, the run is told as it was
    // then: the ticks after it only went round the cycle again.
    if (result.laps.empty() || result.laps.back() <= found) {
      result.ticks = found;
      result.blindTicks = blindAtFound;
    } else {
      result.ticks = tick;
    }
    stuck = true;
  }
};

// The run's ticks up to `ticks`, until the car stops, loses the line or is
// stuck on its cycle. A function of its own, never inlined, and holding
// nothing that must be destroyed: its caller holds the keeper and the score,
// which must be if a tick throws, and in the page's build each call that
// may throw from such a function goes out through the page's script and
// back in; made once a tick, those calls took a tenth of a sweep there.
[[gnu::noinline]] void TickToTheEnd(CarRun& run, const ScoreKeeper& keeper, RunScore& result,
                                    std::uint64_t ticks, CycleWatch& cycle) {
  for (std::uint64_t tick = 1; tick <= ticks; ++tick) {
    if (!run.Tick()) {
      break;  // stopped: told by the run's result
    }
    const bool lapped = !result.laps.empty() && result.laps.back() == tick;
    if (!cycle.deadline) {
      const std::uint64_t period = run.LoopPeriod();
      if (period != 0) {
        cycle.found = tick;
        result.loopPeriod = period;
        cycle.blindAtFound = result.blindTicks;
        // The cycle repeats its masks too: the line is seen on it or never.
        cycle.onLine = tick - keeper.LastSeen() < period;
        cycle.deadline.emplace(tick, period, result.laps);
      }
    } else if (lapped) {
      cycle.deadline->Lapped(tick);
    }
    if (tick - keeper.LastSeen() >= kLostTicks) {
      if (cycle.deadline && (result.laps.empty() || result.laps.back() <= cycle.found)) {
        cycle.EndStuck(result, tick);  // blind on a cycle found before
      } else {
        result.outcome = Outcome::kLost;
      }
      break;
    }
    if (cycle.deadline && cycle.deadline->Missed(tick)) {
      cycle.EndStuck(result, tick);
      break;
    }
  }
}

}  // namespace

LapReach LapReachOf(double dx, double dy) {
  constexpr double kSquare = kLapDistance * kLapDistance;
  // The rounded sum of squares is within a few units in the last place of
  // the exact one, and hypot within one of the exact root; outside this
  // relative margin, far wider than both, the two agree on the side. Squares
  // that underflow are far inside, those that overflow far beyond; NaN fails
  // both tests and goes to hypot, which tells an infinity beside a NaN.
  constexpr double kMargin = 1e-9;
  const double squares = dx * dx + dy * dy;
  if (squares < kSquare * (1 - kMargin)) {
    return LapReach::kWithin;
  }
  if (squares > kSquare * (1 + kMargin)) {
    return LapReach::kBeyond;
  }
  const double distance = std::hypot(dx, dy);
  if (distance <= kLapDistance) {
    return LapReach::kWithin;
  }
  return distance > kLapDistance ? LapReach::kBeyond : LapReach::kNeither;
}

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

std::uint64_t RunScore::SlowestLap(std::uint64_t budget) const {
  if (laps.empty()) {
    return 0;
  }
  std::uint64_t slowest = 0;
  std::uint64_t previous = 0;
  for (const std::uint64_t lap : laps) {
    slowest = std::max(slowest, lap - previous);
    previous = lap;
  }
  return std::max(slowest, budget > previous ? budget - previous : 0);
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

  // A cycle in which the car laps is no fault, so the run goes on; the car
  // is stuck when a lap that the cycle awaits does not come.
  CycleWatch cycle;
  TickToTheEnd(run, keeper, result, ticks, cycle);
  const RunResult end = run.Result();
  // The budget ran out while the cycle still awaits a lap: the car goes on
  // round it past the budget until the lap is missed or it is sure to lap
  // for ever, so the verdict is the one a longer budget gives.
  if (!cycle.stuck && cycle.deadline && result.outcome == Outcome::kHolds &&
      MissesALap(car, keeper, end.ticks, *cycle.deadline)) {
    cycle.EndStuck(result, end.ticks);
  }
  if (!cycle.stuck) {
    result.ticks = end.ticks;
  }
  if (end.stopped && result.outcome == Outcome::kHolds) {
    result.outcome = Outcome::kStopped;
    result.stopReason = end.stopReason;
  }
  const bool endedEarly = result.outcome != Outcome::kHolds;
  const double budget = static_cast<double>(std::max<std::uint64_t>(ticks, 1));

  result.coverage = keeper.Coverage();
  if (result.laps.empty()) {
    result.score = kCoveragePoints * result.coverage;
  } else {
    result.score = kCoveragePoints +
                   kLapPoints * (1.0 - static_cast<double>(result.SlowestLap(ticks)) / budget);
  }
  result.score -= (endedEarly ? kEndPenalty : 0.0) +
                  kBlindPoints * static_cast<double>(result.blindTicks) / budget;
  return result;
}

}  // namespace ormakin::studies
