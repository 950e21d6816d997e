#include "studies/sweep.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "core/base/errors.h"
#include "studies/number_text.h"

namespace ormakin::studies {

namespace {

std::vector<SweepStart> StartPoints(const SweepOptions& options, const Controller& controller,
                                    const LineCourse& course) {
  std::vector<SweepStart> starts;
  const int step = std::max(options.step, 1);
  if (options.line) {
    // Every step-th line pixel, row after row.
    std::uint64_t seen = 0;
    for (int y = 0; y < course.Height(); ++y) {
      for (int x = 0; x < course.Width(); ++x) {
        if (course.OnLine(x, y) && seen++ % static_cast<std::uint64_t>(step) == 0) {
          starts.push_back({static_cast<double>(x), static_cast<double>(y)});
        }
      }
    }
    return starts;
  }
  const int reach = std::max(options.around, 0) / step * step;
  for (int dy = -reach; dy <= reach; dy += step) {
    for (int dx = -reach; dx <= reach; dx += step) {
      starts.push_back({controller.start.x + dx, controller.start.y + dy});
    }
  }
  return starts;
}

// How a run ended, in one line: the outcome, when, and for a stop which rule.
std::string Ending(const RunScore& score) {
  std::string text = OutcomeName(score.outcome);
  switch (score.outcome) {
    case Outcome::kStopped:
      // The run command's words for a stop.
      text += ", " + score.stopReason;
      break;
    case Outcome::kLost:
      text += " at tick " + std::to_string(score.ticks);
      break;
    case Outcome::kLoopsOnLine:
    case Outcome::kLoopsOffLine:
      text += " from tick " + std::to_string(score.ticks) + ", every " +
              std::to_string(score.loopPeriod) + " ticks";
      break;
    case Outcome::kHolds:
      break;
  }
  return text;
}

// The run from one start, watched also by `also` when given.
RunScore RunFrom(const Controller& controller, LineCourse& course, const SweepStart& start,
                 std::uint64_t ticks, RunObserver* also = nullptr) {
  TCar car = MakeCar(controller, course);
  car.SetPosition(start.x, start.y);
  return ScoreRun(car, course, ticks, also);
}

}  // namespace

Sweep::Sweep(const TBitmap& course, Controller controller, SweepOptions options,
             ForEachIndex forEach)
    : picture_(course),
      course_(course),
      controller_(std::move(controller)),
      options_(options),
      forEach_(std::move(forEach)),
      starts_(StartPoints(options_, controller_, course_)),
      results_(starts_.size()) {}

std::size_t Sweep::RunNext(std::size_t n, const std::function<void(std::size_t)>& progress) {
  const std::size_t first = done_;
  const std::size_t count = std::min(n, starts_.size() - first);
  std::function<void(std::size_t)> overall;
  if (progress) {
    overall = [&](std::size_t finished) { progress(first + finished); };
  }
  forEach_(
      count,
      [&](std::size_t i) {
        results_[first + i] = RunFrom(controller_, course_, starts_[first + i], options_.ticks);
      },
      overall);
  done_ = first + count;
  return done_;
}

std::vector<RunScore> Sweep::RunRange(std::size_t first, std::size_t count) {
  first = std::min(first, starts_.size());
  count = std::min(count, starts_.size() - first);
  std::vector<RunScore> results(count);
  forEach_(count,
           [&](std::size_t i) {
             results[i] = RunFrom(controller_, course_, starts_[first + i], options_.ticks);
           },
           {});
  return results;
}

std::size_t Sweep::Take(const std::vector<RunScore>& results) {
  if (results.size() > starts_.size() - done_) {
    throw Exception("more sweep results than starts");
  }
  std::copy(results.begin(), results.end(), results_.begin() + static_cast<std::ptrdiff_t>(done_));
  done_ += results.size();
  return done_;
}

std::string Sweep::Summary() const {
  std::array<std::size_t, kOutcomeCount> counts{};
  std::size_t worst = 0;
  for (std::size_t i = 0; i < done_; ++i) {
    ++counts[static_cast<std::size_t>(results_[i].outcome)];
    if (results_[i].score < results_[worst].score) {
      worst = i;
    }
  }
  std::string text =
      "starts=" + std::to_string(done_) + " ticks=" + std::to_string(options_.ticks) + "\n";
  for (std::size_t i = 0; i < kOutcomeCount; ++i) {
    const std::size_t n = counts[i];
    text += std::string(OutcomeName(static_cast<Outcome>(i))) + ": " + std::to_string(n) + " (" +
            FixedText(
                done_ == 0 ? 0.0 : 100.0 * static_cast<double>(n) / static_cast<double>(done_), 1) +
            "%)\n";
  }
  if (done_ > 0) {
    text += "worst: x=" + ExactText(starts_[worst].x) + " y=" + ExactText(starts_[worst].y) + " " +
            Ending(results_[worst]) + ", score " + FixedText(results_[worst].score, 1) + "\n";
  }
  return text;
}

TBitmap Sweep::Map() {
  SweepMap map(picture_);
  std::vector<Outcome> outcomes;
  outcomes.reserve(done_);
  std::size_t paths = 0;
  for (std::size_t i = 0; i < done_; ++i) {
    outcomes.push_back(results_[i].outcome);
    if (results_[i].outcome != Outcome::kHolds && paths < kMapPaths) {
      // Run again, this time drawing the path.
      RunFrom(controller_, course_, starts_[i], options_.ticks, &map.Path(results_[i].outcome));
      ++paths;
    }
  }
  return map.Finish(starts_, outcomes, options_.line ? 1 : std::max(options_.step, 1));
}

}  // namespace ormakin::studies
