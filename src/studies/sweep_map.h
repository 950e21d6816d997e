// The picture of a sweep: the course faded, every start point coloured by how
// its run ended, the paths of the first failures drawn thin, and a legend
// with the count of each outcome below the course.
#pragma once

#include <optional>
#include <vector>

#include "core/car/car_run.h"
#include "core/picture/bitmap.h"
#include "core/picture/color.h"
#include "studies/path_picture.h"
#include "studies/run_score.h"

namespace ormakin::studies {

inline constexpr std::size_t kOutcomeCount = 5;

// The colour of an outcome on the map.
TColor OutcomeColor(Outcome outcome);

// A point of a sweep in course pixels.
struct SweepStart {
  double x = 0.0;
  double y = 0.0;
};

class SweepMap {
 public:
  // The course, faded. Raises Exception for a course too large to copy in
  // full colour.
  explicit SweepMap(const TBitmap& course);

  // Draws the path of the run that it watches, thin, in the colour of
  // `outcome`; the paths are clipped to the course.
  RunObserver& Path(Outcome outcome);

  // The map: the course with the paths, each start colouring the square of
  // `cell` x `cell` pixels around its pixel by its outcome (`starts` and
  // `outcomes` run in parallel), and the legend below.
  TBitmap Finish(const std::vector<SweepStart>& starts, const std::vector<Outcome>& outcomes,
                 int cell) const;

 private:
  // Watches nothing, for a course without pixels.
  class NoPath : public RunObserver {
   public:
    void Placed(const TCar& /*car*/) override {}
    void Ticked(const TickReport& /*tick*/) override {}
  };

  int width_ = 0;
  int height_ = 0;
  std::optional<PathPicture> paths_;
  NoPath noPath_;
};

}  // namespace ormakin::studies
