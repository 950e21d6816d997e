#include "run_command.h"

#include <array>
#include <cinttypes>
#include <exception>
#include <memory>
#include <optional>

#include "cli_platform.h"
#include "errors.h"
#include "ini_file.h"
#include "loop_detector.h"
#include "path_picture.h"
#include "picture_file.h"
#include "rule_usage.h"
#include "trace_hash.h"
#include "trace_map.h"
#include "trace_writer.h"

namespace ormakin::cli {

namespace {

// What a run leaves behind for its summary.
struct RunResult {
  std::uint64_t ticks = 0;
  bool stopped = false;
  std::uint64_t loopPeriod = 0;
  std::uint64_t loopTick = 0;  // the tick on which the repetition was found
  std::uint64_t hash = 0;
};

// The car's rows, its hash and its loop search, one tick after the other.
// The optional outputs cost nothing per tick unless asked for.
RunResult Drive(TCar& car, const RunOptions& options, TraceWriter* trace, PathPicture* path,
                RuleUsage& usage) {
  RunResult result;
  TraceHash hash;
  hash.AddRow(car.X(), car.Y(), car.Direction(), car.SensorBits(), car.State());
  if (trace != nullptr) {
    trace->Row(0, car.X(), car.Y(), car.Direction(), car.SensorBits(), car.State());
  }
  if (path != nullptr) {
    path->MoveTo(car.X(), car.Y());
  }
  LoopDetector loop(CarState::Of(car.X(), car.Y(), car.Direction(), car.State()));

  while (result.ticks < options.ticks) {
    const std::int32_t state = car.State();
    if (!car.Step()) {
      result.stopped = true;
      break;
    }
    ++result.ticks;
    const double x = car.X();
    const double y = car.Y();
    const double direction = car.Direction();
    const std::int32_t bits = car.SensorBits();
    // Step applied the rule of the state before the tick and the fresh mask.
    usage.Count(state, bits);
    hash.AddRow(x, y, direction, bits, car.State());
    if (trace != nullptr) {
      trace->Row(result.ticks, x, y, direction, bits, car.State());
    }
    if (path != nullptr) {
      path->LineTo(x, y);
    }
    if (loop.Add(CarState::Of(x, y, direction, car.State()))) {
      result.loopTick = result.ticks;
      if (options.untilLoop) {
        break;
      }
    }
  }
  // A car whose state has no row does not move again, also when the tick
  // limit ended the run just before Step would have said so.
  const std::int32_t last = car.State();
  result.stopped = result.stopped || last < 1 || last > kStateCount;
  result.loopPeriod = loop.Period();
  result.hash = hash.Value();
  return result;
}

void PrintSummary(std::FILE* out, const RunResult& result, const TCar& car) {
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
               static_cast<int>(car.State()), result.loopPeriod, result.hash);
}

}  // namespace

int RunCommand(const RunOptions& options, std::FILE* out, std::FILE* err) {
  CliPlatform platform(options.course, err);
  TTraceMap traceMap(platform, options.settings ? *options.settings : SettingsFilePath());
  TraceMap = &traceMap;
  struct ClearGlobal {
    ~ClearGlobal() { TraceMap = nullptr; }
  } clearGlobal;

  // Start-up and the open command exactly as the window runs them: their
  // failures reach the error handler, which shows them through the platform.
  traceMap.Create();
  if (platform.Failed() || !traceMap.Car) {
    return kExitFailure;
  }
  traceMap.Dispatch(&TTraceMap::Open1Click);
  if (platform.Failed()) {
    return kExitFailure;
  }
  TCar& car = *traceMap.Car;

  try {
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
    const RunResult result =
        Drive(car, options, trace ? &*trace : nullptr, path ? &*path : nullptr, usage);
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
      usage.Print(out, *traceMap.IniFile);
    }
    if (result.loopPeriod != 0) {
      std::fprintf(out,
                   "loop: at tick %" PRIu64 " the car's state repeats the one of tick %" PRIu64
                   "; from there it cycles every %" PRIu64 " ticks\n",
                   result.loopTick, result.loopTick - result.loopPeriod, result.loopPeriod);
    }
    PrintSummary(out, result, car);
  } catch (...) {
    // Shown as the window's error handler shows a failure.
    std::fflush(out);
    traceMap.HandleException(std::current_exception());
    return kExitFailure;
  }
  return kExitDone;
}

}  // namespace ormakin::cli
