#include "core/window/trace_map.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "core/base/errors.h"
#include "core/car/run_tally.h"
#include "core/extended/precision_control.h"
#include "core/extended/x87.h"
#include "support/course_builder.h"
#include "support/recording_platform.h"
#include "support/temp_dir.h"

namespace ormakin {
namespace {

using testing::LineCourseBmp;
using testing::RecordingPlatform;
using testing::TempDir;

constexpr const char* kErrorCaption = "Ormakin";

// A window over a settings file of the test's own, driven through the same
// catching points as the real window.
struct Window : ::testing::Test {
  void Start(const std::string& settings) {
    dir.WriteFile("ormakin.ini", settings);
    map = std::make_unique<TTraceMap>(platform, dir.PathOf("ormakin.ini"));
    map->Create();
  }
  std::string Course(const std::string& name, int w, int h,
                     const std::function<bool(int, int)>& line) {
    return dir.WriteFile(name, LineCourseBmp(w, h, line));
  }
  void Choose(const std::string& path) { platform.fileChoices.push_back(path); }
  void Run(void (TTraceMap::*command)()) { map->Dispatch(command); }
  TColor FramePixel(int x, int y) { return map->Image1.Picture.Bitmap()->GetPixel(x, y); }

  TempDir dir;
  RecordingPlatform platform;
  std::unique_ptr<TTraceMap> map;
};

// A car that goes straight down two pixels a tick for `ticks` ticks, then stops.
std::string StraightDown(int ticks) {
  std::string s = "[car]\ninit_x=50\ninit_y=10\n[state]\n";
  for (int i = 1; i < ticks; ++i) {
    s += std::to_string(i) + "-0=0,2," + std::to_string(i + 1) + "\n";
  }
  s += std::to_string(ticks) + "-0=0,2,0\n";
  return s;
}

auto White = [](int, int) { return false; };

// --- Start-up ---------------------------------------------------------------

TEST_F(Window, CreationMakesTheThreeObjectsSilently) {
  Start("");
  EXPECT_NE(map->IniFile, nullptr);
  EXPECT_EQ(map->IniFile->Path, dir.PathOf("ormakin.ini"));
  ASSERT_NE(map->CourseImage, nullptr);
  EXPECT_EQ(map->CourseImage->Width, 500);
  EXPECT_EQ(map->CourseImage->Height, 400);
  EXPECT_EQ(map->CourseImage->Picture.GetKind(), TPicture::Kind::None);
  ASSERT_NE(map->Car, nullptr);
  EXPECT_FALSE(map->Running);
  EXPECT_TRUE(platform.boxes.empty());
}

TEST_F(Window, ConversionErrorAtCreationIsReportedOnceAndLeavesNoCar) {
  Start("[state]\n1-0=x,1,1\n1-1=abc\n");
  ASSERT_EQ(platform.boxes.size(), 1u);
  EXPECT_EQ(platform.boxes[0].text, "'x' は浮動小数点数ではありません.");
  EXPECT_EQ(platform.boxes[0].caption, kErrorCaption);
  EXPECT_EQ(platform.boxes[0].flags, MessageBoxFlags::OkWithErrorIcon);
  EXPECT_NE(map->IniFile, nullptr);
  EXPECT_NE(map->CourseImage, nullptr);
  EXPECT_EQ(map->Car, nullptr);

  // Without a car, Open still shows the course and Start does nothing.
  Choose(Course("c.bmp", 20, 10, [](int x, int) { return x == 3; }));
  Run(&TTraceMap::Open1Click);
  ASSERT_NE(map->Image1.Picture.Bitmap(), nullptr);
  EXPECT_EQ(FramePixel(3, 0), clBlack);
  EXPECT_EQ(FramePixel(4, 0), clWhite);
  const auto boxes = platform.boxes.size();
  Run(&TTraceMap::N3Click);
  EXPECT_EQ(platform.boxes.size(), boxes);
  EXPECT_FALSE(map->Running);
}

TEST_F(Window, ConversionErrorShowsACodePage932PartDecoded) {
  // A full-width one (0x82 0x50) in code page 932, in each kind of part.
  const std::pair<const char*, const char*> cases[] = {
      {"[state]\n1-0=\x82\x50,1,1\n", "'１' は浮動小数点数ではありません."},
      {"[state]\n1-0=1,1,\x82\x50\n", "'１' は整数ではありません."},
  };
  for (const auto& [settings, text] : cases) {
    platform.boxes.clear();
    Start(settings);
    ASSERT_EQ(platform.boxes.size(), 1u);
    EXPECT_EQ(platform.boxes[0].text, text);
  }
}

// --- The error box ----------------------------------------------------------

TEST(ErrorBoxText, PeriodFollowsTextsThatEndAboveTheDot) {
  const std::pair<std::string, std::string> cases[] = {
      {"abc", "abc."},
      {"ends.", "ends."},
      {"blank ", "blank "},
      {"line\n", "line\n"},
      {"", ""},
      {"ファイル x は開けません", "ファイル x は開けません."},
      {"7", "7."},
      {"-", "-"},
      {"/", "/."},
      {"Win32 エラー。コード : 5.\n", "Win32 エラー。コード : 5.\n"},
  };
  for (const auto& [text, shown] : cases) {
    EXPECT_EQ(WithFinalPeriod(text), shown) << text;
  }
}

TEST_F(Window, AbortIsSilentAndEveryOtherFailureGetsAnErrorBox) {
  Start("");
  map->HandleException(std::make_exception_ptr(EAbort("quiet")));
  EXPECT_TRUE(platform.boxes.empty());
  EXPECT_EQ(platform.captureCancels, 1);
  map->HandleException(std::make_exception_ptr(EReadError()));
  ASSERT_EQ(platform.boxes.size(), 1u);
  EXPECT_EQ(platform.boxes[0].text, "ストリームからの読み込みエラー.");
  EXPECT_EQ(platform.boxes[0].flags, MessageBoxFlags::OkWithErrorIcon);
}

// --- Commands ---------------------------------------------------------------

TEST_F(Window, StartBeforeAnyCourseAsksForOne) {
  Start(StraightDown(3));
  Run(&TTraceMap::N3Click);
  Run(&TTraceMap::Open1Click);  // cancelled
  Run(&TTraceMap::N3Click);
  ASSERT_EQ(platform.boxes.size(), 2u);
  for (const auto& box : platform.boxes) {
    EXPECT_EQ(box.text, "コースデータを指定してください");
    EXPECT_EQ(box.caption, "Ormakin");
    EXPECT_EQ(box.flags, MessageBoxFlags::Ok);
  }
  EXPECT_EQ(map->Car->State(), 1);
}

TEST_F(Window, OpenPlacesTheCarAndShowsTheFirstFrame) {
  Start(StraightDown(3));
  Choose(Course("c.bmp", 100, 60, White));
  Run(&TTraceMap::Open1Click);
  EXPECT_EQ(platform.lastFilter, "コースデータ|*.bmp");
  EXPECT_EQ(map->OpenDialog1.FileName, dir.PathOf("c.bmp"));
  EXPECT_TRUE(map->StopRequested);
  EXPECT_EQ(platform.pauses, std::vector<int>{70});
  EXPECT_EQ(map->Car->X(), 50.0);
  EXPECT_EQ(map->Car->Y(), 10.0);
  EXPECT_EQ(map->Car->Direction(), 4.71238898038469);
  EXPECT_EQ(map->Car->Speed(), 1.0);
  // The car's body is drawn on the frame, never on the course.
  EXPECT_EQ(FramePixel(50, 10), clBlue);
  EXPECT_EQ(map->CourseImage->Picture.Bitmap()->GetPixel(50, 10), clWhite);
  EXPECT_GT(platform.invalidations, 0);
  // The dialog offers the last confirmed name next time.
  Run(&TTraceMap::Open1Click);
  EXPECT_EQ(platform.lastOfferedName, dir.PathOf("c.bmp"));
}

TEST_F(Window, RunEndsAfterTheStopTickIsDrawnAndPaused) {
  Start(StraightDown(3));
  Choose(Course("c.bmp", 100, 60, White));
  Run(&TTraceMap::Open1Click);
  platform.events.clear();
  platform.pauses.clear();
  bool runningInside = false;
  platform.whenIdle = [&] { runningInside = map->Running; };
  Run(&TTraceMap::N3Click);
  EXPECT_TRUE(runningInside);
  EXPECT_FALSE(map->Running);
  // Three ticks that move, one that reports the stop; each is followed by
  // message processing and the pause.
  EXPECT_EQ(platform.pauses.size(), 4u);
  EXPECT_EQ(map->Car->Y(), 16.0);
  EXPECT_EQ(map->Car->State(), 0);
  EXPECT_EQ(platform.events.front(), "process");  // the first tick follows at once
  EXPECT_EQ(platform.events.back(), "pause");

  // A stopped car stays stopped: Start runs one tick that does not move it.
  platform.pauses.clear();
  Run(&TTraceMap::N3Click);
  EXPECT_EQ(platform.pauses.size(), 1u);
  EXPECT_EQ(map->Car->Y(), 16.0);
}

TEST_F(Window, EachFrameShowsTheCarAfterItsTick) {
  Start(StraightDown(3));
  Choose(Course("c.bmp", 100, 60, White));
  Run(&TTraceMap::Open1Click);
  // The centre marker is the 4 x 4 square around the probe 10 pixels below
  // the car: its last row is the car's y + 11.
  std::vector<int> lastRows;
  platform.whenIdle = [&] {
    const int y = static_cast<int>(map->Car->Y());
    EXPECT_EQ(FramePixel(50, y + 11), clRed) << y;
    EXPECT_EQ(FramePixel(50, y + 12), clWhite) << y;
    lastRows.push_back(y + 11);
  };
  Run(&TTraceMap::N3Click);
  EXPECT_EQ(lastRows, (std::vector<int>{23, 25, 27, 27}));
}

TEST_F(Window, StopAndStartDuringARun) {
  Start(StraightDown(10));
  Choose(Course("c.bmp", 100, 60, White));
  Run(&TTraceMap::Open1Click);

  // Stop while idle has no effect: the next Start clears it.
  Run(&TTraceMap::N4Click);
  int ticks = 0;
  platform.whenIdle = [&] {
    ++ticks;
    if (ticks == 1) {
      Run(&TTraceMap::N3Click);  // a second Start inside the run: nothing
    }
    if (ticks == 3) {
      Run(&TTraceMap::N4Click);
    }
  };
  Run(&TTraceMap::N3Click);
  EXPECT_EQ(ticks, 3);
  EXPECT_EQ(map->Car->Y(), 16.0);
  EXPECT_EQ(map->Car->State(), 4);
  EXPECT_FALSE(map->Running);

  // Start again: the car goes on from where it stopped, in the state reached.
  ticks = 0;
  platform.whenIdle = nullptr;
  Run(&TTraceMap::N3Click);
  EXPECT_EQ(map->Car->Y(), 30.0);
  EXPECT_EQ(map->Car->State(), 0);
}

TEST_F(Window, OpenDuringARunEndsItWithoutAFurtherTick) {
  Start(StraightDown(10));
  const std::string first = Course("a.bmp", 100, 60, White);
  const std::string second = Course("b.bmp", 120, 80, [](int x, int) { return x == 0; });
  Choose(first);
  Run(&TTraceMap::Open1Click);
  int ticks = 0;
  platform.whenIdle = [&] {
    if (++ticks == 2) {
      platform.whenIdle = nullptr;
      Choose(second);
      Run(&TTraceMap::Open1Click);
    }
  };
  Run(&TTraceMap::N3Click);
  EXPECT_EQ(ticks, 2);
  EXPECT_FALSE(map->Running);
  EXPECT_EQ(map->Car->Y(), 10.0);   // placed again, not moved since
  EXPECT_EQ(map->Car->State(), 3);  // the controller state is left alone
  EXPECT_EQ(map->CourseImage->Picture.Bitmap()->Width(), 120);
  EXPECT_EQ(FramePixel(0, 70), clBlack);
}

TEST_F(Window, OpeningAMissingFileKeepsThePreviousFrameAndAllowsStart) {
  Start(StraightDown(2));
  Choose(Course("a.bmp", 100, 60, [](int x, int) { return x == 1; }));
  Run(&TTraceMap::Open1Click);
  const TBitmap* frame = map->Image1.Picture.Bitmap();
  const std::string missing = dir.PathOf("gone.bmp");
  Choose(missing);
  Run(&TTraceMap::Open1Click);
  ASSERT_EQ(platform.boxes.size(), 1u);
  EXPECT_EQ(platform.boxes[0].text, "ファイル " + missing + " は開けません.");
  EXPECT_EQ(platform.boxes[0].flags, MessageBoxFlags::OkWithErrorIcon);
  EXPECT_EQ(map->Image1.Picture.Bitmap(), frame);
  EXPECT_EQ(map->CourseImage->Picture.Bitmap()->GetPixel(1, 0), clBlack);
  Run(&TTraceMap::N3Click);
  EXPECT_EQ(map->Car->Y(), 14.0);
}

TEST_F(Window, OverflowingStartPointEndsOpenBeforeTheCarIsPlaced) {
  Start("[car]\ninit_x=2E500\n");
  Choose(Course("a.bmp", 100, 60, White));
  Run(&TTraceMap::Open1Click);
  ASSERT_EQ(platform.boxes.size(), 1u);
  EXPECT_EQ(platform.boxes[0].text, "浮動小数点数のオーバーフロー.");
  EXPECT_EQ(map->Car->Speed(), 0.0);
  EXPECT_EQ(map->CourseImage->Picture.GetKind(), TPicture::Kind::None);
  EXPECT_TRUE(map->StopRequested);
}

TEST_F(Window, StartOnACourseThatNeverLoadedRunsOnAWhiteField) {
  Start("[state]\n1-0=0,1,0\n");
  Choose(dir.PathOf("gone.bmp"));
  Run(&TTraceMap::Open1Click);
  Run(&TTraceMap::N3Click);
  ASSERT_EQ(map->CourseImage->Picture.GetKind(), TPicture::Kind::Bitmap);
  const TBitmap* course = map->CourseImage->Picture.Bitmap();
  EXPECT_EQ(course->Width(), 500);
  EXPECT_EQ(course->Height(), 400);
  EXPECT_EQ(course->GetPixel(0, 0), clWhite);
  EXPECT_EQ(map->Image1.Picture.Bitmap()->Width(), 500);
}

TEST_F(Window, FailureInsideATickClearsRunningBeforeTheBox) {
  Start(StraightDown(5));
  // An icon course: the open command fails in Redraw, the first probe of a
  // run fails too.
  std::string icon("\0\0\1\0\1\0", 6);
  icon += std::string("\x01\x01\x00\x00\x01\x00\x20\x00", 8);
  std::string dib(40, '\0');
  dib[0] = 40;
  dib[4] = 1;
  dib[8] = 2;
  dib[12] = 1;
  dib[14] = 32;
  dib += std::string(4, '\0') + std::string(4, '\0');  // one pixel, one mask row
  const auto putLe = [](std::string& s, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  };
  putLe(icon, static_cast<std::uint32_t>(dib.size()));
  putLe(icon, 22);
  icon += dib;
  Choose(dir.WriteFile("c.ico", icon));
  Run(&TTraceMap::Open1Click);
  ASSERT_EQ(platform.boxes.size(), 1u);
  EXPECT_EQ(platform.boxes[0].text, std::string(kBitmapOnlyMessage) + ".");
  EXPECT_EQ(map->Image1.Picture.GetKind(), TPicture::Kind::Icon);
  bool runningAtBox = true;
  platform.onBox = [&](const auto&) { runningAtBox = map->Running; };
  Run(&TTraceMap::N3Click);
  ASSERT_EQ(platform.boxes.size(), 2u);
  EXPECT_EQ(platform.boxes[1].text, std::string(kBitmapOnlyMessage) + ".");
  EXPECT_FALSE(runningAtBox);
  EXPECT_EQ(map->Car->State(), 1);
}

TEST_F(Window, AboutBox) {
  Start("");
  Run(&TTraceMap::About2Click);
  ASSERT_EQ(platform.boxes.size(), 1u);
  EXPECT_EQ(platform.boxes[0].text.rfind("Ormakin Ver 1.1\r\n", 0), 0u);
  EXPECT_EQ(platform.boxes[0].text.find('\n', 17), std::string::npos);
  EXPECT_EQ(platform.boxes[0].caption, "About");
  EXPECT_EQ(platform.boxes[0].flags, MessageBoxFlags::Ok);
}

// --- Closing ----------------------------------------------------------------

TEST_F(Window, ClosingDuringARunEndsItWithoutTouchingTheFreedObjects) {
  Start(StraightDown(10));
  Choose(Course("a.bmp", 100, 60, White));
  Run(&TTraceMap::Open1Click);
  int ticks = 0;
  int invalidationsAtClose = 0;
  platform.whenIdle = [&] {
    if (++ticks == 2) {
      Run(&TTraceMap::Exit1Click);
      invalidationsAtClose = platform.invalidations;
    }
  };
  Run(&TTraceMap::N3Click);
  EXPECT_EQ(ticks, 3);  // two ticks, and the close query's own processing
  EXPECT_TRUE(map->Closed());
  EXPECT_EQ(map->Car, nullptr);
  EXPECT_EQ(map->CourseImage, nullptr);
  EXPECT_EQ(map->IniFile, nullptr);
  EXPECT_FALSE(map->Running);
  EXPECT_EQ(platform.invalidations, invalidationsAtClose);  // no frame after the close
  EXPECT_EQ(platform.terminations, 1);

  // Input that was waiting when the window closed does nothing.
  Run(&TTraceMap::N3Click);
  Run(&TTraceMap::Open1Click);
  Run(&TTraceMap::Exit1Click);
  EXPECT_EQ(platform.terminations, 1);
  EXPECT_TRUE(platform.boxes.empty());
}

TEST_F(Window, CloseFromInsideTheOpenCommandStopsIt) {
  Start(StraightDown(3));
  Choose(Course("a.bmp", 100, 60, White));
  platform.script.push_back([&] { map->Close(); });
  Run(&TTraceMap::Open1Click);
  EXPECT_TRUE(map->Closed());
  EXPECT_EQ(platform.terminations, 1);
  EXPECT_EQ(map->Image1.Picture.GetKind(), TPicture::Kind::None);
  EXPECT_TRUE(platform.boxes.empty());
}

TEST_F(Window, CloseQueryStopsTheRunAndNeverRefuses) {
  Start("");
  bool canClose = true;
  map->FormCloseQuery(canClose);
  EXPECT_TRUE(canClose);
  EXPECT_TRUE(map->StopRequested);
  EXPECT_EQ(platform.events, (std::vector<std::string>{"process", "pause"}));
  EXPECT_NE(map->Car, nullptr);  // only FormClose frees
}

// --- Observers of the window's runs ----------------------------------------

// Asks the window to stop once the tally has reached the given tick.
struct StopAtTick : RunObserver {
  StopAtTick(TTraceMap& map, const RunTally& tally) : map(map), tally(tally) {}
  void Placed(const TCar&) override {}
  void Ticked(const TickReport&) override {
    if (tally.Ticks() >= tick) {
      map.StopRequested = true;
    }
  }
  TTraceMap& map;
  const RunTally& tally;
  std::uint64_t tick = 0;
};

// What one CarRun::Run of `ticks` ticks from the placement gives, with the
// loop search and the hash that `ormakin-sim run` uses.
struct Reference {
  RunResult result;
  std::uint64_t hash;
  double x, y, direction;
};
Reference ReferenceRun(const std::string& settingsPath, const std::string& course,
                       std::uint64_t ticks) {
  RecordingPlatform platform;
  platform.fileChoices.push_back(course);
  TTraceMap map(platform, settingsPath);
  map.Create();
  map.Dispatch(&TTraceMap::Open1Click);
  TraceHash hash;
  CarRun run(*map.Car);
  run.Observe(hash);
  run.SearchLoop(false);
  Reference reference{run.Run(ticks), 0, 0, 0, 0};
  reference.hash = hash.Value();
  reference.x = map.Car->X();
  reference.y = map.Car->Y();
  reference.direction = map.Car->Direction();
  return reference;
}

TEST_F(Window, RunObserversCountFromTheOpeningAcrossStartsAsOneRun) {
  struct Case {
    const char* what;
    std::string settings;
    std::vector<std::uint64_t> stops;  // the stop tick of each Start, in order
    std::uint64_t ticks;               // the tally's ticks at the end
  };
  const std::vector<Case> cases = {
      {"a run split by two stops", StraightDown(9), {1, 4, 6}, 6},
      // The car stops by itself on its fifth tick; the next Start moves it
      // no more.
      {"a run to the car's stop and beyond", StraightDown(5), {2, 9, 12}, 5},
      {"a loop found in the second run",
       "[car]\ninit_x=50\ninit_y=30\n[state]\n1-0=0,0,1\n",
       {1, 3},
       3},
      {"a loop of two states across the stop",
       "[car]\ninit_x=50\ninit_y=30\n[state]\n1-0=180,0,2\n2-0=180,0,1\n",
       {1, 2, 7},
       7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    map.reset();
    Start(c.settings);
    const std::string course = Course("c.bmp", 100, 60, White);
    RunTally tally;
    StopAtTick stop(*map, tally);
    map->ObserveRuns(tally);
    map->ObserveRuns(stop);
    Choose(course);
    Run(&TTraceMap::Open1Click);
    for (std::uint64_t tick : c.stops) {
      stop.tick = tick;
      Run(&TTraceMap::N3Click);
      EXPECT_FALSE(map->Running);
      const Reference reference =
          ReferenceRun(dir.PathOf("ormakin.ini"), course, std::min(tick, c.ticks));
      const RunResult result = tally.Result(*map->Car);
      EXPECT_EQ(result.ticks, reference.result.ticks) << tick;
      EXPECT_EQ(result.stopped, reference.result.stopped) << tick;
      EXPECT_EQ(result.stopReason, reference.result.stopReason) << tick;
      EXPECT_EQ(result.loopPeriod, reference.result.loopPeriod) << tick;
      EXPECT_EQ(result.loopTick, reference.result.loopTick) << tick;
      EXPECT_EQ(tally.Hash(), reference.hash) << tick;
      EXPECT_EQ(map->Car->X(), reference.x) << tick;
      EXPECT_EQ(map->Car->Y(), reference.y) << tick;
      EXPECT_EQ(map->Car->Direction(), reference.direction) << tick;
    }
    EXPECT_EQ(tally.Ticks(), c.ticks);
  }
}

TEST_F(Window, RunObserversHearEachOpeningAndAStopAskedDuringATick) {
  Start(StraightDown(9));
  const std::string course = Course("c.bmp", 100, 60, White);
  RunTally tally;
  StopAtTick stop(*map, tally);
  map->ObserveRuns(tally);
  map->ObserveRuns(stop);
  EXPECT_FALSE(tally.Counting());
  // Start before any course: no run, nothing counted.
  Run(&TTraceMap::N3Click);
  EXPECT_FALSE(tally.Counting());

  Choose(course);
  Run(&TTraceMap::Open1Click);
  EXPECT_TRUE(tally.Counting());
  stop.tick = 2;
  platform.pauses.clear();
  Run(&TTraceMap::N3Click);
  // The stop asked during the second tick ends the run after its frame and
  // pause, as a Stop chosen meanwhile would.
  EXPECT_EQ(platform.pauses.size(), 2u);
  EXPECT_EQ(map->Car->Y(), 14.0);
  EXPECT_EQ(tally.Ticks(), 2u);

  // An opening during a run places the car again: the count starts afresh
  // and the run ends without a further tick.
  stop.tick = 100;
  int ticks = 0;
  platform.whenIdle = [&] {
    if (++ticks == 2) {
      platform.whenIdle = nullptr;
      Choose(course);
      Run(&TTraceMap::Open1Click);
    }
  };
  Run(&TTraceMap::N3Click);
  EXPECT_EQ(tally.Ticks(), 0u);
  TraceHash placed;
  placed.Placed(*map->Car);
  EXPECT_EQ(tally.Hash(), placed.Value());
}

#if ORMAKIN_HAS_X87
// Sets the x87 to a 53-bit significand, as a library loaded by the file
// dialog may do (Windows' own default), or a box's.
void LowerThePrecision() {
  SetX87ControlWord(static_cast<std::uint16_t>((X87ControlWord() & ~0x0300u) | 0x0200u));
}

// Hears each tick right after the car's Step: the precision it sees is the
// one the Step ran at, unless the action lowers it for what follows.
struct AfterEachStep : RunObserver {
  void Placed(const TCar&) override {}
  void Ticked(const TickReport&) override {
    if (PrecisionControl() != 3) ++stepsBelow64Bits;
    if (action) action();
  }
  std::function<void()> action;
  int stepsBelow64Bits = 0;
};

TEST_F(Window, EachStepAndEachFrameRunAtExtendedPrecisionWhateverRanBefore) {
  // A car that circles on an empty field by turns and steps that no binary
  // fraction writes exactly, so that its positions use every bit.
  const std::string settings = "[car]\ninit_x=250\ninit_y=200\n[state]\n1-0=7.3,1.37,1\n";
  constexpr std::uint64_t kTicks = 400;
  enum class Where { FileDialog, MessageProcessing, BetweenStepAndFrame };
  for (const Where where :
       {Where::FileDialog, Where::MessageProcessing, Where::BetweenStepAndFrame}) {
    SCOPED_TRACE(static_cast<int>(where));
    map.reset();
    platform = RecordingPlatform();
    Start(settings);
    const std::string course = Course("c.bmp", 500, 400, White);
    RunTally tally;
    AfterEachStep step;
    StopAtTick stop(*map, tally);
    map->ObserveRuns(tally);
    map->ObserveRuns(step);
    map->ObserveRuns(stop);
    if (where == Where::FileDialog) platform.onDialog = LowerThePrecision;
    if (where == Where::BetweenStepAndFrame) step.action = LowerThePrecision;
    Choose(course);
    Run(&TTraceMap::Open1Click);
    int framesBelow64Bits = 0;
    platform.whenIdle = [&] {
      // Nothing but the frame's drawing ran since the last check or lowering.
      if (PrecisionControl() != 3) ++framesBelow64Bits;
      if (where == Where::MessageProcessing) LowerThePrecision();
    };
    stop.tick = kTicks;
    Run(&TTraceMap::N3Click);
    UseExtendedPrecision();
    ASSERT_TRUE(platform.boxes.empty()) << platform.boxes.front().text;
    EXPECT_EQ(tally.Ticks(), kTicks);
    EXPECT_EQ(step.stepsBelow64Bits, 0);
    EXPECT_EQ(framesBelow64Bits, 0);
    EXPECT_EQ(tally.Hash(), ReferenceRun(dir.PathOf("ormakin.ini"), course, kTicks).hash);
  }
}
#endif

}  // namespace
}  // namespace ormakin
