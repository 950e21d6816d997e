#include "run_command.h"

#include <array>
#include <cinttypes>
#include <exception>
#include <memory>
#include <optional>

#include "car_run.h"
#include "cli_platform.h"
#include "errors.h"
#include "ini_file.h"
#include "path_picture.h"
#include "picture_file.h"
#include "rule_usage.h"
#include "trace_hash.h"
#include "trace_map.h"
#include "trace_writer.h"

namespace ormakin::cli {

namespace {

void PrintSummary(std::FILE* out, const RunResult& result, std::uint64_t hash, const TCar& car) {
  std::array<char, 32> x{};
  std::array<char, 32> y{};
  std::array<char, 32> direction{};
  std::snprintf(x.data(), x.size(), "%.17g", car.X());
  std::snprintf(y.data(), y.size(), "%.17g", car.Y());
  std::snprintf(direction.data(), direction.size(), "%.17g", car.Direction());
  std::fprintf(out,
               "ticks=%" PRIu64 " stopped=%s x=%s y=%s direction=%s state=%d loop_period=%" PRIu64
               " hash=%016" PRIx64 "\n",
               result.ticks, result.stopped ? "yes" : "no", x.data(), y.data(), direction.data(),
               static_cast<int>(car.State()), result.loopPeriod, hash);
}

}  // namespace

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
    std::optional<PathPicture> path;
    if (options.path) {
      const TBitmap* course = traceMap.CourseImage->Picture.Bitmap();
      path.emplace(course != nullptr ? *course : TBitmap());
    }
    RuleUsage usage;
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
      usage.Print(out, car.Settings());
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
    PrintSummary(out, result, hash.Value(), car);
    return kExitDone;
  });
}

}  // namespace ormakin::cli
