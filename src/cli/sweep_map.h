// The picture of a sweep: the course faded, every start point coloured by how
// its run ended, the paths of the first failures drawn thin, and a legend
// with the count of each outcome below the course.
#pragma once

#include <array>
#include <utility>
#include <vector>

#include "bitmap.h"
#include "color.h"
#include "run_score.h"

namespace ormakin::cli {

inline constexpr int kOutcomeCount = 5;

// The colour of an outcome on the map.
TColor OutcomeColor(Outcome outcome);

// A point of a sweep in course pixels, and the run that started there.
struct SweepStart {
  double x = 0.0;
  double y = 0.0;
};

// The path of a run, drawn in its outcome's colour.
struct SweepPath {
  Outcome outcome = Outcome::kHolds;
  std::vector<std::pair<double, double>> points;
};

// The map. `starts` and `outcomes` run in parallel; each start colours the
// square of `cell` x `cell` pixels around its pixel. Raises Exception for a
// course too large to copy in full colour.
TBitmap SweepMap(const TBitmap& course, const std::vector<SweepStart>& starts,
                 const std::vector<Outcome>& outcomes, const std::vector<SweepPath>& paths,
                 int cell);

}  // namespace ormakin::cli
