// How well one run follows a course, from the course itself: how much of its
// line the car's centre passes (counted in line cells, those within one cell
// of the centre's own), how often and how fast it laps, coming round to its
// start again the way it set off, and how the run ends. `sweep` says from it
// whether a start holds the line; `tune` adds up its score over the courses.
#pragma once

#include <bitset>
#include <cstdint>
#include <string>
#include <vector>

#include "core/car/car.h"
#include "core/car/car_run.h"
#include "studies/line_course.h"

namespace ormakin::studies {

// One bit per rule of the table: bit RuleIndex(state, mask).
using RuleSet = std::bitset<static_cast<std::size_t>(kStateCount) * kMaskCount>;
inline std::size_t RuleIndex(int state, int mask) {
  return static_cast<std::size_t>(state - 1) * kMaskCount + static_cast<std::size_t>(mask);
}

// How a run ends.
enum class Outcome {
  kHolds,         // ran every tick, and some sensor saw the line within the last kLostTicks
  kStopped,       // reached state 0, or a state without a row
  kLost,          // no sensor saw the line for kLostTicks ticks in a row
  kLoopsOnLine,   // its exact state repeats, and a sensor sees the line within the cycle
  kLoopsOffLine,  // its exact state repeats, and no sensor ever sees the line again
};

// The words for an outcome, as the summary and the map's legend print them.
const char* OutcomeName(Outcome outcome);

// A run without any sensor on the line for this many ticks has lost it.
inline constexpr std::uint64_t kLostTicks = 500;
// A lap: the car's centre comes back within kLapDistance pixels of its
// start, heading within kLapHeading radians of the way it started, after it
// has passed kLapShare of the course's line cells and been farther than
// kLapDistance from its start at some tick, both since its previous lap (or
// since the start). The distance allows for a start a little beside the line;
// the heading tells a lap from turning back; having been away tells it from
// a car that stays at its start on a course small enough that the cells
// around it are nearly all its line.
inline constexpr double kLapDistance = 16.0;
inline constexpr double kLapHeading = 0.7853981633974483;  // 45 degrees
inline constexpr double kLapShare = 0.9;

// Where a point (dx, dy) from the start lies against kLapDistance, exactly as
// std::hypot(dx, dy) compared with it tells: within (<=), beyond (>), or
// neither when the distance is not a number. Each tick of every run asks, so
// the sum of squares decides wherever it lies clearly on one side, and hypot
// is computed only near the boundary and for values that are not finite.
enum class LapReach { kWithin, kBeyond, kNeither };
LapReach LapReachOf(double dx, double dy);

// Points: a run without a lap gets up to kCoveragePoints for the share of
// line cells passed. A run that laps gets kCoveragePoints plus up to
// kLapPoints by its slowest lap, where the ticks after its last lap up to N
// count as one more lap under way: 1 - slowest / N. So a car earns most by
// lapping fast for the whole run, and a fast first lap after which it turns
// back, parks or wanders is worth little more than one slow lap.
// A run that does not hold the line to its last tick loses kEndPenalty: it
// stops, loses the line or gets stuck in a cycle. A cycle in which the car
// keeps lapping is not stuck: such a run goes on to its last tick.
inline constexpr double kCoveragePoints = 1000.0;
inline constexpr double kLapPoints = 1000.0;
inline constexpr double kEndPenalty = 1000.0;
// And every tick on which no sensor sees the line costs kBlindPoints / N: a
// car that weaves across the line, finding it again and again, is not
// following it.
inline constexpr double kBlindPoints = 2000.0;

struct RunScore {
  Outcome outcome = Outcome::kHolds;
  std::uint64_t ticks = 0;          // ticks simulated
  std::vector<std::uint64_t> laps;  // the tick on which each lap was completed
  std::uint64_t loopPeriod = 0;     // ticks of the cycle, for the loop outcomes
  double coverage = 0.0;            // share of the line cells passed, 0 to 1
  std::uint64_t blindTicks = 0;     // ticks on which no sensor saw the line
  double score = 0.0;
  std::string stopReason;  // for a stopped run: why, as `run` says it
  // Which rules were applied.
  RuleSet applied;

  // The ticks of the slowest lap of a run of `budget` ticks: the longest
  // time between two laps (or the start and the first), or the time from the
  // last lap to the end of the budget when that is longer. 0 without laps.
  std::uint64_t SlowestLap(std::uint64_t budget) const;
};

// Runs `car`, placed at its start, for at most `ticks` ticks on `course`,
// ending early when it stops, loses the line or gets stuck in a cycle. `also`,
// when given, watches the run too. When the budget ends while the car goes
// round a cycle that may still bring a lap, a copy of the car goes on round
// it, unwatched, to tell a cycle that laps from one that is stuck.
RunScore ScoreRun(TCar& car, const LineCourse& course, std::uint64_t ticks,
                  RunObserver* also = nullptr);

}  // namespace ormakin::studies
