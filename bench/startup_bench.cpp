// Start-up of the window program and its memory with a large course.
//
// The window program reads no command line, so this benchmark carries a copy
// of its entry: run with kChildFlag, it builds exactly what the program's
// main() builds (application, platform, TTraceMap over a settings file, main
// window, Create, show) and reports through a pipe once the window is
// exposed. The parent spawns that child on the offscreen platform:
//  - BM_StartupToWindow: wall-clock time from before the spawn to the report,
//    beside BM_BareQtWindow, the same for an empty Qt main window;
//  - BM_PeakRssEmpty / BM_PeakRssCourse: the child's peak resident memory
//    after the open command, cancelled or with a 4000 x 4000 course, beside
//    the size of that course's pixel store.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QMainWindow>
#include <QTimer>
#include <QWindow>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings/decimal_mark.h"
#include "core/window/trace_map.h"
#include "gui/app.h"
#include "gui/image_widget.h"
#include "gui/main_window.h"
#include "support/bmp_builder.h"
#include "support/course_builder.h"
#include "support/temp_dir.h"

namespace {

using namespace ormakin;

constexpr const char* kChildFlag = "--startup-bench-child";
// The child writes its report to this descriptor.
constexpr int kReportFd = 9;
constexpr int kCourseSide = 4000;

// The real platform, except that the file dialog answers with a fixed name
// (or a cancel) and a box is recorded instead of shown: a modal box on the
// offscreen platform would wait for ever.
class BenchPlatform : public QtPlatform {
 public:
  explicit BenchPlatform(std::optional<std::string> course) : course_(std::move(course)) {}

  std::optional<std::string> ChooseFile(const std::string& /*filter*/,
                                        const std::string& /*lastName*/) override {
    return course_;
  }
  int ShowMessageBox(const std::string& text, const std::string& /*caption*/,
                     MessageBoxFlags /*flags*/) override {
    boxes_.push_back(text);
    return 1;
  }
  const std::vector<std::string>& Boxes() const { return boxes_; }

