#include "cli/run_command.h"

#include <cinttypes>
#include <exception>
#include <memory>
#include <optional>

#include "cli/cli_platform.h"
#include "cli/picture_file.h"
#include "cli/trace_writer.h"
#include "core/base/errors.h"
#include "core/car/car_run.h"
#include "core/car/trace_hash.h"
#include "core/settings/ini_file.h"
#include "core/window/trace_map.h"
#include "studies/path_picture.h"
#include "studies/rule_usage.h"
#include "studies/run_summary.h"

namespace ormakin::cli {

int RunCommand(const RunOptions& options, std::FILE* out, std::FILE* err) {
  CliSession session(options.course, options.settings, err);
  TTraceMap& traceMap = session.Window();

  // Start-up and the open command exactly as the window runs them: their
  // failures reach the error handler, which shows them through the platform.
  if (!session.Open()) {
    return kExitFailure;
  }
  TCar& car = *traceMap.Car;

  return session.Run(out, [&] {
    std::optional<TraceWriter> trace;
    if (options.trace) {
      trace.emplace(*options.trace);
    }
    std::optional<studies::PathPicture> path;
    if (options.path) {
      const TBitmap* course = traceMap.CourseImage->Picture.Bitmap();
      path.emplace(course != nullptr ? *course : TBitmap());
    }
    studies::RuleUsage usage;
    TraceHash hash;
    CarRun run(car);
    run.Observe(hash);
    run.Observe(usage);
    if (trace) {
      run.Observe(*trace);
    }
    if (path) {
      run.Observe(*path);
    }
    run.SearchLoop(options.untilLoop);
    const RunResult result = run.Run(options.ticks);
    if (trace) {
      trace->Close();
    }
    if (options.frame) {
      const TBitmap* course = traceMap.CourseImage->Picture.Bitmap();
      if (course != nullptr && static_cast<std::uint64_t>(course->Width()) *
                                       static_cast<std::uint64_t>(course->Height()) * 4 >
                                   PixelStore::kMaxBytes) {
        // The frame is drawn in full colour: refused before anything is allocated.
        throw Exception("the course is too large for a picture of its frame (" +
                        std::to_string(course->Width()) + " x " + std::to_string(course->Height()) +
                        " pixels)");
      }
      WritePicture(traceMap.ComposeFullFrame(), *options.frame);
    }
    if (path) {
      WritePicture(path->Finish(car), *options.path);
    }
    if (options.rules) {
      std::fputs(usage.Table(car.Settings()).c_str(), out);
    }
    if (result.loopPeriod != 0) {
      std::fprintf(out,
                   "loop: at tick %" PRIu64 " the car's state repeats the one of tick %" PRIu64
                   "; from there it cycles every %" PRIu64 " ticks\n",
                   result.loopTick, result.loopTick - result.loopPeriod, result.loopPeriod);
    }
    if (result.stopped) {
      std::fprintf(out, "%s\n", result.stopReason.c_str());
    }
    std::fprintf(out, "%s\n", studies::RunSummaryLine(result, hash.Value(), car).c_str());
    return kExitDone;
  });
}

}  // namespace ormakin::cli
