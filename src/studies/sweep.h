// A sweep: one controller run from many start points around its start (or
// from the line itself), and how each run ends. It can be run in slices, so
// that a page stays responsive, all at once on many threads, or in ranges
// run by other instances and joined in start order; the results are the
// same every way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/picture/bitmap.h"
#include "studies/controller.h"
#include "studies/for_each_index.h"
#include "studies/line_course.h"
#include "studies/run_score.h"
#include "studies/sweep_map.h"

namespace ormakin::studies {

struct SweepOptions {
  std::uint64_t ticks = 5000;  // the ticks a start must last to hold the line
  int around = 10;             // starts within this many pixels of the start point
  int step = 1;                // pixels between two starts (1 or more)
  bool line = false;           // start from every step-th line pixel instead
};

class Sweep {
 public:
  // The paths of this many failed starts, the first in start order, are
  // drawn on the map.
  static constexpr std::size_t kMapPaths = 3;

  // The starts on `course` for `controller`: a square of starts `step`
  // pixels apart reaching at most `around` pixels from its start point, row
  // after row, or with `line` every step-th line pixel, row after row.
  // `forEach` runs the starts of each slice.
  Sweep(const TBitmap& course, Controller controller, SweepOptions options,
        ForEachIndex forEach = SerialRunner());

  // Runs the next `n` starts (fewer when fewer are left) and returns how many
  // are done in all. `progress`, when given, hears the number done in all
  // now and then while the slice runs.
  std::size_t RunNext(std::size_t n, const std::function<void(std::size_t)>& progress = {});
  // The results of the `count` starts from `first` on (fewer when fewer are
  // left), not counted as done here: for a Sweep elsewhere of the same
  // course, controller and options to Take.
  std::vector<RunScore> RunRange(std::size_t first, std::size_t count);
  // Takes the results of the next starts, in start order, as if RunNext had
  // run them; returns how many are done in all. Raises Exception for more
  // results than starts are left.
  std::size_t Take(const std::vector<RunScore>& results);

  bool Done() const { return done_ == starts_.size(); }
  std::size_t DoneCount() const { return done_; }

  const std::vector<SweepStart>& Starts() const { return starts_; }
  // The results of the starts done, in start order.
  std::vector<RunScore> Results() const {
    return {results_.begin(), results_.begin() + static_cast<std::ptrdiff_t>(done_)};
  }

  // The summary of the starts done so far, one line each ending in "\n":
  // their number and ticks, the count and share of each outcome, and the
  // worst start (the first of the lowest score) with how it ended.
  std::string Summary() const;

  // The map of the starts done so far (SweepMap): every start coloured by
  // its outcome and the paths of the first kMapPaths failures, which are run
  // again for it. Raises Exception for a course too large for a map.
  TBitmap Map();

 private:
  TBitmap picture_;
  LineCourse course_;
  Controller controller_;
  SweepOptions options_;
  ForEachIndex forEach_;
  std::vector<SweepStart> starts_;
  std::vector<RunScore> results_;  // one per start; the first done_ are set
  std::size_t done_ = 0;
};

}  // namespace ormakin::studies
