// ormakin-sim sweep and tune, driven as a user's script drives them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/picture/bmp_reader.h"
#include "sim_runner.h"
#include "support/course_builder.h"
#include "support/read_file.h"
#include "support/temp_dir.h"

namespace ormakin::testing {
namespace {

using ::testing::HasSubstr;

// A line 50 pixels wide, x = 50 to 99, down a course 800 pixels tall, and a
// car whose three sensors sit on its centre line: a start left of x = 50
// never sees the line, one from x = 50 on drives down it.
std::string WideLineCourse() {
  return LineCourseBmp(100, 800, [](int x, int) { return x >= 50; });
}
constexpr const char* kEdgeSettings =
    "[car]\ninit_x=50\ninit_y=100\nsensor_left=0\nsensor_right=0\n"
    "[state]\n1-0=0,1,1\n1-7=0,1,1\n";

// A short vertical line, x = 18 to 22, down a 40 x 200 course.
std::string ShortStraightCourse() {
  return LineCourseBmp(40, 200, [](int x, int y) { return x >= 18 && x <= 22 && y < 150; });
}

class SweepTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& bytes) {
    return dir_.WriteFile(name, bytes);
  }
  std::string PathOf(const std::string& name) { return dir_.PathOf(name); }

  TempDir dir_;
};

TEST_F(SweepTest, StartsBesideTheLineAreLostAndTheMapShowsWhere) {
  const std::string course = Write("edge.bmp", WideLineCourse());
  const std::string settings = Write("car.ini", kEdgeSettings);
  const std::string map = PathOf("map.bmp");
  const SimResult r = RunSim(
      {"sweep", course, "--settings", settings, "--ticks", "600", "--map", map, "--jobs", "2"});
  ASSERT_EQ(r.status, 0) << r.err;
  // 21 x 21 starts; the 10 columns left of the line are lost.
  EXPECT_THAT(r.out, HasSubstr("starts=441 ticks=600\n"));
  EXPECT_THAT(r.out, HasSubstr("holds the line: 231 (52.4%)\n"));
  EXPECT_THAT(r.out, HasSubstr("lost: 210 (47.6%)\n"));
  EXPECT_THAT(r.out, HasSubstr("worst: x=40 y=90 lost at tick 500"));

  const TBitmap picture = ReadBitmapFile(map);
  EXPECT_GE(picture.Width(), 100);
  EXPECT_GT(picture.Height(), 800);  // the legend lies below the course
  struct Probe {
    int x, y;
    TColor color;
  };
  for (const Probe& p : {Probe{40, 90, 0x00008CFF},      // a lost start: orange
                         Probe{49, 110, 0x00008CFF},     // the last lost column
                         Probe{50, 100, 0x0000A000},     // the start point holds: green
                         Probe{60, 110, 0x0000A000},     // the last start
                         Probe{20, 300, clWhite},        // ground, away from paths
                         Probe{80, 300, 0x00BFBFBF}}) {  // the line, faded to grey
    EXPECT_EQ(picture.GetPixel(p.x, p.y), p.color) << p.x << "," << p.y;
  }
  // A failure's path runs straight down from its start, in its colour.
  EXPECT_EQ(picture.GetPixel(40, 400), 0x00008CFF);
}

