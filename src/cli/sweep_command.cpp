#include "sweep_command.h"

#include <array>
#include <cinttypes>
#include <exception>

#include "cli_platform.h"
#include "controller.h"
#include "errors.h"
#include "job_pool.h"
#include "line_course.h"
#include "picture_file.h"
#include "progress_bar.h"
#include "run_command.h"
#include "run_score.h"
#include "sweep_map.h"
#include "trace_map.h"

namespace ormakin::cli {

namespace {

// The paths of this many failed starts, the first in start order, are drawn
// on the map.
constexpr std::size_t kMapPaths = 3;

std::vector<SweepStart> StartPoints(const SweepOptions& options, const Controller& controller,
                                    const LineCourse& course) {
  std::vector<SweepStart> starts;
  if (options.line) {
    // Every step-th line pixel, row after row.
    std::uint64_t seen = 0;
    for (int y = 0; y < course.Height(); ++y) {
      for (int x = 0; x < course.Width(); ++x) {
        if (course.OnLine(x, y) && seen++ % static_cast<std::uint64_t>(options.step) == 0) {
          starts.push_back({static_cast<double>(x), static_cast<double>(y)});
        }
      }
    }
    return starts;
  }
  const int reach = options.around / options.step * options.step;
  for (int dy = -reach; dy <= reach; dy += options.step) {
    for (int dx = -reach; dx <= reach; dx += options.step) {
      starts.push_back({controller.start.x + dx, controller.start.y + dy});
    }
  }
  return starts;
}

std::string Number(double value) {
  std::array<char, 32> text{};
  std::snprintf(text.data(), text.size(), "%.17g", value);
  return text.data();
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

void PrintSummary(std::FILE* out, const std::vector<SweepStart>& starts,
                  const std::vector<RunScore>& results, std::uint64_t ticks) {
  std::array<std::size_t, kOutcomeCount> counts{};
  std::size_t worst = 0;
  for (std::size_t i = 0; i < results.size(); ++i) {
    ++counts[static_cast<std::size_t>(results[i].outcome)];
    if (results[i].score < results[worst].score) {
      worst = i;
    }
  }
  std::fprintf(out, "starts=%zu ticks=%" PRIu64 "\n", starts.size(), ticks);
  for (std::size_t i = 0; i < kOutcomeCount; ++i) {
    const std::size_t n = counts[i];
    std::fprintf(out, "%s: %zu (%.1f%%)\n", OutcomeName(static_cast<Outcome>(i)), n,
                 starts.empty() ? 0.0 : 100.0 * static_cast<double>(n) / starts.size());
  }
  if (!results.empty()) {
    std::fprintf(out, "worst: x=%s y=%s %s, score %.1f\n", Number(starts[worst].x).c_str(),
                 Number(starts[worst].y).c_str(), Ending(results[worst]).c_str(),
                 results[worst].score);
  }
}

}  // namespace

int SweepCommand(const SweepOptions& options, std::FILE* out, std::FILE* err) {
  CliSession session(options.course, options.settings, err);
  TTraceMap& traceMap = session.Window();
  if (!session.Open()) {
    return kExitFailure;
  }

  return session.Run(out, [&] {
    const TBitmap* picture = traceMap.CourseImage->Picture.Bitmap();
    if (picture == nullptr) {
      // An icon or a metafile: the car's first probe would fail so.
      throw EInvalidOperation(kBitmapOnlyMessage);
    }
    // Shared by every run: probing it changes nothing.
    LineCourse course(*picture);
    const Controller controller = Controller::Read(*traceMap.IniFile, *traceMap.Car);
    const std::vector<SweepStart> starts = StartPoints(options, controller, course);

    std::vector<RunScore> results(starts.size());
    ProgressBar bar(err);
    ParallelFor(
        starts.size(), options.jobs,
        [&](std::size_t i) {
          TCar car = MakeCar(controller, course);
          car.SetPosition(starts[i].x, starts[i].y);
          results[i] = ScoreRun(car, course, options.ticks);
        },
        [&](std::size_t done) {
          bar.Show(static_cast<double>(done) / static_cast<double>(starts.size()),
                   std::to_string(done) + " of " + std::to_string(starts.size()) + " starts");
        });
    bar.Clear();

    if (options.map) {
      SweepMap map(*picture);
      std::vector<Outcome> outcomes;
      outcomes.reserve(results.size());
      std::size_t paths = 0;
      for (std::size_t i = 0; i < results.size(); ++i) {
        outcomes.push_back(results[i].outcome);
        if (results[i].outcome != Outcome::kHolds && paths < kMapPaths) {
          // Run again, this time drawing the path.
          TCar car = MakeCar(controller, course);
          car.SetPosition(starts[i].x, starts[i].y);
          ScoreRun(car, course, options.ticks, &map.Path(results[i].outcome));
          ++paths;
        }
      }
      WritePicture(map.Finish(starts, outcomes, options.line ? 1 : options.step), *options.map);
    }
    PrintSummary(out, starts, results, options.ticks);
    return kExitDone;
  });
}

}  // namespace ormakin::cli