 private:
  std::optional<std::string> course_;
  std::vector<std::string> boxes_;
};

// The process's peak resident memory in bytes: VmHWM of /proc/self/status,
// the high-water mark of this process's own address space. (getrusage's
// ru_maxrss would not do: a child started by posix_spawn shares the parent's
// address space until exec, and exec carries that peak over into the
// child's ru_maxrss.)
long long PeakResidentBytes() {
  std::FILE* status = std::fopen("/proc/self/status", "r");
  if (status == nullptr) {
    return 0;
  }
  std::array<char, 256> line{};
  long long kib = 0;
  while (std::fgets(line.data(), line.size(), status) != nullptr) {
    if (std::sscanf(line.data(), "VmHWM: %lld kB", &kib) == 1) {
      break;
    }
  }
  std::fclose(status);
  return kib * 1024;
}

void Report(const std::string& line) {
  const std::string text = line + "\n";
  [[maybe_unused]] const ssize_t written = ::write(kReportFd, text.data(), text.size());
}

// Calls `onShown` once the window system first says `window` can be seen.
// A window that is not shown within kGiveUpMs ends the child with status 3,
// so that the benchmark reports a failure instead of waiting for ever.
constexpr int kGiveUpMs = 30000;

template <typename OnShown>
void WhenExposed(QWidget& window, QTimer& poll, OnShown onShown) {
  QTimer::singleShot(kGiveUpMs, [] { std::_Exit(3); });
  poll.setInterval(0);
  QObject::connect(&poll, &QTimer::timeout, [&window, &poll, onShown] {
    const QWindow* handle = window.windowHandle();
    if (handle == nullptr || !handle->isExposed()) {
      return;
    }
    poll.stop();
    onShown();
  });
  poll.start();
}

// The reference: the least a Qt program does to show a window, an empty
// main window of the same size.
int BareWindow() {
  QMainWindow window;
  window.resize(519, 411);
  window.show();
  QTimer poll;
  WhenExposed(window, poll, [&] {
    Report("shown");
    window.close();
  });
  return QApplication::exec();
}

// The child: argv = program, kChildFlag, mode ("time", "empty" or "course"),
// settings path, course path.
int ChildMain(int argc, char* argv[]) {
  if (argc < 5) {
    return 2;
  }
  const std::string mode = argv[2];
  const std::string settings = argv[3];
  const std::string course = argv[4];
  int qtArgc = 1;
  std::array<char*, 2> qtArgv = {argv[0], nullptr};

  QApplication app(qtArgc, qtArgv.data());
  if (mode == "qt") {
    return BareWindow();
  }

  // From here on, what the program's entry does.
  QCoreApplication::setApplicationName(QString::fromUtf8(kApplicationTitle));
  RefreshDecimalMark();

  BenchPlatform platform(mode == "course" ? std::optional<std::string>(course) : std::nullopt);
  TTraceMap traceMap(platform, settings);
  TraceMap = &traceMap;

  MainWindow window(traceMap);
  platform.SetWindow(&window, window.Image1());
  traceMap.Create();
  window.show();

  QTimer poll;
  WhenExposed(window, poll, [&] {
    if (mode == "time") {
      Report("shown");
    } else {
      // The open command as the menu runs it; then the frame is painted.
      traceMap.Dispatch(&TTraceMap::Open1Click);
      QCoreApplication::processEvents();
      const TBitmap* bitmap =
          traceMap.CourseImage ? traceMap.CourseImage->Picture.Bitmap() : nullptr;
      const std::size_t store =
          bitmap != nullptr && bitmap->Store() != nullptr ? bitmap->Store()->Size() : 0;
      Report("rss " + std::to_string(PeakResidentBytes()) + " store " + std::to_string(store) +
             " boxes " + std::to_string(platform.Boxes().size()));
    }
    window.close();
  });
  QApplication::exec();

  TraceMap = nullptr;
  return 0;
}

// The settings file and the large course, written once.
struct StartupFiles {
  StartupFiles()
      : settings(dir.WriteFile("ormakin.ini", testing::FollowerSettings(400, 200))),
        course(dir.WriteFile(
            "course.bmp", testing::AsString(testing::BuildCourse(kCourseSide, kCourseSide, 24)))) {}
  testing::TempDir dir;
  std::string settings;
  std::string course;
};

StartupFiles& Files() {
  static StartupFiles files;
  return files;
}

std::string SelfPath() {
  std::array<char, 4096> path{};
  const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
  return length > 0 ? std::string(path.data(), static_cast<std::size_t>(length)) : std::string();
}

// Spawns the child in `mode`, calls `onReport` with the first line it
// writes, and waits for it. False when it could not start, wrote nothing or
// failed.
template <typename OnReport>
bool RunChild(const std::string& mode, OnReport onReport) {
  const StartupFiles& files = Files();
  const std::vector<std::string> args = {SelfPath(), kChildFlag, mode, files.settings,
                                         files.course};
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (const std::string& arg : args) {
    argv.push_back(const_cast<char*>(arg.c_str()));
  }
  argv.push_back(nullptr);

  std::array<int, 2> pipe{};
  if (::pipe2(pipe.data(), O_CLOEXEC) != 0) {
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe[1], kReportFd);
  // Qt's notes about the session (no runtime directory and the like) are not
  // the benchmark's output.
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);

  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int spawned = ::posix_spawn(&pid, args[0].c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipe[1]);
  std::string line;
  if (spawned == 0) {
    char c = 0;
    while (::read(pipe[0], &c, 1) == 1 && c != '\n') {
      line.push_back(c);
    }
  }
  const auto end = std::chrono::steady_clock::now();
  ::close(pipe[0]);
  if (spawned != 0) {
    return false;
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) {
      return false;
    }
  }
  if (line.empty() || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    return false;
  }
  onReport(line, std::chrono::duration<double>(end - start).count());
  return true;
}

// Wall-clock time from before the spawn to the child's report.
void TimeToWindow(benchmark::State& state, const std::string& mode) {
  for (auto _ : state) {
    double elapsed = 0;
    if (!RunChild(mode, [&](const std::string&, double seconds) { elapsed = seconds; })) {
      state.SkipWithError("the window did not show");
      break;
    }
    state.SetIterationTime(elapsed);
  }
}

void BM_StartupToWindow(benchmark::State& state) {
  TimeToWindow(state, "time");
}
void BM_BareQtWindow(benchmark::State& state) {
  TimeToWindow(state, "qt");
}
BENCHMARK(BM_StartupToWindow)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_BareQtWindow)->Unit(benchmark::kMillisecond)->UseManualTime();

// One child per iteration; the counters hold the last child's figures.
void PeakRss(benchmark::State& state, const std::string& mode) {
  long long rss = 0;
  long long store = 0;
  long long boxes = 0;
  for (auto _ : state) {
    const bool ran = RunChild(mode, [&](const std::string& line, double) {
      std::sscanf(line.c_str(), "rss %lld store %lld boxes %lld", &rss, &store, &boxes);
    });
    if (!ran || boxes != 0 || (mode == "course" && store == 0)) {
      state.SkipWithError("the window program did not open the course");
      break;
    }
  }
  state.counters["peak_rss_bytes"] = static_cast<double>(rss);
  state.counters["store_bytes"] = static_cast<double>(store);
}

void BM_PeakRssEmpty(benchmark::State& state) {
  PeakRss(state, "empty");
}
void BM_PeakRssCourse(benchmark::State& state) {
  PeakRss(state, "course");
}
BENCHMARK(BM_PeakRssEmpty)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PeakRssCourse)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char* argv[]) {
  if (argc >= 2 && std::string_view(argv[1]) == kChildFlag) {
    return ChildMain(argc, argv);
  }
  // The child needs no display.
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