TEST_F(SweepTest, StoppedStartsSayWhyInTheWordsOfRun) {
  const std::string course = Write("short.bmp", ShortStraightCourse());
  const std::string settings = Write("car.ini", "[car]\ninit_x=20\ninit_y=10\n");
  const SimResult r = RunSim({"sweep", course, "--settings", settings, "--around", "1"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_THAT(r.out, HasSubstr("stopped: 9 (100.0%)\n"));
  // The first start, at x = 19, has its right sensor (x = 16) off the line.
  EXPECT_THAT(r.out, HasSubstr("worst: x=19 y=9 stopped, stop: tick 1, state 1, mask 5 (left and "
                               "centre sensors on the line), rule 1-5 is not set in the settings"));
}

TEST_F(SweepTest, TuneFromAnEmptyTableFollowsAShortLineAndIsTheSameForAnyJobs) {
  const std::string course = Write("short.bmp", ShortStraightCourse());
  const std::string settings = Write("empty.ini", "[car]\ninit_x=20\ninit_y=10\n");
  // Each into a folder of its own under the same name, which the file
  // names in the command that makes it again.
  std::string files[2];
  for (int jobs = 1; jobs <= 2; ++jobs) {
    const std::string folder = PathOf("jobs" + std::to_string(jobs));
    std::filesystem::create_directory(folder);
    const SimResult r =
        RunSim({"tune", course, "--settings", settings, "--ticks", "120", "--evaluations", "400",
                "--seed", "7", "--jobs", std::to_string(jobs), "--out", "tuned.ini"},
               folder);
    ASSERT_EQ(r.status, 0) << r.err;
    files[jobs - 1] = ReadFile(folder + "/tuned.ini");
  }
  EXPECT_EQ(files[0], files[1]);
  EXPECT_THAT(files[0], HasSubstr("; Found by ormakin-sim tune: seed 7, budget 400 evaluations"));
  EXPECT_THAT(files[0],
              HasSubstr("; Made, and made again, by: ormakin-sim tune " + course + " --settings " +
                        settings + " --ticks 120 --evaluations 400 --seed 7 --out tuned.ini\n"));

  // The controller found drives the car down the line, never straying from
  // it.
  const std::string tuned = PathOf("jobs1/tuned.ini");
  const SimResult lint = RunSim({"lint", tuned});
  EXPECT_EQ(lint.status, 0) << lint.out << lint.err;
  // Not only no message box: no finding at all, not even one that the car
  // would survive (a key never read, a next state without rules).
  for (const std::string& line : Lines(lint.out)) {
    EXPECT_FALSE(line.starts_with(tuned + ":")) << line;
  }
  EXPECT_EQ(lint.err, "");
  const SimResult run =
      RunSim({"run", course, "--settings", tuned, "--ticks", "120", "--trace", "-"});
  ASSERT_EQ(run.status, 0) << run.err;
  double deepest = 0.0;
  for (const std::string& line : Lines(run.out)) {
    std::istringstream row(line);
    std::string tick, x, y;
    std::getline(row, tick, ',');
    std::getline(row, x, ',');
    std::getline(row, y, ',');
    if (tick.empty() || !std::isdigit(static_cast<unsigned char>(tick[0])) ||
        std::stod(y) <= deepest) {
      continue;
    }
    deepest = std::stod(y);
    EXPECT_NEAR(std::stod(x), 20.0, 4.0) << "tick " << tick;
  }
  // In its 120 ticks, about a pixel a tick.
  EXPECT_GE(deepest, 125.0);
}

TEST_F(SweepTest, TuneNeverWritesTheSettingsFileItReads) {
  const std::string course = Write("short.bmp", ShortStraightCourse());
  const std::string settings = Write("car.ini", "[car]\ninit_x=20\ninit_y=10\n");
  const SimResult r =
      RunSim({"tune", course, "--settings", settings, "--evaluations", "8", "--out", settings});
  EXPECT_EQ(r.status, 2);
  EXPECT_THAT(r.err, HasSubstr("--out " + settings + " is the same file as --settings"));
  EXPECT_EQ(ReadFile(settings), "[car]\ninit_x=20\ninit_y=10\n");
}

TEST_F(SweepTest, BadArgumentsAndUnreadableCourses) {
  const std::string settings = Write("car.ini", kEdgeSettings);
  const std::string out = PathOf("out.ini");
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"sweep"},
           {"sweep", "a.bmp", "b.bmp"},
           {"sweep", "a.bmp", "--step", "0"},
           {"sweep", "a.bmp", "--around", "-1"},
           {"sweep", "a.bmp", "--jobs", "0"},
           {"sweep", "a.bmp", "--line=yes"},
           {"tune", "a.bmp"},
           {"tune", "--out", out},
           {"tune", "a.bmp", "--out", out, "--seconds", "1", "--evaluations", "5"},
           {"tune", "a.bmp", "--out", out, "--seconds", "0"},
           {"tune", "a.bmp", "--out", out, "--seed", "x"},
       }) {
    const SimResult r = RunSim(args);
    EXPECT_EQ(r.status, 2) << args[0] << " " << (args.size() > 1 ? args[1] : "");
    EXPECT_THAT(r.err, HasSubstr("usage: ormakin-sim"));
  }
  // A course that cannot be opened: the open command's own message.
  const std::string missing = PathOf("missing.bmp");
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"sweep", missing, "--settings", settings},
           {"tune", missing, "--settings", settings, "--evaluations", "1", "--out", out}}) {
    const SimResult r = RunSim(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "ファイル " + missing + " は開けません.\n");
  }
}

}  // namespace
}  // namespace ormakin::testing
