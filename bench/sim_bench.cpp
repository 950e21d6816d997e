// A headless run as a user starts it: the whole ormakin-sim process for one
// million ticks on a ring that the car follows for ever, beside the same
// number of bare TCar::Step calls in this process on the same course and
// settings. The difference is what the tool adds: process start, loading,
// the run's hash, loop search and rule counts, and the summary.
//
// Both are timed in wall-clock time: the child's CPU time is not this
// process's. So are the sweep and the search on the sample courses, with one
// thread, with two, and as two one-thread processes at once.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/car/bitmap_probe.h"
#include "core/car/car_run.h"
#include "core/car/trace_hash.h"
#include "core/window/trace_map.h"
#include "support/course_builder.h"
#include "support/recording_platform.h"
#include "support/temp_dir.h"

namespace {

using namespace ormakin;

constexpr std::uint64_t kTicks = 1000000;

// The ring course and the follower's settings, written once.
struct RingFiles {
  RingFiles()
      : course(dir.WriteFile("ring.bmp",
                             testing::LineCourseBmp(500, 400, testing::Ring(250, 200, 150, 1.5)))),
        settings(dir.WriteFile("ormakin.ini", testing::FollowerSettings(400, 200))) {}
  testing::TempDir dir;
  std::string course;
  std::string settings;
};

RingFiles& Files() {
  static RingFiles files;
  return files;
}

// A started run of the tool: its process and the pipe of its standard
// output.
struct Child {
  pid_t pid = 0;
  int output = -1;  // the pipe's read end; -1 when it could not be started
};

Child StartSim(const std::vector<std::string>& args) {
  std::array<int, 2> pipe{};
  if (::pipe(pipe.data()) != 0) {
    return {};
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipe[0]);
  posix_spawn_file_actions_addclose(&actions, pipe[1]);
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (const std::string& arg : args) {
    argv.push_back(const_cast<char*>(arg.c_str()));
  }
  argv.push_back(nullptr);
  Child child;
  const int spawned =
      ::posix_spawn(&child.pid, args[0].c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipe[1]);
  if (spawned != 0) {
    ::close(pipe[0]);
    return {};
  }
  child.output = pipe[0];
  return child;
}

// The child's standard output once it has ended, or an empty string when it
// could not be started or did not exit with status 0.
std::string FinishSim(const Child& child) {
  if (child.output < 0) {
    return {};
  }
  std::string output;
  std::array<char, 4096> buffer{};
  ssize_t got = 0;
  while ((got = ::read(child.output, buffer.data(), buffer.size())) > 0) {
    output.append(buffer.data(), static_cast<std::size_t>(got));
  }
  ::close(child.output);
  int status = 0;
  while (::waitpid(child.pid, &status, 0) < 0) {
    if (errno != EINTR) {
      return {};
    }
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    return {};
  }
  return output;
}

// Runs the tool once and returns its standard output, as FinishSim.
std::string RunSim(const std::vector<std::string>& args) {
  return FinishSim(StartSim(args));
}

// Runs `count` copies of the tool at once, each with its own arguments from
// `argsOf(copy)`, and returns their outputs in order. Their outputs are
// short, so reading them one after the other blocks none of them.
std::vector<std::string> RunSimsAtOnce(int count,
                                       const std::function<std::vector<std::string>(int)>& argsOf) {
  std::vector<Child> children;
  for (int copy = 0; copy < count; ++copy) {
    children.push_back(StartSim(argsOf(copy)));
  }
  std::vector<std::string> outputs;
  for (const Child& child : children) {
    outputs.push_back(FinishSim(child));
  }
  return outputs;
}

void BM_SimRun(benchmark::State& state) {
  const RingFiles& files = Files();
  const std::vector<std::string> args = {ORMAKIN_SIM_PATH,      "run",          files.course,
                                         "--settings",          files.settings, "--ticks",
                                         std::to_string(kTicks)};
  const std::string expected = "ticks=" + std::to_string(kTicks) + " stopped=no";
  for (auto _ : state) {
    const std::string output = RunSim(args);
    // A run that stopped early or failed would look fast and mean nothing.
    if (output.rfind(expected, 0) != 0) {
      state.SkipWithError(("unexpected output: " + output).c_str());
      break;
    }
  }
  state.counters["ticks_per_second"] = benchmark::Counter(
      static_cast<double>(state.iterations() * kTicks), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SimRun)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BareSteps(benchmark::State& state) {
  const RingFiles& files = Files();
  testing::RecordingPlatform platform;
  TTraceMap map(platform, files.settings);
  map.Create();
  platform.fileChoices.push_back(files.course);
  map.Dispatch(&TTraceMap::Open1Click);
  if (!map.Car || !platform.boxes.empty()) {
    state.SkipWithError("the course or the settings did not load");
    return;
  }
  for (auto _ : state) {
    // Each run starts at the start point heading down, as the tool's does:
    // the heading grows without bound while the car circles, and the sines
    // of a larger angle cost more.
    state.PauseTiming();
    platform.fileChoices.push_back(files.course);
    map.Dispatch(&TTraceMap::Open1Click);
    TCar& car = *map.Car;
    state.ResumeTiming();
    bool moving = true;
    for (std::uint64_t i = 0; i < kTicks; ++i) {
      moving = car.Step() && moving;
    }
    if (!moving) {
      state.SkipWithError("the car stopped");
      break;
    }
  }
  state.counters["ticks_per_second"] = benchmark::Counter(
      static_cast<double>(state.iterations() * kTicks), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_BareSteps)->Unit(benchmark::kMillisecond)->UseRealTime();

// The run as a sweep drives it: a car built from settings in memory, on a
// plain bitmap, no window, with the hash and the loop search.
void BM_CarRunInMemory(benchmark::State& state) {
  const RingFiles& files = Files();
  testing::RecordingPlatform boxes;
  const TIniFile ini(files.settings);
  const CarSettings settings = ReadCarSettings(ini, boxes);
  const StartPoint start = ReadStartPoint(ini);
  TPicture picture;
  picture.LoadFromFile(files.course);
  BitmapProbe course(*picture.Bitmap());
  for (auto _ : state) {
    TCar car(settings, course);
    car.PlaceAtStart(start);
    CarRun run(car);
    TraceHash hash;
    run.Observe(hash);
    run.SearchLoop(false);
    if (run.Run(kTicks).ticks != kTicks) {
      state.SkipWithError("the car stopped");
      break;
    }
    benchmark::DoNotOptimize(hash.Value());
  }
  state.counters["ticks_per_second"] = benchmark::Counter(
      static_cast<double>(state.iterations() * kTicks), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CarRunInMemory)->Unit(benchmark::kMillisecond)->UseRealTime();

// The sample courses and controller of the source tree.
std::string Example(const std::string& name) {
  return std::string(ORMAKIN_SOURCE_DIR) + "/examples/" + name;
}

// A sweep of 441 starts around the start point of 1-oval.bmp, 5000 ticks
// each, on state.range(0) threads. Every start holds the line there, so
// every start runs its 5000 ticks.
std::vector<std::string> SweepArgs(int jobs) {
  return {ORMAKIN_SIM_PATH,       "sweep",  Example("courses/1-oval.bmp"), "--settings",
          Example("ormakin.ini"), "--jobs", std::to_string(jobs)};
}
bool SweptAll(const std::string& output) {
  return output.find("holds the line: 441 ") != std::string::npos;
}

void BM_Sweep(benchmark::State& state) {
  const std::vector<std::string> args = SweepArgs(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    const std::string output = RunSim(args);
    if (!SweptAll(output)) {
      state.SkipWithError(("unexpected output: " + output).c_str());
      break;
    }
  }
  state.counters["ticks_per_second"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * 441 * 5000, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Sweep)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// Two independent one-thread sweeps at once: what the machine's two cores
// give two processes, the yardstick of one sweep on two threads. The time is
// that of the pair; the rate counts both.
void BM_SweepPair(benchmark::State& state) {
  for (auto _ : state) {
    const std::vector<std::string> outputs = RunSimsAtOnce(2, [](int) { return SweepArgs(1); });
    const auto wrong = std::find_if_not(outputs.begin(), outputs.end(), SweptAll);
    if (wrong != outputs.end()) {
      state.SkipWithError(("unexpected output: " + *wrong).c_str());
      break;
    }
  }
  state.counters["ticks_per_second"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * 2 * 441 * 5000, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SweepPair)->Unit(benchmark::kMillisecond)->UseRealTime();

// The search over the five sample courses from the bundled controller: 96
// controllers tried, each on every course, on `jobs` threads, writing into
// `out`. The process's start-up and the loading of the courses are in the
// time too, a few milliseconds.
constexpr int kTuneEvaluations = 96;
std::vector<std::string> TuneArgs(int jobs, const std::string& out) {
  std::vector<std::string> args = {ORMAKIN_SIM_PATH, "tune"};
  for (const char* course :
       {"1-oval.bmp", "2-bends.bmp", "3-eight.bmp", "4-gap-corner.bmp", "5-large.bmp"}) {
    args.push_back(Example(std::string("courses/") + course));
  }
  for (const std::string& arg :
       {std::string("--settings"), Example("ormakin.ini"), std::string("--evaluations"),
        std::to_string(kTuneEvaluations), std::string("--jobs"), std::to_string(jobs),
        std::string("--out"), out}) {
    args.push_back(arg);
  }
  return args;
}
bool Tuned(const std::string& output) {
  return output.rfind("evaluations=" + std::to_string(kTuneEvaluations), 0) == 0;
}

void BM_Tune(benchmark::State& state) {
  testing::TempDir dir;
  const std::vector<std::string> args =
      TuneArgs(static_cast<int>(state.range(0)), dir.PathOf("tuned.ini"));
  for (auto _ : state) {
    const std::string output = RunSim(args);
    if (!Tuned(output)) {
      state.SkipWithError(("unexpected output: " + output).c_str());
      break;
    }
  }
  state.counters["evaluations_per_second"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * kTuneEvaluations, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Tune)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// Two independent one-thread searches at once, each writing its own file:
// the yardstick of one search on two threads. The rate counts both.
void BM_TunePair(benchmark::State& state) {
  testing::TempDir dir;
  for (auto _ : state) {
    const std::vector<std::string> outputs = RunSimsAtOnce(2, [&](int copy) {
      return TuneArgs(1, dir.PathOf("tuned" + std::to_string(copy) + ".ini"));
    });
    const auto wrong = std::find_if_not(outputs.begin(), outputs.end(), Tuned);
    if (wrong != outputs.end()) {
      state.SkipWithError(("unexpected output: " + *wrong).c_str());
      break;
    }
  }
  state.counters["evaluations_per_second"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * 2 * kTuneEvaluations, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_TunePair)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
